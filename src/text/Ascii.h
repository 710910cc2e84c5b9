// The one letter folding of the program: only the ASCII letters A to Z
// change case, whatever the code page; every other byte stays as it is
// (the second byte of a double-byte character included, where a caller
// does not step over it). No locale is consulted.
#pragma once

// 'A' to 'Z' as 'a' to 'z'.
inline char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// 'a' to 'z' as 'A' to 'Z' (drive letters, and the order of names, which
// Windows sorts upper-cased).
inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
