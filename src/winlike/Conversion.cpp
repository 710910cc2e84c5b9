// Conversions between the program's code page and the character sets around
// it.
#include "winlike/Conversion.h"

#include <errno.h>
#include <iconv.h>

#include <vector>

#include "winlike/CodePage.h"

namespace {

const char kAnsi[] = "CP932";

iconv_t NoConverter() { return reinterpret_cast<iconv_t>(-1); }

// Converters opened once and kept until the process ends: every path the
// program touches is converted, often several times.
class ConverterCache {
public:
    ConverterCache() = default;
    ConverterCache(const ConverterCache&) = delete;
    ConverterCache& operator=(const ConverterCache&) = delete;
    ~ConverterCache() {
        for (const Entry& entry : entries_) {
            if (entry.converter != NoConverter()) iconv_close(entry.converter);
        }
    }

    // The converter from `from` to `to` in its initial state; NoConverter()
    // when iconv knows no such conversion.
    iconv_t Get(const char* to, const char* from) {
        for (const Entry& entry : entries_) {
            if (entry.to == to && entry.from == from) return Reset(entry.converter);
        }
        entries_.push_back({to, from, iconv_open(to, from)});
        return entries_.back().converter;
    }

private:
    struct Entry {
        std::string to;
        std::string from;
        iconv_t converter;
    };
    static iconv_t Reset(iconv_t converter) {
        if (converter != NoConverter()) iconv(converter, nullptr, nullptr, nullptr, nullptr);
        return converter;
    }
    std::vector<Entry> entries_;
};

iconv_t Converter(const char* to, const char* from) {
    static ConverterCache cache;
    return cache.Get(to, from);
}

// Converts `in` into `out` with `converter`. Where a sequence does not
// convert (errno EILSEQ) or is cut off by the end of the text (EINVAL),
// `onBad(error, position, left, out)` decides what to write and returns how
// many bytes of the input it used; 0 ends the conversion there.
template <class OnBad>
void ConvertWith(iconv_t converter, std::string_view in, std::string& out, OnBad onBad) {
    char* input = const_cast<char*>(in.data());
    size_t left = in.size();
    char chunk[1024];
    while (left > 0) {
        char* output = chunk;
        size_t room = sizeof chunk;
        const size_t done = iconv(converter, &input, &left, &output, &room);
        const int error = errno;
        out.append(chunk, static_cast<size_t>(output - chunk));
        if (done != static_cast<size_t>(-1) || error == E2BIG) continue;
        const size_t used = onBad(error, input, left, out);
        if (used == 0 || used > left) break;
        input += used;
        left -= used;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    // A character set with shift states ends in its initial state.
    char* output = chunk;
    size_t room = sizeof chunk;
    iconv(converter, nullptr, nullptr, &output, &room);
    out.append(chunk, static_cast<size_t>(output - chunk));
}

// The bytes of the CP932 character at `p` (with `left` bytes from there).
size_t AnsiCharacterSize(const char* p, size_t left) {
    return (IsLeadByte(static_cast<unsigned char>(*p)) && left >= 2) ? 2 : 1;
}

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

// Characters that the C library's Shift-JIS takes but code page 932 does
// not: it has characters of its own under these codes.
bool MissingFromCodePage(unsigned unit) {
    return unit == 0x2014 || unit == 0x2016 || unit == 0x203E || unit == 0x2212 || unit == 0x301C;
}

void AppendCode(std::string& text, unsigned code) {
    if (code > 0xFF) text += static_cast<char>(code >> 8);
    text += static_cast<char>(code & 0xFF);
}

// One UTF-16 code unit in CP932, as Windows writes it.
void AppendUnitAsAnsi(std::string& text, unsigned unit) {
    if (unit < 0x80) {
        text += static_cast<char>(unit);
        return;
    }
    if (unit >= 0xA0 && unit <= 0xFF) {
        AppendCode(text, kLatin1[unit - 0xA0]);
        return;
    }
    const iconv_t converter = Converter(kAnsi, "UTF-16LE");
    if ((unit >= 0xD800 && unit <= 0xDFFF) || MissingFromCodePage(unit) || converter == NoConverter()) {
        text += '?';
        return;
    }
    char in[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    char out[8];
    char* input = in;
    char* output = out;
    size_t left = sizeof in;
    size_t room = sizeof out;
    if (iconv(converter, &input, &left, &output, &room) == static_cast<size_t>(-1)) {
        text += '?';
    } else {
        text.append(out, static_cast<size_t>(output - out));
    }
}

// The code page's own code of each double-byte character: what Windows
// gives back when it reads the character into Unicode and writes it out
// again. Indexed by (lead - 0x80) * 256 + second byte; 0 for a code that
// names no character.
class CanonicalCodes {
public:
    CanonicalCodes() : codes_(128 * 256, 0) {
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
            for (unsigned second = 0x40; second <= 0xFC; ++second) {
                if (!IsTrailByte(static_cast<unsigned char>(second))) continue;
                const unsigned code = lead << 8 | second;
                codes_[Index(code)] = RoundTrip(code);
            }
        }
    }
    unsigned Of(unsigned code) const { return codes_[Index(code)]; }

private:
    static size_t Index(unsigned code) { return ((code >> 8) - 0x80) * 256 + (code & 0xFF); }

    static unsigned RoundTrip(unsigned code) {
        const char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        bool whole = true;
        std::string unicode;
        ConvertWith(Converter("UTF-16LE", kAnsi), std::string_view(bytes, 2), unicode,
                    [&whole](int, const char*, size_t, std::string&) {
                        whole = false;
                        return size_t{0};
                    });
        if (!whole || unicode.size() != 2) return 0;
        std::string back;
        ConvertWith(Converter(kAnsi, "UTF-16LE"), unicode, back,
                    [&whole](int, const char*, size_t, std::string&) {
                        whole = false;
                        return size_t{0};
                    });
        if (!whole || back.size() != 2) return 0;
        return static_cast<unsigned char>(back[0]) << 8 | static_cast<unsigned char>(back[1]);
    }

    std::vector<unsigned short> codes_;
};

}  // namespace

std::string Utf8FromAnsi(std::string_view ansi) {
    std::string out;
    const iconv_t converter = Converter("UTF-8", kAnsi);
    if (converter == NoConverter()) return std::string(ansi);
    ConvertWith(converter, ansi, out, [](int error, const char* p, size_t, std::string& text) {
        if (error == EINVAL) return size_t{0};  // cut off by the end: dropped
        text += *p;
        return size_t{1};
    });
    return out;
}

std::string AnsiFromUtf8(std::string_view utf8) {
    std::string out;
    const iconv_t converter = Converter(kAnsi, "UTF-8");
    if (converter == NoConverter()) return std::string(utf8);
    ConvertWith(converter, utf8, out, [](int, const char* p, size_t, std::string& text) {
        text += *p;
        return size_t{1};
    });
    return out;
}

std::u16string WideFromAnsi(std::string_view ansi) {
    std::u16string wide;
    const iconv_t converter = Converter("UTF-16LE", kAnsi);
    if (converter == NoConverter()) {
        for (char c : ansi) wide += static_cast<char16_t>(static_cast<unsigned char>(c));
        return wide;
    }
    std::string units;
    ConvertWith(converter, ansi, units, [](int, const char* p, size_t left, std::string& text) {
        const unsigned char c = static_cast<unsigned char>(*p);
        unsigned unit = 0x30FB;  // "・", the code page's stand-in
        size_t used = 1;
        if (IsLeadByte(c)) {
            used = left >= 2 ? 2 : 1;
        } else if (c == 0x80) {
            unit = 0x0080;
        } else if (c == 0xA0) {
            unit = 0xF8F0;
        } else if (c >= 0xFD) {
            unit = 0xF8F1 + (c - 0xFD);
        }
        text += static_cast<char>(unit & 0xFF);
        text += static_cast<char>(unit >> 8);
        return used;
    });
    for (size_t i = 0; i + 1 < units.size(); i += 2) {
        wide += static_cast<char16_t>(static_cast<unsigned char>(units[i]) |
                                      static_cast<unsigned char>(units[i + 1]) << 8);
    }
    return wide;
}

std::string AnsiFromUtf16(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        AppendUnitAsAnsi(text, static_cast<unsigned char>(bytes[i]) |
                                   static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8);
    }
    return text;
}

