// The program's code page, Shift-JIS (Windows code page 932), byte by byte:
// which bytes begin and end a double-byte character, and how names compare
// without regard to letter case. The conversions to and from other character
// sets are in Conversion.h.
#pragma once

#include <cstddef>
#include <string_view>

#include "text/Ascii.h"

// The first byte of a double-byte character: 0x81 to 0x9F and 0xE0 to 0xFC.
bool IsLeadByte(unsigned char c);
// A byte that can follow a lead byte: 0x40 to 0x7E and 0x80 to 0xFC. Among
// them is 0x5C, the backslash.
bool IsTrailByte(unsigned char c);

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

// The well-formed UTF-8 character at `at`: its length in bytes, with its
// code point in `code`; 0 where none starts there (a stray continuation
// byte, a sequence cut off, an overlong form, a surrogate, a value past
// U+10FFFF).
size_t DecodeUtf8(std::string_view text, size_t at, unsigned& code);

// The bytes of the UTF-8 character at `at`; a byte that starts no
// well-formed sequence is a character of its own.
size_t Utf8SequenceLength(std::string_view text, size_t at);
