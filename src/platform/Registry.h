// Read-only registry access and the application-path lookup.
#pragma once

#include "text/TextString.h"

// A predefined root key; 0 means none.
using RegistryRoot = uintptr_t;
extern const RegistryRoot kLocalMachine;
enum : unsigned { kKeyRead = 0x20019 };

// One registry key, opened and closed again around each use.
class RegistryKey {
public:
    RegistryKey(RegistryRoot root, const char* subKey);
    virtual ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool Open(unsigned access);
    void Close();
    unsigned ValueSize(const char* valueName);
    bool ReadText(const char* valueName, TextString& out);
    bool QueryValue(const char* valueName, TextString& out);

private:
    RegistryRoot root_;
    TextString subKey_;
    uintptr_t handle_;
};

// Looks an application up in the application-paths key: its program file
// (wantFile) or its "PATH" value.
bool LookupAppPath(const char* application, TextString& out, bool wantFile);
