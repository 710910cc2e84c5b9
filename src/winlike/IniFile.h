// An INI file as Windows' profile calls (GetPrivateProfileStringA and
// GetPrivateProfileSectionA) read it on a Japanese system, from the file's
// text in the code page (IniTextOf in Conversion.h turns a file's bytes into
// that text). Every section and line keeps the number of the line it stands
// on, for tools that point at a place in the script.
//
// - Lines end with CR LF, LF or CR; the second byte of a double-byte
//   character is never taken for a line end, a bracket, a letter or "=".
// - Blank lines are ignored. A comment line, whose first character after
//   blanks is ";", names no key and is not listed by a section read.
// - A header is a line whose first character after blanks is "["; the name
//   runs to the first "]" (the rest of the line is ignored) or, in a line
//   without one, to the end of the line, blanks around it removed. "[]" and
//   "[ ]" name the section with the empty name. Lines before the first
//   header belong to no section. Of two sections of the same name, only the
//   first counts.
// - In a section, a line holds a key and a value around its first "=", each
//   with blanks around it removed (Ctrl-Z counts as a blank) and cut at a
//   NUL byte; a line without "=" is listed by a section read but names no
//   key. Of two equal keys, the first counts. A section read lists every
//   line but comments, except a line with an empty key that directly
//   follows another such line (blank lines aside).
// - Section and key names match as SameNameNoCase (CodePage.h) compares
//   them. A string read ignores spaces around the names it is asked for, but
//   no other blanks; a section read takes the name as given.
// - A value enclosed in one pair of matching quotes (' or ") loses them; a
//   value longer than the buffer is cut to its size less one byte, also
//   inside a double-byte character. The default value loses its trailing
//   spaces.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct IniLine {
    enum Kind { kComment, kEntry };
    Kind kind;
    std::string key;    // for an entry: the key, or the whole text of a line without "="
    std::string value;  // as written, quotes included
    bool hasValue;      // the line has "="
    unsigned line;      // from 1
};

struct IniSection {
    std::string name;
    unsigned line;               // of its header
    std::vector<IniLine> lines;  // comments and entries, in file order
};

class IniFile {
public:
    IniFile() = default;
    explicit IniFile(std::string text);

    const std::string& Text() const { return text_; }
    // Every section in file order, later ones of an earlier name included.
    const std::vector<IniSection>& Sections() const { return sections_; }
    // The lines above the first header, which belong to no section.
    const std::vector<IniLine>& Preamble() const { return preamble_; }

    // The section a read of `name` finds: the first of that name; null when
    // there is none.
    const IniSection* FindSection(std::string_view name) const;
    // The entry a read of `key` finds in `section`: its first line with "="
    // and that key; null when there is none.
    static const IniLine* FindKey(const IniSection& section, std::string_view key);

private:
    std::string text_;
    std::vector<IniSection> sections_;
    std::vector<IniLine> preamble_;
};

// What GetPrivateProfileStringA gives for `file`: the value of `key` in
// `section` (names as they are asked for, in the code page), else
// `fallback`, in `buffer` of `size` bytes; returns the bytes copied without
// the NUL. Null names find nothing.
unsigned ProfileStringOf(const IniFile& file, const char* section, const char* key,
                         const char* fallback, char* buffer, unsigned size);

// The entries a section read lists, in file order: every line with a key
// or without "=", but not a line with an empty key right after another
// one (blank lines aside; a comment or any other line between them ends
// such a run).
std::vector<const IniLine*> ListedLines(const IniSection& section);

// The bytes a section read gives for one listed line: the line and its NUL.
size_t ListedSize(const IniLine& line);

// What GetPrivateProfileSectionA gives for `file`: the lines of `section`,
// each ended by a NUL and one more NUL after the last, in `buffer` of `size`
// bytes; returns the bytes copied without the final NUL.
unsigned ProfileSectionOf(const IniFile& file, const char* section, char* buffer, unsigned size);
