// Shortcut files. On the host: the bytes written, the window states, a
// file that appears whole or not at all, and the name limit. On Windows: the failures that leave no
// file (what the Windows edition stores is compared with the host's files
// by tests/wine/lnk-check.sh).
#include <gtest/gtest.h>

#ifndef _WIN32

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/Shortcut.h"
#include "platform/posix/HostPath.h"
#include "winlike/Conversion.h"
#include "winlike/ShellLink.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

Bytes ReadFileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Katakana "a" and "ka" and the kanji "hyou" (second byte 0x5C) in CP932.
#define KANA_A "\x83\x41"
#define KANA_KA "\x83\x4A"
#define KANJI_HYOU "\x95\x5C"

class ShortcutTest : public ::testing::Test {
protected:
    Bytes Read(const std::string& relative) const { return ReadFileBytes(dir.at(relative)); }
    ScratchDir dir;
};

// Each file holds exactly the bytes of tests/lnk: files the shell's link
// object reads back under Wine (WinlikeShellLink), and lnkinfo reads as it
// reads the Windows program's (tests/wine/lnk-check.sh).
TEST_F(ShortcutTest, StoresTargetFolderArgumentsAndWindowState) {
    struct Case {
        const char* target;
        const char* arguments;  // null: none given
        int showNumber;
        uint32_t showCommand;
        const char* file;  // in tests/lnk
    };
    const Case cases[] = {
        {"C:\\App\\tool.exe", "/quiet \"a b\"", 1, 1, "tool-arguments"},
        {"C:\\tool.exe", "", 2, 7, "drive-root"},
        {"tool.exe", nullptr, 3, 3, "bare-name"},
        {"Z:\\opt\\My App\\run.exe", "x", 0, 1, "blank-in-folder"},
        {"\\tool.exe", "", 4, 1, "rooted-without-drive"},
        {"C:\\" KANA_A "\\" KANJI_HYOU "\\x.exe", KANA_KA, -1, 1, "japanese-names"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(CreateShortcut(c.target, dir.windows("link.LNK").c_str(), c.arguments,
                                   c.showNumber));
        const Bytes bytes = Read("link.LNK");
        EXPECT_TRUE(bytes == ReadFileBytes(std::string(LNK_DIR "/") + c.file + ".lnk")) << c.file;
        EXPECT_EQ(bytes.at(shell_link::kShowCommandOffset), c.showCommand) << c.showNumber;
    }
}

TEST_F(ShortcutTest, FileAppearsWholeOrNotAtAll) {
    const std::string target = "C:\\App\\tool.exe";
    fs::create_directories(dir.at("menu"));

    // Made, then made again over the first.
    dir.Write("menu/Tool.LNK", "old content");
    ASSERT_TRUE(CreateShortcut(target.c_str(), dir.windows("menu\\Tool.LNK").c_str(), "", 1));
    EXPECT_EQ(Read("menu/Tool.LNK").at(0), 0x4C);  // a shell link's header, not the old content
    EXPECT_EQ(Names(dir.at("menu")), std::vector<std::string>{"Tool.LNK"});

    // Failures leave no file and no temporary file behind.
    fs::create_directories(dir.at("menu/Folder.LNK"));
    dir.Write("menu/Locked.LNK", "read-only");
    fs::permissions(dir.at("menu/Locked.LNK"), fs::perms::owner_read | fs::perms::group_read,
                    fs::perm_options::replace);
    const std::string failing[] = {
        dir.windows("menu\\locked.lnk"),  // a read-only file is not replaced
        dir.windows("missing\\Tool.LNK"),
        dir.windows("menu\\missing\\Tool.LNK"),
        dir.windows("menu\\Folder.LNK"),  // a folder stands where the file goes
        dir.windows("menu\\"),
        "Q:\\menu\\Tool.LNK",
    };
    for (const std::string& linkFile : failing) {
        EXPECT_FALSE(CreateShortcut(target.c_str(), linkFile.c_str(), "", 1)) << linkFile;
    }
    EXPECT_EQ(Names(dir.native()), std::vector<std::string>{"menu"});
    EXPECT_EQ(Names(dir.at("menu")),
              (std::vector<std::string>{"Folder.LNK", "Locked.LNK", "Tool.LNK"}));
    EXPECT_EQ(dir.Read("menu/Locked.LNK"), "read-only");
    EXPECT_TRUE(fs::is_empty(dir.at("menu/Folder.LNK")));
}

// A shortcut file name of exactly `length` wide characters: the scratch
// folder, then folders of at most 60 times `unit` (one character), then
// the file, ending in ".LNK". The folders are created, so that only the
// length of the name can stand in the way.
std::string NameOfLength(const ScratchDir& dir, size_t length, const char* unit) {
    std::string name = dir.windows();
    fs::path host = dir.native();
    size_t remaining = length - WideFromAnsi(name).size() - 4;
    while (remaining > 0) {
        size_t count = std::min<size_t>(60, remaining - 1);
        if (remaining - 1 - count == 1) --count;  // leave room for "\" and one character
        std::string component;
        for (size_t i = 0; i < count; ++i) component += unit;
        name += "\\" + component;
        remaining -= 1 + count;
        if (remaining > 0) {
            host /= Utf8FromAnsi(component);
            fs::create_directory(host);
        }
    }
    return name + ".LNK";
}

TEST_F(ShortcutTest, NameMayHaveMaxPathLessOneWideCharacters) {
    struct Case {
        size_t length;
        const char* unit;
        bool made;
    };
    const Case cases[] = {
        {259, "a", true},
        {260, "a", false},
        // Two bytes each, but one wide character: the limit is in characters.
        {259, KANA_KA, true},
        {260, KANA_KA, false},
    };
    for (const Case& c : cases) {
        const std::string name = NameOfLength(dir, c.length, c.unit);
        ASSERT_EQ(WideFromAnsi(name).size(), c.length);
        EXPECT_EQ(CreateShortcut("C:\\App\\tool.exe", name.c_str(), "", 1), c.made) << c.length;
        // The file's host path, found from its folder: a name past the limit
        // maps to nothing as a whole.
        const size_t slash = name.rfind('\\');
        std::string host;
        ASSERT_TRUE(ToHostPath(name.substr(0, slash).c_str(), host));
        host += "/" + Utf8FromAnsi(name.substr(slash + 1));
        EXPECT_EQ(fs::exists(host), c.made) << c.length;
    }
}

}  // namespace

