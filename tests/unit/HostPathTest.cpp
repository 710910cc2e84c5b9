// The host's Windows view of the file system: drive mapping, names found
// without regard to case, paths resolved on the text, the root and its
// folders, and the program's own path.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "platform/Module.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/Rehearsal.h"
#include "winlike/Conversion.h"

namespace fs = std::filesystem;

namespace {

std::string RealPath(const fs::path& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path.string();
}

// Points NEMURIA_ROOT at a folder of the scratch folder; puts the
// environment and the current folder back afterwards.
class HostPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch = RealPath(dir.native());  // as the host names it, without links
        drive_c = HostRoot() + "/drive_c";
    }
    void TearDown() override { fs::current_path(savedFolder_); }
    static void UseRoot(const fs::path& root) { setenv("NEMURIA_ROOT", root.c_str(), 1); }

    ScratchDir dir;
    ScopedEnv root_{"NEMURIA_ROOT", dir.at("root").c_str()};  // UseRoot changes it, this puts it back
    fs::path savedFolder_ = fs::current_path();
    std::string scratch;
    std::string drive_c;
};

std::string Mapped(const std::string& windowsPath) {
    std::string host;
    return ToHostPath(windowsPath.c_str(), host) ? host : "<none>";
}

TEST_F(HostPathTest, MapsDrivesAndFindsNamesWithoutRegardToCase) {
    dir.Write("Folder/File.txt", "x");
    dir.Write("Dup/a", "");
    dir.Write("DUP/a", "");
    const std::string z = ToWindowsPath(scratch);  // Z:\tmp\updater-test-...
    const struct {
        std::string windows;
        std::string host;
    } cases[] = {
        {"C:\\", drive_c},
        {"c:\\windows\\SYSTEM32", drive_c + "/WINDOWS/system32"},
        {"C:/Windows/System32/New.dll", drive_c + "/WINDOWS/system32/New.dll"},
        {"Z:\\", "/"},
        {"z:\\TMP", "/tmp"},
        {z + "\\folder\\FILE.TXT", scratch + "/Folder/File.txt"},
        {z + "\\FOLDER\\missing\\name.TXT", scratch + "/Folder/missing/name.TXT"},
        {z + "\\\\Folder//File.txt", scratch + "/Folder/File.txt"},
        // Exact case first; otherwise the first match in byte order.
        {z + "\\Dup", scratch + "/Dup"},
        {z + "\\dup", scratch + "/DUP"},
        // "." and ".." on the text, even through folders that do not exist.
        {z + "\\nowhere\\..\\Folder\\.\\File.txt", scratch + "/Folder/File.txt"},
        {"Z:\\tmp\\..\\..\\..\\tmp", "/tmp"},
        {"C:\\..", drive_c},
        // Trailing dots and blanks of the last component, one dot of a folder.
        {z + "\\Folder\\File.txt. .", scratch + "/Folder/File.txt"},
        {z + "\\Folder.\\File.txt", scratch + "/Folder/File.txt"},
        {z + "\\Folder..\\File.txt", scratch + "/Folder./File.txt"},
        {z + "\\Folder\\...", scratch + "/Folder"},
        // Nothing the host can reach.
        {"", "<none>"},
        {"D:\\data", "<none>"},
        {"\\\\server\\share\\file", "<none>"},
        {z + "\\Fold*\\File.txt", "<none>"},
        {z + "\\Folder\\*.txt", "<none>"},
        {z + "\\Folder\\a<b", "<none>"},
        {z + "\\Folder\\a:b", "<none>"},
        {z + "\\...\\File.txt", "<none>"},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(Mapped(test.windows), test.host) << test.windows;
    }
    // As written (the script's path, read key after key), a path on drive
    // C: follows the root; only one on Z: is the same whatever the root.
    std::string host;
    ASSERT_TRUE(ToHostPathAsWritten("C:\\Later\\x", host));
    EXPECT_EQ(host, drive_c + "/Later/x");
    UseRoot(dir.at("other"));
    ASSERT_TRUE(ToHostPathAsWritten("C:\\Later\\x", host));
    EXPECT_EQ(host, HostRoot() + "/drive_c/Later/x");
    // A pattern, or a drive that names nothing, is no script's path.
    for (const char* none : {"C:\\Later\\*.ini", "Z:\\tmp\\?.ini", "Q:\\x.ini"}) {
        EXPECT_FALSE(ToHostPathAsWritten(none, host)) << none;
    }
}

