// TextString under a byte-coded sequence of operations.
//
// Four strings are worked on; each step of the input is an operation byte
// followed by its operands (string numbers, indices, short texts). Besides
// the sanitizers watching every block, each step checks:
// - CStr() is never null and Length() is strlen(CStr());
// - a stretch (Words, Items, Groups) is the text between the pointers its
//   Find operation gives, and those pointers lie in the text;
// - a replacement keeps the text before and after the stretch it replaces
//   and puts the replacement between them; a failed Find changes nothing;
// - counts agree with one another (ItemCount and CountOf);
// - Trim leaves a piece of the text, ReplaceAll leaves no occurrence when
//   its replacement is shorter and does not hold the searched text;
// - formats (only fixed, safe ones) give what snprintf gives, cut at 1023
//   bytes.
// An operation may also make the heap run out after a number of
// allocations; the strings must stay usable.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "text/Heap.h"
#include "text/TextString.h"

namespace {

const int kStrings = 4;
// A string longer than this is emptied again, so that repeated appends do
// not make every step slow.
const int kLongest = 1 << 14;

// Separators, tokens and search texts: mostly the ones the program uses.
const char* const kTokens[] = {",", "\\", ".", "=", "\n", "<", ">", "{", "}", " ", "\"",
                               "%n", "%t", "\\..", "ab", "/", ";", "..", "\x81\x5C"};
const char* const kOpenClose[][2] = {{"<", ">"}, {"{", "}"}, {"(", ")"}, {"<<", ">>"}, {"[", "]]"}};

// False while the heap is made to run out: results then need not be whole,
// and only the checks that hold for any content are made.
bool exact = true;

// A check of a result's content, made only while the heap is not limited.
#define FUZZ_EXPECT(condition, what) FUZZ_CHECK(!exact || (condition), what)

void CheckString(const TextString& s) {
    const char* text = s.CStr();
    FUZZ_CHECK(text != nullptr, "CStr() is never null");
    FUZZ_CHECK(static_cast<size_t>(s.Length()) == std::strlen(text), "Length() is strlen(CStr())");
}

// A token from the table or from the input (possibly empty).
std::string Token(InputReader& in) {
    const uint8_t pick = in.Byte();
    if (pick < 200) return kTokens[pick % (sizeof kTokens / sizeof kTokens[0])];
    return in.Text(4);
}

// Checks the pointers of a successful Find against the text they point into.
void CheckStretch(const TextString& s, const char* first, const char* last) {
    const char* text = s.CStr();
    const char* end = text + s.Length();
    FUZZ_CHECK(first >= text && first <= end, "a stretch starts in the text");
    FUZZ_CHECK(last >= first - 1 && last < end, "a stretch ends in the text");
}

// The text a replacement of [first, last] by `repl` should leave.
std::string Replaced(const TextString& s, const char* first, const char* last, const std::string& repl) {
    const std::string text = s.CStr();
    const size_t head = static_cast<size_t>(first - s.CStr());
    const size_t tail = static_cast<size_t>(last - s.CStr()) + 1;
    return text.substr(0, head) + repl + text.substr(tail);
}

enum class Family { kWords, kItems, kGroups };

struct Unit {
    Family family;
    std::string sep;
    std::string open;
    std::string close;
};

bool Find(const TextString& s, const Unit& unit, int from, int to, const char** first, const char** last) {
    switch (unit.family) {
        case Family::kWords: return s.FindWords(from, to, first, last);
        case Family::kItems: return s.FindItems(from, to, unit.sep.c_str(), first, last);
        case Family::kGroups:
            return s.FindGroups(from, to, unit.open.c_str(), unit.close.c_str(), first, last);
    }
    return false;
}

TextString Stretch(const TextString& s, const Unit& unit, int from, int to) {
    switch (unit.family) {
        case Family::kWords: return from == to ? s.Word(from) : s.Words(from, to);
        case Family::kItems: return from == to ? s.Item(from, unit.sep.c_str()) : s.Items(from, to, unit.sep.c_str());
        case Family::kGroups:
            return from == to ? s.Group(from, unit.open.c_str(), unit.close.c_str())
                              : s.Groups(from, to, unit.open.c_str(), unit.close.c_str());
    }
    return TextString();
}

void Replace(TextString& s, const Unit& unit, int from, int to, const char* repl) {
    switch (unit.family) {
        case Family::kWords:
            if (from == to) s.ReplaceWord(from, repl); else s.ReplaceWords(from, to, repl);
            return;
        case Family::kItems:
            if (from == to) s.ReplaceItem(from, unit.sep.c_str(), repl);
            else s.ReplaceItems(from, to, unit.sep.c_str(), repl);
            return;
        case Family::kGroups:
            if (from == to) s.ReplaceGroup(from, unit.open.c_str(), unit.close.c_str(), repl);
            else s.ReplaceGroups(from, to, unit.open.c_str(), unit.close.c_str(), repl);
            return;
    }
}

Unit ReadUnit(InputReader& in) {
    Unit unit{};
    const uint8_t kind = in.Byte();
    unit.family = static_cast<Family>(kind % 3);
    if (unit.family == Family::kItems) unit.sep = Token(in);
    if (unit.family == Family::kGroups) {
        const uint8_t pick = in.Byte();
        if (pick < 220) {
            const auto& pair = kOpenClose[pick % (sizeof kOpenClose / sizeof kOpenClose[0])];
            unit.open = pair[0];
            unit.close = pair[1];
        } else {
            unit.open = in.Text(3);
            unit.close = in.Text(3);
        }
    }
    return unit;
}

// Words, items or groups: count, find, stretch and replacement together.
void UnitStep(TextString& s, InputReader& in, bool replace) {
    const Unit unit = ReadUnit(in);
    const int from = in.Index();
    const int to = in.Byte() & 1 ? from : in.Index();
    int count = 0;
    switch (unit.family) {
        case Family::kWords: count = s.WordCount(); break;
        case Family::kItems: count = s.ItemCount(unit.sep.c_str()); break;
        case Family::kGroups: count = s.GroupCount(unit.open.c_str(), unit.close.c_str()); break;
    }
    FUZZ_CHECK(count >= 0 && count <= s.Length() + 1, "a count stays within the text");

    const char* first = nullptr;
    const char* last = nullptr;
    const bool found = Find(s, unit, from, to, &first, &last);
    if (found) CheckStretch(s, first, last);
    const std::string before = s.CStr();

    if (!replace) {
        const TextString stretch = Stretch(s, unit, from, to);
        CheckString(stretch);
        const std::string expected = found ? std::string(first, static_cast<size_t>(last - first + 1)) : "";
        FUZZ_EXPECT(expected == stretch.CStr(), "a stretch is the text between its Find pointers");
        FUZZ_EXPECT(before == s.CStr(), "taking a stretch leaves the string alone");
        return;
    }

    // The replacement may be a piece of the string's own text.
    std::string repl;
    const bool own = (in.Byte() & 3) == 0 && s.Length() > 0;
    const char* replText;
    if (own) {
        const int offset = in.Byte() % s.Length();
        repl = s.CStr() + offset;
        replText = s.CStr() + offset;
    } else {
        repl = in.Text();
        replText = repl.c_str();
    }
    const std::string expected = found ? Replaced(s, first, last, repl) : before;
    Replace(s, unit, from, to, replText);
    FUZZ_EXPECT(expected == s.CStr(), "a replacement keeps the text around its stretch");
}

// Substring, CharAt, ReplaceSubstring and ReplaceCharAt with any indices.
void IndexStep(TextString& s, InputReader& in, bool replace) {
    const uint8_t form = in.Byte();
    // Mostly small indices, sometimes extreme ones.
    auto index = [&in, &form](int shift) {
        if ((form >> shift) & 8) {
            const uint8_t pick = in.Byte();
            const int extremes[] = {INT32_MIN, INT32_MIN + 1, -100000, 100000, INT32_MAX - 1, INT32_MAX};
            return extremes[pick % 6];
        }
        return in.Index();
    };
    const int from = index(0);
    const int to = (form & 1) ? from : index(1);
    const std::string before = s.CStr();
    if (!replace) {
        const TextString part = (form & 1) ? s.CharAt(from) : s.Substring(from, to);
        CheckString(part);
        FUZZ_CHECK(before.find(part.CStr()) != std::string::npos, "a substring is a piece of the text");
        const int length = static_cast<int>(before.size());
        if (from >= 0 && to >= from && to < length) {
            FUZZ_EXPECT(before.substr(from, to - from + 1) == part.CStr(), "an index range in the text");
        }
        return;
    }
    const std::string repl = in.Text();
    if (form & 1) s.ReplaceCharAt(from, repl.c_str()); else s.ReplaceSubstring(from, to, repl.c_str());
    const std::string after = s.CStr();
    // Some head of the old text, the replacement, some tail of it, or the
    // old text unchanged.
    if (after != before && exact) {
        // after == before[0, head) + repl + before[size - tail, size) for
        // some head and tail that do not overlap.
        size_t prefix = 0;
        while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) ++prefix;
        size_t suffix = 0;
        while (suffix < before.size() && suffix < after.size() &&
               before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
            ++suffix;
        }
        bool kept = false;
        if (after.size() >= repl.size() && after.size() - repl.size() <= before.size()) {
            const size_t kept_bytes = after.size() - repl.size();  // head + tail
            const size_t lowest = kept_bytes > suffix ? kept_bytes - suffix : 0;
            for (size_t head = lowest; head <= std::min(prefix, kept_bytes) && !kept; ++head) {
                kept = after.compare(head, repl.size(), repl) == 0;
            }
        }
        FUZZ_CHECK(kept, "a replacement by index keeps a head and a tail");
    }
    const int length = static_cast<int>(before.size());
    if (from >= 0 && to >= from && to < length) {
        FUZZ_EXPECT(after == before.substr(0, from) + repl + before.substr(to + 1), "an index range replaced");
    }
}