#else  // _WIN32

#include <objbase.h>

#include <filesystem>
#include <set>
#include <string>

#include "TestSupport.h"
#include "platform/Shortcut.h"

namespace {

namespace fs = std::filesystem;

class ShortcutTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }
    ScratchDir dir;
};

TEST_F(ShortcutTest, NameLimitAndMissingFoldersLeaveNoFile) {
    // Names of 259 and 260 characters: folders of "a", then the file.
    std::string name = dir.windows();
    while (name.size() + 1 + 60 + 4 < 259) {
        name += "\\" + std::string(60, 'a');
        fs::create_directory(name);
    }
    const std::string fits = name + "\\" + std::string(259 - name.size() - 1 - 4, 'b') + ".LNK";
    const std::string tooLong = name + "\\" + std::string(260 - name.size() - 1 - 4, 'c') + ".LNK";
    ASSERT_EQ(fits.size(), 259u);
    ASSERT_EQ(tooLong.size(), 260u);
    EXPECT_TRUE(CreateShortcut("C:\\App\\tool.exe", fits.c_str(), "", 1));
    EXPECT_TRUE(fs::exists(fits));
    EXPECT_FALSE(CreateShortcut("C:\\App\\tool.exe", tooLong.c_str(), "", 1));
    EXPECT_FALSE(fs::exists(tooLong));

    const std::string missing = dir.windows("missing\\Tool.LNK");
    EXPECT_FALSE(CreateShortcut("C:\\App\\tool.exe", missing.c_str(), "", 1));
    EXPECT_FALSE(fs::exists(dir.at("missing")));
}

// A shortcut is made again over a file of its name, but never over a
// read-only one, which keeps its content and attribute.
TEST_F(ShortcutTest, ReplacesAWritableFileOnly) {
    dir.Write("Tool.LNK", "old content");
    dir.Write("Locked.LNK", "read-only");
    ASSERT_TRUE(SetFileAttributesA(dir.windows("Locked.LNK").c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_TRUE(CreateShortcut("C:\\App\\tool.exe", dir.windows("Tool.LNK").c_str(), "", 1));
    EXPECT_NE(dir.Read("Tool.LNK"), "old content");
    EXPECT_FALSE(CreateShortcut("C:\\App\\tool.exe", dir.windows("locked.lnk").c_str(), "", 1));
    EXPECT_EQ(dir.Read("Locked.LNK"), "read-only");
    EXPECT_NE(GetFileAttributesA(dir.windows("Locked.LNK").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(Listing(dir.native()), (std::set<std::string>{"Locked.LNK", "Tool.LNK"}));
}

}  // namespace

#endif  // _WIN32
