// The host edition's answers about "its Windows": the family it reports and
// the folders of its Windows-like root, in the form a script sees them.
//
// The host reports the NT family. Setting the environment variable
// NEMURIA_WINDOWS_FAMILY to 95 makes it report the Windows 95 family
// instead, so that the per-user folders and an OSVER flag of 0 can be seen.
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/System.h"
#include "platform/posix/HostPath.h"
#include "winlike/Conversion.h"

namespace {

const char kWindowsDirectory[] = "C:\\WINDOWS";
const char kSystemDirectory[] = "C:\\WINDOWS\\system32";
const char kCommonPrograms[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const char kCommonDesktop[] = "C:\\Users\\Public\\Desktop";
const char kUserPrograms[] = "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
const char kUserDesktop[] = "\\Desktop";

// C:\Users\<login name>: the folder of the current user, named as the root's
// folders were made.
std::string UserFolder() { return "C:\\Users\\" + AnsiFromUtf8(HostLoginName()); }

// Copies `text` into the caller's block when it fits with its terminating
// zero; otherwise the block is left as it was, as the Windows calls do.
void CopyDirectory(const char* text, char* buffer, unsigned size) {
    const size_t length = std::strlen(text);
    if (buffer == nullptr || length >= size) return;
    std::memcpy(buffer, text, length + 1);
}

}  // namespace

bool IsWindowsNT() {
    const char* family = std::getenv("NEMURIA_WINDOWS_FAMILY");
    return family == nullptr || std::strcmp(family, "95") != 0;
}

bool GetSpecialFolderPath(void* /*owner*/, int folder, TextString& out) {
    std::string path;
    switch (folder) {
        case kCsidlCommonPrograms: path = kCommonPrograms; break;
        case kCsidlCommonDesktopDirectory: path = kCommonDesktop; break;
        case kCsidlPrograms: path = UserFolder() + kUserPrograms; break;
        case kCsidlDesktopDirectory: path = UserFolder() + kUserDesktop; break;
        default: return false;
    }
    return out.SetText(path.c_str());
}

void WindowsDirectory(char* buffer, unsigned size) { CopyDirectory(kWindowsDirectory, buffer, size); }

void SystemDirectory(char* buffer, unsigned size) { CopyDirectory(kSystemDirectory, buffer, size); }
