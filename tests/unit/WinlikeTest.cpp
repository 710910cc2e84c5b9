// The library of Windows behaviour, table by table. On the host each table
// checks the library; built for Windows and run under Wine, the same table
// is also held against the real call where there is one (MultiByteToWideChar,
// WideCharToMultiByte, GetFullPathNameA, FindFirstFileA, the shell's link
// object), so that the rows say what Windows does and not only what the
// library does. Rows that Wine answers otherwise than Windows say so and are
// not held against Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "winlike/Arguments.h"
#include "winlike/CodePage.h"
#include "winlike/FindPattern.h"
#include "winlike/FullPath.h"
#include "winlike/IniFile.h"
#include "winlike/ShellLink.h"
#include "winlike/WindowsPath.h"

#ifdef _WIN32
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#else
#include "winlike/Conversion.h"
#endif

namespace {

namespace fs = std::filesystem;

// ---- The code page ---------------------------------------------------------

// CP932 text in UTF-16, as Windows converts it (or the library).
std::u16string Wide(const std::string& ansi) {
#ifdef _WIN32
    const int units = MultiByteToWideChar(932, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::u16string wide(static_cast<size_t>(units), u'\0');
    MultiByteToWideChar(932, 0, ansi.data(), static_cast<int>(ansi.size()), reinterpret_cast<wchar_t*>(&wide[0]),
                        units);
    return wide;
#else
    return WideFromAnsi(ansi);
#endif
}

// UTF-16 text in CP932, as Windows converts it (or the library).
std::string Ansi(const std::u16string& wide) {
#ifdef _WIN32
    const auto* units = reinterpret_cast<const wchar_t*>(wide.data());
    const int bytes = WideCharToMultiByte(932, 0, units, static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(932, 0, units, static_cast<int>(wide.size()), &ansi[0], bytes, nullptr, nullptr);
    return ansi;
#else
    std::string bytes;
    for (char16_t unit : wide) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return AnsiFromUtf16(bytes);
#endif
}

TEST(WinlikeCodePage, AnsiTextInUnicode) {
    struct Case {
        std::string ansi;
        std::u16string wide;
    };
    const Case cases[] = {
        {"C:\\Tools\\a.exe", u"C:\\Tools\\a.exe"},
        {"\x83\x41\x83\x62\x83\x76", u"アップ"},
        // The second byte of 表 is 0x5C and stays inside the character.
        {"C:\\\x95\x5C\\x", u"C:\\表\\x"},
        {"\xB1\xDD", u"ｱﾝ"},
        // The NEC and IBM extensions of code page 932.
        {"\x87\x40\xFA\x40", u"①ⅰ"},
        // What makes no character of the code page: a lead byte with a
        // second byte that does not fit, or none, stands for "・"; the
        // single bytes 0x80, 0xA0 and 0xFD have code points of their own.
        {"C:\\Tools\\\x95", u"C:\\Tools\\・"},
        {"a\x81 b\x85\x40", u"a・b・"},
        {"\x80\xA0\xFD", u"\u0080\uF8F0\uF8F1"},
    };
    for (const Case& c : cases) EXPECT_EQ(Wide(c.ansi), c.wide) << c.ansi;
}

TEST(WinlikeCodePage, UnicodeTextInAnsi) {
    struct Case {
        std::u16string wide;
        std::string ansi;
    };
    const Case cases[] = {
        {u"abc", "abc"},
        {u"アップ表", "\x83\x41\x83\x62\x83\x76\x95\x5C"},
        // Latin-1 letters lose their accents; what the code page lacks is "?".
        {u"café", "cafe"},
        {u"a€b", "a?b"},
        {u"\u00A5", "\\"},
        // Each half of a surrogate pair is a character of its own.
        {u"😀", "??"},
    };
    for (const Case& c : cases) EXPECT_EQ(Ansi(c.wide), c.ansi);
}

#ifndef _WIN32
// The bytes of a script as Windows reads them into its code page: a
// character with two codes comes back in the one Windows prefers; what
// makes no character is "・" (0x81 0x45) with the byte after it.
TEST(WinlikeCodePage, FileTextAsWindowsReadsIt) {
    struct Case {
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"a\x81\x7E\x83\x41", "a\x81\x7E\x83\x41"},  // "×" ends in 0x7E, "ア"
        {"\x87\x90\xED\x40", "\x81\xE0\xFA\x5C"},     // NEC and IBM codes of "≒" and "纊"
        {"a\x81 b", "a\x81\x45" "b"},
        {"\x85\x40", "\x81\x45"},
        {"x\x95", "x\x81\x45"},
    };
    for (const Case& c : cases) EXPECT_EQ(WindowsAnsiText(c.bytes), c.text);
}
#endif

TEST(WinlikeCodePage, NamesCompareAsWindowsComparesThem) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"UPDATER", "updater", true},
        {"Proc1", "PROC1", true},
        // Full-width letters and the second bytes of double-byte characters
        // are no ASCII letters: 0x83 0x41 (ア) is not 0x83 0x61 (ゃ).
        {"\x82\x60", "\x82\x81", false},
        {"\x83\x41", "\x83\x61", false},
        {"a", "a ", false},
    };
    for (const Case& c : cases) EXPECT_EQ(SameNameNoCase(c.a, c.b), c.same) << c.a << " " << c.b;
    // A name may end in a lead byte: nothing after the name is compared.
    EXPECT_TRUE(SameNameNoCase(std::string_view("ab\x81X", 3), std::string_view("ab\x81Y", 3)));
    EXPECT_TRUE(EqualsAsciiNoCase("Tool.EXE", "tool.exe"));
    EXPECT_EQ(Utf8CharacterCount("a表ｱ"), 3u);
}

