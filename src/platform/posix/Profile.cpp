// The INI reader of the host edition. It reads scripts the way Windows'
// GetPrivateProfileStringA and GetPrivateProfileSectionA read them on a
// Japanese system (ANSI code page 932, Shift-JIS). Where Wine's reader
// departs from Windows, this one does what Windows is documented or tested
// to do; the corpus in tests/ini names the evidence for each such case.
//
// - Every read opens the file, reads it whole and closes it again, so a
//   changed file is always seen as it is now. Only when its bytes are
//   exactly those of the previous read are the converted text and the
//   places of its sections taken over from that read, which spares a script
//   read key by key from being converted and searched afresh every time. A
//   file that is missing or cannot be read has no sections.
// - A file that starts with the UTF-16 little-endian byte-order mark is
//   Unicode text and is turned into Shift-JIS first; anything else is taken
//   as Shift-JIS bytes. Neither a UTF-8 byte-order mark nor a big-endian
//   UTF-16 one is recognised: the UTF-8 mark is three bytes of text in front
//   of the first line, so a header on that line is no header.
// - Lines end with CR LF, LF or CR. Blank lines are ignored. A comment line,
//   whose first character after blanks is ";", names no key and is not
//   listed by a section read.
// - A header is a line whose first character after blanks is "["; the name
//   runs to the first "]" (the rest of the line is ignored) or, in a line
//   without one, to the end of the line, blanks around it removed. "[]" and
//   "[ ]" name the section with the empty name. Lines before the first
//   header belong to no section. Of two sections of the same name, only the
//   first counts.
// - In a section, a line holds a key and a value around its first "=", each
//   with blanks around it removed; a line without "=" is part of the section
//   but names no key. Of two equal keys, the first counts. A section read
//   lists every line but comments, except a line with an empty key that
//   directly follows another such line (blank lines aside).
// - Section and key names match without regard to ASCII letter case; the
//   second byte of a double-byte character is never taken for a letter, a
//   bracket or a line end. A string read ignores spaces around the names it
//   is asked for, but no other blanks; a section read takes the name as given.
// - A value enclosed in one pair of matching quotes (' or ") loses them; a
//   value longer than the buffer is cut to its size less one byte, also
//   inside a double-byte character. The default value loses its trailing
//   spaces.
#include "platform/Profile.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/HostFilePath.h"
#include "platform/posix/UniqueFd.h"

namespace {

// ---------------------------------------------------------------------------
// Bytes of the ANSI code page

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsTrailByte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// The code page's "・", which stands for a byte sequence it cannot read.
const char kUnreadable[] = "\x81\x45";

// Blanks around names and values in the file. Ctrl-Z is the end-of-file mark
// of old editors and counts as a blank.
bool IsBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x1A;
}

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Equality of two names without regard to ASCII letter case; the bytes of a
// double-byte character must be equal as they are.
bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// The code page's own form of each double-byte character: Windows reads a
// file into Unicode and writes what it returns back in the code page, so a
// character that has two codes (the NEC and IBM extensions repeat some)
// comes back in the code Windows prefers, and a code that names no
// character comes back as "・". Indexed by (lead - 0x80) * 256 + second byte;
// 0 for a code that names no character.
class DoubleByteTable {
public:
    DoubleByteTable() : codes_(128 * 256, 0) {
        iconv_t in = iconv_open("UTF-16LE", "CP932");
        iconv_t out = iconv_open("CP932", "UTF-16LE");
        const bool usable = in != kNoConverter && out != kNoConverter;
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
            for (unsigned second = 0x40; second <= 0xFC; ++second) {
                if (!IsTrailByte(static_cast<unsigned char>(second))) continue;
                const unsigned code = lead << 8 | second;
                codes_[Index(code)] = usable ? RoundTrip(in, out, code) : code;
            }
        }
        if (in != kNoConverter) iconv_close(in);
        if (out != kNoConverter) iconv_close(out);
    }

    // The code to use for `code`, or 0 when it names no character.
    unsigned Canonical(unsigned code) const { return codes_[Index(code)]; }

