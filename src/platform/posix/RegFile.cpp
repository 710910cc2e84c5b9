// Reading the host edition's registry file; see RegFile.h for the format.
#include "platform/posix/RegFile.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/posix/UniqueFd.h"

namespace {

const char kVersion5Header[] = "Windows Registry Editor Version 5.00";
const char kVersion4Header[] = "REGEDIT4";
const char kLocalMachine[] = "HKEY_LOCAL_MACHINE";
const char kLocalMachineShort[] = "HKLM";
const char kAnsiCodePage[] = "CP932";
// A larger file is taken as unreadable rather than read into memory whole.
const size_t kLargestFile = size_t(256) << 20;

// An iconv conversion into the ANSI code page, closed when it goes away.
class AnsiConverter {
public:
    explicit AnsiConverter(const char* from) : cd_(iconv_open(kAnsiCodePage, from)) {}
    ~AnsiConverter() {
        if (Valid()) iconv_close(cd_);
    }
    AnsiConverter(const AnsiConverter&) = delete;
    AnsiConverter& operator=(const AnsiConverter&) = delete;

    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return cd_; }

private:
    iconv_t cd_;
};

// Bytes of the one character at `p` that does not convert.
size_t Utf16Unit(const unsigned char* p, size_t left) {
    if (left < 2) return left;
    const unsigned unit = p[0] | (p[1] << 8);
    if (unit >= 0xD800 && unit <= 0xDBFF && left >= 4) {
        const unsigned next = p[2] | (p[3] << 8);
        if (next >= 0xDC00 && next <= 0xDFFF) return 4;
    }
    return 2;
}

size_t Utf8Unit(const unsigned char* p, size_t left) {
    size_t length = 1;
    if (p[0] >= 0xC2 && p[0] <= 0xDF) length = 2;
    if (p[0] >= 0xE0 && p[0] <= 0xEF) length = 3;
    if (p[0] >= 0xF0 && p[0] <= 0xF4) length = 4;
    for (size_t i = 1; i < length; ++i) {
        if (i >= left || (p[i] & 0xC0) != 0x80) return i;
    }
    return length;
}

// `in` converted into the ANSI code page; each character that the code page
// lacks, or that is broken, becomes "?", as Windows' own conversion does.
std::string ToAnsi(const char* from, const std::string& in,
                   size_t (*unitOf)(const unsigned char*, size_t)) {
    AnsiConverter converter(from);
    if (!converter.Valid()) return std::string();
    std::string out;
    char* source = const_cast<char*>(in.data());
    size_t left = in.size();
    char chunk[4096];
    while (left > 0) {
        char* target = chunk;
        size_t room = sizeof chunk;
        const size_t result = iconv(converter.Get(), &source, &left, &target, &room);
        const int error = errno;
        out.append(chunk, static_cast<size_t>(target - chunk));
        if (result != static_cast<size_t>(-1) || error == E2BIG) continue;
        out += '?';
        size_t skip = unitOf(reinterpret_cast<const unsigned char*>(source), left);
        if (skip == 0 || skip > left) skip = left;
        source += skip;
        left -= skip;
    }
    return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Shift-JIS: the first byte of a double-byte character.
bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Names compared as the registry compares them, here for ASCII letters:
// case is ignored, and the bytes of double-byte characters are compared as
// they are.
bool SameName(const char* a, size_t aLength, const char* b, size_t bLength) {
    if (aLength != bLength) return false;
    for (size_t i = 0; i < aLength; ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[i]);
        if (IsLeadByte(x) && i + 1 < aLength) {
            if (x != y || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (FoldAscii(x) != FoldAscii(y)) {
            return false;
        }
    }
    return true;
}

bool SameName(const std::string& a, const std::string& b) {
    return SameName(a.data(), a.size(), b.data(), b.size());
}

bool StartsWithNoCase(const std::string& text, size_t pos, const char* prefix) {
    const size_t length = std::strlen(prefix);
    return text.size() - pos >= length && SameName(text.data() + pos, length, prefix, length);
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
    return SameName(key.data(), ancestor.size(), ancestor.data(), ancestor.size());
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
                        const std::string& line, size_t pos, Format format, std::string& data) {
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
    data = format == Format::kVersion5 ? ToAnsi("UTF-16LE", bytes, Utf16Unit) : bytes;
    return ValueLine::kSet;
}

// One value line: its name, and its data when it is read as text.
ValueLine ParseValueLine(const std::vector<std::string>& lines, size_t& index, Format format,
                         std::string& name, std::string& data) {
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
        return ParseHexValue(lines, index, line, pos, format, data);
    }
    return ValueLine::kJunk;
}

Format HeaderFormat(const std::string& line) {
    const std::string header = TrimRight(line);
    if (header == kVersion5Header) return Format::kVersion5;
    if (header == kVersion4Header) return Format::kRegedit4;
    return Format::kUnknown;
}

std::vector<RegFileValue>::iterator FindValue(std::vector<RegFileValue>& values,
                                              const std::string& name) {
    auto it = values.begin();
    while (it != values.end() && !SameName(it->name, name)) ++it;
    return it;
}

}  // namespace

const RegFileValue* FindRegValue(const std::vector<RegFileValue>& values, const char* name) {
    const size_t length = std::strlen(name);
    for (const RegFileValue& value : values) {
        if (SameName(value.name.data(), value.name.size(), name, length)) return &value;
    }
    return nullptr;
}

std::string DecodeRegFile(const std::string& bytes) {
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
        return ToAnsi("UTF-16LE", bytes.substr(2), Utf16Unit);
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        return ToAnsi("UTF-8", bytes.substr(3), Utf8Unit);
    }
    return bytes;
}

bool FindRegKey(const std::string& text, const std::string& keyPath,
                std::vector<RegFileValue>& values) {
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

        std::string name;
        std::string data;
        const ValueLine kind = ParseValueLine(lines, index, format, name, data);
        if (kind == ValueLine::kJunk) continue;
        auto it = FindValue(values, name);
        if (kind == ValueLine::kRemove) {
            if (it != values.end()) values.erase(it);
        } else if (it != values.end()) {
            it->data = data;
        } else {
            values.push_back({name, data});
        }
    }
    return present;
}

bool ReadRegFileKey(const std::string& path, const std::string& keyPath,
                    std::vector<RegFileValue>& values) {
    values.clear();
    UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.Valid()) return false;
    struct stat status {};
    if (fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return false;

    std::string bytes;
    char chunk[65536];
    while (true) {
        const ssize_t got = read(file.Get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        if (bytes.size() + static_cast<size_t>(got) > kLargestFile) return false;
        bytes.append(chunk, static_cast<size_t>(got));
    }
    return FindRegKey(DecodeRegFile(bytes), keyPath, values);
}
