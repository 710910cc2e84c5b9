// How Windows takes a path apart.
#pragma once

#include "text/TextString.h"

// The folder part of a path: the bytes before its last backslash byte,
// found byte by byte from the end, so that the second byte 0x5C of a
// double-byte character counts as a backslash too (the program's rule
// everywhere it takes texts apart). False, `folder` unchanged, when the path
// has no backslash or only one at its first byte.
bool DirectoryOfPath(const char* path, TextString& folder);
