// lnkread: loads shortcut files through the shell's own ShellLink object and
// prints what it finds, one block per file:
//
//   file=<name as given>
//   target=<IShellLinkA::GetPath, raw>
//   folder=<IShellLinkA::GetWorkingDirectory>
//   arguments=<IShellLinkA::GetArguments>
//   show=<IShellLinkA::GetShowCmd>
//
// or "error=<step> 0x<HRESULT>" when the file cannot be loaded. The exit
// code is the number of files that could not be loaded. Used to show that
// the shell reads the shortcut files of both editions alike.
//
// Usage: lnkread FILE...
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstdio>

namespace {

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
    void** out() { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

bool Report(const char* step, HRESULT result) {
    std::printf("error=%s 0x%08lX\n", step, static_cast<unsigned long>(result));
    return false;
}

bool Show(const char* file) {
    std::printf("file=%s\n", file);
    ComRef<IShellLinkA> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, link.out());
    if (FAILED(result)) return Report("create", result);
    ComRef<IPersistFile> persist;
    result = link->QueryInterface(IID_IPersistFile, persist.out());
    if (FAILED(result)) return Report("query", result);
    WCHAR name[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, file, -1, name, MAX_PATH) == 0) {
        return Report("name", E_INVALIDARG);
    }
    result = persist->Load(name, STGM_READ);
    if (FAILED(result)) return Report("load", result);

    char text[1024];
    text[0] = '\0';
    link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
    std::printf("target=%s\n", text);
    text[0] = '\0';
    link->GetWorkingDirectory(text, sizeof text);
    std::printf("folder=%s\n", text);
    text[0] = '\0';
    link->GetArguments(text, sizeof text);
    std::printf("arguments=%s\n", text);
    int show = -1;
    link->GetShowCmd(&show);
    std::printf("show=%d\n", show);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (FAILED(CoInitialize(nullptr))) return 100;
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        if (!Show(argv[i])) ++failures;
    }
    CoUninitialize();
    return failures;
}
