// File search on the host, answering as FindFirstFileA does on Windows.
//
// The pattern's last component is turned into Windows' file-name expression
// the way FindFirstFileA prepares it: "*.*" alone matches every name; a "*"
// before a dot matches up to the name's last dot (so "*." finds names
// without a dot); "?" matches one character, or none at a dot or at the end
// (so "?.txt" also finds ".txt" and "a?txt" does not find "a.txt"); a dot
// before a wildcard also matches the end of the name (so "a.*" finds "a").
// Names are compared without regard to ASCII case. A folder's own entries
// "." and ".." come first, except in the root of a drive; the other
// entries follow in the order of their upper-cased names.
//
// The whole answer is collected when the search begins, so no folder stays
// open between calls and changes made during the search do not disturb it.
#include "platform/FileSearch.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/posix/FileModes.h"
#include "platform/posix/HostPath.h"
#include "winlike/Conversion.h"

namespace {

const uint32_t kAttrHidden = 0x2;
const uint32_t kAttrArchive = 0x20;
const size_t kMaxNameBytes = sizeof(FoundEntry::name) - 1;

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// One character of a UTF-8 text: a lead byte and its continuation bytes. A
// byte that starts no valid sequence is a character of its own.
size_t CharacterLength(const std::string& text, size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t length = 1;
    if (lead >= 0xC0 && lead < 0xE0) length = 2;
    else if (lead >= 0xE0 && lead < 0xF0) length = 3;
    else if (lead >= 0xF0 && lead < 0xF8) length = 4;
    if (at + length > text.size()) return 1;
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

std::vector<std::string> Characters(const std::string& text) {
    std::vector<std::string> characters;
    for (size_t at = 0; at < text.size();) {
        const size_t length = CharacterLength(text, at);
        characters.push_back(text.substr(at, length));
        at += length;
    }
    return characters;
}

bool SameCharacter(const std::string& a, const std::string& b) {
    if (a.size() == 1 && b.size() == 1) return UpperAscii(a[0]) == UpperAscii(b[0]);
    return a == b;
}

enum class Kind { Literal, Star, StarToLastDot, OneOrNone, DotOrEnd };

struct Token {
    Kind kind;
    std::string character;  // for Literal
};

// The expression of a last component, or false when it matches nothing.
bool CompilePattern(const std::string& written, std::vector<Token>& tokens) {
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
            const size_t length = CharacterLength(name, at);
            tokens.push_back({Kind::Literal, name.substr(at, length)});
            at += length;
            continue;
        }
        ++at;
    }
    return true;
}

// Whether `name` matches the expression; matched[t][c] tells whether tokens
// from t on match characters from c on.
bool Matches(const std::vector<Token>& tokens, const std::string& name) {
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

std::string UpperName(const std::string& name) {
    std::string upper = name;
    for (char& c : upper) c = UpperAscii(c);
    return upper;
}

uint32_t AttributesOf(const struct stat& info, const std::string& name) {
    uint32_t attributes = S_ISDIR(info.st_mode) ? kAttrDirectory : kAttrArchive;
    if (IsReadOnlyMode(info.st_mode)) attributes |= kAttrReadOnly;
    if (name[0] == '.' && name != "." && name != "..") attributes |= kAttrHidden;
    return attributes;
}

// Collects at most `limit` entries that `pattern` finds.
void Collect(const char* pattern, size_t limit, std::vector<FoundEntry>& found) {
    HostSearchPath search;
    std::vector<Token> tokens;
    if (!ToHostSearchPath(pattern, search) || !CompilePattern(search.name, tokens)) return;
    std::vector<std::string> names;
    if (!ReadFolderNames(search.folder, names)) return;

    names.erase(std::remove_if(names.begin(), names.end(),
                               [&](const std::string& name) { return !Matches(tokens, name); }),
                names.end());
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string upperA = UpperName(a);
        const std::string upperB = UpperName(b);
        return upperA != upperB ? upperA < upperB : a < b;
    });
    if (!search.driveRoot) {
        for (const char* own : {"..", "."}) {
            if (Matches(tokens, own)) names.insert(names.begin(), own);
        }
    }

    for (const std::string& name : names) {
        if (found.size() >= limit) break;
        struct stat info;
        // A link whose target is gone is not found, as on Wine.
        if (stat(JoinHostPath(search.folder, name).c_str(), &info) != 0) continue;
        const std::string windowsName = AnsiFromUtf8(name);
        // A longer name does not fit the entry; a cut name would name
        // another file, so it is left out.
        if (windowsName.size() > kMaxNameBytes) continue;
        FoundEntry entry;
        entry.attributes = AttributesOf(info, name);
        std::memset(entry.name, 0, sizeof entry.name);
        std::memcpy(entry.name, windowsName.data(), windowsName.size());
        found.push_back(entry);
    }
}

}  // namespace

struct FileSearch::State {
    std::vector<FoundEntry> entries;
    size_t next = 0;
};

bool FileExists(const char* path) {
    std::vector<FoundEntry> found;
    Collect(path, 1, found);
    return !found.empty();
}

FileSearch::FileSearch() : state_(nullptr) {}

FileSearch::~FileSearch() { Close(); }

bool FileSearch::First(const char* pattern, FoundEntry& entry) {
    Close();
    std::vector<FoundEntry> found;
    Collect(pattern, static_cast<size_t>(-1), found);
    if (found.empty()) return false;
    state_ = new (std::nothrow) State;
    if (state_ == nullptr) return false;
    state_->entries.swap(found);
    return Next(entry);
}

bool FileSearch::Next(FoundEntry& entry) {
    if (state_ == nullptr || state_->next >= state_->entries.size()) return false;
    entry = state_->entries[state_->next++];
    return true;
}

void FileSearch::Close() {
    delete state_;
    state_ = nullptr;
}
