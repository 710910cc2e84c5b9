// The INI reader: ProfileString and ProfileSection. The full comparison with
// the platform's calls is the corpus of tests/ini (scripts/ini-diff); these
// are the rules whose breakage would hurt a script most, and what a corpus
// of fixed files cannot show: files that change between reads, and writes
// beyond the buffer.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Profile.h"
#include "TestSupport.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {


const char kFill = '\x7F';

struct Result {
    unsigned count;
    std::string bytes;  // what the call wrote: the buffer up to its last changed byte
};

// Reads into a buffer with guard bytes behind it, so that a write past
// `size` shows in the result.
Result ReadString(const std::string& file, const char* section, const char* key,
                  const char* fallback, unsigned size) {
    std::vector<char> buffer(size + 8, kFill);
    Result result{ProfileString(section, key, fallback, buffer.data(), size, file.c_str()), {}};
    size_t end = buffer.size();
    while (end > 0 && buffer[end - 1] == kFill) --end;
    result.bytes.assign(buffer.data(), end);
    return result;
}

Result ReadSection(const std::string& file, const char* section, unsigned size) {
    std::vector<char> buffer(size + 8, kFill);
    Result result{ProfileSection(section, buffer.data(), size, file.c_str()), {}};
    size_t end = buffer.size();
    while (end > 0 && buffer[end - 1] == kFill) --end;
    result.bytes.assign(buffer.data(), end);
    return result;
}

std::string Bytes(const char* text, size_t size) { return std::string(text, size); }

struct StringCase {
    const char* name;
    std::string content;
    const char* section;
    const char* key;
    unsigned size;
    unsigned count;
    std::string bytes;
    bool wineDiffers;
    const char* fallback = "NO_DATA";
};

