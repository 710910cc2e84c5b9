// Shortcut files. On the host: the shell link format read back by a reader
// of its own and by lnkinfo, the window states, the data of the target, and
// a file that appears whole or not at all. On Windows: the shortcuts read
// back through the shell's ShellLink object, and the failures that leave
// no file.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/Shortcut.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/ShellLink.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

// What a reader finds in a shell link file.
struct ReadLink {
    uint32_t flags = 0;
    uint32_t attributes = 0;
    uint64_t writeTime = 0;
    uint32_t fileSize = 0;
    uint32_t showCommand = 0;
    uint32_t driveType = 0;
    std::string localPath;
    std::u16string localPathWide;
    std::u16string workingDirectory;
    std::u16string arguments;
};

uint32_t Get16(const Bytes& b, size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
uint32_t Get32(const Bytes& b, size_t at) { return Get16(b, at) | (Get16(b, at + 2) << 16); }

// Reads the structures in the order the format lays them out; false when
// any size or offset does not add up.
bool ParseLink(const Bytes& b, ReadLink& link) {
    static const unsigned char kClsid[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0,
                                             0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    if (b.size() < 0x4C || Get32(b, 0) != 0x4C || !std::equal(kClsid, kClsid + 16, b.begin() + 4)) {
        return false;
    }
    link.flags = Get32(b, 0x14);
    link.attributes = Get32(b, 0x18);
    link.writeTime = Get32(b, 0x2C) | (uint64_t{Get32(b, 0x30)} << 32);
    link.fileSize = Get32(b, 0x34);
    link.showCommand = Get32(b, 0x3C);
    size_t at = 0x4C;
    if (link.flags & 0x01) at += 2 + Get16(b, at);
    if (link.flags & 0x02) {
        const size_t size = Get32(b, at);
        const size_t headerSize = Get32(b, at + 4);
        if ((Get32(b, at + 8) & 1) == 0 || at + size > b.size()) return false;
        link.driveType = Get32(b, at + Get32(b, at + 12) + 4);
        for (size_t p = at + Get32(b, at + 16); b.at(p) != 0; ++p) link.localPath += char(b[p]);
        if (headerSize >= 0x24) {
            for (size_t p = at + Get32(b, at + 28); Get16(b, p) != 0; p += 2) {
                link.localPathWide += char16_t(Get16(b, p));
            }
        }
        at += size;
    }
    if ((link.flags & 0x80) == 0) return false;  // only Unicode strings are expected
    auto counted = [&](std::u16string& text) {
        const size_t count = Get16(b, at);
        for (size_t i = 0; i < count; ++i) text += char16_t(Get16(b, at + 2 + 2 * i));
        at += 2 + 2 * count;
    };
    std::u16string unused;
    if (link.flags & 0x04) counted(unused);
    if (link.flags & 0x08) counted(unused);
    if (link.flags & 0x10) counted(link.workingDirectory);
    if (link.flags & 0x20) counted(link.arguments);
    if (link.flags & 0x40) counted(unused);
    return at + 4 == b.size() && Get32(b, at) == 0;
}

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

TEST(ShellLinkTest, EncodesTheLinkInformationAndStrings) {
    struct Case {
        ShellLinkContent content;
        uint32_t flags;
        std::u16string target;
        std::u16string folder;
        std::u16string arguments;
    };
    const Case cases[] = {
        {{"C:\\App\\tool.exe", "C:\\App", "/s", 1}, 0xB2, u"C:\\App\\tool.exe", u"C:\\App", u"/s"},
        {{"C:\\tool.exe", "C:", "", 3}, 0x92, u"C:\\tool.exe", u"C:", u""},
        {{"tool.exe", "", "", 7}, 0x82, u"tool.exe", u"", u""},
        {{"C:\\" KANA_A "\\" KANJI_HYOU "\\x.exe", "C:\\" KANA_A "\\" KANJI_HYOU,
          "\"" KANA_KA "\"", 1},
         0xB2, u"C:\\\u30A2\\\u8868\\x.exe", u"C:\\\u30A2\\\u8868", u"\"\u30AB\""},
    };
    for (const Case& c : cases) {
        Bytes bytes;
        ASSERT_TRUE(EncodeShellLink(c.content, bytes));
        ReadLink link;
        ASSERT_TRUE(ParseLink(bytes, link)) << c.content.target;
        EXPECT_EQ(link.flags, c.flags) << c.content.target;
        EXPECT_EQ(link.showCommand, c.content.showCommand);
        EXPECT_EQ(link.driveType, 3u);
        EXPECT_EQ(link.localPath, c.content.target);
        EXPECT_EQ(link.localPathWide, c.target);
        EXPECT_EQ(link.workingDirectory, c.folder);
        EXPECT_EQ(link.arguments, c.arguments);
    }
}

TEST(ShellLinkTest, WideFormCountsCharactersNotBytes) {
    EXPECT_EQ(WideFromWindows("C:\\" KANA_A KANA_KA), u"C:\\\u30A2\u30AB");
    // A lead byte without its second byte is one replacement character.
    EXPECT_EQ(WideFromWindows("ab\x83"), u"ab\uFFFD");
}

class ShortcutTest : public ::testing::Test {
protected:
    Bytes Read(const std::string& relative) const { return ReadFileBytes(dir.at(relative)); }
    ScratchDir dir;
};

TEST_F(ShortcutTest, StoresTargetFolderArgumentsAndWindowState) {
    struct Case {
        const char* target;
        const char* arguments;  // null: none given
        int showNumber;
        std::u16string folder;
        uint32_t showCommand;
        uint32_t flags;
    };
    const Case cases[] = {
        {"C:\\App\\tool.exe", "/quiet", 1, u"C:\\App", 1, 0xB2},
        {"C:\\tool.exe", "", 2, u"C:", 7, 0x92},
        {"tool.exe", nullptr, 3, u"", 3, 0x82},
        {"\\tool.exe", "a \"b c\"", 0, u"", 1, 0xA2},
        {"C:\\App\\tool.exe", "", 4, u"C:\\App", 1, 0x92},
        {"C:\\App\\tool.exe", "", -1, u"C:\\App", 1, 0x92},
    };
    for (const Case& c : cases) {
        const std::string linkFile = dir.windows("link.LNK");
        ASSERT_TRUE(CreateShortcut(c.target, linkFile.c_str(), c.arguments, c.showNumber));
        const Bytes bytes = Read("link.LNK");
        ReadLink link;
        ASSERT_TRUE(ParseLink(bytes, link)) << c.target;
        EXPECT_EQ(bytes.at(shell_link::kShowCommandOffset), c.showCommand) << c.showNumber;
        EXPECT_EQ(link.flags, c.flags) << c.target;
        EXPECT_EQ(link.localPath, c.target);
        EXPECT_EQ(link.workingDirectory, c.folder) << c.target;
        EXPECT_EQ(link.arguments, WideFromWindows(c.arguments != nullptr ? c.arguments : ""));
    }
}

TEST_F(ShortcutTest, RecordsTheDataOfAnExistingTarget) {
    dir.Write("app/tool.exe", "12345");
    dir.Write("app/locked.exe", "x");
    fs::permissions(dir.at("app/locked.exe"), fs::perms::all, fs::perm_options::remove);
    fs::permissions(dir.at("app/locked.exe"), fs::perms::owner_read, fs::perm_options::add);
    struct Case {
        std::string target;
        uint32_t attributes;
        uint32_t size;
    };
    const Case cases[] = {
        {dir.windows("app\\tool.exe"), 0x20, 5},
        {dir.windows("APP\\TOOL.EXE"), 0x20, 5},
        {dir.windows("app\\locked.exe"), 0x21, 1},
        {dir.windows("app"), 0x10, 0},
        {dir.windows("app\\missing.exe"), 0, 0},
        {"Q:\\app\\tool.exe", 0, 0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(CreateShortcut(c.target.c_str(), dir.windows("t.LNK").c_str(), "", 0));
        ReadLink link;
        ASSERT_TRUE(ParseLink(Read("t.LNK"), link));
        EXPECT_EQ(link.attributes, c.attributes) << c.target;
        EXPECT_EQ(link.fileSize, c.size) << c.target;
        EXPECT_EQ(link.writeTime != 0, c.attributes != 0) << c.target;
        EXPECT_EQ(link.localPath, c.target);
    }
}

TEST_F(ShortcutTest, FileAppearsWholeOrNotAtAll) {
    const std::string target = "C:\\App\\tool.exe";
    fs::create_directories(dir.at("menu"));

    // Made, then made again over the first.
    dir.Write("menu/Tool.LNK", "old content");
    ASSERT_TRUE(CreateShortcut(target.c_str(), dir.windows("menu\\Tool.LNK").c_str(), "", 1));
    ReadLink link;
    EXPECT_TRUE(ParseLink(Read("menu/Tool.LNK"), link));
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
    size_t remaining = length - WideFromWindows(name).size() - 4;
    while (remaining > 0) {
        size_t count = std::min<size_t>(60, remaining - 1);
        if (remaining - 1 - count == 1) --count;  // leave room for "\" and one character
        std::string component;
        for (size_t i = 0; i < count; ++i) component += unit;
        name += "\\" + component;
        remaining -= 1 + count;
        if (remaining > 0) {
            host /= HostTextFromWindows(component);
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
        ASSERT_EQ(WideFromWindows(name).size(), c.length);
        EXPECT_EQ(CreateShortcut("C:\\App\\tool.exe", name.c_str(), "", 1), c.made) << c.length;
        std::string host;
        ASSERT_TRUE(ToHostPath(name.c_str(), host));
        EXPECT_EQ(fs::exists(host), c.made) << c.length;
    }
}

// The fields lnkinfo (liblnk-utils) shows for a file, by name; false when
// lnkinfo is not installed.
bool RunLnkinfo(const fs::path& file, std::map<std::string, std::string>& fields) {
    if (std::system("command -v lnkinfo >/dev/null 2>&1") != 0) return false;
    const std::string command = "LC_ALL=C.UTF-8 lnkinfo '" + file.string() + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return false;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe.get()) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        const size_t colon = text.find(':');
        if (colon == std::string::npos) continue;
        const size_t first = text.find_first_not_of('\t');
        const size_t last = text.find_last_not_of("\t ", colon - 1);
        if (first >= colon || last == std::string::npos) continue;
        const std::string value = text.substr(colon + 1);
        fields[text.substr(first, last - first + 1)] = value.empty() ? "" : value.substr(1);
    }
    return true;
}

TEST_F(ShortcutTest, LnkinfoReadsTheFiles) {
    struct Case {
        const char* target;
        const char* arguments;
        const char* folder;  // null: none shown
    };
    const Case cases[] = {
        {"C:\\App\\tool.exe", "/quiet \"a b\"", "C:\\App"},
        {"Z:\\opt\\My App\\run.exe", "", "Z:\\opt\\My App"},
        {"tool.exe", "x", nullptr},
        {"C:\\" KANA_A "\\" KANJI_HYOU "\\x.exe", KANA_KA, "C:\\" KANA_A "\\" KANJI_HYOU},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(CreateShortcut(c.target, dir.windows("i.LNK").c_str(), c.arguments, 2));
        std::map<std::string, std::string> fields;
        if (!RunLnkinfo(dir.at("i.LNK"), fields)) GTEST_SKIP() << "lnkinfo is not installed";
        EXPECT_EQ(fields["Local path"], HostTextFromWindows(c.target));
        EXPECT_EQ(fields.count("Working directory"), c.folder != nullptr ? 1u : 0u) << c.target;
        if (c.folder != nullptr) {
            EXPECT_EQ(fields["Working directory"], HostTextFromWindows(c.folder));
        }
        if (*c.arguments != '\0') {
            EXPECT_EQ(fields["Command line arguments"], HostTextFromWindows(c.arguments));
        }
        EXPECT_EQ(fields["Drive type"], "Fixed (3)");
        // This lnkinfo shows 0 as the window state whatever the file holds.
        EXPECT_EQ(Read("i.LNK").at(shell_link::kShowCommandOffset), 7);
    }
}

}  // namespace

#else  // _WIN32

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TestSupport.h"
#include "platform/Shortcut.h"

namespace {

namespace fs = std::filesystem;

// What the shell reads from a shortcut file.
struct LoadedLink {
    std::string target;
    std::string folder;
    std::string arguments;
};

// The window state as the file holds it, in the header's ShowCommand field
// at offset 0x3C (Wine's shell does not load it back: GetShowCmd gives 1).
int StoredShowCommand(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    unsigned char field[4] = {};
    in.seekg(0x3C);
    in.read(reinterpret_cast<char*>(field), sizeof field);
    return field[0] | (field[1] << 8) | (field[2] << 16) | (field[3] << 24);
}

bool LoadLink(const std::string& file, LoadedLink& loaded) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link)))) {
        return false;
    }
    IPersistFile* persist = nullptr;
    bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)));
    if (ok) {
        WCHAR name[MAX_PATH];
        ok = MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, name, MAX_PATH) != 0 &&
             SUCCEEDED(persist->Load(name, STGM_READ));
        persist->Release();
    }
    if (ok) {
        char text[1024] = "";
        link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
        loaded.target = text;
        text[0] = '\0';
        link->GetWorkingDirectory(text, sizeof text);
        loaded.folder = text;
        text[0] = '\0';
        link->GetArguments(text, sizeof text);
        loaded.arguments = text;
    }
    link->Release();
    return ok;
}

class ShortcutTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }
    ScratchDir dir;
};

TEST_F(ShortcutTest, StoresTargetFolderArgumentsAndWindowState) {
    struct Case {
        const char* target;
        const char* arguments;
        int showNumber;
        const char* folder;
        int showCommand;
    };
    const Case cases[] = {
        {"C:\\App\\tool.exe", "/quiet", 1, "C:\\App", SW_SHOWNORMAL},
        {"C:\\App\\tool.exe", "a \"b c\"", 2, "C:\\App", SW_SHOWMINNOACTIVE},
        {"C:\\tool.exe", "", 3, "C:", SW_SHOWMAXIMIZED},
        {"C:\\App\\tool.exe", "", 0, "C:\\App", SW_SHOWNORMAL},
        {"C:\\App\\tool.exe", "", 4, "C:\\App", SW_SHOWNORMAL},
    };
    for (const Case& c : cases) {
        const std::string linkFile = dir.windows("link.LNK");
        ASSERT_TRUE(CreateShortcut(c.target, linkFile.c_str(), c.arguments, c.showNumber));
        LoadedLink link;
        ASSERT_TRUE(LoadLink(linkFile, link)) << c.target;
        EXPECT_EQ(link.target, c.target);
        EXPECT_EQ(link.folder, c.folder) << c.target;
        EXPECT_EQ(link.arguments, c.arguments);
        EXPECT_EQ(StoredShowCommand(dir.at("link.LNK")), c.showCommand) << c.showNumber;
        fs::remove(dir.at("link.LNK"));
    }
}

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

}  // namespace

#endif  // _WIN32
