// boxbot: starts a program, reads every message box that it shows from the
// window system, writes each one down and presses the button it is told to.
//
// Usage: boxbot [OPTION...] -- PROGRAM [ARGUMENT...]
//   --answers FILE  the answers to give, one a line (UTF-8), taken in order
//                   as the boxes appear: "yes" or "y", "no" or "n", "ok". An
//                   empty line, or none left, presses the box's default
//                   button; an answer that names no button of the box is
//                   passed over for the next one (see Choose). Without the
//                   option every box gets its default button.
//   --out FILE      where the boxes are written (default: standard output)
//   --timeout SECS  the longest wait for the next box or for the program's
//                   end, and for a box to close once answered (default 20)
//   --pause DIR     before answering box N (counted from 1), create
//                   DIR\box-N.ready holding the box's screen rectangle
//                   "left top width height", then wait for DIR\box-N.go,
//                   so that a picture of the box can be taken meanwhile
//
// PROGRAM is started with a command line rebuilt from PROGRAM and the
// ARGUMENTs as a Windows program receives them: joined by single spaces, an
// argument that is empty or holds a blank enclosed in double quotes.
//
// Each box is written in UTF-8 as
//   === <caption> ===
//   <text, line by line>
//   --- [Yes] No ---
// the buttons from left to right with the default one in brackets: the
// framing of the host edition's console box, so that one reader takes both.
//
// Exit status: the program's exit code when it ends by itself; 124 when it
// neither shows a box nor ends in time, or a box does not close once
// answered (the program is then ended); 125 for a usage error or a program
// that cannot be started.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kExitTimeout = 124;
constexpr int kExitUsage = 125;
constexpr DWORD kPollMs = 20;

struct Options {
    std::vector<std::wstring> answers;
    std::wstring out;
    std::wstring pauseDir;
    DWORD timeoutMs = 20000;
    std::wstring program;
    std::vector<std::wstring> arguments;
};

struct Button {
    int id;
    bool isDefault;
    LONG left;
    LONG top;
};

struct Box {
    std::wstring caption;
    std::wstring text;
    std::vector<Button> buttons;
};

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size, nullptr,
                        nullptr);
    return result;
}

void Complain(const std::wstring& what) {
    std::fprintf(stderr, "boxbot: %s\n", Utf8(what).c_str());
    std::fflush(stderr);
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size);
    return result;
}

// The lines of a UTF-8 file, without their line ends; false if it cannot
// be read.
bool ReadLines(const std::wstring& path, std::vector<std::wstring>& lines) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) return false;
    std::string content;
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) content.append(chunk, got);
    std::fclose(file);
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        lines.push_back(Wide(content.substr(start, end - start)));
        start = end + 1;
    }
    return true;
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
    int i = 1;
    for (; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--") {
            ++i;
            break;
        }
        if (i + 1 >= argc) return false;
        std::wstring value = argv[++i];
        if (arg == L"--answers") {
            if (!ReadLines(value, options.answers)) {
                Complain(L"cannot read " + value);
                return false;
            }
        } else if (arg == L"--out") {
            options.out = value;
        } else if (arg == L"--pause") {
            options.pauseDir = value;
        } else if (arg == L"--timeout") {
            wchar_t* end = nullptr;
            double seconds = std::wcstod(value.c_str(), &end);
            if (end == value.c_str() || *end != L'\0' || seconds <= 0 || seconds > 3600) return false;
            options.timeoutMs = static_cast<DWORD>(seconds * 1000);
        } else {
            return false;
        }
    }
    if (i >= argc) return false;
    options.program = argv[i++];
    for (; i < argc; ++i) options.arguments.push_back(argv[i]);
    return true;
}

std::wstring Quoted(const std::wstring& arg) {
    if (arg.empty() || arg.find_first_of(L" \t") != std::wstring::npos) return L"\"" + arg + L"\"";
    return arg;
}

std::wstring CommandLine(const Options& options) {
    std::wstring line = L"\"" + options.program + L"\"";
    for (const std::wstring& arg : options.arguments) line += L" " + Quoted(arg);
    return line;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// The text of a window of the other process. WM_GETTEXT is sent rather than
// GetWindowTextW called, which gives only the caption of another process's
// window, not a control's text; a program that does not answer within the
// limit is taken as showing no text.
std::wstring TextOf(HWND window) {
    const UINT kAnswerMs = 5000;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &length) || length == 0) {
        return std::wstring();
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, kAnswerMs, &got)) {
        return std::wstring();
    }
    text.resize(static_cast<size_t>(got) < text.size() ? static_cast<size_t>(got) : text.size() - 1);
    return text;
}

