// The arguments a Windows program finds in the parameter text of its
// command line.
#pragma once

#include <string>
#include <vector>

// Splits `parameters` the way the Microsoft C runtime splits the command
// line after the program name, so that a program started by the host
// edition sees the same arguments as on Windows:
//
// - blanks (space, tab) separate arguments; a run of blanks is one gap;
// - double quotes group blanks into an argument and are removed; a quoted
//   part may sit inside an argument (a"b c"d is ab cd);
// - inside quotes, two double quotes give one literal double quote and the
//   quoted part goes on;
// - 2n backslashes before a double quote give n backslashes and the quote
//   groups; 2n+1 give n backslashes and a literal double quote;
// - backslashes anywhere else are literal;
// - text that ends inside quotes ends the last argument;
// - a CP932 double-byte character is copied whole, so a second byte 0x5C
//   or 0x22 is neither a backslash nor a quote.
std::vector<std::string> SplitArguments(const char* parameters);
