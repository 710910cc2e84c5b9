// The registry key holder and the application-path lookup, common to both
// editions; each edition supplies the raw calls of RegistryAccess.h.
#include "platform/Registry.h"

#include <climits>

#include "platform/RegistryAccess.h"

// HKEY_LOCAL_MACHINE: the 32-bit value 0x80000002, sign-extended to the width
// of a handle as Windows defines it.
const RegistryRoot kLocalMachine =
    static_cast<RegistryRoot>(static_cast<intptr_t>(static_cast<int32_t>(0x80000002u)));

namespace {

const char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

}  // namespace

RegistryKey::RegistryKey(RegistryRoot root, const char* subKey)
    : root_(root), subKey_(subKey), handle_(0) {}

RegistryKey::~RegistryKey() { Close(); }

bool RegistryKey::Open(unsigned access) {
    Close();
    // A sub-key text lost to an exhausted heap must not open the root itself.
    if (root_ == 0 || subKey_.CStr() == nullptr) return false;
    uintptr_t handle = 0;
    if (!RegistryOpenKey(root_, subKey_.CStr(), access, handle)) return false;
    handle_ = handle;
    return true;
}

void RegistryKey::Close() {
    if (handle_ == 0) return;
    RegistryCloseKey(handle_);
    handle_ = 0;
}

unsigned RegistryKey::ValueSize(const char* valueName) {
    if (handle_ == 0) return 0;
    unsigned size = 0;
    RegistryQueryValue(handle_, valueName, nullptr, size);
    return size;
}

bool RegistryKey::ReadText(const char* valueName, TextString& out) {
    const unsigned size = ValueSize(valueName);
    if (size == 0 || size == UINT_MAX) return false;
    if (handle_ == 0) return false;
    // One byte more than the data, left zero, so that a value stored without
    // its terminating zero still ends inside the block.
    if (!out.Allocate(size + 1)) return false;
    unsigned read = size;
    return RegistryQueryValue(handle_, valueName, reinterpret_cast<unsigned char*>(out.Buffer()),
                              read);
}

bool RegistryKey::QueryValue(const char* valueName, TextString& out) {
    const bool ok = Open(kKeyRead) && ReadText(valueName, out);
    Close();
    return ok;
}

bool LookupAppPath(const char* application, TextString& out, bool wantFile) {
    const TextString path = TextString(kAppPathsKey).Concat(application);
    if (path.CStr() == nullptr) return false;
    RegistryKey key(kLocalMachine, path.CStr());
    return key.QueryValue(wantFile ? "" : "PATH", out);
}
