// How Windows takes a path apart.
#include "winlike/WindowsPath.h"

#include <cstring>

bool DirectoryOfPath(const char* path, TextString& folder) {
    const char* backslash = std::strrchr(path, '\\');
    if (backslash == nullptr || backslash == path) return false;
    const unsigned position = static_cast<unsigned>(backslash - path);
    if (!folder.Allocate(position + 1)) return false;
    std::memcpy(folder.Buffer(), path, position);
    return true;
}
