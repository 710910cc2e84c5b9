// The folder of a path, and the starting of programs on the host: the
// arguments a program receives, its folder, the waits, and the ways in which
// a program cannot be started. (tests/wine/lnk-check.sh starts programs
// through the Windows edition.)
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/ScopedSignal.h"
#include "winlike/Arguments.h"
#endif

#include "TestSupport.h"
#include "platform/FileOps.h"
#include "platform/Process.h"
#include "winlike/WindowsPath.h"

namespace {

#ifndef _WIN32

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// What argdump recorded, by key; empty when it has not written its record.
std::map<std::string, std::string> ReadRecord(const fs::path& file) {
    std::map<std::string, std::string> record;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos) record[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return record;
}

// argdump's escaping of a recorded text.
std::string Escaped(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool WaitForFile(const fs::path& file, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!fs::exists(file)) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class LaunchTest : public ::testing::Test {
protected:
    // A copy of argdump at `relative` in the scratch folder; its Windows path.
    std::string Install(const std::string& relative) {
        const fs::path file = dir.at(relative);
        fs::create_directories(file.parent_path());
        fs::copy_file(ARGDUMP_PATH, file, fs::copy_options::overwrite_existing);
        return dir.windows(relative);
    }

    ScratchDir dir;
};

TEST_F(LaunchTest, ProgramGetsItsArgumentsAndFolder) {
    struct Case {
        const char* installAt;
        const char* programAs;  // how the script names it, below the scratch folder
        const char* parameters;
        Args arguments;
    };
    const Case cases[] = {
        {"bin/argdump", "bin\\argdump", "", {}},
        {"bin/argdump", "bin\\argdump", "/s", {"/s"}},
        {"App Dir/argdump", "App Dir\\argdump", R"(a "b c" d)", {"a", "b c", "d"}},
        {"App Dir/argdump", "app dir\\ARGDUMP", R"("ab\"c" "\\" d)", {"ab\"c", "\\", "d"}},
        {"x/y/argdump", "x\\y\\argdump", R"(C:\Data\ "a\\\"b")", {"C:\\Data\\", "a\\\"b"}},
        // Split in the program's code page, passed on in the host's UTF-8.
        {"x/y/argdump", "x\\y\\argdump", "\x83\x41 \"\x95\x5C x\"", {"\u30A2", "\u8868 x"}},
    };
    for (const Case& c : cases) {
        Install(c.installAt);
        const std::string program = dir.windows(c.programAs);
        ASSERT_TRUE(LaunchProgram(program.c_str(), c.parameters, true)) << program;

        const fs::path host = fs::canonical(dir.at(c.installAt));
        const fs::path recordFile = host.parent_path() / "argdump.txt";
        const auto record = ReadRecord(recordFile);
        EXPECT_EQ(record.at("folder"), Escaped(host.parent_path().string())) << program;
        EXPECT_EQ(record.at("argc"), std::to_string(c.arguments.size() + 1)) << program;
        EXPECT_EQ(record.at("arg0"), Escaped(host.string())) << program;
        for (size_t i = 0; i < c.arguments.size(); ++i) {
            EXPECT_EQ(record.at("arg" + std::to_string(i + 1)), Escaped(c.arguments[i]))
                << program << " argument " << i + 1;
        }
        fs::remove(recordFile);
    }
}

TEST_F(LaunchTest, ProgramsThatCannotStartAreFailures) {
    Install("ok/argdump");
    dir.Write("plain/argdump", "not a program\n");
    fs::permissions(dir.at("plain/argdump"), fs::perms::owner_exec, fs::perm_options::add);
    Install("noexec/argdump");
    fs::permissions(dir.at("noexec/argdump"),
                    fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::remove);
    fs::create_directories(dir.at("folder/argdump"));

    const std::string cases[] = {
        dir.windows("ok\\missing"),
        dir.windows("gone\\argdump"),  // folder missing too
        dir.windows("plain\\argdump"),
        dir.windows("noexec\\argdump"),
        dir.windows("folder\\argdump"),
        dir.windows("ok\\argdump\\"),  // the folder form of a file
        "argdump",                     // no folder part: never searched for
        "\\argdump",
        "Q:\\ok\\argdump",             // a drive that names nothing
    };
    for (const std::string& program : cases) {
        for (bool wait : {true, false}) {
            EXPECT_FALSE(LaunchProgram(program.c_str(), "", wait)) << program << " wait " << wait;
        }
    }
    // Named properly, the same program starts.
    EXPECT_TRUE(LaunchProgram(dir.windows("ok\\argdump").c_str(), "", true));
}