private:
    static size_t Index(unsigned code) { return ((code >> 8) - 0x80) * 256 + (code & 0xFF); }

    static unsigned RoundTrip(iconv_t in, iconv_t out, unsigned code) {
        char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        char unicode[8];
        char back[8];
        if (!Convert(in, bytes, sizeof bytes, unicode, sizeof unicode)) return 0;
        size_t length = 0;
        if (!Convert(out, unicode, 2, back, sizeof back, &length) || length != 2) return 0;
        return static_cast<unsigned char>(back[0]) << 8 | static_cast<unsigned char>(back[1]);
    }

    static bool Convert(iconv_t converter, char* from, size_t fromSize, char* to, size_t toSize,
                        size_t* written = nullptr) {
        char* toStart = to;
        const size_t result = iconv(converter, &from, &fromSize, &to, &toSize);
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        if (written != nullptr) *written = static_cast<size_t>(to - toStart);
        return result != static_cast<size_t>(-1) && fromSize == 0;
    }

    static const iconv_t kNoConverter;
    std::vector<unsigned short> codes_;
};

const iconv_t DoubleByteTable::kNoConverter = reinterpret_cast<iconv_t>(-1);

const DoubleByteTable& DoubleBytes() {
    static const DoubleByteTable table;
    return table;
}

// The file's bytes as Windows sees them in code page 932. A lead byte must
// be followed by a valid second byte; a lead byte that is not (or that ends
// the file) is read, together with the byte after it, as one unreadable
// character. Afterwards every lead byte starts a proper double-byte
// character, so that "=", ";", CR and LF can only be characters of their own.
std::string WholeCharacters(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (!IsLeadByte(c)) {
            text += bytes[i];
            continue;
        }
        unsigned code = 0;
        if (i + 1 < bytes.size() && IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
            code = DoubleBytes().Canonical(c << 8 | static_cast<unsigned char>(bytes[i + 1]));
        }
        if (code == 0) {
            text += kUnreadable;
        } else {
            text += static_cast<char>(code >> 8);
            text += static_cast<char>(code & 0xFF);
        }
        ++i;
    }
    return text;
}

// ---------------------------------------------------------------------------
// UTF-16 files

// Latin-1 characters (U+00A0 to U+00FF), which Shift-JIS mostly lacks, as
// Windows writes them in code page 932: a similar character where there is
// one, else "?". Values above 0xFF are double-byte characters.
const unsigned short kLatin1[96] = {
    0x003F, 0x0021, 0x8191, 0x8192, 0x003F, 0x005C, 0x007C, 0x8198,
    0x814E, 0x0063, 0x0061, 0x81E1, 0x81CA, 0x002D, 0x0052, 0x8150,
    0x818B, 0x817D, 0x0032, 0x0033, 0x814C, 0x83CA, 0x81F7, 0x8145,
    0x8143, 0x0031, 0x006F, 0x81E2, 0x003F, 0x003F, 0x003F, 0x003F,
    0x0041, 0x0041, 0x0041, 0x0041, 0x0041, 0x0041, 0x0041, 0x0043,
    0x0045, 0x0045, 0x0045, 0x0045, 0x0049, 0x0049, 0x0049, 0x0049,
    0x0044, 0x004E, 0x004F, 0x004F, 0x004F, 0x004F, 0x004F, 0x817E,
    0x004F, 0x0055, 0x0055, 0x0055, 0x0055, 0x0059, 0x0054, 0x0073,
    0x0061, 0x0061, 0x0061, 0x0061, 0x0061, 0x0061, 0x0061, 0x0063,
    0x0065, 0x0065, 0x0065, 0x0065, 0x0069, 0x0069, 0x0069, 0x0069,
    0x0064, 0x006E, 0x006F, 0x006F, 0x006F, 0x006F, 0x006F, 0x8180,
    0x006F, 0x0075, 0x0075, 0x0075, 0x0075, 0x0079, 0x0074, 0x0079,
};

