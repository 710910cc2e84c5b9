// Starting programs.
#pragma once

#include "text/TextString.h"

// The folder part of a path: the bytes before its last backslash. False when
// the path has no backslash or only one at its first byte.
bool DirectoryOfPath(const char* path, TextString& folder);

// Starts `program` with `parameters` in the program's own folder and waits
// for its end (wait) or until it is ready for input. False when it could not
// be started or the wait failed.
bool LaunchProgram(const char* program, const char* parameters, bool wait);
