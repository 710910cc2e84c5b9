// The INI reader: what a corpus of fixed files cannot show (IniCorpusTest
// makes every read of the corpus in tests/ini): files that change between
// reads, two scripts read in turn, a script named in other letter cases, and
// a file that cannot be read.
#include <gtest/gtest.h>

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

// A script that fills the blocks it is read in exactly is read to its end.
TEST(ProfileTest, ScriptOfExactly64KibIsReadWhole) {
    ScratchDir dir;
    std::string text = "[s]\r\nk=1\r\n;";
    dir.Write("script.ini", text + std::string(65536 - text.size() - 2, 'x') + "\r\n");
    EXPECT_EQ(ReadString(dir.windows("script.ini"), "s", "k", "NO_DATA", 259).bytes, Bytes("1", 2));
}

TEST(ProfileTest, FileThatCannotBeReadHasNoKeys) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.at("folder.ini"));
    EXPECT_EQ(ReadString(dir.windows("folder.ini"), "s", "k", "NO_DATA", 259).bytes, Bytes("NO_DATA", 8));
    EXPECT_EQ(ReadString(dir.windows("missing.ini"), "s", "k", "", 259).bytes, Bytes("", 1));
}

}  // namespace
