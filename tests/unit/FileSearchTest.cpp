// The host's file search against what FindFirstFileA answers on Windows:
// wildcards, letter case, "." and "..", attributes, and every search
// closed.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/FileSearch.h"
#include "platform/posix/HostPath.h"

namespace fs = std::filesystem;

namespace {

class FileSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a", "a.txt", "ab.txt", "noext", ".hidden", "x.y.z", "Mixed.Ini",
                                 "readme.TXT", "long.html"}) {
            dir.Write(std::string("d/") + name, "");
        }
        fs::create_directories(dir.at("d/Sub/inner"));
        folder = dir.windows("d");
    }
    ScratchDir dir;
    ScopedEnv root{"NEMURIA_ROOT", dir.at("root").c_str()};
    std::string folder;  // the folder "d" in Windows form
};

// Every name the search finds, in order, joined by spaces.
std::string Found(const std::string& pattern) {
    FileSearch search;
    FoundEntry entry;
    std::string names;
    for (bool found = search.First(pattern.c_str(), entry); found; found = search.Next(entry)) {
        if (!names.empty()) names += ' ';
        names += entry.name;
    }
    return names;
}

uint32_t AttributesOf(const std::string& path) {
    FileSearch search;
    FoundEntry entry;
    return search.First(path.c_str(), entry) ? entry.attributes : 0xFFFFFFFFu;
}

size_t OpenDescriptors() {
    size_t count = 0;
    for (auto it = fs::directory_iterator("/proc/self/fd"); it != fs::directory_iterator(); ++it) ++count;
    return count;
}

// The expression of the wildcards is WinlikeFindPattern's; here the order
// of what a search finds, a folder's own "." and "..", and names in other
// letter cases.
TEST_F(FileSearchTest, FindsInWindowsOrder) {
    EXPECT_EQ(Found(folder + "\\*"), ". .. .hidden a a.txt ab.txt long.html Mixed.Ini noext readme.TXT Sub x.y.z");
    EXPECT_EQ(Found(folder + "\\*.txt"), "a.txt ab.txt readme.TXT");
    EXPECT_EQ(Found(folder + "\\.*"), ". .. .hidden");
    EXPECT_EQ(Found(folder + "\\sub"), "Sub");
    EXPECT_EQ(Found(folder + "\\a.txt. "), "a.txt");
}

TEST_F(FileSearchTest, FindsWhatTheWholePathNames) {
    const struct {
        std::string pattern;
        std::string found;
    } cases[] = {
        // A folder matches its own name; with a trailing separator nothing.
        {folder, "d"},
        {folder + "\\", ""},
        {folder + "\\Sub\\", ""},
        {folder + "\\sub\\.", "Sub"},
        {folder + "\\sub\\inner\\..", "Sub"},
        {folder + "\\nowhere\\..\\a", "a"},
        {folder + "\\sub\\*", ". .. inner"},
        {folder + "/SUB/INNER", "inner"},
        // Wildcards in a folder find nothing.
        {folder + "\\S*\\*", ""},
        {folder + "\\S?b\\inner", ""},
        {folder + "\\nowhere\\*", ""},
        // Drive roots have no "." and "..", and no entry of their own.
        {"Z:\\", ""},
        {"C:\\", ""},
        {"C:\\*", "ProgramData Users WINDOWS"},
        {"C:\\..\\WINDOWS", "WINDOWS"},
        {"D:\\*", ""},
        {"", ""},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(Found(test.pattern), test.found) << test.pattern;
    }
    const std::string rootEntries = " " + Found("Z:\\*") + " ";
    EXPECT_NE(rootEntries.find(" tmp "), std::string::npos);
    EXPECT_EQ(rootEntries.find(" . "), std::string::npos);
    EXPECT_EQ(rootEntries.find(" .. "), std::string::npos);
}

TEST_F(FileSearchTest, MatchesCharactersNotBytes) {
    // 表 is 0x95 0x5C in Shift-JIS and three bytes in UTF-8.
    dir.Write("d/\xE8\xA1\xA8.txt", "");
    EXPECT_EQ(Found(folder + "\\?.txt"), "a.txt \x95\x5C.txt");
    EXPECT_EQ(Found(folder + "\\\x95\x5C*"), "\x95\x5C.txt");
}

TEST_F(FileSearchTest, ReportsAttributesFromTheModeBits) {
    dir.Write("d/readonly.txt", "");
    dir.Write("d/groupwrite.txt", "");
    fs::create_directories(dir.at("d/rodir"));
    chmod(dir.at("d/readonly.txt").c_str(), 0444);
    chmod(dir.at("d/groupwrite.txt").c_str(), 0464);
    chmod(dir.at("d/rodir").c_str(), 0555);
    fs::create_symlink(dir.at("d/a.txt"), dir.at("d/link.txt"));
    fs::create_symlink(dir.at("d/gone"), dir.at("d/dangling"));

    const struct {
        std::string name;
        uint32_t attributes;
    } cases[] = {
        {"a.txt", 0x20},
        {"Sub", 0x10},
        {"readonly.txt", 0x21},
        {"groupwrite.txt", 0x20},
        {"rodir", 0x11},
        {".hidden", 0x22},
        {"link.txt", 0x20},
        {"dangling", 0xFFFFFFFFu},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(AttributesOf(folder + "\\" + test.name), test.attributes) << test.name;
    }
    FileSearch search;
    FoundEntry entry;
    ASSERT_TRUE(search.First((folder + "\\*").c_str(), entry));
    EXPECT_EQ(std::string(entry.name), ".");
    EXPECT_EQ(entry.attributes, 0x10u);
    ASSERT_TRUE(search.Next(entry));
    EXPECT_EQ(std::string(entry.name), "..");
    EXPECT_EQ(entry.attributes, 0x10u);
}

TEST_F(FileSearchTest, ExistenceIsAnyEntryFound) {
    EXPECT_TRUE(FileExists((folder + "\\SUB").c_str()));
    EXPECT_TRUE(FileExists((folder + "\\*.ini").c_str()));
    EXPECT_FALSE(FileExists((folder + "\\*.bat").c_str()));
    EXPECT_FALSE(FileExists((folder + "\\Sub\\").c_str()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(nullptr));
}

TEST_F(FileSearchTest, EverySearchIsClosed) {
    const size_t before = OpenDescriptors();
    for (int i = 0; i < 50; ++i) {
        FileExists((folder + "\\*").c_str());
        FileExists((folder + "\\missing").c_str());
        {
            FileSearch stoppedEarly;
            FoundEntry entry;
            stoppedEarly.First((folder + "\\*.*").c_str(), entry);
        }
        FileSearch search;
        FoundEntry entry;
        search.First((folder + "\\*").c_str(), entry);
        search.First((folder + "\\Sub\\*").c_str(), entry);  // starts over
        while (search.Next(entry)) {
        }
        EXPECT_FALSE(search.Next(entry));
        search.Close();
        search.Close();
        EXPECT_FALSE(search.Next(entry));
        EXPECT_FALSE(search.First((folder + "\\nowhere\\*").c_str(), entry));
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace

#endif  // _WIN32
