// Windows bodies of the file actions: one Win32 call each, its error noted
// when it fails.
#include "platform/FileOps.h"

#include <windows.h>

#include "platform/Failure.h"

bool CopyOneFile(const char* source, const char* destination) {
    return CopyFileA(source, destination, FALSE) != 0 ||
           NoteFailure("CopyFile", destination, static_cast<int>(GetLastError()));
}

bool DeleteOneFile(const char* path) {
    return DeleteFileA(path) != 0 || NoteFailure("DeleteFile", path, static_cast<int>(GetLastError()));
}

bool MakeOneDirectory(const char* path) {
    return CreateDirectoryA(path, nullptr) != 0 ||
           NoteFailure("CreateDirectory", path, static_cast<int>(GetLastError()));
}

bool SetAttributes(const char* path, uint32_t attributes) {
    return SetFileAttributesA(path, attributes) != 0 ||
           NoteFailure("SetFileAttributes", path, static_cast<int>(GetLastError()));
}
