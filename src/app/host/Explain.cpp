// English lines under the boxes of the host edition.
#include "app/host/Explain.h"

#include <cstdlib>
#include <cstring>

namespace {

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

std::string Quoted(const std::vector<std::string>& arguments, size_t index) {
    return "\"" + (index < arguments.size() ? arguments[index] : std::string()) + "\"";
}

// "[SECTION] KEY" or "[SECTION]".
std::string Named(const std::string& section, const std::string& key) {
    std::string named = "[" + section + "]";
    if (!key.empty()) named += " " + key;
    return named;
}

// The number an ISABORT item reads as: its leading decimal digits, 0 when
// there are none.
long AbortItem(const std::string& rule, int index) {
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = rule.find(',', start);
        if (start == std::string::npos) return 0;
        ++start;
    }
    while (start < rule.size() && rule[start] == ' ') ++start;
    return std::strtol(rule.c_str() + start, nullptr, 10);
}

std::string Sentence(unsigned id, const std::vector<std::string>& arguments, const MessagePlace& place) {
    const std::string& section = place.section;
    switch (id) {
        case 1:
            return "The script " + Quoted(arguments, 0) +
                   " is missing: the program reads the INI file beside it that has its own name with the "
                   "extension ini.";
        case 2:
            if (!place.sectionExists && !place.listSection.empty()) {
                return "There is no section [" + section + "], which " + Named(place.listSection, place.listKey) +
                       " names as a procedure (or its name is misspelt there).";
            }
            if (!place.sectionExists) return "There is no section [" + section + "].";
            if (place.keyExists) {
                return "Key " + place.key + " of [" + section + "] is NO_DATA, which counts as a missing key.";
            }
            if (section == "UPDATER") {
                return "Section [UPDATER] has no key " + place.key + ": every script needs NAME and PROC there.";
            }
            return "Section [" + section + "] has no key " + place.key + ", which its MODE requires (even empty).";
        case 3:
            if (arguments.size() == 1 && arguments[0] == "ProcListArray") {
                return "Lists nest more than 64 deep: SWITCH " + Named(section, place.key) +
                       " keeps choosing a list that runs a SWITCH again.";
            }
            return "Memory ran out for " + Quoted(arguments, 0) + ".";
        case 4:
            return "Key " + place.key + " of [" + section + "] lists no item; it needs at least one.";
        case 6:
            if (place.key == "MODE") {
                return "MODE " + Quoted(arguments, 0) + " of [" + section +
                       "] is no mode: use EXIST, DATE, SWITCH, MSGBOX, COPY, LAUNCH, DELETE, LINK, OSVER, MAKEDIR "
                       "or ATTR.";
            }
            if (place.key == "TYPE") {
                return "TYPE " + Quoted(arguments, 0) + " of [" + section +
                       "] is no box type: use ERROR, INFORMATION, WARNING or QUESTION.";
            }
            if (place.key == "FLAG") {
                return "FLAG " + Quoted(arguments, 0) + " of [" + section +
                       "] names no procedure of the list that holds [" + section + "].";
            }
            if (place.key == "PROC") {
                return "PROC " + Quoted(arguments, 0) + " of SWITCH [" + section +
                       "] names no procedure of the list that holds [" + section + "].";
            }
            return "The word " + Quoted(arguments, 0) + " is not valid here.";
        case 8:
            return "COPY [" + section + "] could not copy " + Quoted(arguments, 0) + " to " + Quoted(arguments, 1) +
                   ".";
        case 9:
            return "LAUNCH [" + section + "] could not start " + Quoted(arguments, 0) + " with the parameters " +
                   Quoted(arguments, 1) + ".";
        case 10:
            return "DELETE [" + section + "] could not delete " + Quoted(arguments, 0) + ".";
        case 11:
            return "A list of procedures is empty.";
        case 12:
            return "ATTR [" + section + "] could not set the attributes 0x" +
                   (arguments.size() > 1 ? arguments[1] : std::string()) + " on " + Quoted(arguments, 0) + ".";
        case 13:
            return "MAKEDIR [" + section + "] could not make the folder " + Quoted(arguments, 0) + ".";
        default:
            return "Message " + std::to_string(id) + ".";
    }
}

}  // namespace

bool EnglishWanted(bool explainOption) {
    const char* chosen = std::getenv("NEMURIA_LANG");
    if (chosen != nullptr && chosen[0] != '\0') return std::strcmp(chosen, "en") == 0 || StartsWith(chosen, "en_");
    if (!explainOption) return false;
    std::string locale = "C";
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            locale = value;
            break;
        }
    }
    return StartsWith(locale, "en") || locale == "C" || StartsWith(locale, "C.") || locale == "POSIX";
}

std::vector<std::string> MessageArguments(const std::string& format, const std::string& text) {
    // The format taken apart into its literal pieces and placeholders.
    std::vector<std::string> literals(1);
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && format.compare(i, 2, "%s") == 0) {
            literals.emplace_back();
            i += 1;
        } else if (format[i] == '%' && format.compare(i, 4, "%08X") == 0) {
            literals.emplace_back();
            i += 3;
        } else {
            literals.back() += format[i];
        }
    }
    std::vector<std::string> arguments;
    if (text.compare(0, literals[0].size(), literals[0]) != 0) return {};
    size_t at = literals[0].size();
    for (size_t piece = 1; piece < literals.size(); ++piece) {
        const std::string& after = literals[piece];
        // The last argument runs to the literal that ends the text; the
        // others to the first place where the next literal follows.
        const size_t end = piece + 1 == literals.size() ? (text.size() >= at + after.size() ? text.size() - after.size()
                                                                                           : std::string::npos)
                                                        : text.find(after, at);
        if (end == std::string::npos || end < at || text.compare(end, after.size(), after) != 0) return {};
        arguments.push_back(text.substr(at, end - at));
        at = end + after.size();
    }
    return at == text.size() ? arguments : std::vector<std::string>{};
}

std::string EnglishForMessage(unsigned id, const std::vector<std::string>& arguments, const MessagePlace& place) {
    std::string line = "In English: " + Sentence(id, arguments, place);
    if (!place.failure.empty()) line += " The host said: " + place.failure + ".";
    std::string named;
    if (!place.section.empty()) named = "section [" + place.section + "]";
    if (!place.key.empty() && id != 3) named += (named.empty() ? "" : ", ") + std::string("key ") + place.key;
    if (!place.where.empty()) named += (named.empty() ? "" : ", ") + place.where;
    if (!named.empty()) line += " (" + named + ")";
    return line;
}

std::string EnglishForBox(const std::string& section, bool yesNo, const std::string& abortRule,
                          const std::string& where) {
    std::string line = "In English: a box of [" + section + "]";
    if (!where.empty()) line += " (" + where + ")";
    line += ": ";
    line += yesNo ? "Yes" : "OK";
    line += " sets the flag of [" + section + "] to 1";
    if (AbortItem(abortRule, 0) != 0) line += " and ends the run";
    if (yesNo) {
        line += "; No leaves it 0";
        if (AbortItem(abortRule, 1) != 0) line += " and ends the run";
    }
    return line + ".";
}
