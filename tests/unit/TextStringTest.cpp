// TextString, by family of operations.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "text/Catalogue.h"
#include "text/Heap.h"
#include "text/Messages.h"
#include "text/TextString.h"

namespace {

// Makes the heap run out after `count` more allocations while it lives.
struct HeapRunsOut {
    explicit HeapRunsOut(int count) { SetTextAllocFailAfter(count); }
    ~HeapRunsOut() { SetTextAllocFailAfter(-1); }
};

struct RangeCase {
    const char* text;
    int from, to;
    const char* expected;
};

std::string Trace(const char* text, int from, int to) {
    return "\"" + std::string(text) + "\" " + std::to_string(from) + ".." + std::to_string(to);
}

template <typename Stretch>
void ExpectStretches(Stretch stretch, std::initializer_list<RangeCase> cases) {
    for (const auto& c : cases) {
        EXPECT_STREQ(stretch(TextString(c.text), c.from, c.to).CStr(), c.expected) << Trace(c.text, c.from, c.to);
    }
}

TEST(TextStringCore, SubstringCountsNegativesFromEndAndStaysInText) {
    ExpectStretches([](const TextString& s, int from, int to) { return s.Substring(from, to); },
                    {{"abcdef", 0, 2, "abc"}, {"abcdef", -3, -1, "def"}, {"abcdef", 2, 100, "cdef"},
                     {"abcdef", 3, 2, ""}, {"", -1, -1, ""}, {"abc", -1, -1, "c"}, {"abc", 3, 3, ""},
                     {"abc", 4, 9, ""}, {"abc", -9, 1, ""}, {"abc", 2, 0, ""}, {"abc", 1, -9, ""},
                     {"abc", -3, 0, "a"}});
    const struct {
        const char* text;
        int from, to;
        const char *repl, *expected;
    } replaces[] = {
        {"abcd", 1, 2, "XY", "aXYd"}, {"abc", 0, 0, "", "bc"},     {"", -1, -1, "!", ""},
        {"abc", 0, -1, "X", "X"},     {"abc", 1, 50, "X", "aX"},   {"abc", 3, 3, "!", "abc!"},
        {"abc", 4, 5, "X", "abc"},    {"abc", 2, 0, "X", "abc"},   {"abc", -9, 0, "X", "abc"},
        {"abc", -3, 0, "X", "Xbc"},   {"", 0, 0, "!", "!"},        {"a", -1, -1, "X", "X"},
    };
    for (const auto& c : replaces) {
        TextString s(c.text);
        s.ReplaceSubstring(c.from, c.to, c.repl);
        EXPECT_STREQ(s.CStr(), c.expected) << Trace(c.text, c.from, c.to);
    }
}

TEST(TextStringCore, SpansComparisonAndOwnText) {
    TextString s("abc");
    EXPECT_STREQ(s.Span(s.CStr() + 1, s.CStr()).CStr(), "");
    s.ReplaceSpan(s.CStr(), s.CStr() + 2, "whole");
    EXPECT_STREQ(s.CStr(), "whole");
    s.ReplaceSpan(s.CStr() + 4, s.CStr() + 5, "d");  // a last on the terminator is cut
    EXPECT_STREQ(s.CStr(), "whold");

    EXPECT_TRUE(TextString("UPDATER").EqualsNoCase("updater"));
    EXPECT_TRUE(TextString("").EqualsNoCase(""));
    EXPECT_TRUE(TextString("abc").DiffersNoCase("abd"));
    EXPECT_TRUE(TextString("abc").DiffersNoCase("ab"));
    EXPECT_TRUE(TextString("[").DiffersNoCase("{"));  // only A-Z fold
    // The second byte of a Shift-JIS character is folded too (0x41 vs 0x61).
    EXPECT_TRUE(TextString("\x83\x41").EqualsNoCase("\x83\x61"));

    s = "abc";
    s = s;
    s.Append(s);
    s.Append(s.CStr() + 4);
    s.Append(s.CStr() + s.Length());  // its own terminator: nothing
    EXPECT_STREQ(s.CStr(), "abcabcbc");
    s.SetText(s.CStr() + 5);
    s.Reset(s.CStr() + 1);
    EXPECT_STREQ(s.CStr(), "bc");
    s.Reset(s.CStr() + 2);  // its own terminator
    EXPECT_STREQ(s.CStr(), "");
    s.Reset("x");
    s.Reset("yz");  // a one-byte text is replaced too
    EXPECT_STREQ(s.CStr(), "yz");
    s.SetText(s.CStr() + 2);  // its own terminator: copied out like any own text
    EXPECT_STREQ(s.CStr(), "");
    ASSERT_TRUE(s.Allocate(0));  // still a terminated text
    EXPECT_STREQ(s.CStr(), "");
    ASSERT_TRUE(s.Allocate(260));
    std::strcpy(s.Buffer(), "C:\\x.exe");
    s.Compact();
    EXPECT_STREQ(s.CStr(), "C:\\x.exe");
}

TEST(TextStringWords, QuotedWordsAndEmptyWords) {
    const char* quoted = "\"My Title\" x";
    const std::pair<const char*, int> counts[] = {{quoted, 2}, {"a b", 2}, {"a  b", 3}, {"", 0}, {"\"a b\"c d", 1}};
    for (const auto& c : counts) EXPECT_EQ(TextString(c.first).WordCount(), c.second) << c.first;
    ExpectStretches([](const TextString& s, int from, int to) { return s.Words(from, to); },
                    {{quoted, 0, 0, "\"My Title\""}, {quoted, -1, -1, "x"}, {"\"a b", 0, 0, "\"a b"},
                     {"a  b", 1, 1, ""}, {"a  b", 2, 2, "b"}, {"a b c", -2, -1, "b c"}, {"a b c", 1, 99, "b c"},
                     {"a b", 5, 5, ""}, {"", 0, 0, ""}, {"", -1, -1, ""}, {"a b c", 2, 1, ""},
                     {"a b c", 0, -9, "a"}, {"a b c", 1, -9, ""}, {"a b c", -9, 0, ""}, {"a b c", -1, 0, ""}});
    TextString s("a ");
    s.ReplaceWord(1, "x");  // the empty last word sits at the end
    EXPECT_STREQ(s.CStr(), "a x");
}

TEST(TextStringGroups, NestedUnclosedAndNegativeDepth) {
    const struct {
        const char *text, *open, *close;
        int count, from, to;
        const char* expected;
    } cases[] = {
        {"<Win>\\x\\<Sys>", "<", ">", 2, 1, 1, "<Sys>"}, {"{a{b}c}{d}", "{", "}", 2, 0, 0, "{a{b}c}"},
        {"{a{b}c}{d}", "{", "}", 2, -1, -1, "{d}"},     {"x{abc", "{", "}", 0, 0, 0, ""},
        {"{a{b}", "{", "}", 0, 0, 0, "{a{b}"},  // the unclosed outer group runs to the end
        {"}{{x}}", "{", "}", 1, 0, 0, "{x}"},   // the first { only brings the depth back to 0
        {"}{a}", "{", "}", 0, 0, 0, ""},               {"<a>-<b>-<c>", "<", ">", 3, 0, 1, "<a>-<b>"},
        {"<a>-<b>", "<", ">", 2, 1, 9, "<b>"},         {"<a>-<b>", "<", ">", 2, 2, 2, ""},
        {"<a>-<b>", "<", ">", 2, 0, -9, ""},  // a `to` still negative fails for groups
        {"x<<a>>y<<b>>", "<<", ">>", 2, 1, 1, "<<b>>"}, {"<a>", "", ">", 0, 0, 0, ""},
    };
    for (const auto& c : cases) {
        const TextString s(c.text);
        EXPECT_EQ(s.GroupCount(c.open, c.close), c.count) << c.text;
        EXPECT_STREQ(s.Groups(c.from, c.to, c.open, c.close).CStr(), c.expected) << Trace(c.text, c.from, c.to);
    }
    TextString path("<Win>\\file");
    path.ReplaceGroup(0, "<", ">", "C:\\WINDOWS");
    EXPECT_STREQ(path.CStr(), "C:\\WINDOWS\\file");
}

TEST(TextStringTrim, RepeatedTokensFoldedCase) {
    const struct {
        const char *text, *lead, *trail, *expected;
    } cases[] = {
        {"  a b  ", " ", " ", "a b"}, {"   ", " ", " ", ""},      {"C:\\dir\\\\", "", "\\", "C:\\dir"},
        {"ABxab", "ab", "ab", "x"},   {"ababa", "ab", "ab", "a"}, {"\"Title\"", "\"", "\"", "Title"},
        {"\\dir\\", "\\", "", "dir\\"}, {"{", "{", "}", ""}, {"}", "{", "}", ""},  // a text that is one token
    };
    for (const auto& c : cases) {
        TextString s(c.text);
        s.Trim(c.lead, c.trail);
        EXPECT_STREQ(s.CStr(), c.expected) << c.text;
    }
}

TEST(TextStringReplace, ReplaceAllAndCountOf) {
    const struct {
        const char *text, *find, *repl, *expected;
        bool replaced;
    } cases[] = {
        {"a%nb%n", "%n", "\n", "a\nb\n", true},
        {"ab", "%n", "\n", "ab", false},
        {"aab", "ab", "b", "b", true},  // each search starts again at the beginning
        {"aabb", "ab", "ba", "bbaa", true},
        {"aXb", "X", "XX", "aXXb", true},  // replacement holds the text: one pass
        {"abc", "", "x", "abc", false},
    };
    for (const auto& c : cases) {
        TextString s(c.text);
        EXPECT_EQ(s.ReplaceAll(c.find, c.repl), c.replaced) << c.text;
        EXPECT_STREQ(s.CStr(), c.expected) << c.text;
    }
    // A chain that would grow to 2^40 bytes is cut short instead of hanging.
    TextString runaway(std::string(40, 'a').append("b").c_str());
    EXPECT_TRUE(runaway.ReplaceAll("ab", "bba"));
    // Replacements of the same length can take a step for every pair of
    // letters (here a sort of 16 KiB): cut short as well.
    TextString sorting((std::string(8192, 'b') + std::string(8192, 'a')).c_str());
    EXPECT_TRUE(sorting.ReplaceAll("ba", "ab"));
    EXPECT_EQ(sorting.Length(), 16384);
    EXPECT_NE(sorting.CStr(), std::string(8192, 'a') + std::string(8192, 'b'));  // not sorted through

    EXPECT_EQ(TextString("a\\..\\..\\b").CountOf("\\.."), 2);
    EXPECT_EQ(TextString("aaaa").CountOf("aa"), 2);
    EXPECT_EQ(TextString("abc").CountOf(""), 0);
}

std::string Printf(const char* format, ...) {
    char area[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(area, sizeof area, format, args);
    va_end(args);
    return area;
}

TEST(TextStringFormat, CutAt1023BytesAndCatalogueTexts) {
    TextString s;
    s.Format("%s\\%s", "C:\\dir", "file");
    EXPECT_STREQ(s.CStr(), "C:\\dir\\file");
    const std::string longText(2000, 'x');
    s.Format("<%s>", longText.c_str());
    EXPECT_EQ(s.CStr(), "<" + longText.substr(0, 1022));

    char text[256] = "";
    LoadCatalogueText(kMsgAttrFailed, text, sizeof text);
    s.FormatMessageId(kMsgAttrFailed, "C:\\a.txt", 33u);
    EXPECT_EQ(s.CStr(), Printf(text, "C:\\a.txt", 33u));
    s.FormatMessageId(7);  // not in the catalogue
    EXPECT_STREQ(s.CStr(), "");
#ifndef _WIN32
    // A format the C library refuses (a wide character with no form in the
    // C locale) gives the empty text, not what was written before the error.
    s.Format("a%ls", L"\u00e9");
    EXPECT_STREQ(s.CStr(), "");
#endif
}

TEST(TextStringState, FailedAllocationLeavesTheEmptyString) {
    TextString s("abc");
    {
        HeapRunsOut heap(1);  // the temporary copy succeeds, the new block not
        EXPECT_FALSE(s.AppendText("d"));
        ASSERT_NE(s.CStr(), nullptr);
        EXPECT_STREQ(s.CStr(), "");
    }
    {
        HeapRunsOut heap(0);
        TextString fresh("abc");
        EXPECT_STREQ(fresh.CStr(), "");
        EXPECT_FALSE(fresh.Allocate(10));
        EXPECT_FALSE(fresh.SetText("abc"));
        // Every operation stays safe on the empty string.
        fresh.Append("x").Trim(" ");
        fresh.ReplaceItem(0, ",", "y");
        fresh.ReplaceAll("y", "z");
        EXPECT_EQ(fresh.Word(0).Length() + fresh.ToInt() + fresh.Length(), 0);
        s = fresh;
    }
    EXPECT_STREQ(s.CStr(), "");
    SetTextAllocFailOnce(0);  // the very next allocation is refused, and only that one
    EXPECT_STREQ(TextString("abc").CStr(), "");
    EXPECT_STREQ(TextString("abc").CStr(), "abc");
    s.Append("again");
    EXPECT_STREQ(s.CStr(), "again");
    TextString one("a");
    SetTextAllocFailOnce(0);  // the copy an append reads its text from is refused
    EXPECT_FALSE(one.AppendText("x"));
    EXPECT_STREQ(one.CStr(), "");
    EXPECT_TRUE(one.AppendText("b"));
    EXPECT_STREQ(one.CStr(), "b");
    // A text set from its own tail is copied out first; a refused copy
    // fails and leaves the empty string.
    SetTextAllocFailOnce(0);
    EXPECT_FALSE(s.SetText(s.CStr() + 1));
    EXPECT_STREQ(s.CStr(), "");
}

}  // namespace