// A path of more than 259 characters names nothing, as in the ANSI calls
// of Windows, whether or not the file is there; a double-byte character of
// the code page counts once.
TEST_F(HostPathTest, PathsPastTheWindowsLimitNameNothing) {
    const std::string z = ToWindowsPath(scratch);
    const std::string folder = std::string(200, 'd');
    const size_t room = 259 - (z.size() + 1 + folder.size() + 1);
    const std::string fits = std::string(room, 'f');
    const std::string over = fits + "g";
    dir.Write(folder + "/" + fits, "x");
    dir.Write(folder + "/" + over, "x");
    // Twelve katakana (two bytes each in the script, three in UTF-8) in
    // place of twelve letters.
    const std::string kana = "\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41"
                             "\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41";
    const std::string kanaFits = kana + fits.substr(12);
    const struct {
        std::string windows;
        std::string host;
    } cases[] = {
        {z + "\\" + folder + "\\" + fits, scratch + "/" + folder + "/" + fits},
        {z + "\\" + folder + "\\" + over, "<none>"},
        {z + "\\" + folder + "\\" + kanaFits, scratch + "/" + folder + "/" + Utf8FromAnsi(kanaFits)},
        {z + "\\" + folder + "\\" + kanaFits + "g", "<none>"},
        // The limit is on the path as written, before ".." is resolved.
        {z + "\\" + folder + "\\..\\" + folder + "\\" + fits.substr(4), "<none>"},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(Mapped(test.windows), test.host) << test.windows.size() << " bytes";
    }
    HostSearchPath search;
    EXPECT_FALSE(ToHostSearchPath((z + "\\" + folder + "\\" + over).c_str(), search));
}

TEST_F(HostPathTest, RelativePathsUseTheCurrentDriveAndFolder) {
    dir.Write("Folder/File.txt", "x");
    const std::string windowsFolder = drive_c + "/WINDOWS";
    const struct {
        std::string current;
        std::string windows;
        std::string host;
    } cases[] = {
        {scratch, "folder\\file.txt", scratch + "/Folder/File.txt"},
        {scratch, ".", scratch},
        {scratch, "..", fs::path(scratch).parent_path().string()},
        {scratch, "\\tmp", "/tmp"},
        {scratch, "Z:folder", scratch + "/Folder"},
        {scratch, "Z:", scratch},
        {scratch, "C:windows", drive_c + "/WINDOWS"},
        // In drive C: the current drive is C:, and Z: is at its root.
        {windowsFolder, "system32", windowsFolder + "/system32"},
        {windowsFolder, "\\Users", drive_c + "/Users"},
        {windowsFolder, "Z:tmp", "/tmp"},
    };
    for (const auto& test : cases) {
        fs::current_path(test.current);
        EXPECT_EQ(Mapped(test.windows), test.host) << test.current << " + " << test.windows;
    }
}

TEST_F(HostPathTest, NamesHostPathsAsWineDoes) {
    fs::current_path(scratch);
    const struct {
        std::string host;
        std::string windows;
    } cases[] = {
        {"/", "Z:\\"},
        {"/opt/app/updater", "Z:\\opt\\app\\updater"},
        {"/tmp//a/./b/", "Z:\\tmp\\a\\b\\"},
        {drive_c, "C:\\"},
        {drive_c + "/WINDOWS/system32", "C:\\WINDOWS\\system32"},
        {drive_c + "x/file", ScratchDir::WindowsForm(drive_c + "x/file")},
        {"relative/name", ToWindowsPath(scratch) + "\\relative\\name"},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(ToWindowsPath(test.host), test.windows) << test.host;
    }

    // Both ways round for folders that exist.
    for (const std::string& host : {scratch, drive_c + "/WINDOWS/system32", std::string("/")}) {
        EXPECT_EQ(Mapped(ToWindowsPath(host)), host);
    }
}