TEST(ProfileTest, StringReads) {
    const std::string v300(300, 'v');
    const std::string kanji = "\x8A\xBF\x8E\x9A";  // two double-byte characters
    const std::vector<StringCase> cases = {
        {"plain value", "[UPDATER]\r\nNAME=Sample\r\n", "UPDATER", "NAME", 259, 6, Bytes("Sample", 7), false},
        {"names fold ASCII case", "[UpDater]\r\nname=x\r\n", "UPDATER", "NAME", 259, 1, Bytes("x", 2), false},
        {"blanks around key and value", "[s]\r\n \t k \t= \t v w \t\r\n", "s", "k", 259, 3, Bytes("v w", 4), false},
        {"double quotes removed", "[s]\r\nk= \"a b\" \r\n", "s", "k", 259, 3, Bytes("a b", 4), false},
        {"single quotes removed", "[s]\r\nk='a'\r\n", "s", "k", 259, 1, Bytes("a", 2), false},
        {"unpaired quotes kept", "[s]\r\nk=\"a'\r\n", "s", "k", 259, 3, Bytes("\"a'", 4), false},
        {"first of two keys", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", 259, 1, Bytes("1", 2), false},
        {"first of two sections", "[s]\r\na=1\r\n[S]\r\nb=2\r\n", "s", "b", 259, 7, Bytes("NO_DATA", 8), false},
        {"line without = is no key", "[s]\r\nk\r\n", "s", "k", 259, 7, Bytes("NO_DATA", 8), false},
        {"empty value is present", "[s]\r\nk=\r\n", "s", "k", 259, 0, Bytes("", 1), false},
        {"= inside the value", "[s]\r\nk=a=b\r\n", "s", "k", 259, 3, Bytes("a=b", 4), false},
        {"CR-only lines", "[s]\rk=1\rj=2\r", "s", "j", 259, 1, Bytes("2", 2), false},
        {"no final line end", "[s]\nk=last", "s", "k", 259, 4, Bytes("last", 5), false},
        {"value cut to 258 bytes", "[s]\r\nk=" + v300 + "\r\n", "s", "k", 259, 258, v300.substr(0, 258) + '\0', false},
        {"fallback loses trailing spaces", "[s]\r\n", "s", "k", 259, 4, Bytes(" a b", 5), false, " a b  "},
        {"no write for size 0", "[s]\r\nk=v\r\n", "s", "k", 0, 0, "", false},
        {"NUL ends a value", Bytes("[s]\r\nk=a\0b\r\n", 12), "s", "k", 259, 1, Bytes("a", 2), false},
        {"second byte ] is no bracket", "[\x83]\x81[]\r\nk=1\r\n", "\x83]\x81[", "k", 259, 1, Bytes("1", 2), false},
        {"second bytes are not letters", "[\x83\x41]\r\nk=1\r\n", "\x83\x61", "k", 259, 7, Bytes("NO_DATA", 8), false},
        {"UTF-16 file in Shift-JIS", Bytes("\xFF\xFE[\0s\0]\0\n\0k\0=\0\x22\x6F\x57\x5B\n\0", 20), "s", "k", 259, 4, kanji + '\0', false},
        {"comment is no key", "[s]\r\n;k=1\r\n", "s", ";k", 259, 7, Bytes("NO_DATA", 8), true},
        {"header without ]", "[open\r\nk=1\r\n", "open", "k", 259, 1, Bytes("1", 2), true},
        {"name ends at the first ]", "[x]y]\r\nk=1\r\n", "x", "k", 259, 1, Bytes("1", 2), true},
        {"[] is the empty name", "[]\r\nk=1\r\n", "", "k", 259, 1, Bytes("1", 2), true},
        {"lines before any header", "k=1\r\n[s]\r\n", "", "k", 259, 7, Bytes("NO_DATA", 8), true},
        {"UTF-8 mark spoils the first header", "\xEF\xBB\xBF[s]\r\nk=1\r\n", "s", "k", 259, 7, Bytes("NO_DATA", 8), true},
        {"quoted value that just fits", "[s]\r\nk=\"abcdef\"\r\n", "s", "k", 7, 6, Bytes("abcdef", 7), true},
        {"cut inside a character", "[s]\r\nk=" + kanji + "\r\n", "s", "k", 4, 3, kanji.substr(0, 3) + '\0', true},
    };
    ScratchDir dir;
    const bool wine = UnderWine();
    for (const StringCase& c : cases) {
        if (wine && c.wineDiffers) continue;
        dir.Write("script.ini", c.content);
        const Result result = ReadString(dir.windows("script.ini"), c.section, c.key, c.fallback, c.size);
        EXPECT_EQ(result.count, c.count) << c.name;
        EXPECT_EQ(result.bytes, c.bytes) << c.name;
    }
}

struct SectionCase {
    const char* name;
    std::string content;
    const char* section;
    unsigned size;
    unsigned count;
    std::string bytes;
    bool wineDiffers;
};

TEST(ProfileTest, SectionReads) {
    const std::string body = "[DEFINE]\r\n;comment\r\n <A> = 1 \r\n\r\nplain\r\n<B>=\"2\"\r\n[next]\r\nx=1\r\n";
    const std::string lines = Bytes("<A>=1\0plain\0<B>=\"2\"\0", 20);
    const std::vector<SectionCase> cases = {
        {"lines trimmed, comments and blank lines left out", body, "define", 100, 20, lines + '\0', false},
        {"missing section", body, "none", 100, 0, Bytes("\0\0", 2), false},
        {"exact fit counts as cut", body, "DEFINE", 21, 19, lines.substr(0, 19) + Bytes("\0\0", 2), false},
        {"cut inside a line", body, "DEFINE", 10, 8, lines.substr(0, 8) + Bytes("\0\0", 2), false},
        {"two bytes", body, "DEFINE", 2, 0, Bytes("\0\0", 2), false},
        {"one byte", body, "DEFINE", 1, 0, Bytes("\0", 1), true},
        {"no write for size 0", body, "DEFINE", 0, 0, "", true},  // Wine faults here
        {"empty key right after another one left out", "[s]\r\n=a\r\n\r\n=b\r\nk=1\r\n=c\r\n;x\r\n=d\r\n", "s",
         100, 13, Bytes("=a\0k=1\0=c\0=d\0\0", 14), false},
    };
    ScratchDir dir;
    const bool wine = UnderWine();
    for (const SectionCase& c : cases) {
        if (wine && c.wineDiffers) continue;
        dir.Write("script.ini", c.content);
        const Result result = ReadSection(dir.windows("script.ini"), c.section, c.size);
        EXPECT_EQ(result.count, c.count) << c.name;
        EXPECT_EQ(result.bytes, c.bytes) << c.name;
    }
}

TEST(ProfileTest, SectionLargerThanTheBuffer) {
    std::string content = "[DEFINE]\r\n";
    for (int i = 0; i < 1000; ++i) content += "<S" + std::to_string(i) + ">=" + std::string(40, 'x') + "\r\n";
    ScratchDir dir;
    dir.Write("script.ini", content);
    const Result result = ReadSection(dir.windows("script.ini"), "DEFINE", 32767);
    EXPECT_EQ(result.count, 32765u);
    ASSERT_EQ(result.bytes.size(), 32767u);
    EXPECT_EQ(result.bytes.substr(0, 7), "<S0>=xx");
    EXPECT_EQ(result.bytes.substr(32765), Bytes("\0\0", 2));
}

// Every read sees the file as it is now, even when a rewrite keeps its size
// and its time stamp, and a file that went away has no keys.
TEST(ProfileTest, ReadsSeeTheFileAsItIsNow) {
    ScratchDir dir;
    const std::string file = dir.windows("script.ini");
    dir.Write("script.ini", "[s]\r\nk=1\r\n");
    const auto stamp = std::filesystem::last_write_time(dir.at("script.ini"));
    EXPECT_EQ(ReadString(file, "s", "k", "NO_DATA", 259).bytes, Bytes("1", 2));

    dir.Write("script.ini", "[s]\r\nk=2\r\n");
    // Wine keeps a file it has read while its time stamp stays the same.
    if (!UnderWine()) std::filesystem::last_write_time(dir.at("script.ini"), stamp);
    EXPECT_EQ(ReadString(file, "s", "k", "NO_DATA", 259).bytes, Bytes("2", 2));
    EXPECT_EQ(ReadSection(file, "s", 100).bytes, Bytes("k=2\0\0", 5));

    // The section moves under another name: the old one is gone.
    dir.Write("script.ini", "[t]\r\nk=3\r\n");
    if (!UnderWine()) std::filesystem::last_write_time(dir.at("script.ini"), stamp);
    EXPECT_EQ(ReadString(file, "s", "k", "NO_DATA", 259).bytes, Bytes("NO_DATA", 8));
    EXPECT_EQ(ReadString(file, "t", "k", "NO_DATA", 259).bytes, Bytes("3", 2));

    std::filesystem::remove(dir.at("script.ini"));
    EXPECT_EQ(ReadString(file, "s", "k", "NO_DATA", 259).bytes, Bytes("NO_DATA", 8));
    EXPECT_EQ(ReadSection(file, "s", 100).bytes, Bytes("\0\0", 2));
}

// Two scripts read in turn each give their own values.
TEST(ProfileTest, TwoScriptsReadInTurn) {
    ScratchDir dir;
    dir.Write("a/script.ini", "[s]\r\nk=a\r\n");
    dir.Write("b/script.ini", "[s]\r\nk=b\r\n");
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(ReadString(dir.windows("a/script.ini"), "s", "k", "NO_DATA", 259).bytes, Bytes("a", 2));
        EXPECT_EQ(ReadString(dir.windows("b/script.ini"), "s", "k", "NO_DATA", 259).bytes, Bytes("b", 2));
    }
}

