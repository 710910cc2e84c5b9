// Read-only registry access: three raw calls each edition supplies (open a
// key, query one value, close the key) and the key holder through which the
// program makes every registry read.
#pragma once

#include <climits>
#include <cstdint>

#include "text/TextString.h"

// A predefined root key; 0 means none. HKEY_LOCAL_MACHINE is the 32-bit
// value 0x80000002, sign-extended to the width of a handle as Windows
// defines it.
using RegistryRoot = uintptr_t;
constexpr RegistryRoot kLocalMachine =
    static_cast<RegistryRoot>(static_cast<intptr_t>(static_cast<int32_t>(0x80000002u)));
enum : unsigned { kKeyRead = 0x20019 };

// Opens `subKey` below `root` with `access`; true and the key in `handle`
// (an opaque number, never 0) when it could be opened.
bool RegistryOpenKey(RegistryRoot root, const char* subKey, unsigned access, uintptr_t& handle);

// Queries the value `name` of an open key. With `data` null only the size of
// the value's data is asked for. `size` holds the size of `data` on entry
// and the size of the value's data on return; it is left alone when the
// value is missing. True when the value was read (or measured).
bool RegistryQueryValue(uintptr_t handle, const char* name, unsigned char* data, unsigned& size);

void RegistryCloseKey(uintptr_t handle);

// One registry key, opened and closed again around each use.
class RegistryKey {
public:
    RegistryKey(RegistryRoot root, const char* subKey) : root_(root), subKey_(subKey), handle_(0) {}
    virtual ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool Open(unsigned access) {
        Close();
        // A sub-key text lost to an exhausted heap must not open the root
        // itself.
        if (root_ == 0 || subKey_.CStr() == nullptr) return false;
        uintptr_t handle = 0;
        if (!RegistryOpenKey(root_, subKey_.CStr(), access, handle)) return false;
        handle_ = handle;
        return true;
    }

    void Close() {
        if (handle_ == 0) return;
        RegistryCloseKey(handle_);
        handle_ = 0;
    }

    unsigned ValueSize(const char* valueName) {
        if (handle_ == 0) return 0;
        unsigned size = 0;
        RegistryQueryValue(handle_, valueName, nullptr, size);
        return size;
    }

    bool ReadText(const char* valueName, TextString& out) {
        const unsigned size = ValueSize(valueName);
        if (size == 0 || size == UINT_MAX) return false;
        if (handle_ == 0) return false;
        // One byte more than the data, left zero, so that a value stored
        // without its terminating zero still ends inside the block.
        if (!out.Allocate(size + 1)) return false;
        unsigned read = size;
        return RegistryQueryValue(handle_, valueName, reinterpret_cast<unsigned char*>(out.Buffer()),
                                  read);
    }

    bool QueryValue(const char* valueName, TextString& out) {
        const bool ok = Open(kKeyRead) && ReadText(valueName, out);
        Close();
        return ok;
    }

private:
    RegistryRoot root_;
    TextString subKey_;
    uintptr_t handle_;
};
