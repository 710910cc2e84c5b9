// Raw registry calls of the host edition. Its registry is the file
// system.reg in the host root, in the registry editor's text form
// (winlike/RegText.h); only HKEY_LOCAL_MACHINE is there. Opening a key reads
// the file afresh and keeps that key's values until the key is closed, so
// every lookup sees the file as it is then.
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/Failure.h"
#include "platform/Registry.h"
#include "platform/posix/FileIo.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/UniqueFd.h"
#include "winlike/Conversion.h"
#include "winlike/RegText.h"

namespace {

const char kRegistryFile[] = "system.reg";
const char kLocalMachineName[] = "HKEY_LOCAL_MACHINE";
// A larger file is taken as unreadable rather than read into memory whole.
const size_t kLargestFile = size_t(256) << 20;

struct HostKey {
    std::vector<RegValue> values;
};

// The values of the key at `keyPath` in the registry file at `path`; false
// when the file is missing or unreadable or does not leave the key there.
bool ReadKeyOfFile(const std::string& path, const std::string& keyPath, std::vector<RegValue>& values) {
    values.clear();
    UniqueFd file(OpenRegularFile(path));
    std::string bytes;
    if (!file.Valid() || !ReadToEnd(file.Get(), bytes, kLargestFile)) {
        return NoteFailure("read registry file", path.c_str(), errno);
    }
    if (!FindRegKey(RegTextOf(bytes), keyPath, values)) {
        return NoteFailure("find registry key", keyPath.c_str(), ENOENT);
    }
    for (RegValue& value : values) {
        if (value.unicode) value.data = AnsiFromUtf16(value.data);
        value.unicode = false;
    }
    return true;
}

HostKey* AsKey(uintptr_t handle) { return reinterpret_cast<HostKey*>(handle); }

}  // namespace

bool RegistryOpenKey(RegistryRoot root, const char* subKey, unsigned /*access*/,
                     uintptr_t& handle) {
    if (root != kLocalMachine || subKey == nullptr) return false;
    std::string path = kLocalMachineName;
    if (*subKey != '\0') path += std::string("\\") + subKey;

    std::unique_ptr<HostKey> key(new (std::nothrow) HostKey);
    if (!key || !ReadKeyOfFile(JoinHostPath(HostRoot(), kRegistryFile), path, key->values)) {
        return false;
    }
    handle = reinterpret_cast<uintptr_t>(key.release());
    return true;
}

bool RegistryQueryValue(uintptr_t handle, const char* name, unsigned char* data,
                        unsigned& size) {
    const RegValue* value = FindRegValue(AsKey(handle)->values, name == nullptr ? "" : name);
    if (value == nullptr) return NoteFailure("query registry value", name, ENOENT);
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