// A script named in other letter cases than its folder and file on the disk
// is found, and read afresh after a rewrite.
TEST(ProfileTest, ScriptNamedInOtherLetterCases) {
    ScratchDir dir;
    dir.Write("Sub/Script.ini", "[s]\r\nk=1\r\n");
    const std::string file = dir.windows() + "\\SUB\\script.INI";
    EXPECT_EQ(ReadString(file, "s", "k", "NO_DATA", 259).bytes, Bytes("1", 2));
    dir.Write("Sub/Script.ini", "[s]\r\nk=2\r\n");
    EXPECT_EQ(ReadString(file, "s", "k", "NO_DATA", 259).bytes, Bytes("2", 2));
}

TEST(ProfileTest, FileThatCannotBeReadHasNoKeys) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.at("folder.ini"));
    EXPECT_EQ(ReadString(dir.windows("folder.ini"), "s", "k", "NO_DATA", 259).bytes, Bytes("NO_DATA", 8));
    EXPECT_EQ(ReadString(dir.windows("missing.ini"), "s", "k", "", 259).bytes, Bytes("", 1));
}

// A script of 500 procedures read key by key, as the engine reads it, stays
// well within a second on the host.
TEST(ProfileTest, ManySectionsReadKeyByKey) {
    std::string content = "[UPDATER]\r\nNAME=n\r\n";
    for (int i = 0; i < 500; ++i) {
        content += "[P" + std::to_string(i) + "]\r\nMODE=EXIST\r\nFILE=<Src>\\f" + std::to_string(i) + "\r\n";
    }
    ScratchDir dir;
    dir.Write("script.ini", content);
    const std::string file = dir.windows("script.ini");
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 500; ++i) {
        const std::string section = "p" + std::to_string(i);
        ASSERT_EQ(ReadString(file, section.c_str(), "mode", "NO_DATA", 259).bytes, Bytes("EXIST", 6));
        const std::string expected = "<Src>\\f" + std::to_string(i);
        ASSERT_EQ(ReadString(file, section.c_str(), "FILE", "NO_DATA", 259).bytes, expected + '\0');
    }
    if (!UnderWine()) {
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    }
}

}  // namespace
