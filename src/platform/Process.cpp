// The folder part of a path, shared by program launch and shortcuts on both
// editions.
#include <cstring>

#include "platform/Process.h"

bool DirectoryOfPath(const char* path, TextString& folder) {
    // Byte by byte from the end: a trail byte 0x5C of a double-byte
    // character counts as a separator too, as it always has.
    const char* backslash = std::strrchr(path, '\\');
    if (backslash == nullptr || backslash == path) return false;
    const unsigned position = static_cast<unsigned>(backslash - path);
    if (!folder.Allocate(position + 1)) return false;
    std::memcpy(folder.Buffer(), path, position);
    return true;
}