// UTF-8 as the host's tools read it: the edges of each length, and what is
// no character (overlong forms, surrogates, past U+10FFFF, cut off).
TEST(WinlikeCodePage, Utf8CharactersAndTheirCodes) {
    const struct {
        std::string bytes;
        size_t length;
        unsigned code;
    } cases[] = {
        {"\x7F", 1, 0x7F},           {"\xC2\x80", 2, 0x80},         {"\xDF\xBF", 2, 0x7FF},
        {"\xE0\xA0\x80", 3, 0x800},  {"\xEF\xBF\xBF", 3, 0xFFFF},  {"\xF0\x90\x80\x80", 4, 0x10000},
        {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
        {"\x80", 0, 0},               {"\xC1\xBF", 0, 0},           {"\xE0\x9F\xBF", 0, 0},
        {"\xED\xA0\x80", 0, 0},       {"\xF0\x8F\xBF\xBF", 0, 0},   {"\xF4\x90\x80\x80", 0, 0},
        {"\xF5\x80\x80\x80", 0, 0},   {"\xE3\x81", 0, 0},           {"\xE3\x41\x81", 0, 0},
    };
    for (const auto& c : cases) {
        unsigned code = 0;
        EXPECT_EQ(DecodeUtf8(c.bytes, 0, code), c.length) << std::hex << unsigned(static_cast<unsigned char>(c.bytes[0]));
        if (c.length != 0) {
            EXPECT_EQ(code, c.code);
        }
        EXPECT_EQ(Utf8SequenceLength(c.bytes, 0), c.length != 0 ? c.length : 1u);
    }
}

// ---- Paths -------------------------------------------------------------------

// The current folder the table's relative paths start from.
#ifdef _WIN32
bool CurrentFolder(char& drive, std::vector<std::string>& folders) {
    char buffer[MAX_PATH];
    if (GetCurrentDirectoryA(MAX_PATH, buffer) == 0) return false;
    drive = UpperAscii(buffer[0]);
    folders = SplitComponents(buffer + 2, '\\');
    return true;
}
#else
bool CurrentFolder(char& drive, std::vector<std::string>& folders) {
    drive = 'C';
    folders = {"cur", "dir"};
    return true;
}
#endif

// The full path of `path`: Windows' own (GetFullPathNameA) or the library's.
std::string FullPath(const std::string& path) {
#ifdef _WIN32
    char buffer[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    return length == 0 || length >= MAX_PATH ? "<none>" : std::string(buffer, length);
#else
    WindowsPathParts parts;
    if (!ParseWindowsPath(path, CurrentFolder, 'Z', parts)) return "<none>";
    std::string full = std::string(1, parts.drive) + ":";
    for (const std::string& folder : parts.folders) full += "\\" + folder;
    return full + "\\" + TrimTrailingDotsAndBlanks(parts.name);
#endif
}

TEST(WinlikePath, FullPathsAsWindowsMakesThem) {
    char drive = 0;
    std::vector<std::string> current;
    ASSERT_TRUE(CurrentFolder(drive, current));
    std::string here = std::string(1, drive) + ":";
    for (const std::string& folder : current) here += "\\" + folder;
    const std::string parent = here.substr(0, here.rfind('\\'));
    const std::string top = std::string(1, drive) + ":";

    struct Case {
        std::string path;
        std::string full;
    };
    const Case cases[] = {
        {"C:\\a\\b.txt", "C:\\a\\b.txt"},
        {"C:/a/./b/../c", "C:\\a\\c"},
        {"C:\\a\\..\\..\\..\\x", "C:\\x"},
        {"C:\\a\\b\\", "C:\\a\\b\\"},
        {"C:\\a\\name. ", "C:\\a\\name"},
        {"x\\y", here + "\\x\\y"},
        {"..\\y", parent + "\\y"},
        {"\\y", top + "\\y"},
    };
    for (const Case& c : cases) EXPECT_EQ(FullPath(c.path), c.full) << c.path;
#ifndef _WIN32
    // Network and device paths are not taken apart: on the host they name nothing.
    for (const char* path : {"\\\\server\\share\\a.txt", "//server/share", "\\\\?\\C:\\a"}) {
        EXPECT_EQ(FullPath(path), "<none>") << path;
    }
    // Without a current folder (it was removed), a relative path names
    // nothing; a rooted one is on the fallback drive.
    const auto none = [](char&, std::vector<std::string>&) { return false; };
    WindowsPathParts parts;
    EXPECT_FALSE(ParseWindowsPath("x\\y", none, 'Z', parts));
    ASSERT_TRUE(ParseWindowsPath("\\y", none, 'Z', parts));
    EXPECT_EQ(parts.drive, 'Z');
#endif
}

TEST(WinlikePath, FolderIsTheTextBeforeTheLastBackslash) {
    struct Case {
        const char* path;
        bool found;
        const char* folder;  // what the out argument holds afterwards
    };
    const Case cases[] = {
        {"C:\\Tools\\app.exe", true, "C:\\Tools"},
        {"C:\\app.exe", true, "C:"},
        {"C:\\Tools\\", true, "C:\\Tools"},
        // The second byte of 表 counts as a backslash.
        {"C:\\\x95\x5C.exe", true, "C:\\\x95"},
        {"app.exe", false, "unchanged"},
        {"\\app.exe", false, "unchanged"},
        {"C:/Tools/app.exe", false, "unchanged"},
    };
    for (const Case& c : cases) {
        TextString folder("unchanged");
        EXPECT_EQ(DirectoryOfPath(c.path, folder), c.found) << c.path;
        EXPECT_STREQ(folder.CStr(), c.folder) << c.path;
    }
}

// ---- FindFirstFileA's file-name expression -------------------------------------

// The names of `names` that `pattern` finds: FindFirstFileA's answer in a
// folder holding them, or the library's.
std::set<std::string> Found(const std::vector<std::string>& names, const std::string& pattern) {
    std::set<std::string> found;
#ifdef _WIN32
    ScratchDir dir;
    for (const std::string& name : names) dir.Write(name, "x");
    WIN32_FIND_DATAA entry;
    const std::string query = dir.windows() + "\\" + pattern;
    HANDLE search = FindFirstFileA(query.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") found.insert(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
#else
    FindPattern expression;
    if (!expression.Compile(pattern)) return found;
    for (const std::string& name : names) {
        if (expression.Matches(name)) found.insert(name);
    }
#endif
    return found;
}

TEST(WinlikeFindPattern, WildcardsMatchAsFindFirstFileMatches) {
    const std::vector<std::string> names = {"a", "a.txt", "ab.txt", "noext", "x.y.z", "x.y", "Mixed.Ini",
                                            "readme.TXT", "long.html"};
    using Set = std::set<std::string>;
    const Set all(names.begin(), names.end());
    struct Case {
        const char* pattern;
        Set found;
        bool wineDiffers;  // Wine rewrites this pattern otherwise
    };
    const Case cases[] = {
        {"*", all, false},
        {"*.*", all, false},
        {"*.*.", all, false},
        {"*.txt", {"a.txt", "ab.txt", "readme.TXT"}, false},
        {"*.z", {"x.y.z"}, false},
        {"x.*", {"x.y.z", "x.y"}, false},
        {"?.txt", {"a.txt"}, false},
        {"a*", {"a", "a.txt", "ab.txt"}, false},
        // A dot before a wildcard also matches the end of the name.
        {"a.*", {"a", "a.txt"}, false},
        // Letters in any case; trailing dots and blanks dropped.
        {"MIXED.ini", {"Mixed.Ini"}, false},
        {"a.txt. ", {"a.txt"}, false},
        {"nothing*", {}, false},
        // A name has no second, short name here: "*.htm" does not find
        // "long.html".
        {"*.htm", {}, true},
        // "*." finds names without a dot; "?" also matches no character at
        // a dot or at the end.
        {"*.", {"a", "noext"}, true},
        {"x*.", {}, true},
        {"?", {"a"}, true},
        {"??.txt", {"a.txt", "ab.txt"}, true},
        {"x.??", {"x.y"}, true},
        {"a?txt", {}, true},
        {"a??", {"a"}, true},
    };
    const bool wine = UnderWine();
    for (const Case& c : cases) {
        if (wine && c.wineDiffers) continue;
        EXPECT_EQ(Found(names, c.pattern), c.found) << c.pattern;
    }
}

// ---- Shell links -------------------------------------------------------------------

#ifdef _WIN32
// The fields of a shortcut file as the shell's link object reads them.
struct LinkFields {
    std::string path;
    std::string folder;
    std::string arguments;
    int showCommand = 0;
};

bool LoadLink(const std::string& file, LinkFields& fields) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link)))) {
        return false;
    }
    IPersistFile* persist = nullptr;
    bool loaded = false;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        const std::wstring name(file.begin(), file.end());
        if (SUCCEEDED(persist->Load(name.c_str(), STGM_READ))) {
            char text[MAX_PATH * 2];
            link->GetPath(text, sizeof text, nullptr, 0);
            fields.path = text;
            link->GetWorkingDirectory(text, sizeof text);
            fields.folder = text;
            link->GetArguments(text, sizeof text);
            fields.arguments = text;
            link->GetShowCmd(&fields.showCommand);
            loaded = true;
        }
        persist->Release();
    }
    link->Release();
    return loaded;
}
#endif

