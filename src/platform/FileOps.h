// The file actions of the commands: copy, delete, make a folder, attributes.
#pragma once

#include <cstdint>

// Copies `source` over `destination`, replacing an existing file.
bool CopyOneFile(const char* source, const char* destination);
// Deletes one file (not a folder; no wildcards).
bool DeleteOneFile(const char* path);
// Creates one folder level; fails when the parent is missing or the name exists.
bool MakeOneDirectory(const char* path);
// Sets the attribute mask of a file.
bool SetAttributes(const char* path, uint32_t attributes);
