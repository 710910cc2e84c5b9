// The file-name expression that FindFirstFileA makes of the last component
// of a search path, and the order in which a search returns what it finds.
//
// "*.*" alone matches every name; a "*" before a dot matches up to the
// name's last dot (so "*." finds names without a dot); "?" matches one
// character, or none at a dot or at the end (so "?.txt" also finds ".txt"
// and "a?txt" does not find "a.txt"); a dot before a wildcard also matches
// the end of the name (so "a.*" finds "a"). Trailing dots and blanks of the
// component are dropped first; one that is then empty matches nothing.
// Letters match without regard to ASCII case. Names and components are
// UTF-8 (the host's), one character a sequence.
#pragma once

#include <string>
#include <vector>

class FindPattern {
public:
    // False when the component matches nothing.
    bool Compile(const std::string& component);
    bool Matches(const std::string& name) const;

private:
    enum class Kind { Literal, Star, StarToLastDot, OneOrNone, DotOrEnd };
    struct Token {
        Kind kind;
        std::string character;  // for Literal
    };
    std::vector<Token> tokens_;
};

// The order of the entries a search returns (after a folder's own "." and
// ".."): by their names with ASCII letters upper-cased, then as written.
bool FoundBefore(const std::string& a, const std::string& b);
