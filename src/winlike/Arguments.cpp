// Splitting a parameter text into arguments as the Microsoft C runtime does.
#include "winlike/Arguments.h"

#include "winlike/CodePage.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitArguments(const char* parameters) {
    std::vector<std::string> arguments;
    const char* p = parameters;
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (*p == '\0') break;

        std::string argument;
        bool quoted = false;
        for (;;) {
            size_t backslashes = 0;
            while (*p == '\\') {
                ++backslashes;
                ++p;
            }
            if (*p == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1 || (quoted && p[1] == '"')) {
                    // An escaped quote, or a doubled one inside quotes.
                    argument += '"';
                    p += backslashes % 2 == 1 ? 1 : 2;
                } else {
                    quoted = !quoted;
                    ++p;
                }
                continue;
            }
            argument.append(backslashes, '\\');
            if (*p == '\0' || (!quoted && IsBlank(*p))) break;
            if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') argument += *p++;
            argument += *p++;
        }
        arguments.push_back(argument);
    }
    return arguments;
}
