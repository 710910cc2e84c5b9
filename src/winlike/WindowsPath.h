// How Windows takes a path apart.
#pragma once

#include <string>
#include <vector>

#include "text/TextString.h"

// The folder part of a path: the bytes before its last backslash byte,
// found byte by byte from the end, so that the second byte 0x5C of a
// double-byte character counts as a backslash too (the program's rule
// everywhere it takes texts apart). False, `folder` unchanged, when the path
// has no backslash or only one at its first byte.
bool DirectoryOfPath(const char* path, TextString& folder);

// The non-empty components of a text between `separator`s.
std::vector<std::string> SplitComponents(const std::string& text, char separator);

// A full Windows path: its drive letter (upper case), its folders and its
// last component (empty for a path that ends with a separator).
struct WindowsPathParts {
    char drive = 0;
    std::vector<std::string> folders;
    std::string name;
};

// The process's current folder as a drive letter and folders; false when
// it has none.
using CurrentFolderSource = bool (*)(char& drive, std::vector<std::string>& folders);

// Takes a path apart the way Windows' path functions make it full: UTF-8
// text, separators "\" or "/"; a relative path (also "C:name", relative to
// drive C:'s current folder, which is the process's own when that is on C:,
// else the root) is taken from `current`; "." and ".." are resolved on the
// text, ".." stopping at the drive's top; one trailing dot is dropped from
// each folder. False for what names nothing in Windows' ANSI calls: an empty
// path, more than 259 characters (MAX_PATH less the terminator, a double-byte
// character counting once), a network or device path ("\\..."), a character
// Windows refuses in names, a wildcard in a folder, a folder named by three
// or more dots. A path rooted without a drive ("\x") is on the current
// folder's drive, or on `fallbackDrive` when there is no current folder.
bool ParseWindowsPath(std::string path, CurrentFolderSource current, char fallbackDrive,
                      WindowsPathParts& result);

// Whether a name holds a wildcard, "*" or "?".
bool HasWildcard(const std::string& name);

// A name without the dots and blanks at its end, which Windows drops.
std::string TrimTrailingDotsAndBlanks(std::string name);
