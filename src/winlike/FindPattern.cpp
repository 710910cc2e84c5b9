// The file-name expression of FindFirstFileA, and the order of its answers.
#include "winlike/FindPattern.h"

#include "winlike/CodePage.h"

namespace {

std::vector<std::string> Characters(const std::string& text) {
    std::vector<std::string> characters;
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8SequenceLength(text, at);
        characters.push_back(text.substr(at, length));
        at += length;
    }
    return characters;
}

bool SameCharacter(const std::string& a, const std::string& b) {
    if (a.size() == 1 && b.size() == 1) return UpperAscii(a[0]) == UpperAscii(b[0]);
    return a == b;
}

}  // namespace

bool FindPattern::Compile(const std::string& written) {
    std::vector<Token>& tokens = tokens_;
    tokens.clear();
    std::string name = written;
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    if (name.empty()) return false;
    if (name == "*.*") {
        tokens.push_back({Kind::Star, std::string()});
        return true;
    }
    for (size_t at = 0; at < name.size();) {
        // The character after this one, looked up in the text as written:
        // a dot that trimming removed still makes "*." what it is.
        const char next = at + 1 < written.size() ? written[at + 1] : '\0';
        const char c = name[at];
        if (c == '*') {
            tokens.push_back({next == '.' ? Kind::StarToLastDot : Kind::Star, std::string()});
        } else if (c == '?') {
            tokens.push_back({Kind::OneOrNone, std::string()});
        } else if (c == '.' && (next == '*' || next == '?')) {
            tokens.push_back({Kind::DotOrEnd, std::string()});
        } else {
            const size_t length = Utf8SequenceLength(name, at);
            tokens.push_back({Kind::Literal, name.substr(at, length)});
            at += length;
            continue;
        }
        ++at;
    }
    return true;
}

// matched[t][c] tells whether tokens from t on match characters from c on.
bool FindPattern::Matches(const std::string& name) const {
    const std::vector<Token>& tokens = tokens_;
    const std::vector<std::string> chars = Characters(name);
    const size_t count = chars.size();
    size_t lastDot = count;
    for (size_t i = 0; i < count; ++i) {
        if (chars[i] == ".") lastDot = i;
    }
    const size_t width = count + 1;
    std::vector<char> matched((tokens.size() + 1) * width, 0);
    auto at = [&](size_t t, size_t c) -> char& { return matched[t * width + c]; };
    at(tokens.size(), count) = 1;
    for (size_t t = tokens.size(); t-- > 0;) {
        for (size_t c = count + 1; c-- > 0;) {
            const bool end = c == count;
            const bool dot = !end && chars[c] == ".";
            bool result = false;
            switch (tokens[t].kind) {
            case Kind::Literal:
                result = !end && SameCharacter(tokens[t].character, chars[c]) && at(t + 1, c + 1);
                break;
            case Kind::Star:
                result = at(t + 1, c) || (!end && at(t, c + 1));
                break;
            case Kind::StarToLastDot:
                result = at(t + 1, c) || (!end && c != lastDot && at(t, c + 1));
                break;
            case Kind::OneOrNone:
                result = (end || dot) ? at(t + 1, c) : at(t + 1, c + 1);
                break;
            case Kind::DotOrEnd:
                result = end ? at(t + 1, c) : (dot && at(t + 1, c + 1));
                break;
            }
            at(t, c) = result ? 1 : 0;
        }
    }
    return at(0, 0) != 0;
}

namespace {

std::string UpperName(const std::string& name) {
    std::string upper = name;
    for (char& c : upper) c = UpperAscii(c);
    return upper;
}

}  // namespace

bool FoundBefore(const std::string& a, const std::string& b) {
    const std::string upperA = UpperName(a);
    const std::string upperB = UpperName(b);
    return upperA != upperB ? upperA < upperB : a < b;
}

