// Raw registry calls of the host edition. Its registry is the file
// system.reg in the host root (see RegFile.h); only HKEY_LOCAL_MACHINE is
// there. Opening a key reads the file afresh and keeps that key's values
// until the key is closed, so every lookup sees the file as it is then.
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/RegFile.h"

namespace {

const char kRegistryFile[] = "system.reg";
const char kLocalMachineName[] = "HKEY_LOCAL_MACHINE";

struct HostKey {
    std::vector<RegFileValue> values;
};

HostKey* AsKey(uintptr_t handle) { return reinterpret_cast<HostKey*>(handle); }

}  // namespace

bool RegistryOpenKey(RegistryRoot root, const char* subKey, unsigned /*access*/,
                     uintptr_t& handle) {
    if (root != kLocalMachine || subKey == nullptr) return false;
    std::string path = kLocalMachineName;
    if (*subKey != '\0') path += std::string("\\") + subKey;

    std::unique_ptr<HostKey> key(new (std::nothrow) HostKey);
    if (!key || !ReadRegFileKey(JoinHostPath(HostRoot(), kRegistryFile), path, key->values)) {
        return false;
    }
    handle = reinterpret_cast<uintptr_t>(key.release());
    return true;
}

bool RegistryQueryValue(uintptr_t handle, const char* name, unsigned char* data,
                        unsigned& size) {
    const RegFileValue* value = FindRegValue(AsKey(handle)->values, name == nullptr ? "" : name);
    if (value == nullptr) return false;
    const unsigned length = static_cast<unsigned>(value->data.size());
    // As Windows does: too small a block gets nothing but the size needed.
    if (data != nullptr && length > size) {
        size = length;
        return false;
    }
    if (data != nullptr) std::memcpy(data, value->data.data(), length);
    size = length;
    return true;
}

void RegistryCloseKey(uintptr_t handle) { delete AsKey(handle); }