bool FoldedEqual(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

void TrimStep(TextString& s, InputReader& in) {
    const bool one = in.Byte() & 1;
    const std::string lead = Token(in);
    const std::string trail = one ? lead : Token(in);
    const std::string before = s.CStr();
    if (one) s.Trim(lead.c_str()); else s.Trim(lead.c_str(), trail.c_str());
    const std::string after = s.CStr();
    const size_t at = before.find(after);
    FUZZ_CHECK(at != std::string::npos, "trimming leaves a piece of the text");
    const bool leadsWith = !lead.empty() && before.size() >= lead.size() &&
                           FoldedEqual(before.data(), lead.data(), lead.size());
    const bool endsWith = !trail.empty() && before.size() >= trail.size() &&
                          FoldedEqual(before.data() + before.size() - trail.size(), trail.data(), trail.size());
    if (!leadsWith && !endsWith) FUZZ_EXPECT(after == before, "nothing to trim changes nothing");
    if (!after.empty() && !lead.empty() && after.size() >= lead.size()) {
        FUZZ_EXPECT(!FoldedEqual(after.data(), lead.data(), lead.size()), "no leading token is left");
    }
}

void ReplaceAllStep(TextString& s, InputReader& in) {
    const std::string find = Token(in);
    const std::string repl = in.Byte() & 1 ? Token(in) : in.Text(6);
    const int occurrences = s.CountOf(find.c_str());
    const std::string before = s.CStr();
    const bool replaced = s.ReplaceAll(find.c_str(), repl.c_str());
    FUZZ_EXPECT(replaced == (occurrences > 0), "ReplaceAll reports whether there was anything to replace");
    if (!replaced) FUZZ_EXPECT(before == s.CStr(), "ReplaceAll without a match changes nothing");
    if (!find.empty() && repl.size() < find.size() && repl.find(find) == std::string::npos) {
        FUZZ_EXPECT(s.CountOf(find.c_str()) == 0, "ReplaceAll leaves no occurrence behind");
    }
}

void CountStep(const TextString& s, InputReader& in) {
    const std::string sep = Token(in);
    const int items = s.ItemCount(sep.c_str());
    const int found = s.CountOf(sep.c_str());
    if (s.Length() == 0) {
        FUZZ_EXPECT(items == 0 && found == 0, "an empty text has no items");
    } else {
        FUZZ_EXPECT(items == found + 1, "a list has one item more than separators");
    }
    // Non-overlapping occurrences, counted directly.
    int direct = 0;
    if (!sep.empty()) {
        const std::string text = s.CStr();
        for (size_t at = text.find(sep); at != std::string::npos; at = text.find(sep, at + sep.size())) ++direct;
    }
    FUZZ_EXPECT(found == direct, "CountOf counts non-overlapping occurrences");
}

void FormatStep(TextString& s, const TextString& other, InputReader& in) {
    // The arguments are the strings' own texts, also when `s` is `other`:
    // the expectation is made from copies taken before.
    char expected[1024];
    const std::string a = in.Text(40);
    const int repeat = in.Byte();
    const int number = static_cast<int>(in.Word()) - 32768;
    const std::string otherText = other.CStr();
    const std::string ownText = s.CStr();
    switch (in.Byte() % 5) {
        case 0:
            std::snprintf(expected, sizeof expected, "%s\\%s", otherText.c_str(), a.c_str());
            s.Format("%s\\%s", other.CStr(), a.c_str());
            break;
        case 1:
            std::snprintf(expected, sizeof expected, "%d", number);
            s.Format("%d", number);
            break;
        case 2: {
            // Long results: a text repeated up to 255 times.
            std::string longText;
            for (int i = 0; i < repeat; ++i) longText += a;
            std::snprintf(expected, sizeof expected, "%s%s", longText.c_str(), otherText.c_str());
            s.Format("%s%s", longText.c_str(), other.CStr());
            break;
        }
        case 3:
            std::snprintf(expected, sizeof expected, "%*d|%-*s|", repeat * 4, number, repeat, a.c_str());
            s.Format("%*d|%-*s|", repeat * 4, number, repeat, a.c_str());
            break;
        default:
            std::snprintf(expected, sizeof expected, "[%s]", ownText.c_str());
            s.Format("[%s]", s.CStr());
            break;
    }
    expected[sizeof expected - 1] = '\0';
    FUZZ_EXPECT(std::strcmp(expected, s.CStr()) == 0, "a format gives what snprintf gives, cut at 1023 bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputReader in(data, size);
    TextString strings[kStrings];
    SetTextAllocFailAfter(-1);
    exact = true;

    for (unsigned steps = 0; !in.AtEnd() && steps < 512; ++steps) {
        const uint8_t op = in.Byte();
        const uint8_t pick = in.Byte();
        TextString& s = strings[pick % kStrings];
        const TextString& other = strings[(pick >> 2) % kStrings];
        switch (op % 24) {
            case 0: s.Assign(in.Text(40).c_str()); break;
            case 1: s.Append(in.Text().c_str()); break;
            case 2: s.Assign(other); break;
            case 3: s.Append(other); break;
            case 4: {
                const TextString joined = s.Concat(other);
                CheckString(joined);
                FUZZ_EXPECT(std::string(s.CStr()) + other.CStr() == joined.CStr(), "Concat joins");
                break;
            }
            case 5: {
                // A piece of the own text assigned, appended or reset to.
                if (s.Length() == 0) break;
                const int offset = in.Byte() % s.Length();
                const std::string piece = s.CStr() + offset;
                const std::string before = s.CStr();
                switch (in.Byte() % 3) {
                    case 0:
                        s.Assign(s.CStr() + offset);
                        FUZZ_EXPECT(piece == s.CStr(), "assigning a piece of the own text");
                        break;
                    case 1:
                        s.Append(s.CStr() + offset);
                        FUZZ_EXPECT(before + piece == s.CStr(), "appending a piece of the own text");
                        break;
                    default:
                        s.Reset(s.CStr() + offset);
                        FUZZ_EXPECT(piece == s.CStr(), "resetting to a piece of the own text");
                        break;
                }
                break;
            }
            case 6: UnitStep(s, in, false); break;
            case 7: UnitStep(s, in, true); break;
            case 8: UnitStep(s, in, true); break;
            case 9: IndexStep(s, in, false); break;
            case 10: IndexStep(s, in, true); break;
            case 11: TrimStep(s, in); break;
            case 12: ReplaceAllStep(s, in); break;
            case 13: CountStep(s, in); break;
            case 14: FormatStep(s, other, in); break;
            case 15: {
                // Span and ReplaceSpan through pointers into the text.
                const int length = s.Length();
                const int a = length == 0 ? 0 : in.Byte() % (length + 1);
                const int b = a - 1 + (length - a + 1 == 0 ? 0 : in.Byte() % (length - a + 1));
                const char* first = s.CStr() + a;
                const char* last = s.CStr() + b;
                const std::string before = s.CStr();
                if (in.Byte() & 1) {
                    const TextString span = other.Span(first, last);
                    FUZZ_EXPECT(before.substr(a, b - a + 1) == span.CStr(), "Span copies its stretch");
                } else {
                    const std::string repl = in.Text();
                    s.ReplaceSpan(first, last, repl.c_str());
                    FUZZ_EXPECT(before.substr(0, a) + repl + before.substr(b + 1) == s.CStr(),
                               "ReplaceSpan keeps the text around its stretch");
                }
                break;
            }
            case 16: {
                const std::string before = s.CStr();
                const bool equal = s.EqualsNoCase(other);
                FUZZ_EXPECT(equal == !s.DiffersNoCase(other.CStr()), "EqualsNoCase and DiffersNoCase agree");
                FUZZ_EXPECT(equal == other.EqualsNoCase(s), "EqualsNoCase is symmetric");
                if (equal) FUZZ_EXPECT(s.Length() == other.Length(), "equal texts have one length");
                break;
            }
            case 17:
                s.ToInt();
                s.ToHex();
                break;
            case 18: {
                // A block obtained with Allocate and written shorter, then
                // refitted.
                const unsigned block = in.Word() % 600;
                const std::string text = in.Text(40);
                if (s.Allocate(block)) {
                    const size_t n = block == 0 ? 0 : std::min<size_t>(text.size(), block - 1);
                    std::memcpy(s.Buffer(), text.data(), n);
                    s.Compact();
                    FUZZ_EXPECT(text.substr(0, n) == s.CStr(), "Compact keeps what was written");
                }
                break;
            }
            case 19: s.Reset(in.Text().c_str()); break;
            case 20: {
                // The heap runs out after a few more allocations.
                SetTextAllocFailAfter(in.Byte() % 8);
                exact = false;
                break;
            }
            case 21:
                SetTextAllocFailAfter(-1);
                exact = true;
                break;
            case 22: {
                TextString copy(s);
                CheckString(copy);
                copy.Append(s);
                CheckString(copy);
                break;
            }
            default: s.SetText(in.Text(40).c_str()); break;
        }
        for (const TextString& each : strings) CheckString(each);
        if (s.Length() > kLongest) s.Assign("");
    }
    SetTextAllocFailAfter(-1);
    return 0;
}
