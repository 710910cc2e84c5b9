// The application lookups of the script: where Windows registered a program.
#pragma once

#include "text/TextString.h"

// Looks an application up below HKEY_LOCAL_MACHINE in the application-paths
// key: its program file (wantFile, the key's default value) or its "PATH"
// value. False, `out` unchanged, when it is not registered.
bool LookupAppPath(const char* application, TextString& out, bool wantFile);
