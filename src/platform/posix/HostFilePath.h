// Mapping of a Windows path that must name a file rather than a folder.
#pragma once

#include <cerrno>
#include <string>

#include "platform/Failure.h"
#include "platform/posix/HostPath.h"
#include "winlike/Conversion.h"

// A path that ends with a separator is the folder form, which Windows
// refuses wherever a file is meant, even when a file of that name exists.
// The test runs on the converted text, because in the program's code page
// the second byte of a double-byte character can be a backslash.
inline bool EndsWithSeparator(const char* windowsPath) {
    const std::string text = Utf8FromAnsi(windowsPath);
    return !text.empty() && (text.back() == '\\' || text.back() == '/');
}

// The host path of a Windows path; false, with the failure noted, when it
// names nothing the host can reach.
inline bool MapHostPath(const char* windowsPath, std::string& hostPath) {
    if (windowsPath == nullptr || *windowsPath == '\0' || !ToHostPath(windowsPath, hostPath)) {
        return NoteFailure("map the Windows path", windowsPath, ENOENT);
    }
    return true;
}

// As MapHostPath, and false for the folder form.
inline bool MapHostFilePath(const char* windowsPath, std::string& hostPath) {
    if (!MapHostPath(windowsPath, hostPath)) return false;
    if (EndsWithSeparator(windowsPath)) return NoteFailure("a file named as a folder", windowsPath, ENOENT);
    return true;
}
