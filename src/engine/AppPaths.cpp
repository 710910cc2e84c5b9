// The application-path lookup.
#include "engine/AppPaths.h"

#include "platform/Registry.h"

namespace {

const char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

}  // namespace

bool LookupAppPath(const char* application, TextString& out, bool wantFile) {
    const TextString path = TextString(kAppPathsKey).Concat(application);
    if (path.CStr() == nullptr) return false;
    RegistryKey key(kLocalMachine, path.CStr());
    return key.QueryValue(wantFile ? "" : "PATH", out);
}
