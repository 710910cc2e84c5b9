// The few raw registry calls each edition supplies to RegistryKey: open a
// key, query one value, close the key. Handles are opaque numbers; 0 is none.
#pragma once

#include <cstdint>

#include "platform/Registry.h"

// Opens `subKey` below `root` with `access`; true and the key in `handle`
// when it could be opened.
bool RegistryOpenKey(RegistryRoot root, const char* subKey, unsigned access,
                     uintptr_t& handle);

// Queries the value `name` of an open key. With `data` null only the size of
// the value's data is asked for. `size` holds the size of `data` on entry
// and the size of the value's data on return; it is left alone when the
// value is missing. True when the value was read (or measured).
bool RegistryQueryValue(uintptr_t handle, const char* name, unsigned char* data,
                        unsigned& size);

void RegistryCloseKey(uintptr_t handle);
