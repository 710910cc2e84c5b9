// Raw registry calls of the Windows edition: advapi32, read only.
#include <windows.h>

#include "platform/Registry.h"

namespace {

HKEY AsKey(uintptr_t value) { return reinterpret_cast<HKEY>(value); }

}  // namespace

bool RegistryOpenKey(RegistryRoot root, const char* subKey, unsigned access,
                     uintptr_t& handle) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(AsKey(root), subKey, 0, access, &key) != ERROR_SUCCESS) return false;
    handle = reinterpret_cast<uintptr_t>(key);
    return true;
}

bool RegistryQueryValue(uintptr_t handle, const char* name, unsigned char* data,
                        unsigned& size) {
    DWORD bytes = size;
    const LONG result = RegQueryValueExA(AsKey(handle), name, nullptr, nullptr, data, &bytes);
    if (result == ERROR_SUCCESS || data == nullptr) size = bytes;
    return result == ERROR_SUCCESS;
}

void RegistryCloseKey(uintptr_t handle) { RegCloseKey(AsKey(handle)); }
