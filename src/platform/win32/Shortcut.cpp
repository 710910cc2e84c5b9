// Shortcut files through the shell's ShellLink object.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include "winlike/WindowsPath.h"
#include "platform/Failure.h"
#include "platform/Shortcut.h"

namespace {

// Holds one COM interface pointer and releases it exactly once.
template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    // Where a call that hands out a new reference stores it.
    void** out() { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

// The window state a shortcut stores for a show number of the script;
// 0 for a number that leaves the shell's default.
int ShowCommandOf(int showNumber) {
    switch (showNumber) {
    case 1: return SW_SHOWNORMAL;
    case 2: return SW_SHOWMINNOACTIVE;
    case 3: return SW_SHOWMAXIMIZED;
    default: return 0;
    }
}

}  // namespace

bool CreateShortcut(const char* target, const char* linkFile, const char* arguments,
                    int showNumber) {
    // Objects are released in reverse order of declaration: the file
    // interface before the link itself.
    ComRef<IShellLinkA> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.out());
    if (FAILED(result)) return NoteFailure("ShellLink", linkFile, static_cast<int>(result));
    // The setters' results are not examined: Save decides the outcome.
    link->SetPath(target);
    TextString folder;
    DirectoryOfPath(target, folder);
    link->SetWorkingDirectory(folder.CStr() != nullptr ? folder.CStr() : "");
    if (arguments != nullptr) link->SetArguments(arguments);
    const int showCommand = ShowCommandOf(showNumber);
    if (showCommand != 0) link->SetShowCmd(showCommand);

    ComRef<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.out());
    if (FAILED(result)) return NoteFailure("ShellLink", linkFile, static_cast<int>(result));
    // A name that needs more than MAX_PATH - 1 wide characters does not fit
    // and is never saved.
    WCHAR name[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, linkFile, -1, name, MAX_PATH) == 0) {
        return NoteFailure("name", linkFile, static_cast<int>(GetLastError()));
    }
    result = file->Save(name, TRUE);
    return SUCCEEDED(result) || NoteFailure("Save", linkFile, static_cast<int>(result));
}
