// The host edition's Windows view of the file system, as Wine gives it.
//
// The program names files with Windows paths in its ANSI code page (CP932).
// Drive C: is the folder drive_c of a Windows-like root, drive Z: is the
// host's "/", and any other drive letter names nothing. Host file names are
// UTF-8; a name is matched without regard to ASCII letter case when it does
// not exist as written.
#pragma once

#include <string>
#include <vector>

// The root folder: $NEMURIA_ROOT when set and not empty, else
// ~/.local/share/nemuria-updater, as an absolute path without symbolic
// links. It is created with its folders the first time it is asked for, and
// again whenever NEMURIA_ROOT names another folder.
const std::string& HostRoot();

// Creates the root and whichever of its folders are missing, also in a root
// that already exists. Start-up calls it once.
void EnsureHostRoot();

// Where the root is configured to be ($NEMURIA_ROOT or the default), as an
// absolute path; nothing is created or resolved.
std::string ConfiguredHostRoot();

// From now on, a Windows path that leads into the host folder `from`
// (absolute, without symbolic links) leads into `to` instead, and a host
// path below `from` that lies on drive C: once moved to `to` is named by
// its C: path. A rehearsal of a script runs so against copies of the root
// and of the program's folder, under the same Windows paths as a real run.
void RedirectHostFolder(const std::string& from, const std::string& to);

// The login name that names the per-user folders below C:\Users.
std::string HostLoginName();

// The host path that a Windows path names. Separators may be "\" or "/";
// "." and ".." are resolved on the text, as Windows does, before anything is
// looked up; trailing dots and blanks of the last component are dropped.
// False when the path names nothing the host can reach: empty, longer than
// the 259 characters of Windows' ANSI calls, another drive, a network path,
// a character Windows forbids in names, or a wildcard. A last component
// that does not exist is kept as written.
bool ToHostPath(const char* windowsPath, std::string& hostPath);

// The host path that a Windows path names when every folder and the name
// exist as written: ToHostPath's answer wherever this path can be opened,
// found without looking at the disk. False where ToHostPath is false.
bool ToHostPathAsWritten(const char* windowsPath, std::string& hostPath);

// A Windows path prepared for a directory search: its folder mapped as
// ToHostPath does, and its last component as written (in UTF-8, wildcards
// and trailing dots included; empty when the path ends with a separator or
// names a drive's root).
struct HostSearchPath {
    std::string folder;
    std::string name;
    bool driveRoot;  // the folder is the root of drive C: or Z:
};
bool ToHostSearchPath(const char* windowsPath, HostSearchPath& search);

// The Windows path of a host path, the way Wine names it: inside the root's
// drive_c it is on C:, anywhere else on Z:. A relative path is taken from
// the current folder.
std::string ToWindowsPath(const std::string& hostPath);

// The names in a host folder, without "." and "..". False when the folder
// cannot be read.
bool ReadFolderNames(const std::string& folder, std::vector<std::string>& names);

// Joins a host folder and a name with one "/".
std::string JoinHostPath(const std::string& folder, const std::string& name);
