// An INI file as Windows' profile calls read it.
#include "winlike/IniFile.h"

#include <cstring>
#include <utility>

#include "winlike/CodePage.h"

namespace {

// Blanks around names and values. Ctrl-Z is the end-of-file mark of old
// editors and counts as a blank.
bool IsBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x1A;
}

// One line of the text without its line end, as offsets into the text.
struct Line {
    size_t begin;
    size_t end;
};

// Moves to the next line; false at the end of the text.
bool NextLine(const std::string& text, size_t& position, Line& line) {
    if (position >= text.size()) return false;
    size_t end = position;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
        end += IsLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
    }
    if (end > text.size()) end = text.size();
    line.begin = position;
    line.end = end;
    // One line end: CR LF, LF or CR. A further CR or LF ends an empty line.
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
        position = end + 2;
    } else {
        position = end + 1;
    }
    return true;
}

// The text between two offsets without the blanks around it, cut at a NUL
// byte: a NUL ends every name and value.
std::string Trimmed(const std::string& text, size_t begin, size_t end) {
    while (begin < end && IsBlank(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && IsBlank(static_cast<unsigned char>(text[end - 1]))) --end;
    const void* nul = std::memchr(text.data() + begin, '\0', end - begin);
    if (nul != nullptr) end = static_cast<size_t>(static_cast<const char*>(nul) - text.data());
    return text.substr(begin, end - begin);
}

enum class LineKind { kBlank, kComment, kHeader, kEntry };

// What one line is. For a header, `name` is its section name; for an entry,
// `name` is the key and `value` the value (raw, with quotes), or `hasValue`
// is false for a line without "=", whose text is then in `name`.
struct ParsedLine {
    LineKind kind = LineKind::kBlank;
    std::string name;
    std::string value;
    bool hasValue = false;
};

ParsedLine ParseLine(const std::string& text, const Line& line) {
    ParsedLine parsed;
    size_t first = line.begin;
    while (first < line.end && IsBlank(static_cast<unsigned char>(text[first]))) ++first;
    if (first == line.end) return parsed;
    if (text[first] == ';') {
        parsed.kind = LineKind::kComment;
        return parsed;
    }
    if (text[first] == '[') {
        size_t close = first + 1;
        while (close < line.end && text[close] != ']') {
            close += IsLeadByte(static_cast<unsigned char>(text[close])) ? 2 : 1;
        }
        if (close > line.end) close = line.end;
        parsed.kind = LineKind::kHeader;
        parsed.name = Trimmed(text, first + 1, close);
        return parsed;
    }
    parsed.kind = LineKind::kEntry;
    // "=" cannot be the second byte of a character, so a plain search will do.
    const void* found = std::memchr(text.data() + first, '=', line.end - first);
    if (found != nullptr) {
        const size_t equals = static_cast<size_t>(static_cast<const char*>(found) - text.data());
        parsed.name = Trimmed(text, first, equals);
        parsed.value = Trimmed(text, equals + 1, line.end);
        parsed.hasValue = true;
    } else {
        parsed.name = Trimmed(text, first, line.end);
        if (parsed.name.empty()) parsed.kind = LineKind::kBlank;  // cut to nothing at a NUL
    }
    return parsed;
}

// The name as a caller asks for it: spaces around it do not count (tabs do).
std::string_view Requested(const char* name) {
    std::string_view text(name);
    const size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) return std::string_view();
    const size_t end = text.find_last_not_of(' ');
    return text.substr(begin, end - begin + 1);
}

void RemoveQuotes(std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
    }
}

}  // namespace

IniFile::IniFile(std::string text) : text_(std::move(text)) {
    size_t position = 0;
    unsigned number = 0;
    Line line;
    while (NextLine(text_, position, line)) {
        ++number;
        ParsedLine parsed = ParseLine(text_, line);
        switch (parsed.kind) {
            case LineKind::kBlank:
                break;
            case LineKind::kHeader:
                sections_.push_back({std::move(parsed.name), number, {}});
                break;
            case LineKind::kComment:
            case LineKind::kEntry: {
                const IniLine::Kind kind = parsed.kind == LineKind::kComment ? IniLine::kComment : IniLine::kEntry;
                IniLine entry{kind, std::move(parsed.name), std::move(parsed.value), parsed.hasValue, number};
                (sections_.empty() ? preamble_ : sections_.back().lines).push_back(std::move(entry));
                break;
            }
        }
    }
}

const IniSection* IniFile::FindSection(std::string_view name) const {
    for (const IniSection& section : sections_) {
        if (SameNameNoCase(section.name, name)) return &section;
    }
    return nullptr;
}

const IniLine* IniFile::FindKey(const IniSection& section, std::string_view key) {
    for (const IniLine& line : section.lines) {
        if (line.kind == IniLine::kEntry && line.hasValue && SameNameNoCase(line.key, key)) return &line;
    }
    return nullptr;
}

unsigned ProfileStringOf(const IniFile& file, const char* section, const char* key,
                         const char* fallback, char* buffer, unsigned size) {
    if (buffer == nullptr || size == 0) return 0;

    std::string value;
    bool found = false;
    if (section != nullptr && key != nullptr) {
        const IniSection* foundSection = file.FindSection(Requested(section));
        const IniLine* line = foundSection != nullptr ? IniFile::FindKey(*foundSection, Requested(key)) : nullptr;
        if (line != nullptr) {
            value = line->value;
            found = true;
        }
    }
    if (!found) {
        // The fallback loses its trailing spaces, and nothing else.
        value = fallback != nullptr ? fallback : "";
        const size_t end = value.find_last_not_of(' ');
        value.resize(end == std::string::npos ? 0 : end + 1);
    }
    RemoveQuotes(value);

    const size_t count = value.size() < size - 1 ? value.size() : size - 1;
    std::memcpy(buffer, value.data(), count);
    buffer[count] = '\0';
    return static_cast<unsigned>(count);
}

std::vector<const IniLine*> ListedLines(const IniSection& section) {
    std::vector<const IniLine*> listed;
    bool afterEmptyKey = false;
    for (const IniLine& line : section.lines) {
        const bool emptyKey = line.kind == IniLine::kEntry && line.hasValue && line.key.empty();
        const bool repeated = emptyKey && afterEmptyKey;
        afterEmptyKey = emptyKey;
        if (line.kind == IniLine::kEntry && !repeated) listed.push_back(&line);
    }
    return listed;
}

size_t ListedSize(const IniLine& line) {
    return line.key.size() + (line.hasValue ? 1 + line.value.size() : 0) + 1;
}

unsigned ProfileSectionOf(const IniFile& file, const char* section, char* buffer, unsigned size) {
    if (buffer == nullptr || size == 0) return 0;

    // The section's lines, each ended by a NUL.
    std::string lines;
    const IniSection* found = section != nullptr ? file.FindSection(section) : nullptr;
    if (found != nullptr) {
        for (const IniLine* line : ListedLines(*found)) {
            lines += line->key;
            if (line->hasValue) lines += "=" + line->value;
            lines += '\0';
        }
    }

    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    if (lines.empty()) {
        buffer[0] = '\0';
        buffer[1] = '\0';
        return 0;
    }
    if (lines.size() + 1 < size) {
        std::memcpy(buffer, lines.data(), lines.size());
        buffer[lines.size()] = '\0';
        return static_cast<unsigned>(lines.size());
    }
    // What does not fit is cut, and the list still ends with two NULs.
    std::memcpy(buffer, lines.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}
