// English lines under the boxes of the host edition: what a catalogue
// message says, where in the script it comes from, and what a box of the
// script's own does with each answer. Texts are in the program's code page
// (the names and paths they quote come from the script).
#pragma once

#include <string>
#include <vector>

// Whether boxes get their English line: NEMURIA_LANG decides when it is set
// ("en" on, any other value off); otherwise `explainOption` (--explain) with
// an English locale (LC_ALL, LC_MESSAGES or LANG, the first that is set:
// en_*, C or POSIX; none set counts as C).
bool EnglishWanted(bool explainOption);

// The arguments a catalogue text `format` (with %s and %08X) was filled
// with to give `text`; empty when the text does not follow the format.
std::vector<std::string> MessageArguments(const std::string& format, const std::string& text);

// Where a message comes from, as far as the run knows it.
struct MessagePlace {
    std::string section;      // empty: none
    std::string key;          // the key or the kind of word; empty: none
    bool sectionExists = false;
    bool keyExists = false;   // the key is written (a NO_DATA value reads as missing)
    std::string listSection;  // message 2 for a missing section: the list naming it
    std::string listKey;
    std::string where;        // "updater.ini line 12", or empty
    std::string failure;      // why the host refused, or empty
};

// The English line for catalogue message `id` shown with `arguments`.
std::string EnglishForMessage(unsigned id, const std::vector<std::string>& arguments, const MessagePlace& place);

// The English line for a box of MSGBOX procedure `section`: what its answers
// do by `abortRule` (the ISABORT value). `yesNo` for a Yes/No box.
std::string EnglishForBox(const std::string& section, bool yesNo, const std::string& abortRule,
                          const std::string& where);
