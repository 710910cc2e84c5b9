// What the system says of itself: the family and the folders.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "TestSupport.h"
#include "engine/AppPaths.h"
#include "platform/Registry.h"
#include "platform/System.h"

#ifndef _WIN32
#include <filesystem>

#include "platform/posix/HostPath.h"
#endif

namespace {

#ifndef _WIN32

// The family the host reports follows NEMURIA_WINDOWS_FAMILY, the folders
// follow the family, and each is a folder of the root. (The folders' names
// are shown by the scenarios folders-nt and folders-95.)
TEST(SystemTest, HostFamilyAndFoldersFollowTheSetting) {
    ScratchDir dir;
    ScopedEnv root("NEMURIA_ROOT", dir.native().c_str());
    EnsureHostRoot();
    struct Case {
        const char* family;
        bool nt;
    };
    for (const Case& c : {Case{nullptr, true}, Case{"NT", true}, Case{"95", false}}) {
        ScopedEnv family("NEMURIA_WINDOWS_FAMILY", c.family);
        EXPECT_EQ(IsWindowsNT(), c.nt);
        for (int folder : {kCsidlPrograms, kCsidlDesktopDirectory, kCsidlCommonPrograms,
                           kCsidlCommonDesktopDirectory}) {
            TextString out("untouched");
            ASSERT_TRUE(GetSpecialFolderPath(nullptr, folder, out)) << folder;
            std::string host;
            ASSERT_TRUE(ToHostPath(out.CStr(), host)) << out.CStr();
            EXPECT_TRUE(std::filesystem::is_directory(host)) << host;
        }
    }
    // A folder the host does not know leaves the output as it was.
    TextString out("untouched");
    EXPECT_FALSE(GetSpecialFolderPath(nullptr, 0x05, out));
    EXPECT_STREQ(out.CStr(), "untouched");
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