// Characters that the host's Shift-JIS converter takes but code page 932
// does not: it has its own characters for these Shift-JIS codes.
bool MissingFromCodePage(unsigned unit) {
    return unit == 0x2014 || unit == 0x2016 || unit == 0x203E || unit == 0x2212 || unit == 0x301C;
}

void AppendCodeUnit(std::string& text, unsigned short code) {
    if (code > 0xFF) text += static_cast<char>(code >> 8);
    text += static_cast<char>(code & 0xFF);
}

// The text of a UTF-16 little-endian file (after its byte-order mark) in
// code page 932. A character that the code page cannot show becomes "?",
// and so does each half of a surrogate pair.
std::string AnsiFromUtf16(const char* data, size_t size) {
    std::string text;
    text.reserve(size);
    iconv_t converter = iconv_open("CP932", "UTF-16LE");
    for (size_t i = 0; i + 1 < size; i += 2) {
        const unsigned unit = static_cast<unsigned char>(data[i]) |
                              static_cast<unsigned>(static_cast<unsigned char>(data[i + 1])) << 8;
        if (unit < 0x80) {
            text += static_cast<char>(unit);
        } else if (unit >= 0xA0 && unit <= 0xFF) {
            AppendCodeUnit(text, kLatin1[unit - 0xA0]);
        } else if ((unit >= 0xD800 && unit <= 0xDFFF) || MissingFromCodePage(unit) ||
                   converter == reinterpret_cast<iconv_t>(-1)) {
            text += '?';
        } else {
            char in[2] = {data[i], data[i + 1]};
            char out[8];
            char* inPointer = in;
            char* outPointer = out;
            size_t inLeft = sizeof in;
            size_t outLeft = sizeof out;
            if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) == static_cast<size_t>(-1)) {
                text += '?';
                iconv(converter, nullptr, nullptr, nullptr, nullptr);
            } else {
                text.append(out, static_cast<size_t>(outPointer - out));
            }
        }
    }
    if (converter != reinterpret_cast<iconv_t>(-1)) iconv_close(converter);
    return text;
}

// ---------------------------------------------------------------------------
// Reading the file

// Opens a regular file for reading. Anything else cannot be read as a
// script: a pipe would hold the open or the reads without end, and a device
// such as /dev/zero never ends. The open does not wait on a pipe.
int OpenRegularFile(const std::string& hostPath) {
    const int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

// The bytes of the whole file; false when it is missing or cannot be read.
// The file is opened under its path as written first: wherever that opens,
// it is the file that looking the path up folder by folder would find, and
// the lookup, one system call for each folder, is spared to a script read
// key by key. Only when it does not open is the path looked up.
bool ReadWholeFile(const char* file, std::string& bytes) {
    if (file == nullptr || *file == '\0' || EndsWithSeparator(file)) return false;
    std::string hostPath;
    UniqueFd in;
    if (ToHostPathAsWritten(file, hostPath)) in.Reset(OpenRegularFile(hostPath));
    if (!in.Valid()) {
        if (!MapHostFilePath(file, hostPath)) return false;
        in.Reset(OpenRegularFile(hostPath));
        if (!in.Valid()) return false;
    }
    char block[65536];
    for (;;) {
        const ssize_t got = read(in.Get(), block, sizeof block);
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.append(block, static_cast<size_t>(got));
        // A regular file gives less than was asked only at its end.
        if (static_cast<size_t>(got) < sizeof block) return true;
    }
}

// ---------------------------------------------------------------------------
// Lines

// One line of the file without its line end, as offsets into the text.
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
    LineKind kind;
    std::string name;
    std::string value;
    bool hasValue;
};

