// What the parts of the checker share: the script's text with the line of
// every section and key, names compared as Windows compares them, the
// nearest known name, and the making of findings.
#pragma once

#include <string>
#include <vector>

#include "check/Checker.h"
#include "text/TextString.h"
#include "winlike/IniFile.h"

// The script as the profile calls read it, with lines.
class ScriptView {
public:
    explicit ScriptView(std::string text) : ini_(std::move(text)) {}

    const IniFile& Ini() const { return ini_; }
    // The section a read of `name` finds (spaces around the name do not
    // count); null for none.
    const IniSection* Section(const std::string& name) const;
    // The entry a read of `key` in `section` finds; null for none.
    const IniLine* Key(const std::string& section, const std::string& key) const;
    // The line of the header of `section`, of the entry of `key`; 0 for none.
    unsigned SectionLine(const std::string& section) const;
    unsigned KeyLine(const std::string& section, const std::string& key) const;
    // The whole value of `key` as written, without the quotes a read
    // removes; false for a missing key.
    bool FullValue(const std::string& section, const std::string& key, std::string& value) const;

private:
    IniFile ini_;
};

// A name with its ASCII letters in upper case, the bytes of double-byte
// characters as they are: two names are the same section or key when
// their folded forms are equal.
std::string FoldName(const std::string& name);

// The text of a TextString (empty when it holds none).
std::string Str(const TextString& text);

// Code-page text as UTF-8, for findings.
std::string Utf8(const std::string& text);

// The number of characters of code-page text, a double-byte character
// counting once.
size_t CharacterCount(const std::string& text);

// Of `candidates`, the one nearest to `word` when it is near enough to be
// a misspelling of it (letters compared without regard to case); empty
// when none is. A candidate equal to `word` is never suggested.
std::string Nearest(const std::string& word, const std::vector<std::string>& candidates);

// A finding of `ruleId` with the text `message` (the rule's own when
// empty); `args`, `section` and `key` are code-page text, made UTF-8 here.
Finding MakeFinding(const char* ruleId, const char* message, const std::vector<std::string>& args,
                    unsigned line, const std::string& section = std::string(),
                    const std::string& key = std::string());
