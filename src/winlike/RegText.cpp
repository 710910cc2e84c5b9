// The text form of the registry that the registry editor exports and imports.
#include "winlike/RegText.h"

#include <cstring>

#include "winlike/CodePage.h"

namespace {

const char kVersion5Header[] = "Windows Registry Editor Version 5.00";
const char kVersion4Header[] = "REGEDIT4";
const char kLocalMachine[] = "HKEY_LOCAL_MACHINE";
const char kLocalMachineShort[] = "HKLM";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Names compare as the registry compares them in the code page: ASCII
// letters in any case, double-byte characters as they are.
bool SameName(std::string_view a, std::string_view b) { return SameNameNoCase(a, b); }

bool StartsWithNoCase(const std::string& text, size_t pos, const char* prefix) {
    const size_t length = std::strlen(prefix);
    return text.size() - pos >= length && SameName(std::string_view(text).substr(pos, length), prefix);
}

std::string TrimRight(const std::string& text) {
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    return text.substr(0, end);
}

size_t SkipBlanks(const std::string& text, size_t pos) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    return pos;
}

// A key path with its root written out in full: HKLM\x becomes
// HKEY_LOCAL_MACHINE\x.
std::string FullKeyPath(const std::string& path) {
    const size_t length = std::strlen(kLocalMachineShort);
    if (StartsWithNoCase(path, 0, kLocalMachineShort) &&
        (path.size() == length || path[length] == '\\')) {
        return kLocalMachine + path.substr(length);
    }
    return path;
}

// `key` is `ancestor` itself or lies below it.
bool IsWithin(const std::string& key, const std::string& ancestor) {
    if (key.size() < ancestor.size()) return false;
    if (key.size() > ancestor.size() && key[ancestor.size()] != '\\') return false;
    return SameName(std::string_view(key).substr(0, ancestor.size()), ancestor);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') --stop;
        lines.push_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

// A quoted text starting at text[pos], which is '"'. On success `pos` is
// just past the closing quote. \\ and \" stand for \ and "; any other
// backslash is kept. The second byte of a double-byte character is never
// taken for a backslash or a quote.
bool ReadQuoted(const std::string& text, size_t& pos, std::string& out) {
    out.clear();
    size_t i = pos + 1;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c) && i + 1 < text.size()) {
            out.append(text, i, 2);
            i += 2;
        } else if (c == '"') {
            pos = i + 1;
            return true;
        } else if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            out += text[i + 1];
            i += 2;
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes of a comma-separated hex list such as "41,00,42,00".
bool ParseHexBytes(const std::string& list, std::string& bytes) {
    bytes.clear();
    size_t pos = SkipBlanks(list, 0);
    if (pos == list.size()) return true;
    while (true) {
        int value = 0;
        size_t digits = 0;
        pos = SkipBlanks(list, pos);
        while (pos < list.size() && HexDigit(list[pos]) >= 0 && digits < 3) {
            value = value * 16 + HexDigit(list[pos]);
            ++pos;
            ++digits;
        }
        if (digits == 0 || digits > 2) return false;
        bytes += static_cast<char>(value);
        pos = SkipBlanks(list, pos);
        if (pos == list.size()) return true;
        if (list[pos] != ',') return false;
        ++pos;
    }
}

enum class Format { kUnknown, kRegedit4, kVersion5 };
enum class ValueLine { kJunk, kSet, kRemove };

// The hex form of a value: hex:..., hex(N):... with the lines it continues
// over. `index` moves to the last line used.
ValueLine ParseHexValue(const std::vector<std::string>& lines, size_t& index,
                        const std::string& line, size_t pos, Format format, RegValue& value) {
    pos += 3;  // "hex"
    unsigned long type = 3;  // plain "hex:" is binary
    if (pos < line.size() && line[pos] == '(') {
        const size_t close = line.find(')', pos);
        if (close == std::string::npos || close == pos + 1 || close - pos > 9) return ValueLine::kJunk;
        type = 0;
        for (size_t i = pos + 1; i < close; ++i) {
            const int digit = HexDigit(line[i]);
            if (digit < 0) return ValueLine::kJunk;
            type = type * 16 + static_cast<unsigned long>(digit);
        }
        pos = close + 1;
    }
    if (pos >= line.size() || line[pos] != ':') return ValueLine::kJunk;

    std::string list = TrimRight(line.substr(pos + 1));
    while (!list.empty() && list.back() == '\\') {
        list.pop_back();
        if (index + 1 >= lines.size()) break;
        ++index;
        list += TrimRight(lines[index].substr(SkipBlanks(lines[index], 0)));
    }
    std::string bytes;
    if (!ParseHexBytes(list, bytes)) return ValueLine::kJunk;

    const unsigned long kString = 1;
    const unsigned long kExpandString = 2;
    if (type != kString && type != kExpandString) return ValueLine::kRemove;
    value.data = bytes;
    value.unicode = format == Format::kVersion5;
    return ValueLine::kSet;
}

