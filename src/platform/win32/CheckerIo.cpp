// What the script checker asks of Windows: the script's bytes and the text
// the profile calls see in them, full paths, the console in Unicode, the
// user's interface language, and Graphviz's dot started as a process.
#include "platform/CheckerIo.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

// Scripts are small; a file larger than this is not read.
const DWORD kLargestScript = DWORD(64) << 20;

std::wstring WideOf(const std::string& text, UINT codePage) {
    if (text.empty()) return std::wstring();
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

std::string NarrowOf(const wchar_t* wide, size_t size, UINT codePage) {
    if (size == 0) return std::string();
    const int length =
        WideCharToMultiByte(codePage, 0, wide, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, wide, static_cast<int>(size), &text[0], length, nullptr, nullptr);
    return text;
}

std::string FullPathOf(const char* path) {
    char buffer[MAX_PATH * 4];
    const DWORD length = GetFullPathNameA(path, sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer) return path;
    return std::string(buffer, length);
}

}  // namespace

bool ReadScriptBytes(const char* path, std::string& bytes) {
    if (path == nullptr || *path == '\0') return false;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool read = GetFileType(file) == FILE_TYPE_DISK;
    LARGE_INTEGER size;
    if (read) read = GetFileSizeEx(file, &size) && size.QuadPart <= kLargestScript;
    if (read) {
        bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
        DWORD done = 0;
        read = bytes.empty() || (ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &done, nullptr) &&
                                 done == bytes.size());
    }
    CloseHandle(file);
    return read;
}

std::string ScriptTextOf(const std::string& bytes) {
    if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
        static_cast<unsigned char>(bytes[1]) != 0xFE) {
        return bytes;
    }
    std::vector<wchar_t> wide((bytes.size() - 2) / 2);
    for (size_t i = 0; i < wide.size(); ++i) {
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                       static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
    }
    return NarrowOf(wide.data(), wide.size(), CP_ACP);
}

std::string ScriptPathForReads(const char* path) { return FullPathOf(path); }

std::string FolderForRun(const char* argument) {
    if (argument == nullptr) return std::string();
    std::string folder = FullPathOf(argument);
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    return folder;
}

bool UseHostRoot(const char* /*folder*/) { return false; }

std::string Utf8FromArgument(const char* argument) {
    return argument != nullptr ? Utf8FromCodePage(argument) : std::string();
}

std::string Utf8FromCodePage(const std::string& text) {
    const std::wstring wide = WideOf(text, CP_ACP);
    return NarrowOf(wide.data(), wide.size(), CP_UTF8);
}

void WriteConsoleText(const std::string& utf8, bool toError) {
    HANDLE out = GetStdHandle(toError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        const std::wstring wide = WideOf(utf8, CP_UTF8);
        WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        // A file or a pipe gets UTF-8, as the reports of the host edition.
        WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
}

bool UserPrefersJapanese() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE; }

bool RenderGraph(const std::string& dot, const char* format, const char* outputPath, std::string& problem) {
    char folder[MAX_PATH];
    char input[MAX_PATH];
    if (GetTempPathA(sizeof folder, folder) == 0 || GetTempFileNameA(folder, "gv", 0, input) == 0) {
        problem = "no temporary file for the graph";
        return false;
    }
    HANDLE file = CreateFileA(input, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    DWORD written = 0;
    const bool saved = file != INVALID_HANDLE_VALUE &&
                       WriteFile(file, dot.data(), static_cast<DWORD>(dot.size()), &written, nullptr) &&
                       written == dot.size();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!saved) {
        DeleteFileA(input);
        problem = "the graph could not be written to a temporary file";
        return false;
    }
    std::string command = std::string("dot -T") + format + " -o \"" + outputPath + "\" \"" + input + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    bool done = false;
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        done = code == 0;
        if (!done) problem = "Graphviz's dot failed";
    } else {
        problem = "Graphviz's dot.exe could not be started (is it on the PATH?)";
    }
    DeleteFileA(input);
    return done;
}