std::string AnsiFromUtf8AsWindows(std::string_view utf8) {
    std::string units;
    const iconv_t converter = Converter("UTF-16LE", "UTF-8");
    if (converter == NoConverter()) return std::string();
    ConvertWith(converter, utf8, units, [](int, const char* p, size_t left, std::string& text) {
        // A broken sequence: its lead byte and the continuation bytes that
        // follow it stand for one character the code page lacks.
        size_t length = 1;
        while (length < left && length < 4 && (static_cast<unsigned char>(p[length]) & 0xC0) == 0x80) {
            ++length;
        }
        text += "\xFD\xFF";
        return length;
    });
    return AnsiFromUtf16(units);
}

std::string WindowsAnsiText(std::string_view bytes) {
    static const CanonicalCodes codes;
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
            code = codes.Of(c << 8 | static_cast<unsigned char>(bytes[i + 1]));
        }
        AppendCode(text, code != 0 ? code : 0x8145);  // "・" for what cannot be read
        ++i;
    }
    return text;
}

std::string ConvertFromAnsi(std::string_view ansi, const char* charset, bool* complete) {
    if (complete != nullptr) *complete = true;
    const iconv_t converter = Converter(charset, kAnsi);
    if (converter == NoConverter()) {
        if (complete != nullptr) *complete = false;
        return std::string(ansi);
    }
    std::string out;
    ConvertWith(converter, ansi, out, [complete](int, const char* p, size_t left, std::string& text) {
        if (complete != nullptr) *complete = false;
        const size_t size = AnsiCharacterSize(p, left);
        text.append(p, size);
        return size;
    });
    return out;
}

std::string IniTextOf(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') return AnsiFromUtf16(bytes.substr(2));
    return WindowsAnsiText(bytes);
}

std::string RegTextOf(std::string_view bytes) {
    if (bytes.substr(0, 2) == "\xFF\xFE") return AnsiFromUtf16(bytes.substr(2));
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return AnsiFromUtf8AsWindows(bytes.substr(3));
    return std::string(bytes);
}
