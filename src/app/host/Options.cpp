// The options of the host program.
#include "app/host/Options.h"

#include <cstring>

#include "text/Ascii.h"

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = FoldAscii(c);
    return text;
}

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// An answer as the console box takes it; false for a word it does not.
bool AnswerWord(const std::string& item, std::string& answer) {
    const std::string word = Lower(Trimmed(item));
    if (word.empty()) return answer = "", true;
    if (word == "y" || word == "yes") return answer = "yes", true;
    if (word == "n" || word == "no") return answer = "no", true;
    if (word == "ok") return answer = "ok", true;
    return false;
}

// The value of an option that takes one: after "=" in the same argument,
// or the next argument. False when there is none.
bool ValueOf(int argc, const char* const* argv, int& index, const char* name, std::string& value,
             std::string& error) {
    const char* argument = argv[index];
    const size_t length = std::strlen(name);
    if (argument[length] == '=') {
        value = argument + length + 1;
        return true;
    }
    if (index + 1 >= argc) {
        error = std::string(name) + " needs a value";
        return false;
    }
    value = argv[++index];
    return true;
}

// Whether `argument` is the option `name`, alone or with "=value".
bool Is(const char* argument, const char* name) {
    const size_t length = std::strlen(name);
    return std::strncmp(argument, name, length) == 0 && (argument[length] == '\0' || argument[length] == '=');
}

}  // namespace

bool ParseHostOptions(int argc, const char* const* argv, HostOptions& options, std::string& error) {
    int index = 1;
    for (; index < argc; ++index) {
        const char* argument = argv[index];
        std::string value;
        if (std::strcmp(argument, "--") == 0) {
            ++index;
            break;
        } else if (std::strcmp(argument, "--help") == 0) {
            options.help = true;
        } else if (std::strcmp(argument, "--version") == 0) {
            options.version = true;
        } else if (std::strcmp(argument, "--status") == 0) {
            options.status = true;
        } else if (std::strcmp(argument, "--explore") == 0) {
            options.explore = true;
        } else if (std::strcmp(argument, "--explain") == 0) {
            options.explain = true;
        } else if (std::strcmp(argument, "--trace") == 0) {
            options.trace = true;
            options.traceFile.clear();
        } else if (std::strncmp(argument, "--trace=", 8) == 0) {
            options.trace = true;
            options.traceFile = argument + 8;
        } else if (Is(argument, "--root")) {
            if (!ValueOf(argc, argv, index, "--root", value, error)) return false;
            if (value.empty()) return error = "--root needs a folder", false;
            options.root = value;
        } else if (Is(argument, "--family")) {
            if (!ValueOf(argc, argv, index, "--family", value, error)) return false;
            const std::string family = Lower(value);
            if (family != "95" && family != "nt") return error = "--family takes 95 or nt, not \"" + value + "\"", false;
            options.family = family == "95" ? "95" : "NT";
        } else if (Is(argument, "--answers")) {
            if (!ValueOf(argc, argv, index, "--answers", value, error)) return false;
            options.answersGiven = true;
            options.answers.clear();
            size_t start = 0;
            for (;;) {
                const size_t comma = value.find(',', start);
                const std::string item = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                std::string answer;
                if (!AnswerWord(item, answer)) {
                    return error = "--answers takes yes, no, ok or nothing for each box, not \"" + Trimmed(item) + "\"",
                           false;
                }
                options.answers.push_back(answer);
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else {
            break;
        }
    }
    options.firstArgument = index;
    if (options.explore && options.answersGiven) {
        return error = "--explore answers the boxes itself; leave out --answers", false;
    }
    return true;
}

std::string ArgumentText(int argc, const char* const* argv, int first) {
    std::string text;
    for (int i = first; i < argc; ++i) {
        const std::string argument = argv[i];
        if (i > first) text += ' ';
        if (argument.empty() || argument.find(' ') != std::string::npos) {
            text += '"' + argument + '"';
        } else {
            text += argument;
        }
    }
    return text;
}

bool IsJsonTraceFile(const std::string& file) {
    return file.size() >= 6 && Lower(file.substr(file.size() - 6)) == ".jsonl";
}

const char* HostHelpText() {
    return "Usage: updater [OPTION]... [--] [COMMAND LINE]\n"
           "Runs the script beside the program (its name with the extension ini) on the\n"
           "host's Windows-like root. Options are read only as the first arguments; \"--\"\n"
           "or the first other argument ends them, and the rest is the command line the\n"
           "Windows program would get (its first word is the caption until NAME).\n"
           "\n"
           "  --help            this text\n"
           "  --version         the program's version\n"
           "  --root DIR        the Windows-like root (instead of NEMURIA_ROOT)\n"
           "  --family 95|nt    the Windows family the run reports (instead of\n"
           "                    NEMURIA_WINDOWS_FAMILY)\n"
           "  --answers LIST    the boxes' answers in order, separated by commas: yes,\n"
           "                    no, ok, or nothing for the default button (instead of\n"
           "                    standard input; after the last one, every box takes its\n"
           "                    default button)\n"
           "  --trace[=FILE]    one line per step of the run with the script's line, on\n"
           "                    standard error or in FILE (JSON lines for FILE.jsonl)\n"
           "  --status          exit status by the end of the run: 0 completed, 1 a script\n"
           "                    mistake stopped it, 2 a file action or program start\n"
           "                    failed, 3 a box ended it (ISABORT), 4 no script\n"
           "  --explore         run the script for every combination of box answers and\n"
           "                    both Windows families (or the one --family names), each in\n"
           "                    a throwaway copy of the root and the program's folder,\n"
           "                    starting no program, and print what each run did\n"
           "  --explain         an English line under each box (in an English locale)\n"
           "\n"
           "NEMURIA_LANG=en adds the English line under each box as --explain does.\n"
           "Without --status the exit code is 0, as the Windows program's always is; a\n"
           "mistake in the options ends the program with exit code 64 before it runs.\n";
}