TEST_F(HostPathTest, ConvertsNamesBetweenShiftJisAndUtf8) {
    // 表 is 0x95 0x5C in Shift-JIS: its second byte is a backslash.
    const std::string sjis = "\x95\x5C";
    const std::string utf8 = "\xE8\xA1\xA8";
    dir.Write(utf8 + "/a.txt", "x");
    const std::string windows = ToWindowsPath(scratch) + "\\" + sjis + "\\a.txt";
    EXPECT_EQ(Mapped(windows), scratch + "/" + utf8 + "/a.txt");
    EXPECT_EQ(ToWindowsPath(scratch + "/" + utf8 + "/a.txt"), windows);
    // Bytes that are no Shift-JIS pass unchanged.
    EXPECT_EQ(Utf8FromAnsi("a\x80" "b"), "a\x80" "b");
}

TEST_F(HostPathTest, CreatesMissingFoldersAlsoInAnExistingRoot) {
    // A root where the user put only the registry file and a lower-case
    // Windows folder.
    dir.Write("existing/system.reg", "REGEDIT4\n");
    fs::create_directories(dir.at("existing/drive_c/windows"));
    UseRoot(dir.at("existing"));
    EnsureHostRoot();

    const std::string root = RealPath(dir.at("existing"));
    EXPECT_EQ(HostRoot(), root);
    const std::string login = HostLoginName();
    for (const std::string& folder : {
             std::string("drive_c/windows/system32"),
             std::string("drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"),
             std::string("drive_c/Users/Public/Desktop"),
             "drive_c/Users/" + login + "/Desktop",
             "drive_c/Users/" + login + "/AppData/Roaming/Microsoft/Windows/Start Menu/Programs",
         }) {
        EXPECT_TRUE(fs::is_directory(root + "/" + folder)) << folder;
    }
    EXPECT_FALSE(fs::exists(root + "/drive_c/WINDOWS")) << "no second Windows folder beside the user's";
    EXPECT_EQ(dir.Read("existing/system.reg"), "REGEDIT4\n");
}

TEST_F(HostPathTest, RootFollowsTheEnvironmentAndIsNamedWithoutLinks) {
    fs::create_directories(dir.at("real"));
    fs::create_directory_symlink(dir.at("real"), dir.at("link"));
    UseRoot(dir.at("link"));
    const std::string real = RealPath(dir.at("real"));
    EXPECT_EQ(HostRoot(), real);
    EXPECT_TRUE(fs::is_directory(real + "/drive_c/WINDOWS/system32"));
    // A path reported without links (as getcwd and /proc/self/exe report
    // them) is on drive C:.
    EXPECT_EQ(ToWindowsPath(real + "/drive_c/Tools/Setup.exe"), "C:\\Tools\\Setup.exe");

    UseRoot(dir.at("other"));
    EXPECT_EQ(HostRoot(), RealPath(dir.at("other")));
    EXPECT_TRUE(fs::is_directory(dir.at("other/drive_c/Users/Public/Desktop")));

    // With NEMURIA_ROOT empty, as without it, the root is below the home folder.
    ScopedEnv home("HOME", dir.at("home").c_str()), noRoot("NEMURIA_ROOT", "");
    EXPECT_EQ(ConfiguredHostRoot(), dir.at("home").string() + "/.local/share/nemuria-updater");
}

