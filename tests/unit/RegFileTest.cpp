// The host registry: reading system.reg as the registry editor writes it,
// and the application-path lookup over it.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "engine/AppPaths.h"
#include "platform/Registry.h"
#include "winlike/Conversion.h"
#include "winlike/RegText.h"

namespace {

const char kV5[] = "Windows Registry Editor Version 5.00\r\n\r\n";
const char kKey[] = "HKEY_LOCAL_MACHINE\\Software\\Tool";

// What reading `value` of the key `key` from `text` gives: the data without
// its terminating zero, "<no key>" or "<no value>". One list of values
// serves every lookup: a lookup keeps nothing of the one before.
std::string Lookup(const std::string& text, const char* value, const char* key = kKey) {
    static std::vector<RegValue> values;
    if (!FindRegKey(RegTextOf(text), key, values)) return "<no key>";
    const RegValue* found = FindRegValue(values, value);
    if (found == nullptr) return "<no value>";
    std::string data = found->unicode ? AnsiFromUtf16(found->data) : found->data;
    if (!data.empty() && data.back() == '\0') data.pop_back();
    return data;
}

// Every file of the REGEDIT corpus (tests/reg) read as an import leaves
// it: each line of tests/reg/lookups names a file, a value and its data.
TEST(RegFileTest, ReadsValuesAsAnImportLeavesThem) {
    std::ifstream lookups(REG_CORPUS_DIR "/lookups", std::ios::binary);
    std::set<std::string> named;
    for (std::string line; std::getline(lookups, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t bar = line.find('|');
        const size_t bar2 = line.find('|', bar + 1);
        ASSERT_NE(bar2, std::string::npos) << line;
        std::ifstream file(REG_CORPUS_DIR "/" + line.substr(0, bar), std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        EXPECT_EQ(Lookup(bytes.str(), line.substr(bar + 1, bar2 - bar - 1).c_str()), line.substr(bar2 + 1))
            << line.substr(0, bar);
        named.insert(line.substr(0, bar));
    }
    // Every file of the corpus is looked up, and the lookups were read.
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(REG_CORPUS_DIR)) {
        if (entry.path().extension() == ".reg") files.insert(entry.path().filename().string());
    }
    EXPECT_FALSE(files.empty());
    EXPECT_EQ(named, files);
}

// Whatever the bytes, reading them ends without harm.
TEST(RegFileTest, SurvivesJunk) {
    std::mt19937 random(7);
    const std::string pieces[] = {"[", "]", "\"", "\\", "@", "=", "-", "hex(2):", "hex:", "00,",
                                  ",\\\r\n", "\r\n", "\n", "\x95", "\x83\x5C", "\xFF\xFE",
                                  "HKEY_LOCAL_MACHINE\\Software\\Tool", "dword:", ";", " "};
    for (int round = 0; round < 2000; ++round) {
        std::string text = round % 2 ? kV5 : "REGEDIT4\n";
        const int count = static_cast<int>(random() % 60);
        for (int i = 0; i < count; ++i) text += pieces[random() % (sizeof pieces / sizeof *pieces)];
        Lookup(text, "");
        Lookup("\xFF\xFE" + text, "");
    }
}

// Points the host root at a scratch folder whose system.reg the test writes.
class HostRegistryTest : public ::testing::Test {
protected:
    void Registry(const std::string& body) {
        dir.Write("system.reg", std::string(kV5) + body);
    }
    // "?App" (wantFile) or "?AppPath"; "<false>" when the lookup fails, and
    // then the output must be untouched.
    static std::string App(const char* application, bool wantFile) {
        TextString out("untouched");
        if (LookupAppPath(application, out, wantFile)) return out.CStr();
        EXPECT_STREQ(out.CStr(), "untouched") << application;
        return "<false>";
    }

    ScratchDir dir;
    ScopedEnv root{"NEMURIA_ROOT", dir.native().c_str()};
};

TEST_F(HostRegistryTest, LooksApplicationsUpBelowLocalMachineOnly) {
    const std::string appPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
    Registry("[HKEY_LOCAL_MACHINE\\" + appPaths + "tool.exe]\r\n"
             "@=\"C:\\\\Tools\\\\tool.exe\"\r\n\"Path\"=\"C:\\\\Tools\\\\\"\r\n"
             "[HKEY_LOCAL_MACHINE\\" + appPaths + "bare.exe]\r\n@=\"C:\\\\Bare\\\\bare.exe\"\r\n"
             "[HKEY_LOCAL_MACHINE\\" + appPaths + "empty.exe]\r\n@=hex(2):\r\n\"PATH\"=hex(1):\r\n"
             // REGEDIT4 would store these bytes as they are; here the UTF-16
             // text "C:\T" has no terminating zero.
             "[HKEY_LOCAL_MACHINE\\" + appPaths + "open.exe]\r\n@=hex(1):43,00,3a,00,5c,00,54,00\r\n"
             "[HKEY_CURRENT_USER\\" + appPaths + "mine.exe]\r\n@=\"C:\\\\Mine\\\\mine.exe\"\r\n");
    struct Case {
        const char* application;
        bool wantFile;
        const char* expected;
    };
    const Case cases[] = {
        {"tool.exe", true, "C:\\Tools\\tool.exe"},
        {"TOOL.EXE", true, "C:\\Tools\\tool.exe"},
        {"tool.exe", false, "C:\\Tools\\"},  // "PATH" finds Path
        {"bare.exe", true, "C:\\Bare\\bare.exe"},
        {"bare.exe", false, "<false>"},
        {"empty.exe", true, "<false>"},  // no data at all
        {"empty.exe", false, "<false>"},
        {"open.exe", true, "C:\\T"},
        {"nothere.exe", true, "<false>"},
        {"mine.exe", true, "<false>"},
        {"", true, "<false>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(App(c.application, c.wantFile), c.expected)
            << c.application << (c.wantFile ? " ?App" : " ?AppPath");
    }
}

TEST_F(HostRegistryTest, ReadsTheFileAtEveryLookup) {
    const std::string key =
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tool.exe]\r\n";
    EXPECT_EQ(App("tool.exe", true), "<false>");  // no file
    Registry(key + "@=\"C:\\\\One\"\r\n");
    EXPECT_EQ(App("tool.exe", true), "C:\\One");
    Registry(key + "@=\"C:\\\\Two\"\r\n");
    EXPECT_EQ(App("tool.exe", true), "C:\\Two");
    std::filesystem::remove(dir.at("system.reg"));
    std::filesystem::create_directory(dir.at("system.reg"));
    EXPECT_EQ(App("tool.exe", true), "<false>");  // not a file
}

TEST_F(HostRegistryTest, KeyHolderReadsOnlyWhileOpen) {
    Registry("[HKEY_LOCAL_MACHINE\\Software\\Tool]\r\n\"A\"=\"abc\"\r\n");
    RegistryKey key(kLocalMachine, "Software\\Tool");
    TextString out("old");
    EXPECT_FALSE(key.ReadText("A", out));
    EXPECT_STREQ(out.CStr(), "old");
    EXPECT_TRUE(key.QueryValue("A", out));
    EXPECT_STREQ(out.CStr(), "abc");
    EXPECT_FALSE(key.ReadText("A", out));  // closed again
    EXPECT_FALSE(RegistryKey(0, "Software\\Tool").Open(kKeyRead));
}

}  // namespace

#endif  // _WIN32
