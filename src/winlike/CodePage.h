// The program's code page, Shift-JIS (Windows code page 932), byte by byte:
// which bytes begin and end a double-byte character, and how names compare
// without regard to letter case. The conversions to and from other character
// sets are in Conversion.h.
#pragma once

#include <cstddef>
#include <string_view>

// The first byte of a double-byte character: 0x81 to 0x9F and 0xE0 to 0xFC.
bool IsLeadByte(unsigned char c);
// A byte that can follow a lead byte: 0x40 to 0x7E and 0x80 to 0xFC. Among
// them is 0x5C, the backslash.
bool IsTrailByte(unsigned char c);

// 'A' to 'Z' as 'a' to 'z'; every other byte as it is. The program compares
// its own words (MODE words, symbols, procedure names) this way.
char FoldAscii(char c);
// 'a' to 'z' as 'A' to 'Z'; every other byte as it is (drive letters, and
// the order of names, which Windows sorts upper-cased).
char UpperAscii(char c);

// Equality with ASCII letters folded, byte by byte (a letter that is the
// second byte of a double-byte character is folded too).
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);

// Equality of two names as Windows compares section, key and registry names
// in the code page: ASCII letters in any case, the two bytes of a
// double-byte character exactly as they are (its second byte is never taken
// for a letter).
bool SameNameNoCase(std::string_view a, std::string_view b);

// The characters of a UTF-8 text: one for each byte that does not continue a
// sequence.
size_t Utf8CharacterCount(std::string_view utf8);