TEST_F(HostPathTest, ModulePathIsTheProgramOnItsDriveAndIsCutLikeWindows) {
    const std::string expected = ToWindowsPath(fs::read_symlink("/proc/self/exe").string());
    ASSERT_GT(expected.size(), 3u);
    EXPECT_EQ(expected.substr(0, 3), "Z:\\");
    const unsigned length = static_cast<unsigned>(expected.size());

    const struct {
        unsigned size;
        unsigned result;
        std::string text;
    } cases[] = {
        {260 + length, length, expected},
        {length + 1, length, expected},
        {length, length, expected.substr(0, length - 1)},
        {4, 4, "Z:\\"},
        {1, 1, ""},
    };
    for (const auto& test : cases) {
        std::string buffer(test.size + 8, 'x');
        std::fill(buffer.begin(), buffer.begin() + test.size, '\0');
        EXPECT_EQ(ModuleFilePath(&buffer[0], test.size), test.result) << test.size;
        EXPECT_EQ(std::string(buffer.c_str()), test.text) << test.size;
        EXPECT_EQ(buffer.substr(test.size), std::string(8, 'x')) << "wrote past the block of " << test.size;
    }
    char untouched = 'x';
    EXPECT_EQ(ModuleFilePath(&untouched, 0), 0u);
    EXPECT_EQ(untouched, 'x');
}

// The same from a program whose own path is longer than a first guess at
// its length: these tests, run again from a folder deep in folders.
TEST_F(HostPathTest, ModulePathOfAProgramDeepInFolders) {
    std::string deep = "program";
    while (deep.size() < 400) deep += "/a folder name of some length";
    fs::create_directories(dir.at(deep));
    const fs::path copy = dir.at(deep + "/unit_tests");
    const fs::path self = fs::read_symlink("/proc/self/exe");
    std::error_code linked;
    fs::create_hard_link(self, copy, linked);
    if (linked) fs::copy_file(self, copy);
    const std::string command = "timeout 30 '" + copy.string() +
                                "' --gtest_filter=HostPathTest.ModulePathIsTheProgram* >/dev/null 2>&1";
    const int result = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(result));
    EXPECT_EQ(WEXITSTATUS(result), 0);
}

// The login name names the user's folder under C:\Users; a user the
// system does not know is named by USER, and a name that would not stay
// one folder is "user". Without HOME the root is below the user's home
// folder of the user database, or below /tmp for a user not in it. (Needs
// root to become a user without an entry.)
struct LoginCase {
    uid_t uid;  // 54321 has no entry in the user database; 0 (stay root) has one
    const char* user;
    std::string expected;
};

// The login name and the root as the user of `context` (a LoginCase) sees them.
std::string LoginAndRoot(void* context) {
    const LoginCase& c = *static_cast<const LoginCase*>(context);
    if (c.uid != 0 && setuid(c.uid) != 0) return "setuid failed";
    if (c.user == nullptr) unsetenv("USER"); else setenv("USER", c.user, 1);
    unsetenv("HOME");
    unsetenv("NEMURIA_ROOT");
    return HostLoginName() + " " + ConfiguredHostRoot();
}

TEST(HostLoginTest, NameStaysOneFolderAndTheRootFindsAHome) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to take a user id without an entry";
    const passwd* root = getpwuid(0);
    ASSERT_NE(root, nullptr);
    LoginCase cases[] = {
        {54321, "alice", "alice /tmp"}, {54321, nullptr, "user /tmp"}, {54321, "", "user /tmp"},
        {54321, ".", "user /tmp"},      {54321, "..", "user /tmp"},    {54321, "a/b", "user /tmp"},
        {0, "alice", std::string("root ") + root->pw_dir},
    };
    for (LoginCase& c : cases) {
        std::string seen;
        ASSERT_TRUE(RunInChild(LoginAndRoot, &c, seen));
        EXPECT_EQ(seen, c.expected + "/.local/share/nemuria-updater") << (c.user != nullptr ? c.user : "(unset)");
    }
}

}  // namespace

#endif  // _WIN32
