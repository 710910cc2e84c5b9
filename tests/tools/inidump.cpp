// inidump: performs a list of INI reads through ProfileString and
// ProfileSection and prints every result in an escaped, unambiguous form.
//
// The same source is built twice: for Windows, where ProfileString and
// ProfileSection are GetPrivateProfileStringA and GetPrivateProfileSectionA,
// and for the host, where they are our own reader. Comparing the two outputs
// shows every way in which our reader departs from the platform's.
//
// Usage: inidump READS_DIR INI_DIR CASE...
//   For each CASE, the reads listed in READS_DIR/CASE.reads are made on the
//   file INI_DIR/CASE.ini (INI_DIR may be a Windows path such as Z:\dir).
//
// A .reads file holds one directive a line; blank lines and lines that start
// with '#' are ignored:
//   string SIZE SECTION KEY DEFAULT   one ProfileString read
//   section SIZE SECTION              one ProfileSection read
//   expect RESULT                     what Windows gives for the next read
//   because TEXT                      why Wine gives something else
// Arguments are separated by blanks; within one, \s is a space, \t a tab,
// \xNN any byte, \\ a backslash, and \e alone stands for the empty text.
//
// Each read prints one line: the read as written, "=>", then
// "ret=N data=BYTES", where BYTES are the buffer's bytes from its start up
// to the last byte that the call changed, printable ASCII as is, everything
// else as \xNN (a NUL as \0). "expect" takes a result in that form: when
// the program runs under Wine, it prints the expected result in place of
// Wine's own and reports Wine's on standard error, so the outputs of the
// two builds compare equal exactly when our reader matches Windows.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Profile.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

// A byte that no read produces from the corpus, so that the bytes a call
// wrote can be told from those it left alone.
const unsigned char kFill = 0xFD;
// Bytes past the buffer's size that are watched for writes beyond it.
const unsigned kGuard = 16;

bool RunningUnderWine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

bool Unescape(const std::string& token, std::string& out) {
    out.clear();
    if (token == "\\e") return true;
    for (size_t i = 0; i < token.size(); ++i) {
        char c = token[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= token.size()) return false;
        switch (token[i]) {
        case 's': out += ' '; break;
        case 't': out += '\t'; break;
        case '\\': out += '\\'; break;
        case 'x': {
            if (i + 2 >= token.size()) return false;
            std::string hex = token.substr(i + 1, 2);
            char* end = nullptr;
            long value = std::strtol(hex.c_str(), &end, 16);
            if (hex.size() != 2 || *end != '\0' || value == 0) return false;
            out += static_cast<char>(value);
            i += 2;
            break;
        }
        default: return false;
        }
    }
    return true;
}

std::string Escape(const unsigned char* bytes, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        unsigned char c = bytes[i];
        if (c == 0) {
            text += "\\0";
        } else if (c > 0x20 && c < 0x7F && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            text += hex;
        }
    }
    return text;
}

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// Makes one read and returns its result line ("ret=N data=BYTES"), or an
// empty text when the directive is malformed.
std::string Read(const std::vector<std::string>& words, const std::string& file) {
    const std::string& kind = words[0];
    if ((kind != "string" || words.size() != 5) && (kind != "section" || words.size() != 3)) {
        return std::string();
    }
    unsigned size = static_cast<unsigned>(std::strtoul(words[1].c_str(), nullptr, 10));
    std::string section, key, fallback;
    if (!Unescape(words[2], section)) return std::string();
    if (kind == "string" && (!Unescape(words[3], key) || !Unescape(words[4], fallback))) {
        return std::string();
    }

    std::vector<unsigned char> buffer(size + kGuard, kFill);
    char* data = reinterpret_cast<char*>(buffer.data());
    unsigned ret = kind == "string"
        ? ProfileString(section.c_str(), key.c_str(), fallback.c_str(), data, size, file.c_str())
        : ProfileSection(section.c_str(), data, size, file.c_str());

    size_t extent = buffer.size();
    while (extent > 0 && buffer[extent - 1] == kFill) --extent;
    char head[32];
    std::snprintf(head, sizeof head, "ret=%u data=", ret);
    return head + Escape(buffer.data(), extent);
}

bool RunCase(const std::string& readsDir, const std::string& iniDir, const std::string& name,
             bool underWine) {
    const char separator = iniDir.find('\\') != std::string::npos ? '\\' : '/';
    const std::string file = iniDir + separator + name + ".ini";
    const std::string readsPath = readsDir + "/" + name + ".reads";
    FILE* reads = std::fopen(readsPath.c_str(), "rb");
    if (!reads) {
        std::fprintf(stderr, "inidump: cannot open %s\n", readsPath.c_str());
        return false;
    }

    std::printf("== %s\n", name.c_str());
    bool ok = true;
    std::string expected, reason;
    char line[4096];
    int number = 0;
    while (std::fgets(line, sizeof line, reads)) {
        ++number;
        std::string text = line;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        std::vector<std::string> words = Split(text);
        if (words.empty() || words[0][0] == '#') continue;
        if (words[0] == "expect" && words.size() > 1) {
            expected = words[1];
            for (size_t i = 2; i < words.size(); ++i) expected += " " + words[i];
            continue;
        }
        if (words[0] == "because") {
            reason = text.substr(text.find("because") + 7);
            continue;
        }
        std::string result = Read(words, file);
        if (result.empty()) {
            std::fprintf(stderr, "inidump: %s:%d: malformed directive\n", readsPath.c_str(), number);
            ok = false;
            continue;
        }
        std::string shown = words[0];
        for (size_t i = 1; i < words.size(); ++i) shown += " " + words[i];
        if (!expected.empty() && underWine) {
            if (result != expected) {
                std::fprintf(stderr, "inidump: %s: %s: Wine gives %s; Windows gives %s;%s\n",
                             name.c_str(), shown.c_str(), result.c_str(), expected.c_str(),
                             reason.c_str());
            } else {
                std::fprintf(stderr, "inidump: %s: %s: Wine now gives the Windows result\n",
                             name.c_str(), shown.c_str());
            }
            result = expected;
        }
        expected.clear();
        reason.clear();
        std::printf("%s => %s\n", shown.c_str(), result.c_str());
    }
    std::fclose(reads);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: inidump READS_DIR INI_DIR CASE...\n");
        return 2;
    }
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);  // the same line ends as the host build
#endif
    const bool underWine = RunningUnderWine();
    bool ok = true;
    for (int i = 3; i < argc; ++i) {
        if (!RunCase(argv[1], argv[2], argv[i], underWine)) ok = false;
    }
    std::fflush(stdout);
    return ok ? 0 : 1;
}
