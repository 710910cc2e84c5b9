// Starting programs through CreateProcessA.
#include <windows.h>

#include <cstring>

#include "platform/Failure.h"
#include "platform/Process.h"
#include "winlike/WindowsPath.h"

namespace {

// Closes a kernel handle when it goes out of scope.
class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
    ~OwnedHandle() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// The command line the started program receives: its own file name, quoted
// when it holds a space so that the program can find its name again, then
// one space and the parameters exactly as the script wrote them.
TextString CommandLine(const char* program, const char* parameters) {
    const bool quote = std::strchr(program, ' ') != nullptr;
    TextString line;
    if (quote) line.Append("\"");
    line.Append(program);
    if (quote) line.Append("\"");
    line.Append(" ");
    line.Append(parameters);
    return line;
}

// Whether the program's path fits the ANSI calls of Windows: at most
// MAX_PATH - 1 characters, a double-byte character counting once. A longer
// path cannot name a program there; it is refused here before the process
// call, so that the outcome does not depend on how a given Windows version
// (or Wine) treats such a name.
bool FitsAnsiPath(const char* path) {
    const int characters = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    return characters > 0 && characters <= MAX_PATH;
}

}  // namespace

bool LaunchProgram(const char* program, const char* parameters, bool wait) {
    TextString folder;
    if (!DirectoryOfPath(program, folder) || folder.CStr()[0] == '\0') {
        return NoteFailure("no folder", program, ERROR_PATH_NOT_FOUND);
    }
    if (!FitsAnsiPath(program)) return NoteFailure("MAX_PATH", program, ERROR_FILENAME_EXCED_RANGE);

    TextString commandLine = CommandLine(program, parameters);
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    std::memset(&info, 0, sizeof info);

    // The program file is also the application name, so that a path with
    // spaces names exactly this file and is never searched for in pieces.
    if (!CreateProcessA(program, commandLine.Buffer(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.CStr(), &startup, &info)) {
        return NoteFailure("CreateProcess", program, static_cast<int>(GetLastError()));
    }
    // Declared in this order so that the thread handle is closed first.
    const OwnedHandle process(info.hProcess);
    const OwnedHandle thread(info.hThread);

    const DWORD waited = wait ? WaitForSingleObject(process.get(), INFINITE)
                              : WaitForInputIdle(process.get(), INFINITE);
    return waited != WAIT_FAILED ||
           NoteFailure("wait", program, static_cast<int>(GetLastError()));
}