TEST(WinlikeShellLink, EncodedFilesReadBackThroughTheShell) {
    struct Case {
        std::string target;
        std::u16string folder;
        std::u16string arguments;
        uint32_t showCommand;
    };
    const Case cases[] = {
        {"C:\\Tools\\tool.exe", u"C:\\Tools", u"/s \"two words\"", 1},
        {"C:\\Program Files\\App\\app.exe", u"C:\\Program Files\\App", u"", 3},
        {"C:\\app.exe", u"", u"x", 7},
    };
    for (const Case& c : cases) {
        ShellLinkContent content;
        content.targetAnsi = c.target;
        content.target = std::u16string(c.target.begin(), c.target.end());
        content.workingDirectory = c.folder;
        content.arguments = c.arguments;
        content.showCommand = c.showCommand;
        std::vector<unsigned char> bytes;
        ASSERT_TRUE(EncodeShellLink(content, bytes));
        ASSERT_GE(bytes.size(), shell_link::kHeaderSize);
        EXPECT_EQ(bytes[shell_link::kShowCommandOffset], c.showCommand);
#ifdef _WIN32
        ScratchDir dir;
        dir.Write("link.lnk", std::string(bytes.begin(), bytes.end()));
        CoInitialize(nullptr);
        LinkFields fields;
        EXPECT_TRUE(LoadLink(dir.windows("link.lnk"), fields)) << c.target;
        CoUninitialize();
        EXPECT_EQ(fields.path, c.target);
        EXPECT_EQ(fields.folder, std::string(c.folder.begin(), c.folder.end()));
        EXPECT_EQ(fields.arguments, std::string(c.arguments.begin(), c.arguments.end()));
        // Wine's link object does not take the window state from the file.
        if (!UnderWine()) {
            EXPECT_EQ(fields.showCommand, static_cast<int>(c.showCommand));
        }
#endif
    }
}