ParsedLine ParseLine(const std::string& text, const Line& line) {
    ParsedLine parsed{LineKind::kBlank, std::string(), std::string(), false};
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

// A file as the reader sees it: its text in the code page, and its headers
// in file order, each with the offset of the line after it.
struct Script {
    std::string bytes;  // as read from the file
    std::string text;
    std::vector<std::pair<std::string, size_t>> headers;
};

void ListHeaders(Script& script) {
    const std::string& text = script.text;
    size_t position = 0;
    Line line;
    while (NextLine(text, position, line)) {
        size_t first = line.begin;
        while (first < line.end && IsBlank(static_cast<unsigned char>(text[first]))) ++first;
        if (first == line.end || text[first] != '[') continue;
        script.headers.emplace_back(ParseLine(text, line).name, position);
    }
}

// The file as it is now. The result stays valid until the next call.
const Script& LoadScript(const char* file) {
    static Script last;
    std::string bytes;
    if (!ReadWholeFile(file, bytes)) bytes.clear();
    if (bytes == last.bytes) return last;

    last.bytes.swap(bytes);
    last.headers.clear();
    if (last.bytes.size() >= 2 && last.bytes[0] == '\xFF' && last.bytes[1] == '\xFE') {
        last.text = AnsiFromUtf16(last.bytes.data() + 2, last.bytes.size() - 2);
    } else {
        last.text = WholeCharacters(last.bytes);
    }
    ListHeaders(last);
    return last;
}

// Places `position` on the first line after the first header named
// `section`; false when there is no such section.
bool FindSection(const Script& script, const std::string& section, size_t& position) {
    for (const auto& header : script.headers) {
        if (SameName(header.first, section)) {
            position = header.second;
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------
// Values

// The name as a caller asks for it: spaces around it do not count (tabs do).
std::string Requested(const char* name) {
    std::string text = WholeCharacters(name);
    const size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return std::string();
    const size_t end = text.find_last_not_of(' ');
    return text.substr(begin, end - begin + 1);
}

void RemoveQuotes(std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
    }
}

bool FindValue(const Script& script, const std::string& section, const std::string& key,
               std::string& value) {
    const std::string& text = script.text;
    size_t position;
    if (!FindSection(script, section, position)) return false;
    Line line;
    while (NextLine(text, position, line)) {
        const ParsedLine parsed = ParseLine(text, line);
        if (parsed.kind == LineKind::kHeader) return false;
        if (parsed.kind == LineKind::kEntry && parsed.hasValue && SameName(parsed.name, key)) {
            value = parsed.value;
            return true;
        }
    }
    return false;
}

}  // namespace

unsigned ProfileString(const char* section, const char* key, const char* fallback,
                       char* buffer, unsigned size, const char* file) {
    if (buffer == nullptr || size == 0) return 0;

    std::string value;
    bool found = false;
    if (section != nullptr && key != nullptr) {
        found = FindValue(LoadScript(file), Requested(section), Requested(key), value);
    }
    if (!found) {
        // The fallback loses its trailing spaces, and nothing else.
        value = WholeCharacters(fallback != nullptr ? fallback : "");
        const size_t end = value.find_last_not_of(' ');
        value.resize(end == std::string::npos ? 0 : end + 1);
    }
    RemoveQuotes(value);

    const size_t count = value.size() < size - 1 ? value.size() : size - 1;
    std::memcpy(buffer, value.data(), count);
    buffer[count] = '\0';
    return static_cast<unsigned>(count);
}

unsigned ProfileSection(const char* section, char* buffer, unsigned size, const char* file) {
    if (buffer == nullptr || size == 0) return 0;

    // The section's lines, each ended by a NUL.
    std::string lines;
    const Script& script = LoadScript(file);
    const std::string& text = script.text;
    size_t position;
    if (section != nullptr && FindSection(script, WholeCharacters(section), position)) {
        bool afterEmptyKey = false;
        Line line;
        while (NextLine(text, position, line)) {
            const ParsedLine parsed = ParseLine(text, line);
            if (parsed.kind == LineKind::kHeader) break;
            if (parsed.kind == LineKind::kBlank) continue;
            // A line with an empty key right after another one (blank lines
            // aside) is not listed; a comment or any other line between them
            // ends such a run.
            const bool emptyKey = parsed.kind == LineKind::kEntry && parsed.hasValue && parsed.name.empty();
            const bool repeated = emptyKey && afterEmptyKey;
            afterEmptyKey = emptyKey;
            if (parsed.kind != LineKind::kEntry || repeated) continue;
            lines += parsed.name;
            if (parsed.hasValue) lines += "=" + parsed.value;
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
