// The rules of the script checker and the texts of its findings, in
// English and Japanese.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

enum class Severity { kError, kWarning };
enum class Language { kEnglish, kJapanese };

struct Rule {
    const char* id;         // the rule's name, as reports show it
    const char* name;       // the same in the form of an identifier (SARIF)
    Severity severity;      // its usual severity
    const char* summaryEn;  // one line on what it finds
    const char* summaryJa;
};

// Every rule, errors first.
const std::vector<Rule>& AllRules();
// The rule of that name; null for none.
const Rule* FindRule(const std::string& id);
// Its position in AllRules().
size_t RuleIndex(const Rule& rule);

// The text of message `key` (a rule's name, or a variant of it) in
// `language`, its placeholders {0}, {1}, ... replaced by `args` (UTF-8).
std::string MessageText(const std::string& key, const std::vector<std::string>& args, Language language);

// A text of the program's own (suggestions, where a run stops, summaries)
// by key, with its placeholders filled as MessageText fills them.
std::string UiText(const std::string& key, Language language, const std::vector<std::string>& args = {});
