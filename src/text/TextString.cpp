// TextString: one owned, NUL-terminated byte string in a heap block of the
// exact size of its content, with its operations on words, items, groups,
// numbers and formats.
//
// Beyond the ranges the program itself uses:
// - After a failed allocation the string holds the empty string: `text_`
//   points at kEmptyText, a static one-byte block that is never released.
//   Allocate, SetText and AppendText still return false. Allocate(0) gives a
//   one-byte block, so that the text is always NUL-terminated.
// - An argument that points into the string's own text (assigning or
//   appending a string to itself, SetText of a pointer into its own text,
//   Reset with its own text) is read from a temporary copy and works.
// - Indices outside the string never reach outside the block:
//   Substring and ReplaceSubstring give "" or change nothing when `from`
//   stays negative, lies past the end (ReplaceSubstring at from ==
//   Length() appends) or when `to` lies below from - 1; a `to` past the end
//   is cut at the end. Span and ReplaceSpan do the same for pointers
//   (ReplaceSpan changes nothing for a `first` outside the text).
// - Words, items and groups: a `from` that stays negative fails, and a `to`
//   that stays negative while `from` is not 0 fails.
// - An empty separator or search text is never found: ItemCount is 1 for a
//   non-empty text, CountOf is 0 and ReplaceAll changes nothing. An empty
//   group token makes GroupCount 0 and FindGroups fail. An empty Trim token
//   strips nothing (the tokens are never found).
// - ReplaceAll whose replacement contains the searched text resumes each
//   search directly after the inserted replacement (every occurrence of the
//   text as it stood is replaced once). Otherwise every search starts again
//   at the beginning of the new text, as the program relies on; when the replacement is
//   not shorter than the searched text such a chain need not end, so it is
//   cut short after a fixed budget of work (far above any text the system
//   formats) and true is returned.
// - FormatV cuts a result longer than 1023 bytes; an output error of the C
//   library gives the empty string.
#include "text/TextString.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "text/Ascii.h"
#include "text/Catalogue.h"
#include "text/Heap.h"