// ---- The C runtime's arguments ------------------------------------------------------
// (What a started program really receives is checked by tests/wine/lnk-check.sh,
// which starts argdump through both editions.)

TEST(WinlikeArguments, SplitAsTheCRuntimeSplits) {
    using Args = std::vector<std::string>;
    struct Case {
        const char* text;
        Args expected;
    };
    const Case cases[] = {
        // The examples of the C runtime's documentation.
        {R"("a b c" d e)", {"a b c", "d", "e"}},
        {R"("ab\"c" "\\" d)", {"ab\"c", "\\", "d"}},
        {R"(a\\\b d"e f"g h)", {R"(a\\\b)", "de fg", "h"}},
        {R"(a\\\"b c d)", {R"(a\"b)", "c", "d"}},
        {R"(a\\\\"b c" d e)", {R"(a\\b c)", "d", "e"}},
        {R"(a"b"" c d)", {"ab\" c d"}},
        // Blanks, empty and unfinished arguments.
        {"", {}},
        {" \t ", {}},
        {"a\t b  ", {"a", "b"}},
        {R"(a "" b)", {"a", "", "b"}},
        {R"("a b)", {"a b"}},
        {R"(""")", {"\""}},
        // Paths: backslashes stay unless they precede a quote.
        {R"(C:\Tools\ "C:\Program Files\\")", {"C:\\Tools\\", "C:\\Program Files\\"}},
        // A double-byte character is taken whole: its second byte 0x5C is
        // no backslash, so the quote after it still opens a quoted part.
        {"\x95\x5C\"b c\"", {"\x95\x5C" "b c"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitArguments(c.text), c.expected) << c.text;
}