// A folder of one letter, named from the current folder, is a folder like
// any other.
TEST_F(LaunchTest, ProgramInAOneLetterFolderOfTheCurrentFolderStarts) {
    Install("b/argdump");
    const fs::path saved = fs::current_path();
    fs::current_path(dir.native());
    const bool started = LaunchProgram("b\\argdump", "r", true);
    fs::current_path(saved);
    ASSERT_TRUE(started);
    const auto record = ReadRecord(dir.at("b/argdump.txt"));
    EXPECT_EQ(record.at("arg1"), "r");
    EXPECT_EQ(record.at("folder"), Escaped(fs::canonical(dir.at("b")).string()));
}

TEST_F(LaunchTest, WaitReturnsAfterTheEndWhateverTheExitCode) {
    const std::string program = Install("w/argdump");
    ScopedEnv delay("ARGDUMP_DELAY_MS", "300");  // argdump waits before it records
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(LaunchProgram(program.c_str(), "", true));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    EXPECT_TRUE(fs::exists(dir.at("w/argdump.txt")));

    dir.Write("w/fails", "#!/bin/sh\nexit 3\n");
    fs::permissions(dir.at("w/fails"), fs::perms::owner_exec, fs::perm_options::add);
    EXPECT_TRUE(LaunchProgram(dir.windows("w\\fails").c_str(), "", true));
}

// Started by a parent that ignores SIGCHLD (inherited, as some services
// do), the updater finds its children collected for it: a program that ran
// to its end is still a program started.
TEST_F(LaunchTest, WaitWhileChildrenAreCollectedBySystem) {
    const std::string program = Install("i/argdump");
    const ScopedSignal ignored(SIGCHLD, SIG_IGN);
    ScopedEnv delay("ARGDUMP_DELAY_MS", "200");
    EXPECT_TRUE(LaunchProgram(program.c_str(), "", true));
    EXPECT_TRUE(fs::exists(dir.at("i/argdump.txt"))) << "returned before the program ended";
}

TEST_F(LaunchTest, NoWaitReturnsOnceStartedAndLeavesNoZombie) {
    const std::string program = Install("n/argdump");
    ScopedEnv delay("ARGDUMP_DELAY_MS", "1500");
    ASSERT_TRUE(LaunchProgram(program.c_str(), "x", false));
    // Still running: its record comes only after the delay, and its file
    // can be neither replaced nor deleted meanwhile, as on Windows.
    EXPECT_FALSE(fs::exists(dir.at("n/argdump.txt")));
    dir.Write("n/new", "new");
    EXPECT_FALSE(CopyOneFile(dir.windows("n\\new").c_str(), program.c_str()));
    EXPECT_FALSE(DeleteOneFile(program.c_str()));
    ASSERT_TRUE(WaitForFile(dir.at("n/argdump.txt"), std::chrono::seconds(20)));
    EXPECT_EQ(ReadRecord(dir.at("n/argdump.txt")).at("arg1"), "x");
    // Once it has ended, its file is an ordinary file again.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!DeleteOneFile(program.c_str()) && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_FALSE(fs::exists(dir.at("n/argdump")));
    // The program was never a child of this process, so nothing is left
    // for this process to collect.
    int status = 0;
    errno = 0;
    EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

// The program gets the standard descriptors only, and no signal blocked,
// whatever the updater holds.
TEST_F(LaunchTest, ProgramStartsWithoutTheUpdatersDescriptorsAndMask) {
    const std::string program = Install("d/argdump");
    const int file = open("/dev/null", O_RDONLY);  // deliberately inheritable
    sigset_t blocked, saved;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &blocked, &saved);
    for (bool wait : {true, false}) {
        fs::remove(dir.at("d/argdump.txt"));
        ASSERT_TRUE(LaunchProgram(program.c_str(), "", wait));
        ASSERT_TRUE(WaitForFile(dir.at("d/argdump.txt"), std::chrono::seconds(20)));
        EXPECT_EQ(ReadRecord(dir.at("d/argdump.txt")).at("fds"), "") << "wait " << wait;
        EXPECT_EQ(ReadRecord(dir.at("d/argdump.txt")).at("blocked"), "0") << "wait " << wait;
    }
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);

    // Started with standard input and error closed (as some schedulers
    // start programs), the updater's error pipe takes their numbers: every
    // descriptor above 2 is closed all the same.
    const int savedIn = dup(0), savedErr = dup(2);
    close(0);
    close(2);
    fs::remove(dir.at("d/argdump.txt"));
    const bool started = LaunchProgram(program.c_str(), "", true);
    dup2(savedIn, 0);
    dup2(savedErr, 2);
    close(savedIn);
    close(savedErr);
    ASSERT_TRUE(started);
    EXPECT_EQ(ReadRecord(dir.at("d/argdump.txt")).at("fds"), "") << "standard input and error closed";
    close(file);
}

#endif  // !_WIN32

}  // namespace