struct FindBox {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindBoxWindow(HWND window, LPARAM param) {
    auto* find = reinterpret_cast<FindBox*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == find->processId && IsWindowVisible(window) && ClassOf(window) == L"#32770") {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

// The first visible dialog box among the top-level windows of the process.
HWND BoxOf(DWORD processId) {
    FindBox find{processId, nullptr};
    EnumWindows(FindBoxWindow, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

struct ReadChildren {
    Box* box;
    std::vector<std::pair<int, std::wstring>> statics;
};

BOOL CALLBACK ReadChild(HWND child, LPARAM param) {
    auto* read = reinterpret_cast<ReadChildren*>(param);
    std::wstring kind = Lower(ClassOf(child));
    if (kind == L"static") {
        std::wstring text = TextOf(child);
        if (!text.empty()) read->statics.emplace_back(GetDlgCtrlID(child), text);
    } else if (kind == L"button" && IsWindowVisible(child)) {
        LONG style = GetWindowLongW(child, GWL_STYLE);
        LONG type = style & BS_TYPEMASK;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
            RECT rect{};
            GetWindowRect(child, &rect);
            read->box->buttons.push_back(Button{GetDlgCtrlID(child), type == BS_DEFPUSHBUTTON, rect.left, rect.top});
        }
    }
    return TRUE;
}

Box ReadBox(HWND dialog) {
    Box box;
    box.caption = TextOf(dialog);
    ReadChildren read{&box, {}};
    EnumChildWindows(dialog, ReadChild, reinterpret_cast<LPARAM>(&read));
    // A message box has one static control with text (the icon is a static
    // without text). Should there be more, the one with the message box's
    // usual text id 0xFFFF wins, then the first.
    if (!read.statics.empty()) {
        box.text = read.statics.front().second;
        for (const auto& candidate : read.statics) {
            if ((candidate.first & 0xFFFF) == 0xFFFF) box.text = candidate.second;
        }
    }
    std::sort(box.buttons.begin(), box.buttons.end(), [](const Button& a, const Button& b) {
        return a.left != b.left ? a.left < b.left : a.top < b.top;
    });
    // The default button is the one drawn as default; a dialog that marks
    // none still knows its default id.
    bool marked = std::any_of(box.buttons.begin(), box.buttons.end(), [](const Button& b) { return b.isDefault; });
    if (!marked) {
        DWORD_PTR def = 0;
        if (SendMessageTimeoutW(dialog, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 5000, &def) &&
            HIWORD(def) == DC_HASDEFID) {
            for (Button& button : box.buttons) button.isDefault = button.id == LOWORD(def);
        }
    }
    return box;
}

const wchar_t* ButtonName(int id) {
    switch (id) {
    case IDOK: return L"OK";
    case IDCANCEL: return L"Cancel";
    case IDABORT: return L"Abort";
    case IDRETRY: return L"Retry";
    case IDIGNORE: return L"Ignore";
    case IDYES: return L"Yes";
    case IDNO: return L"No";
    case IDTRYAGAIN: return L"Try Again";
    case IDCONTINUE: return L"Continue";
    default: return nullptr;
    }
}

std::wstring ButtonLabel(int id) {
    const wchar_t* name = ButtonName(id);
    return name ? std::wstring(name) : L"#" + std::to_wstring(id);
}

std::string Describe(const Box& box) {
    std::wstring buttons;
    for (const Button& button : box.buttons) {
        if (!buttons.empty()) buttons += L" ";
        buttons += button.isDefault ? L"[" + ButtonLabel(button.id) + L"]" : ButtonLabel(button.id);
    }
    return Utf8(L"=== " + box.caption + L" ===\n" + box.text + L"\n--- " + buttons + L" ---\n");
}

// The answer word: blanks around it removed, letters in lower case.
std::wstring AnswerWord(const std::wstring& answer) {
    std::wstring word = Lower(answer);
    size_t first = word.find_first_not_of(L" \t\r");
    if (first == std::wstring::npos) return std::wstring();
    size_t last = word.find_last_not_of(L" \t\r");
    return word.substr(first, last - first + 1);
}

const Button* Find(const Box& box, int id) {
    for (const Button& button : box.buttons) {
        if (button.id == id) return &button;
    }
    return nullptr;
}

const Button* DefaultButton(const Box& box) {
    for (const Button& button : box.buttons) {
        if (button.isDefault) return &button;
    }
    return box.buttons.empty() ? nullptr : &box.buttons.front();
}

// The button to press, taking answers from the list as the host edition's
// console box takes lines of input: an answer that names a button of the
// box ("y"/"yes", "n"/"no", "ok") presses it; an empty answer, or no answer
// left, presses the default button; any other answer is passed over and the
// next one read, three at most, after which the default button is pressed.
const Button* Choose(const Box& box, const std::vector<std::wstring>& answers, size_t& next) {
    const int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts && next < answers.size(); ++attempt) {
        std::wstring word = AnswerWord(answers[next++]);
        if (word.empty()) break;
        const Button* named = nullptr;
        if (word == L"y" || word == L"yes") named = Find(box, IDYES);
        if (word == L"n" || word == L"no") named = Find(box, IDNO);
        if (word == L"ok") named = Find(box, IDOK);
        if (named) return named;
    }
    return DefaultButton(box);
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Announces box `number` with its rectangle and waits for the go-ahead.
bool Pause(const Options& options, HWND dialog, int number, HANDLE process) {
    std::wstring base = options.pauseDir + L"\\box-" + std::to_wstring(number);
    RECT rect{};
    GetWindowRect(dialog, &rect);
    char line[96];
    int length = std::snprintf(line, sizeof line, "%ld %ld %ld %ld\n", static_cast<long>(rect.left),
                               static_cast<long>(rect.top), static_cast<long>(rect.right - rect.left),
                               static_cast<long>(rect.bottom - rect.top));
    // Written under a temporary name and renamed, so that the ready file is
    // never seen half-written.
    std::wstring partial = base + L".part";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Complain(L"cannot create " + partial);
        return false;
    }
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
    if (!MoveFileExW(partial.c_str(), (base + L".ready").c_str(), MOVEFILE_REPLACE_EXISTING)) {
        Complain(L"cannot create " + base + L".ready");
        return false;
    }
    ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
    while (!FileExists(base + L".go")) {
        if (GetTickCount64() >= deadline || WaitForSingleObject(process, kPollMs) == WAIT_OBJECT_0) {
            Complain(L"no go-ahead for box " + std::to_wstring(number));
            return false;
        }
    }
    return true;
}

int Stop(HANDLE process, const std::wstring& why) {
    Complain(why);
    TerminateProcess(process, kExitTimeout);
    WaitForSingleObject(process, 5000);
    return kExitTimeout;
}

int Drive(const Options& options, const PROCESS_INFORMATION& started, FILE* out) {
    size_t nextAnswer = 0;
    int number = 0;
    for (;;) {
        // Wait for the next box or the program's end.
        HWND dialog = nullptr;
        ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
        for (;;) {
            dialog = BoxOf(started.dwProcessId);
            if (dialog) break;
            if (WaitForSingleObject(started.hProcess, kPollMs) == WAIT_OBJECT_0) {
                DWORD code = 0;
                GetExitCodeProcess(started.hProcess, &code);
                return static_cast<int>(code);
            }
            if (GetTickCount64() >= deadline) {
                return Stop(started.hProcess, L"the program neither showed a box nor ended within the time limit");
            }
        }

        ++number;
        Box box = ReadBox(dialog);
        std::string described = Describe(box);
        std::fwrite(described.data(), 1, described.size(), out);
        std::fflush(out);

        const Button* button = Choose(box, options.answers, nextAnswer);
        if (!button) return Stop(started.hProcess, L"box " + std::to_wstring(number) + L" has no button");
        if (!options.pauseDir.empty() && !Pause(options, dialog, number, started.hProcess)) {
            return Stop(started.hProcess, L"the picture of box " + std::to_wstring(number) + L" was not taken");
        }
        HWND control = GetDlgItem(dialog, button->id);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button->id, BN_CLICKED), reinterpret_cast<LPARAM>(control));

        // The box must go away before the next one is looked for, or it
        // would be read twice.
        deadline = GetTickCount64() + options.timeoutMs;
        while (IsWindow(dialog) && IsWindowVisible(dialog)) {
            if (WaitForSingleObject(started.hProcess, kPollMs) == WAIT_OBJECT_0) break;
            if (GetTickCount64() >= deadline) {
                return Stop(started.hProcess, L"box " + std::to_wstring(number) + L" did not close when answered");
            }
        }
    }
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    Options options;
    if (!argv || !ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: boxbot [--answers FILE] [--out FILE] [--timeout SECS] [--pause DIR] -- PROGRAM "
                     "[ARGUMENT...]\n");
        return kExitUsage;
    }
    LocalFree(argv);

    FILE* out = stdout;
    if (!options.out.empty()) {
        out = _wfopen(options.out.c_str(), L"wb");
        if (!out) {
            Complain(L"cannot write " + options.out);
            return kExitUsage;
        }
    }

    std::wstring commandLine = CommandLine(options);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(options.program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        Complain(L"cannot start " + options.program + L" (error " + std::to_wstring(GetLastError()) + L")");
        if (out != stdout) std::fclose(out);
        return kExitUsage;
    }
    int code = Drive(options, started, out);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    if (out != stdout) std::fclose(out);
    return code;
}
