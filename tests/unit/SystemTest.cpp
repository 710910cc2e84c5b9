// What the system says of itself: the family and the folders, and the
// symbols the engine makes of them.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <string>

#include "TestSupport.h"
#include "engine/Startup.h"
#include "engine/AppPaths.h"
#include "engine/RunState.h"
#include "engine/Symbols.h"
#include "platform/Registry.h"
#include "platform/System.h"

#ifndef _WIN32
#include "platform/posix/HostPath.h"
#include "winlike/Conversion.h"
#endif

namespace {

#ifndef _WIN32

// Sets NEMURIA_WINDOWS_FAMILY for the life of the object ("" removes it).
class FamilySetting {
public:
    explicit FamilySetting(const char* family) {
        const char* old = getenv(kName);
        had_ = old != nullptr;
        if (had_) old_ = old;
        if (*family != '\0') {
            setenv(kName, family, 1);
        } else {
            unsetenv(kName);
        }
    }
    ~FamilySetting() {
        if (had_) {
            setenv(kName, old_.c_str(), 1);
        } else {
            unsetenv(kName);
        }
    }

private:
    static constexpr const char* kName = "NEMURIA_WINDOWS_FAMILY";
    bool had_ = false;
    std::string old_;
};

// The path of a special folder, or "<false>".
std::string Folder(int csidl) {
    TextString out("untouched");
    return GetSpecialFolderPath(nullptr, csidl, out) ? out.CStr() : std::string("<false>");
}

TEST(SystemTest, HostFamilyAndFoldersFollowTheSetting) {
    const std::string user = "C:\\Users\\" + AnsiFromUtf8(HostLoginName());
    struct Case {
        const char* family;
        bool nt;
        std::string desktop;
        std::string programs;
    };
    const Case cases[] = {
        {"", true, "C:\\Users\\Public\\Desktop",
         "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
        {"NT", true, "C:\\Users\\Public\\Desktop",
         "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
        {"95", false, user + "\\Desktop",
         user + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
    };
    for (const Case& c : cases) {
        FamilySetting family(c.family);
        EXPECT_EQ(IsWindowsNT(), c.nt) << c.family;

        // The symbols take the folders of the family.
        RunState run;
        run.ModulePath.Assign("Z:\\opt\\app\\updater");
        LoadSymbols(run);
        TextString value;
        ASSERT_TRUE(LookupSymbol(run.SymbolTable, "<Desktop>", value));
        EXPECT_EQ(value.CStr(), c.desktop) << c.family;
        ASSERT_TRUE(LookupSymbol(run.SymbolTable, "<Programs>", value));
        EXPECT_EQ(value.CStr(), c.programs) << c.family;
        ASSERT_TRUE(LookupSymbol(run.SymbolTable, "<Win>", value));
        EXPECT_STREQ(value.CStr(), "C:\\WINDOWS");
        ASSERT_TRUE(LookupSymbol(run.SymbolTable, "<Sys>", value));
        EXPECT_STREQ(value.CStr(), "C:\\WINDOWS\\system32");
    }
    // A folder the host does not know leaves the output as it was.
    TextString out("untouched");
    EXPECT_FALSE(GetSpecialFolderPath(nullptr, 0x05, out));
    EXPECT_STREQ(out.CStr(), "untouched");
}

// The folders the host names are the folders its root holds.
TEST(SystemTest, HostFoldersExistInTheRoot) {
    ScratchDir dir;
    const char* old = getenv("NEMURIA_ROOT");
    const std::string saved = old != nullptr ? old : "";
    setenv("NEMURIA_ROOT", dir.native().c_str(), 1);
    EnsureHostRoot();
    const int folders[] = {kCsidlPrograms, kCsidlDesktopDirectory, kCsidlCommonPrograms,
                           kCsidlCommonDesktopDirectory};
    for (int folder : folders) {
        std::string host;
        ASSERT_TRUE(ToHostPath(Folder(folder).c_str(), host)) << folder;
        EXPECT_TRUE(std::filesystem::is_directory(host)) << host;
    }
    char windows[260] = {};
    WindowsDirectory(windows, sizeof windows);
    char system[260] = {};
    SystemDirectory(system, sizeof system);
    for (const char* path : {windows, system}) {
        std::string host;
        ASSERT_TRUE(ToHostPath(path, host)) << path;
        EXPECT_TRUE(std::filesystem::is_directory(host)) << host;
    }
    if (old != nullptr) {
        setenv("NEMURIA_ROOT", saved.c_str(), 1);
    } else {
        unsetenv("NEMURIA_ROOT");
    }
}

#else  // _WIN32

TEST(SystemTest, ShellFoldersAndTheirFailures) {
    EXPECT_TRUE(IsWindowsNT());
    for (int folder : {kCsidlPrograms, kCsidlDesktopDirectory, kCsidlCommonPrograms,
                       kCsidlCommonDesktopDirectory}) {
        TextString out("untouched");
        EXPECT_TRUE(GetSpecialFolderPath(nullptr, folder, out)) << folder;
        EXPECT_EQ(std::string(out.CStr()).substr(1, 2), ":\\") << folder;
    }
    // A folder the shell does not know leaves the output as it was; one
    // without a file-system path (My Computer) leaves it empty.
    TextString out("untouched");
    EXPECT_FALSE(GetSpecialFolderPath(nullptr, 0x7FF0, out));
    EXPECT_STREQ(out.CStr(), "untouched");
    EXPECT_FALSE(GetSpecialFolderPath(nullptr, 0x11, out));
    EXPECT_STREQ(out.CStr(), "");
}

TEST(SystemTest, RegistryValuesReadAsText) {
    RegistryKey key(kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion");
    TextString out("untouched");
    EXPECT_TRUE(key.QueryValue("programfilesdir", out));
    EXPECT_EQ(std::string(out.CStr()).substr(1, 2), ":\\");
    EXPECT_EQ(key.ValueSize("ProgramFilesDir"), 0u);  // closed again

    out.Assign("untouched");
    EXPECT_FALSE(key.QueryValue("NoSuchValue", out));
    EXPECT_FALSE(LookupAppPath("no-such-application.exe", out, true));
    EXPECT_STREQ(out.CStr(), "untouched");
}

#endif  // _WIN32

// A block too small for the directory is left alone, as Windows leaves it.
TEST(SystemTest, DirectoriesFitTheCallersBlock) {
    for (void (*query)(char*, unsigned) : {WindowsDirectory, SystemDirectory}) {
        char block[260] = {};
        query(block, sizeof block);
        const size_t length = std::strlen(block);
        ASSERT_GT(length, 2u);
        EXPECT_EQ(block[1], ':');

        char tight[260] = {};
        query(tight, static_cast<unsigned>(length + 1));
        EXPECT_STREQ(tight, block);
        char small[260] = {};
        query(small, static_cast<unsigned>(length));
        EXPECT_EQ(small[length - 1], '\0');
    }
}

}  // namespace
