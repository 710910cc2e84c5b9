// The reads of the INI corpus, made and printed.
#include "IniReads.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Profile.h"

namespace {

// A byte that no read produces from the corpus, so that the bytes a call
// wrote can be told from those it left alone.
const unsigned char kFill = 0xFD;
// Bytes past the buffer's size that are watched for writes beyond it.
const unsigned kGuard = 16;

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
             bool underWine, std::string& out, std::string& notes) {
    const char separator = iniDir.find('\\') != std::string::npos ? '\\' : '/';
    const std::string file = iniDir + separator + name + ".ini";
    const std::string readsPath = readsDir + "/" + name + ".reads";
    FILE* reads = std::fopen(readsPath.c_str(), "rb");
    if (!reads) {
        notes += "cannot open " + readsPath + "\n";
        return false;
    }

    out += "== " + name + "\n";
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
            notes += readsPath + ":" + std::to_string(number) + ": malformed directive\n";
            ok = false;
            continue;
        }
        std::string shown = words[0];
        for (size_t i = 1; i < words.size(); ++i) shown += " " + words[i];
        if (!expected.empty() && underWine) {
            if (result != expected) {
                notes += name + ": " + shown + ": Wine gives " + result + "; Windows gives " + expected + ";" +
                         reason + "\n";
            } else {
                notes += name + ": " + shown + ": Wine now gives the Windows result\n";
            }
            result = expected;
        }
        expected.clear();
        reason.clear();
        out += shown + " => " + result + "\n";
    }
    std::fclose(reads);
    return ok;
}

}  // namespace

std::string RunIniCases(const std::string& readsDir, const std::string& iniDir,
                        const std::vector<std::string>& cases, bool underWine, std::string& notes, bool& ok) {
    std::string out;
    ok = true;
    for (const std::string& name : cases) {
        if (!RunCase(readsDir, iniDir, name, underWine, out, notes)) ok = false;
    }
    return out;
}
