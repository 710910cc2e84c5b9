// How Windows makes a path full: the current folder applied, "." and ".."
// resolved on the text, and what names nothing in its ANSI calls refused.
#pragma once

#include <string>
#include <vector>

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