// One value line: its name, and its data when it is read as text.
ValueLine ParseValueLine(const std::vector<std::string>& lines, size_t& index, Format format,
                         RegValue& value) {
    std::string& name = value.name;
    std::string& data = value.data;
    const std::string& line = lines[index];
    size_t pos = SkipBlanks(line, 0);
    if (pos < line.size() && line[pos] == '@') {
        name.clear();
        ++pos;
    } else if (pos < line.size() && line[pos] == '"') {
        if (!ReadQuoted(line, pos, name)) return ValueLine::kJunk;
    } else {
        return ValueLine::kJunk;
    }
    pos = SkipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != '=') return ValueLine::kJunk;
    pos = SkipBlanks(line, pos + 1);

    if (pos < line.size() && line[pos] == '"') {
        if (!ReadQuoted(line, pos, data)) return ValueLine::kJunk;
        if (SkipBlanks(line, pos) != line.size()) return ValueLine::kJunk;
        data += '\0';
        return ValueLine::kSet;
    }
    if (TrimRight(line.substr(pos)) == "-") return ValueLine::kRemove;
    if (StartsWithNoCase(line, pos, "dword:")) return ValueLine::kRemove;
    if (StartsWithNoCase(line, pos, "hex")) {
        return ParseHexValue(lines, index, line, pos, format, value);
    }
    return ValueLine::kJunk;
}

Format HeaderFormat(const std::string& line) {
    const std::string header = TrimRight(line);
    if (header == kVersion5Header) return Format::kVersion5;
    if (header == kVersion4Header) return Format::kRegedit4;
    return Format::kUnknown;
}

std::vector<RegValue>::iterator FindValue(std::vector<RegValue>& values, const std::string& name) {
    auto it = values.begin();
    while (it != values.end() && !SameName(it->name, name)) ++it;
    return it;
}

}  // namespace

const RegValue* FindRegValue(const std::vector<RegValue>& values, const char* name) {
    for (const RegValue& value : values) {
        if (SameName(value.name, name)) return &value;
    }
    return nullptr;
}

bool FindRegKey(const std::string& text, const std::string& keyPath, std::vector<RegValue>& values) {
    values.clear();
    const std::vector<std::string> lines = SplitLines(text);
    const Format format = HeaderFormat(lines.front());
    if (format == Format::kUnknown) return false;

    const std::string target = FullKeyPath(keyPath);
    bool present = false;
    bool inTarget = false;
    for (size_t index = 1; index < lines.size(); ++index) {
        const std::string& line = lines[index];
        const size_t pos = SkipBlanks(line, 0);
        if (pos == line.size() || line[pos] == ';') continue;

        if (line[pos] == '[') {
            const size_t close = line.rfind(']');
            if (close == std::string::npos || close <= pos) continue;
            std::string path = line.substr(pos + 1, close - pos - 1);
            const bool removal = !path.empty() && path[0] == '-';
            if (removal) path.erase(0, 1);
            path = FullKeyPath(path);
            inTarget = !removal && SameName(path, target);
            if (inTarget) present = true;
            if (removal && IsWithin(target, path)) {
                present = false;
                values.clear();
            }
            continue;
        }
        if (!inTarget) continue;

        RegValue value;
        const ValueLine kind = ParseValueLine(lines, index, format, value);
        if (kind == ValueLine::kJunk) continue;
        auto it = FindValue(values, value.name);
        if (kind == ValueLine::kRemove) {
            if (it != values.end()) values.erase(it);
        } else if (it != values.end()) {
            it->data = value.data;
            it->unicode = value.unicode;
        } else {
            values.push_back(value);
        }
    }
    return present;
}
