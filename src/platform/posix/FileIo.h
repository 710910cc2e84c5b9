// Whole-file reads and writes of the host bodies.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

// Opens a regular file for reading; -1 for anything else. A pipe would hold
// the open or the reads without end, and a device such as /dev/zero never
// ends, so neither is read; the open does not wait on a pipe.
int OpenRegularFile(const std::string& hostPath);

// Reads an open regular file from where it stands to its end into `bytes`;
// false when a read fails or the file holds more than `limit` bytes.
bool ReadToEnd(int fd, std::string& bytes, size_t limit);

// Writes every byte, going on after a short or interrupted write.
bool WriteAll(int fd, const void* data, size_t size);

// The process's file creation mask, read without changing it for good.
mode_t CurrentUmask();
