// The message box of the host edition: a box on the console (see
// ConsoleBox.h for its form), written to standard error and answered on
// standard input.
#include "platform/MessageBox.h"

#include <langinfo.h>
#include <locale.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/posix/ConsoleBox.h"
#include "text/Ascii.h"
#include "text/Messages.h"
#include "winlike/Conversion.h"

namespace {

MessageBoxHook activeHook = nullptr;

const int kAttempts = 3;

// Reads one line without its line end; false at the end of input.
bool ReadLine(std::FILE* in, std::string& line) {
    line.clear();
    char* buffer = nullptr;
    size_t capacity = 0;
    const ssize_t length = getline(&buffer, &capacity, in);
    if (length >= 0) line.assign(buffer, static_cast<size_t>(length));
    std::free(buffer);
    if (length < 0) return false;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return true;
}

// The answer word: blanks around it removed, ASCII letters in lower case.
std::string AnswerWord(const std::string& line) {
    const char* blanks = " \t\r";
    const size_t first = line.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    const size_t last = line.find_last_not_of(blanks);
    std::string word = line.substr(first, last - first + 1);
    for (char& c : word) {
        c = FoldAscii(c);
    }
    return word;
}

const char* ButtonName(int answer) {
    switch (answer) {
        case kAnswerYes: return "Yes";
        case kAnswerNo: return "No";
        default: return "OK";
    }
}

}  // namespace

std::string ConsoleText(const char* text, const char* charset) {
    bool complete = false;
    std::string shown = ConvertFromAnsi(text, charset, &complete);
    if (!complete) shown = ConvertFromAnsi(text, "UTF-8");
    return shown;
}

const char* ConsoleCharset() {
    static const std::string charset = [] {
        std::string name = "ANSI_X3.4-1968";
        locale_t user = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
        if (user != static_cast<locale_t>(0)) {
            name = nl_langinfo_l(CODESET, user);
            freelocale(user);
        }
        return name;
    }();
    return charset.c_str();
}

int ShowConsoleBox(const char* text, const char* caption, unsigned style, std::FILE* in,
                   std::FILE* out, const char* charset) {
    const bool yesNo = (style & 0xF) == kBoxYesNo;
    int defaultAnswer = kAnswerOk;
    if (yesNo) defaultAnswer = (style & kBoxDefButton2) ? kAnswerNo : kAnswerYes;

    std::fprintf(out, "=== %s ===\n", ConsoleText(caption ? caption : "", charset).c_str());
    std::fprintf(out, "%s\n", ConsoleText(text ? text : "", charset).c_str());
    if (!yesNo) {
        std::fputs("--- [OK] ---\n", out);
    } else if (defaultAnswer == kAnswerYes) {
        std::fputs("--- [Yes] No ---\n", out);
    } else {
        std::fputs("--- Yes [No] ---\n", out);
    }

    const bool echo = !isatty(fileno(in));
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::fputs("> ", out);
        std::fflush(out);
        std::string line;
        if (!ReadLine(in, line)) {
            std::fputc('\n', out);
            return defaultAnswer;
        }
        if (echo) std::fprintf(out, "%s\n", line.c_str());

        const std::string word = AnswerWord(line);
        if (word.empty()) return defaultAnswer;
        if (yesNo && (word == "y" || word == "yes")) return kAnswerYes;
        if (yesNo && (word == "n" || word == "no")) return kAnswerNo;
        if (!yesNo && word == "ok") return kAnswerOk;
        std::fprintf(out, "Please answer %s (an empty line: %s).\n", yesNo ? "yes or no" : "ok",
                     ButtonName(defaultAnswer));
    }
    std::fprintf(out, "Taking the default button, %s.\n", ButtonName(defaultAnswer));
    std::fflush(out);
    return defaultAnswer;
}

void SetMessageBoxHook(MessageBoxHook hook) { activeHook = hook; }

int ShowMessageBox(const char* text, const char* caption, unsigned style) {
    if (activeHook != nullptr) return activeHook(text, caption, style);
    return ShowConsoleBox(text, caption, style, stdin, stderr, ConsoleCharset());
}
