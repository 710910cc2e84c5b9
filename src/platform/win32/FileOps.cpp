// Windows bodies of the file actions: one Win32 call each.
#include "platform/FileOps.h"

#include <windows.h>

bool CopyOneFile(const char* source, const char* destination) {
    return CopyFileA(source, destination, FALSE) != 0;
}

bool DeleteOneFile(const char* path) {
    return DeleteFileA(path) != 0;
}

bool MakeOneDirectory(const char* path) {
    return CreateDirectoryA(path, nullptr) != 0;
}

bool SetAttributes(const char* path, uint32_t attributes) {
    return SetFileAttributesA(path, attributes) != 0;
}