namespace {

// The text of a string whose allocation failed. Never released and never
// written (a failed Allocate is no block to write into).
char kEmptyText[1] = {'\0'};

constexpr size_t kFormatArea = 1024;
// ReplaceAll with restarting searches charges each replacement the length of
// the new text plus a fixed overhead against this budget.
constexpr size_t kReplaceAllBudget = size_t{1} << 26;
constexpr size_t kReplaceAllStepCost = 64;

void FreeBlock(char* block) {
    if (block != nullptr && block != kEmptyText) TextFree(block);
}

// Signed byte distance from `base` to `p`, for pointers that may lie
// outside one another's text.
intptr_t Distance(const char* base, const char* p) {
    return static_cast<intptr_t>(reinterpret_cast<uintptr_t>(p) - reinterpret_cast<uintptr_t>(base));
}

bool EqualFolded(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

// The first occurrence of `token` at or after `p`; an empty token is never
// found.
const char* FindToken(const char* p, const char* token) {
    return *token == '\0' ? nullptr : std::strstr(p, token);
}

// A new string holding at most `maxCount` bytes from `first`, stopping at a
// NUL.
TextString MakeSpan(const char* first, size_t maxCount) {
    size_t n = 0;
    while (n < maxCount && first[n] != '\0') ++n;
    TextString result;
    if (n > 0 && result.Allocate(static_cast<unsigned>(n + 1))) std::memcpy(result.Buffer(), first, n);
    return result;
}

// Applies the index rules shared by words, items and groups to
// `from` and `to`; false when the Find operation fails by them alone.
bool ResolveRange(int count, bool toZeroWhenFromZero, int* from, int* to) {
    if (*from < 0 || *to < 0) {
        if (count == 0) return false;
        if (*from < 0) *from += count;
        if (*to < 0) *to += count;
    }
    if (*from < 0) return false;
    if (*to < 0) {
        if (!toZeroWhenFromZero || *from != 0) return false;
        *to = 0;
    }
    return *from <= *to;
}

// The space that ends the word starting at `start`, or null when the word
// runs to the end of the text. A word starting with a double quote is ended
// only by a space that follows a double quote.
const char* WordEnd(const char* start) {
    const bool quoted = *start == '"';
    for (const char* p = start; *p != '\0'; ++p) {
        if (*p == ' ' && (!quoted || p[-1] == '"')) return p;
    }
    return nullptr;
}

// The group scan. Returns the number of closings that bring the
// depth back to 0. When `from` is not negative, `*first` becomes the opening
// token of top-level group `from` (null when it never starts) and `*last` the
// last character of the closing that ends top-level group `to` (null when
// the scan ends before it).
int ScanGroups(const char* text, const char* open, const char* close, int from, int to,
               const char** first, const char** last) {
    if (from >= 0) *first = *last = nullptr;
    if (*open == '\0' || *close == '\0') return 0;
    const size_t openLength = std::strlen(open);
    const size_t closeLength = std::strlen(close);
    int closed = 0;
    int started = 0;  // top-level groups started so far
    long depth = 0;
    const char* pos = text;
    for (;;) {
        const char* closing = std::strstr(pos, close);
        if (closing == nullptr) break;
        const char* opening = std::strstr(pos, open);
        if (opening != nullptr && opening < closing) {
            if (depth == 0) {
                if (started == from) *first = opening;
                ++started;
            }
            ++depth;
            pos = opening + openLength;
        } else {
            --depth;
            if (depth == 0) {
                ++closed;
                if (from >= 0 && started > to && *first != nullptr) {
                    *last = closing + closeLength - 1;
                    break;
                }
            }
            pos = closing + closeLength;
        }
    }
    return closed;
}

}  // namespace

// ---- Storage, assignment, comparison, substrings ----

TextString::TextString() {
    Init();
    Assign("");
}

TextString::TextString(const char* s) {
    Init();
    Assign(s);
}

TextString::TextString(const TextString& other) {
    Init();
    Assign(other);
}

TextString::~TextString() { FreeBlock(text_); }

void TextString::Init() { text_ = nullptr; }

bool TextString::Allocate(unsigned size) {
    FreeBlock(text_);
    text_ = nullptr;
    const unsigned blockSize = size == 0 ? 1 : size;
    void* block = TextAlloc(blockSize);
    if (block == nullptr) {
        text_ = kEmptyText;
        return false;
    }
    std::memset(block, 0, blockSize);
    text_ = static_cast<char*>(block);
    return true;
}

bool TextString::SetText(const char* s) {
    // A pointer into the own text would be released by Allocate.
    if (text_ != nullptr && text_ != kEmptyText && Distance(text_, s) >= 0 &&
        Distance(text_, s) <= Length()) {
        const TextString copy(s);
        if (copy.text_ == kEmptyText && *s != '\0') {
            FreeBlock(text_);
            text_ = kEmptyText;
            return false;
        }
        return SetText(copy.text_);
    }
    const size_t length = std::strlen(s);
    if (!Allocate(static_cast<unsigned>(length + 1))) return false;
    std::memcpy(text_, s, length + 1);
    return true;
}

bool TextString::AppendText(const char* s) {
    const TextString old(*this);
    if (old.text_ == kEmptyText && Length() != 0) {
        FreeBlock(text_);
        text_ = kEmptyText;
        return false;
    }
    // A pointer into the own text is read from the copy.
    const intptr_t offset = Distance(text_, s);
    if (text_ != kEmptyText && offset >= 0 && offset <= Length()) s = old.text_ + offset;
    const size_t oldLength = std::strlen(old.text_);
    const size_t addLength = std::strlen(s);
    if (!Allocate(static_cast<unsigned>(oldLength + addLength + 1))) return false;
    std::memcpy(text_, old.text_, oldLength);
    std::memcpy(text_ + oldLength, s, addLength + 1);
    return true;
}

const char* TextString::CStr() const { return text_; }

char* TextString::Buffer() { return text_; }

TextString& TextString::Assign(const TextString& other) { return Assign(other.CStr()); }

TextString& TextString::Assign(const char* s) {
    SetText(s);
    return *this;
}

TextString& TextString::Append(const TextString& other) { return Append(other.CStr()); }

TextString& TextString::Append(const char* s) {
    AppendText(s);
    return *this;
}

TextString TextString::Concat(const TextString& other) const { return Concat(other.CStr()); }

TextString TextString::Concat(const char* s) const {
    TextString result(*this);
    result.Append(s);
    return result;
}

bool TextString::EqualsNoCase(const TextString& other) const { return EqualsNoCase(other.CStr()); }

bool TextString::EqualsNoCase(const char* s) const {
    const char* t = text_ != nullptr ? text_ : kEmptyText;
    for (size_t i = 0;; ++i) {
        if (FoldAscii(t[i]) != FoldAscii(s[i])) return false;
        if (t[i] == '\0') return true;
    }
}

bool TextString::DiffersNoCase(const TextString& other) const { return !EqualsNoCase(other); }

bool TextString::DiffersNoCase(const char* s) const { return !EqualsNoCase(s); }

int32_t TextString::Length() const {
    return text_ != nullptr ? static_cast<int32_t>(std::strlen(text_)) : 0;
}

TextString TextString::Span(const char* first, const char* last) const {
    const intptr_t count = Distance(first, last) + 1;
    if (count <= 0) return TextString();
    return MakeSpan(first, static_cast<size_t>(count));
}

void TextString::ReplaceSpan(const char* first, const char* last, const char* repl) {
    const intptr_t length = Length();
    const intptr_t from = Distance(text_, first);
    intptr_t to = Distance(text_, last);
    if (from < 0 || from > length || to < from - 1) return;
    if (to > length - 1) to = length - 1;
    // The head before `first`, `repl`, and the tail after `last`; built in a
    // temporary first because `repl` may point into this text.
    const size_t headLength = static_cast<size_t>(from);
    const size_t tailStart = static_cast<size_t>(to + 1);
    const size_t tailLength = static_cast<size_t>(length) - tailStart;
    const size_t replLength = std::strlen(repl);
    TextString result;
    if (!result.Allocate(static_cast<unsigned>(headLength + replLength + tailLength + 1))) {
        FreeBlock(text_);
        text_ = kEmptyText;
        return;
    }
    std::memcpy(result.text_, text_, headLength);
    std::memcpy(result.text_ + headLength, repl, replLength);
    std::memcpy(result.text_ + headLength + replLength, text_ + tailStart, tailLength);
    Assign(result);
}

TextString TextString::CharAt(int index) const { return Substring(index, index); }

TextString TextString::Substring(int from, int to) const {
    const int length = Length();
    if (from < 0 || to < 0) {
        if (length == 0) return TextString();
        if (from < 0) from += length;
        if (to < 0) to += length;
    }
    if (from < 0 || from > length) return TextString();
    if (to > length - 1) to = length - 1;
    if (to < from - 1) return TextString();
    return MakeSpan(text_ + from, static_cast<size_t>(to - from + 1));
}

void TextString::ReplaceCharAt(int index, const char* repl) { ReplaceSubstring(index, index, repl); }

void TextString::ReplaceSubstring(int from, int to, const char* repl) {
    const int length = Length();
    if (from < 0 || to < 0) {
        if (length == 0) return;
        if (from < 0) from += length;
        if (to < 0) to += length;
    }
    if (from < 0 || from > length) return;
    if (to > length - 1) to = length - 1;
    if (to < from - 1) return;
    ReplaceSpan(text_ + from, text_ + to, repl);
}

// ---- Words ----

int TextString::WordCount() const {
    if (Length() == 0) return 0;
    int count = 1;
    for (const char* end = WordEnd(text_); end != nullptr; end = WordEnd(end + 1)) ++count;
    return count;
}

bool TextString::FindWords(int from, int to, const char** first, const char** last) const {
    if (!ResolveRange(WordCount(), true, &from, &to)) return false;
    const char* const textEnd = text_ + Length();
    const char* word = text_;
    const char* found = nullptr;
    for (int index = 0;; ++index) {
        if (index == from) found = word;
        const char* end = WordEnd(word);
        if (index == to || end == nullptr) {
            if (found == nullptr) return false;
            *first = found;
            *last = index == to && end != nullptr ? end - 1 : textEnd - 1;
            return true;
        }
        word = end + 1;
    }
}

TextString TextString::Word(int index) const { return Words(index, index); }

TextString TextString::Words(int from, int to) const {
    const char* first = nullptr;
    const char* last = nullptr;
    if (!FindWords(from, to, &first, &last)) return TextString();
    return Span(first, last);
}

void TextString::ReplaceWord(int index, const char* repl) { ReplaceWords(index, index, repl); }

void TextString::ReplaceWords(int from, int to, const char* repl) {
    const char* first = nullptr;
    const char* last = nullptr;
    if (FindWords(from, to, &first, &last)) ReplaceSpan(first, last, repl);
}

// ---- Items ----

int TextString::ItemCount(const char* sep) const {
    if (Length() == 0) return 0;
    const size_t sepLength = std::strlen(sep);
    int count = 1;
    for (const char* at = FindToken(text_, sep); at != nullptr; at = FindToken(at + sepLength, sep)) ++count;
    return count;
}

bool TextString::FindItems(int from, int to, const char* sep, const char** first,
                           const char** last) const {
    if (!ResolveRange(ItemCount(sep), true, &from, &to)) return false;
    const size_t sepLength = std::strlen(sep);
    const char* item = text_;
    for (int index = 0; index < from; ++index) {
        const char* at = FindToken(item, sep);
        if (at == nullptr) return false;
        item = at + sepLength;
    }
    *first = item;
    for (int index = from;; ++index) {
        const char* at = FindToken(item, sep);
        if (at == nullptr) {
            *last = text_ + Length() - 1;
            return true;
        }
        if (index == to) {
            *last = at - 1;
            return true;
        }
        item = at + sepLength;
    }
}

TextString TextString::Item(int index, const char* sep) const { return Items(index, index, sep); }

TextString TextString::Items(int from, int to, const char* sep) const {
    const char* first = nullptr;
    const char* last = nullptr;
    if (!FindItems(from, to, sep, &first, &last)) return TextString();
    return Span(first, last);
}

void TextString::ReplaceItem(int index, const char* sep, const char* repl) {
    ReplaceItems(index, index, sep, repl);
}

void TextString::ReplaceItems(int from, int to, const char* sep, const char* repl) {
    const char* first = nullptr;
    const char* last = nullptr;
    if (FindItems(from, to, sep, &first, &last)) ReplaceSpan(first, last, repl);
}

// ---- Groups ----

int TextString::GroupCount(const char* open, const char* close) const {
    return ScanGroups(text_, open, close, -1, -1, nullptr, nullptr);
}

bool TextString::FindGroups(int from, int to, const char* open, const char* close,
                            const char** first, const char** last) const {
    if (!ResolveRange(GroupCount(open, close), false, &from, &to)) return false;
    const char* opening = nullptr;
    const char* closing = nullptr;
    ScanGroups(text_, open, close, from, to, &opening, &closing);
    if (opening == nullptr) return false;
    *first = opening;
    *last = closing != nullptr ? closing : text_ + Length() - 1;
    return true;
}

TextString TextString::Group(int index, const char* open, const char* close) const {
    return Groups(index, index, open, close);
}

TextString TextString::Groups(int from, int to, const char* open, const char* close) const {
    const char* first = nullptr;
    const char* last = nullptr;
    if (!FindGroups(from, to, open, close, &first, &last)) return TextString();
    return Span(first, last);
}

void TextString::ReplaceGroup(int index, const char* open, const char* close, const char* repl) {
    ReplaceGroups(index, index, open, close, repl);
}

void TextString::ReplaceGroups(int from, int to, const char* open, const char* close,
                               const char* repl) {
    const char* first = nullptr;
    const char* last = nullptr;
    if (FindGroups(from, to, open, close, &first, &last)) ReplaceSpan(first, last, repl);
}

// ---- Trimming, formatting, numbers, replacing ----

void TextString::Trim(const char* token) { Trim(token, token); }

void TextString::Trim(const char* lead, const char* trail) {
    const size_t length = static_cast<size_t>(Length());
    const size_t leadLength = std::strlen(lead);
    const size_t trailLength = std::strlen(trail);
    size_t start = 0;
    size_t end = length;  // one past the last character kept
    if (leadLength > 0) {
        while (end - start >= leadLength && EqualFolded(text_ + start, lead, leadLength)) start += leadLength;
    }
    if (trailLength > 0) {
        while (end - start >= trailLength && EqualFolded(text_ + end - trailLength, trail, trailLength)) {
            end -= trailLength;
        }
    }
    if (start == 0 && end == length) return;
    Assign(MakeSpan(text_ + start, end - start));
}

void TextString::FormatV(const char* format, va_list args) {
    char area[kFormatArea];
    area[0] = '\0';
    if (std::vsnprintf(area, sizeof area, format, args) < 0) area[0] = '\0';
    area[sizeof area - 1] = '\0';
    Assign(area);
}

void TextString::FormatMessageId(unsigned id, ...) {
    char area[kCatalogueTextArea];
    LoadCatalogueText(id, area, kCatalogueTextArea);
    va_list args;
    va_start(args, id);
    FormatV(area, args);
    va_end(args);
}

void TextString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

int TextString::ToInt() const {
    int value = 0;
    if (std::sscanf(text_, "%d", &value) != 1) return 0;
    return value;
}

int TextString::ToHex() const {
    unsigned value = 0;
    if (std::sscanf(text_, "0x%x", &value) != 1) return 0;
    return static_cast<int>(value);
}

void TextString::Compact() {
    const TextString copy(*this);
    Assign(copy);
}

void TextString::Reset(const char* s) {
    const intptr_t offset = Distance(text_, s);
    if (text_ != kEmptyText && offset >= 0 && offset <= Length()) {
        // `s` lies in the text that is about to be emptied.
        const TextString copy(s);
        Reset(copy.CStr());
        return;
    }
    if (Length() != 0) Assign("");
    if (*s != '\0') Append(s);
}

bool TextString::ReplaceAll(const char* find, const char* repl) {
    const char* at = FindToken(text_, find);
    if (at == nullptr) return false;
    const size_t findLength = std::strlen(find);
    const size_t replLength = std::strlen(repl);
    // A replacement that holds the searched text would be found again
    // forever: then the search goes on after the inserted replacement.
    const bool restart = FindToken(repl, find) == nullptr;
    const bool mayNotEnd = restart && replLength >= findLength;
    size_t budget = kReplaceAllBudget;
    for (;;) {
        const size_t offset = static_cast<size_t>(at - text_);
        ReplaceSpan(at, at + findLength - 1, repl);
        const size_t length = static_cast<size_t>(Length());
        if (mayNotEnd) {
            const size_t cost = length + kReplaceAllStepCost;
            if (cost >= budget) break;
            budget -= cost;
        }
        size_t resume = offset + replLength;
        if (restart) {
            // A search from the beginning finds nothing that starts before
            // offset - findLength + 1: that text did not change and held no
            // occurrence.
            resume = offset + 1 > findLength ? offset + 1 - findLength : 0;
        }
        if (resume > length) break;  // the heap ran out and the text is empty
        at = FindToken(text_ + resume, find);
        if (at == nullptr) break;
    }
    return true;
}

int TextString::CountOf(const char* find) const {
    const size_t findLength = std::strlen(find);
    int count = 0;
    for (const char* at = FindToken(text_, find); at != nullptr; at = FindToken(at + findLength, find)) ++count;
    return count;
}