// ---- The INI reader's places -----------------------------------------------------

TEST(WinlikeIniFile, SectionsAndKeysKeepTheirLines) {
    const IniFile file(
        "; leading comment\r\n"
        "stray=1\r\n"
        "[UPDATER]\r\n"
        "NAME=Setup\r\n"
        "\r\n"
        "PROC=A, B\r\n"
        "[A]\n"
        "MODE=COPY\n"
        "MODE=DELETE\n"
        "; inside\n"
        "[updater]\r"
        "NAME=second\r");
    ASSERT_EQ(file.Sections().size(), 3u);
    EXPECT_EQ(file.Preamble().size(), 2u);
    const IniSection* updater = file.FindSection("Updater");
    ASSERT_NE(updater, nullptr);
    EXPECT_EQ(updater->line, 3u);
    // The first of two sections and of two keys of one name counts.
    EXPECT_EQ(IniFile::FindKey(*updater, "name")->value, "Setup");
    EXPECT_EQ(IniFile::FindKey(*updater, "PROC")->line, 6u);
    const IniSection* a = file.FindSection("A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(IniFile::FindKey(*a, "MODE")->value, "COPY");
    EXPECT_EQ(a->lines.size(), 3u);
    EXPECT_EQ(a->lines[2].kind, IniLine::kComment);
    EXPECT_EQ(a->lines[2].line, 10u);
    EXPECT_EQ(file.Sections()[2].line, 11u);
    EXPECT_EQ(file.FindSection("missing"), nullptr);
    char untouched[1] = {'x'};  // a block of no size is left alone
    EXPECT_EQ(ProfileSectionOf(file, "A", untouched, 0), 0u);
    EXPECT_EQ(untouched[0], 'x');
}

}  // namespace
