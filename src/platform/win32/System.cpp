// The family of the running Windows and the paths of its folders.
#include <windows.h>
#include <shlobj.h>

#include "platform/System.h"

namespace {

const unsigned kPathBlock = MAX_PATH;
static_assert(sizeof(OSVERSIONINFOA) == 148, "the version query takes the 148-byte structure");

// An item identifier list of the shell, given back to the shell's allocator
// when the holder goes away.
class ItemIdList {
public:
    ItemIdList() = default;
    ~ItemIdList() { Release(); }
    ItemIdList(const ItemIdList&) = delete;
    ItemIdList& operator=(const ItemIdList&) = delete;

    LPITEMIDLIST* Receive() {
        Release();
        return &list_;
    }
    LPCITEMIDLIST Get() const { return list_; }

private:
    void Release() {
        if (list_ == nullptr) return;
        IMalloc* shellMalloc = nullptr;
        if (SHGetMalloc(&shellMalloc) == S_OK && shellMalloc != nullptr) {
            shellMalloc->Free(list_);
            shellMalloc->Release();
        }
        list_ = nullptr;
    }

    LPITEMIDLIST list_ = nullptr;
};

}  // namespace

bool IsWindowsNT() {
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    // A failed query leaves the structure zero, which answers "not NT".
    GetVersionExA(&info);
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool GetSpecialFolderPath(void* owner, int folder, TextString& out) {
    ItemIdList list;
    if (SHGetSpecialFolderLocation(static_cast<HWND>(owner), folder, list.Receive()) != S_OK) {
        return false;
    }
    if (!out.Allocate(kPathBlock)) return false;
    if (!SHGetPathFromIDListA(list.Get(), out.Buffer())) {
        out.Buffer()[0] = '\0';
        return false;
    }
    return true;
}

void WindowsDirectory(char* buffer, unsigned size) { GetWindowsDirectoryA(buffer, size); }

void SystemDirectory(char* buffer, unsigned size) { GetSystemDirectoryA(buffer, size); }
