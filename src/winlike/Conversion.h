// Conversions between the program's code page (Shift-JIS, Windows code page
// 932) and the character sets around it, through the C library's iconv.
// Each conversion states what becomes of text that does not convert.
#pragma once

#include <string>
#include <string_view>

// CP932 to UTF-8, for host file names and program arguments. A byte that is
// no character of the code page passes as it is; a lone lead byte at the
// very end is dropped, as Windows drops it when it turns ANSI text into
// Unicode ("C:\Tools\" and the first byte of 表 name the folder C:\Tools).
std::string Utf8FromAnsi(std::string_view ansi);

// UTF-8 to CP932, for host names the program reads. A byte that does not
// convert passes as it is, so a name that is no UTF-8 comes back unchanged.
std::string AnsiFromUtf8(std::string_view utf8);

// CP932 to UTF-16 as MultiByteToWideChar makes it, for the Unicode strings
// of a shortcut file (the shell's link object converts its ANSI texts so):
// a lead byte with a second byte that makes no character, and a lone lead
// byte at the end, are "・" (U+30FB); the single bytes 0x80, 0xA0 and 0xFD
// to 0xFF, which code page 932 gives code points of their own, are U+0080,
// U+F8F0 and U+F8F1 to U+F8F3.
std::u16string WideFromAnsi(std::string_view ansi);

// UTF-16 little-endian bytes to CP932, as Windows turns Unicode text into
// the code page (a UTF-16 script, a registry file): a character the code
// page lacks becomes a similar one where Windows has one (a Latin-1 letter
// loses its accent), else "?", and so does each half of a surrogate pair.
std::string AnsiFromUtf16(std::string_view bytes);

// UTF-8 text to CP932 the same way; a broken sequence is "?" as well.
std::string AnsiFromUtf8AsWindows(std::string_view utf8);

// The bytes of a CP932 file as Windows reads them: a character that has two
// codes (the NEC and IBM extensions repeat some) comes back in the code
// Windows prefers, and a lead byte without a proper second byte, or a code
// that names no character, is read together with the byte after it as one
// "・" (0x81 0x45). Afterwards every lead byte starts a whole character.
std::string WindowsAnsiText(std::string_view bytes);

// CP932 to `charset` (a console's character set). What does not convert
// passes as its bytes, a whole double-byte character at a time; `complete`,
// when given, tells whether everything converted.
std::string ConvertFromAnsi(std::string_view ansi, const char* charset, bool* complete = nullptr);

// The text of an INI file's bytes as Windows' profile calls read it: a file
// that starts with the UTF-16 little-endian byte-order mark is Unicode
// (AnsiFromUtf16 of the rest); anything else is CP932 (WindowsAnsiText). A
// UTF-8 or big-endian UTF-16 byte-order mark is not recognised: its bytes
// are text like any other.
std::string IniTextOf(std::string_view bytes);

// The text of a registry file's bytes (the registry editor's export) in the
// code page: UTF-16 little-endian with its byte-order mark (the editor's
// own form) by AnsiFromUtf16, UTF-8 with its byte-order mark by
// AnsiFromUtf8AsWindows, anything else taken as CP932 as it is.
std::string RegTextOf(std::string_view bytes);
