// What the parts of the checker share.
#include "check/Support.h"

#include <algorithm>

#include "platform/CheckerIo.h"
#include "text/Ascii.h"
#include "winlike/CodePage.h"

namespace {

std::string WithoutSpaces(const std::string& name) {
    const size_t begin = name.find_first_not_of(' ');
    if (begin == std::string::npos) return std::string();
    return name.substr(begin, name.find_last_not_of(' ') - begin + 1);
}

std::string FoldLetters(const std::string& word) {
    std::string folded = word;
    for (char& c : folded) c = FoldAscii(c);
    return folded;
}

// The edit distance of two words with a swap of neighbours counting as one
// edit (the optimal string alignment distance).
size_t Distance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

const IniSection* ScriptView::Section(const std::string& name) const {
    return ini_.FindSection(WithoutSpaces(name));
}

const IniLine* ScriptView::Key(const std::string& section, const std::string& key) const {
    const IniSection* found = Section(section);
    return found != nullptr ? IniFile::FindKey(*found, WithoutSpaces(key)) : nullptr;
}

unsigned ScriptView::SectionLine(const std::string& section) const {
    const IniSection* found = Section(section);
    return found != nullptr ? found->line : 0;
}

unsigned ScriptView::KeyLine(const std::string& section, const std::string& key) const {
    const IniLine* found = Key(section, key);
    return found != nullptr ? found->line : 0;
}

bool ScriptView::FullValue(const std::string& section, const std::string& key, std::string& value) const {
    const IniLine* found = Key(section, key);
    if (found == nullptr) return false;
    value = found->value;
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
    }
    return true;
}

std::string FoldName(const std::string& name) {
    std::string folded = name;
    for (size_t i = 0; i < folded.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(folded[i])) && i + 1 < folded.size()) {
            ++i;
            continue;
        }
        folded[i] = UpperAscii(folded[i]);
    }
    return folded;
}

std::string Str(const TextString& text) { return text.CStr() != nullptr ? std::string(text.CStr()) : std::string(); }

std::string Utf8(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return Utf8FromCodePage(text);
    }
    return text;
}

size_t CharacterCount(const std::string& text) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++i, ++count) {
        if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ++i;
    }
    return count;
}

std::string Nearest(const std::string& word, const std::vector<std::string>& candidates) {
    const std::string folded = FoldLetters(word);
    std::string best;
    size_t bestDistance = 0;
    for (const std::string& candidate : candidates) {
        const std::string other = FoldLetters(candidate);
        if (other == folded || other.empty()) continue;
        const size_t distance = Distance(folded, other);
        // Near enough: one edit in a short word, a third of a longer one,
        // and fewer edits than the shorter word has letters.
        const size_t allowed = std::max<size_t>(1, std::max(folded.size(), other.size()) / 3);
        if (distance > allowed || distance >= std::min(folded.size(), other.size())) continue;
        if (best.empty() || distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

Finding MakeFinding(const char* ruleId, const char* message, const std::vector<std::string>& args,
                    unsigned line, const std::string& section, const std::string& key) {
    Finding finding;
    finding.rule = FindRule(ruleId);
    finding.severity = finding.rule != nullptr ? finding.rule->severity : Severity::kWarning;
    finding.message = message != nullptr ? message : ruleId;
    for (const std::string& arg : args) finding.args.push_back(Utf8(arg));
    finding.line = line;
    finding.section = Utf8(section);
    finding.key = Utf8(key);
    return finding;
}
