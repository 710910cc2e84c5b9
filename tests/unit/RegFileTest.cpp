// The host registry: reading system.reg as the registry editor writes it,
// and the application-path lookup over it.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <iconv.h>
#include <stdlib.h>

#include <random>
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

// UTF-8 text in UTF-16 LE.
std::string Utf16(const std::string& utf8) {
    iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    std::string out(utf8.size() * 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* target = &out[0];
    size_t room = out.size();
    iconv(cd, &in, &inLeft, &target, &room);
    iconv_close(cd);
    out.resize(out.size() - room);
    return out;
}

TEST(RegFileTest, ReadsValuesAsAnImportLeavesThem) {
    struct Case {
        const char* name;
        std::string file;
        const char* value;
        std::string expected;
    };
    const std::string head = std::string(kV5) + "[" + kKey + "]\r\n";
    const Case cases[] = {
        {"default value", head + "@=\"C:\\\\Tools\\\\tool.exe\"\r\n", "", "C:\\Tools\\tool.exe"},
        {"REGEDIT4 with LF", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Tool]\n\"Path\"=\"C:\\\\T\"\n",
         "PATH", "C:\\T"},
        {"escaped quote and backslash", head + "\"A\"=\"say \\\"hi\\\" \\\\\"\r\n", "A",
         "say \"hi\" \\"},
        {"other backslashes kept", head + "@=\"C:\\Tools\\tool.exe\"\r\n", "", "C:\\Tools\\tool.exe"},
        {"names without regard to case", std::string(kV5) +
             "[hkey_local_machine\\SOFTWARE\\tool]\r\n\"path\"=\"x\"\r\n", "PATH", "x"},
        {"HKLM for the root", std::string(kV5) + "[HKLM\\Software\\Tool]\r\n@=\"x\"\r\n", "", "x"},
        {"empty string", head + "@=\"\"\r\n", "", ""},
        {"later value wins", head + "\"A\"=\"1\"\r\n\"a\"=\"2\"\r\n", "A", "2"},
        {"key repeated: later value wins",
         head + "\"A\"=\"1\"\r\n\"B\"=\"b\"\r\n[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n" +
             "\"A\"=\"other\"\r\n" + "[" + kKey + "]\r\n\"A\"=\"3\"\r\n", "A", "3"},
        {"key repeated: earlier values stay",
         head + "\"B\"=\"b\"\r\n[" + kKey + "]\r\n\"A\"=\"3\"\r\n", "B", "b"},
        {"value removed", head + "\"A\"=\"1\"\r\n\"A\"=-\r\n", "A", "<no value>"},
        {"dword replaces a string", head + "\"A\"=\"1\"\r\n\"A\"=dword:00000001\r\n", "A",
         "<no value>"},
        {"hex(0) replaces a string", head + "\"A\"=\"1\"\r\n\"A\"=hex(0):\r\n", "A", "<no value>"},
        {"hex continued over lines, next value read",
         head + "\"Bin\"=hex:01,02,\\\r\n  03,04,\\\r\n  05\r\n\"A\"=\"after\"\r\n", "A", "after"},
        {"expandable string (UTF-16 in version 5)",
         head + "\"A\"=hex(2):25,00,50,00,25,00,5c,00,\\\r\n  78,00,00,00\r\n", "A", "%P%\\x"},
        {"expandable string (ANSI in REGEDIT4)",
         "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Tool]\n\"A\"=hex(2):25,50,25,00\n", "A", "%P%"},
        {"key removed", head + "@=\"x\"\r\n[-" + kKey + "]\r\n", "", "<no key>"},
        {"parent removed", head + "@=\"x\"\r\n[-HKEY_LOCAL_MACHINE\\Software]\r\n", "", "<no key>"},
        {"sibling with a longer name removed", head + "@=\"x\"\r\n[-" + kKey + "2]\r\n", "", "x"},
        {"values after a removal belong to nothing",
         head + "[-HKEY_LOCAL_MACHINE\\Software\\Other]\r\n@=\"x\"\r\n", "", "<no value>"},
        {"key made again after removal",
         head + "@=\"x\"\r\n[-" + kKey + "]\r\n[" + kKey + "]\r\n\"B\"=\"y\"\r\n", "", "<no value>"},
        {"comments and junk lines skipped",
         head + "; @=\"comment\"\r\njunk\r\n\"A\r\n\"B\"=\"open\r\n\"C\"=\"x\" tail\r\n"
                "\"D\"=hex(zz):00\r\n\"E\"=hex:1,2,300\r\n[unclosed\r\n@=\"kept\"\r\n",
         "", "kept"},
        {"a byte of three hex digits makes a junk line", head + "\"A\"=\"1\"\r\n\"A\"=hex(2):410,00\r\n", "A", "1"},
        {"hex bytes without a comma make a junk line", head + "\"A\"=\"1\"\r\n\"A\"=hex(2):41 00\r\n", "A", "1"},
        {"a missing hex byte makes a junk line", head + "\"A\"=\"1\"\r\n\"A\"=hex(2):41,,00\r\n", "A", "1"},
        {"unclosed value skipped", head + "@=\"good\"\r\n@=\"bad\r\n", "", "good"},
        {"values before any key", std::string(kV5) + "@=\"x\"\r\n", "", "<no key>"},
        {"no header", "[HKEY_LOCAL_MACHINE\\Software\\Tool]\r\n@=\"x\"\r\n", "", "<no key>"},
        // 表 is 95 5C in Shift-JIS: its second byte is no escape.
        {"Shift-JIS second byte 5C before the quote", head + "@=\"D:\\\\\x95\x5C\"\r\n", "",
         "D:\\\x95\x5C"},
        {"Shift-JIS value name", head + "\"\x83\x63\x81\x5B\x83\x8B\"=\"x\"\r\n",
         "\x83\x63\x81\x5B\x83\x8B", "x"},
        // イ (83 43) and ツ (83 63): their second bytes differ only as C and c do.
        {"Shift-JIS second bytes are not letters", head + "\"\x83\x43\"=\"x\"\r\n", "\x83\x63",
         "<no value>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Lookup(c.file, c.value), c.expected) << c.name;
    }
}

TEST(RegFileTest, DecodesTheEditorsUnicodeForms) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string expected;
    };
    const std::string utf8File = std::string("Windows Registry Editor Version 5.00\r\n\r\n") + "[" +
                                 kKey + "]\r\n@=\"C:\\\\ツール表\\\\x.exe\"\r\n";
    const Case cases[] = {
        {"UTF-16 with byte-order mark", "\xFF\xFE" + Utf16(utf8File),
         "C:\\\x83\x63\x81\x5B\x83\x8B\x95\x5C\\x.exe"},
        {"UTF-8 with byte-order mark", "\xEF\xBB\xBF" + utf8File,
         "C:\\\x83\x63\x81\x5B\x83\x8B\x95\x5C\\x.exe"},
        // Each half of a surrogate pair is a character of its own.
        {"characters CP932 lacks become ?", "\xFF\xFE" + Utf16(std::string(kV5) + "[" + kKey +
                                                               "]\r\n@=\"a€b😀c\"\r\n"),
         "a?b??c"},
        {"hex(2) in a UTF-16 file",
         "\xFF\xFE" + Utf16(std::string(kV5) + "[" + kKey + "]\r\n@=hex(2):c4,30,fc,30,00,00\r\n"),
         "\x83\x63\x81\x5B"},
        {"cut-off last character", "\xFF\xFE" + Utf16(utf8File) + "\x41", "C:\\\x83\x63\x81\x5B\x83\x8B\x95\x5C\\x.exe"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Lookup(c.bytes, ""), c.expected) << c.name;
    }
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
