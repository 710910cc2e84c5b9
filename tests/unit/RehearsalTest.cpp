// Rehearsals on the host: tree copies that leave the original as it was,
// the fence around a rehearsal's writes, the redirected folders, and runs
// in a child process. Whatever sets a rehearsal up for good runs in a child,
// so that this process stays as it was.
#ifndef _WIN32

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "TestSupport.h"
#include "platform/Failure.h"
#include "platform/FileOps.h"
#include "platform/Process.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/Rehearsal.h"
#include "platform/posix/ScopedSignal.h"

namespace fs = std::filesystem;

namespace {

struct Entry {
    char kind;  // 'f' file, 'd' folder, 'l' link, 'p' anything else
    unsigned mode;
    long long mtime;
    std::string content;  // a file's bytes or a link's target
    bool operator==(const Entry& other) const {
        return kind == other.kind && mode == other.mode && mtime == other.mtime && content == other.content;
    }
};

// Every entry below `top` by its relative path.
std::map<std::string, Entry> Tree(const fs::path& top) {
    std::map<std::string, Entry> tree;
    for (const auto& item : fs::recursive_directory_iterator(top)) {
        struct stat info;
        lstat(item.path().c_str(), &info);
        Entry entry{S_ISDIR(info.st_mode) ? 'd' : S_ISLNK(info.st_mode) ? 'l' : S_ISREG(info.st_mode) ? 'f' : 'p',
                    static_cast<unsigned>(info.st_mode & 07777), static_cast<long long>(info.st_mtim.tv_sec), ""};
        if (entry.kind == 'l') entry.content = fs::read_symlink(item.path()).string();
        if (entry.kind == 'f') {
            std::ifstream in(item.path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            entry.content = bytes.str();
        }
        if (entry.kind == 'l') entry.mode = 0;
        tree[item.path().lexically_relative(top).string()] = entry;  // links not followed
    }
    return tree;
}

void SetTime(const fs::path& path, long long seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// A tree of every kind of entry, read-only ones included.
void MakeTree(const ScratchDir& dir) {
    dir.Write("root/drive_c/App/tool.txt", "tool");
    dir.Write("root/drive_c/App/locked.txt", "locked");
    dir.Write("root/system.reg", "REGEDIT4\r\n");
    dir.Write("root/drive_c/Closed/inside.txt", "inside");
    fs::create_symlink("App/tool.txt", dir.at("root/drive_c/link"));
    mkfifo(dir.at("root/drive_c/pipe").c_str(), 0600);
    chmod(dir.at("root/drive_c/App/locked.txt").c_str(), 0444);
    SetTime(dir.at("root/drive_c/App/tool.txt"), 1000000000);
    SetTime(dir.at("root/drive_c/link"), 1100000000);
    SetTime(dir.at("root/drive_c/Closed/inside.txt"), 1200000000);
    chmod(dir.at("root/drive_c/Closed").c_str(), 0555);
    SetTime(dir.at("root/drive_c/Closed"), 1300000000);
}

TEST(RehearsalTest, TreeCopiesKeepEverythingAndLeaveTheOriginal) {
    ScratchDir dir;
    MakeTree(dir);
    const auto before = Tree(dir.at("root"));
    TreeCopyCount count;
    std::string error;
    ASSERT_TRUE(CopyHostTree(dir.at("root").string(), dir.at("copy").string(), count, error)) << error;
    auto copied = Tree(dir.at("copy"));
    auto expected = before;
    expected.erase("drive_c/pipe");  // no pipe, device or socket is copied
    EXPECT_EQ(copied, expected);
    EXPECT_EQ(count.cloned + count.linked, 4u);  // on one file system no byte is copied
    EXPECT_EQ(count.copied, 0u);
    EXPECT_EQ(Tree(dir.at("root")), before);

    RemoveHostTree(dir.at("copy").string());
    EXPECT_FALSE(fs::exists(dir.at("copy")));
    EXPECT_EQ(Tree(dir.at("root")), before);
    EXPECT_FALSE(CopyHostTree(dir.at("missing").string(), dir.at("copy2").string(), count, error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    fs::create_directory(dir.at("taken"));  // a copy never goes into what is there
    EXPECT_FALSE(CopyHostTree(dir.at("root").string(), dir.at("taken").string(), count, error));
    EXPECT_NE(error.find("cannot make the folder"), std::string::npos) << error;
    chmod(dir.at("root/drive_c/Closed").c_str(), 0755);
}

// Onto another file system every file is copied, with its bytes, bits and
// times.
TEST(RehearsalTest, TreeCopiesOntoAnotherFileSystem) {
    ScratchDir dir;
    const SmallFileSystem other(dir.at("other"));
    if (!other.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    MakeTree(dir);
    TreeCopyCount count;
    std::string error;
    EXPECT_TRUE(CopyHostTree(dir.at("root").string(), dir.at("other/copy").string(), count, error)) << error;
    auto expected = Tree(dir.at("root"));
    expected.erase("drive_c/pipe");
    EXPECT_EQ(Tree(dir.at("other/copy")), expected);
    EXPECT_EQ(count.copied, 4u);
    chmod(dir.at("root/drive_c/Closed").c_str(), 0755);
}

// A tree that does not fit where it goes fails the copy, and says so.
TEST(RehearsalTest, TreeCopyOntoAFullDiskFails) {
    ScratchDir dir;
    const SmallFileSystem small(dir.at("small"));
    if (!small.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    dir.Write("root/big.bin", Pattern(2 << 20, 1));
    TreeCopyCount count;
    std::string error;
    EXPECT_FALSE(CopyHostTree(dir.at("root").string(), dir.at("small/copy").string(), count, error));
    EXPECT_NE(error.find("cannot copy"), std::string::npos) << error;
}

// A file the copy cannot look at (its path is longer than the system takes,
// in a folder whose own path is not) fails the copy instead of going missing.
TEST(RehearsalTest, TreeCopyFailsOnWhatItCannotSee) {
    ScratchDir dir;
    fs::path deep = dir.at("root");
    while (deep.string().size() < 3800) deep /= std::string(200, 'd');
    fs::create_directories(deep);
    const std::string name(250, 'f');
    const int folder = open(deep.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    close(openat(folder, name.c_str(), O_CREAT | O_WRONLY, 0644));
    TreeCopyCount count;
    std::string error;
    EXPECT_FALSE(CopyHostTree(dir.at("root").string(), dir.at("c").string(), count, error));
    EXPECT_NE(error.find("cannot look at"), std::string::npos) << error;
    unlinkat(folder, name.c_str(), 0);  // so that the scratch folder can go
    close(folder);
}

// What a rehearsal in a child process found, one "name=value" a line.
struct Findings {
    const ScratchDir* dir;
    std::string (*probe)(const ScratchDir& dir);
};

std::string Probe(void* context) {
    const Findings& findings = *static_cast<const Findings*>(context);
    return findings.probe(*findings.dir);
}

std::map<std::string, std::string> InChild(const ScratchDir& dir, std::string (*probe)(const ScratchDir&)) {
    Findings findings{&dir, probe};
    std::string output;
    EXPECT_TRUE(RunInChild(Probe, &findings, output));
    std::map<std::string, std::string> found;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const size_t equals = line.find('=');
        found[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return found;
}

std::string Yes(bool value) { return value ? "yes" : "no"; }

TEST(RehearsalTest, WritesStayInsideTheRehearsal) {
    ScratchDir dir;
    MakeTree(dir);
    dir.Write("outside.txt", "outside");
    fs::create_directory(dir.at("run"));
    TreeCopyCount count;
    std::string error;
    ASSERT_TRUE(CopyHostTree(dir.at("root").string(), dir.at("run/root").string(), count, error)) << error;
    fs::create_directory_symlink(dir.at("root/drive_c"), dir.at("run/root/escape"));
    const auto before = Tree(dir.at("root"));

    const auto found = InChild(dir, [](const ScratchDir& d) {
        BeginRehearsal(d.at("run").string());
        std::ostringstream out;
        out << "inside=" << Yes(RehearsalMayWrite(d.at("run/root/new.txt").string())) << "\n";
        out << "outside=" << Yes(RehearsalMayWrite(d.at("outside.txt").string())) << "\n";
        out << "escape=" << Yes(RehearsalMayWrite(d.at("run/root/escape/x.txt").string())) << "\n";
        out << "dots=" << Yes(RehearsalMayWrite(d.at("run/root/..").string())) << "\n";
        out << "no folder=" << Yes(RehearsalMayWrite(d.at("missing/x.txt").string())) << "\n";
        out << "no folder named=" << Yes(RehearsalMayWrite("x.txt")) << "\n";
        const std::string copy = d.windows("run/root/drive_c/App/tool.txt");
        out << "copy in=" << Yes(CopyOneFile(d.windows("outside.txt").c_str(), copy.c_str())) << "\n";
        out << "copy out=" << Yes(CopyOneFile(copy.c_str(), d.windows("outside.txt").c_str())) << "\n";
        out << "note=" << LastFailure().call << "\n";
        out << "through a link=" << Yes(CopyOneFile(copy.c_str(), d.windows("run/root/escape/App/x.txt").c_str()))
            << "\n";
        out << "delete out=" << Yes(DeleteOneFile(d.windows("outside.txt").c_str())) << "\n";
        out << "folder out=" << Yes(MakeOneDirectory(d.windows("new").c_str())) << "\n";
        // The copy's files may be links to the original's: the attribute
        // changes the rehearsal's own file only.
        out << "attr in=" << Yes(SetAttributes(d.windows("run/root/drive_c/App/locked.txt").c_str(), 0)) << "\n";
        out << "attr through a link="
            << Yes(SetAttributes(d.windows("run/root/escape/App/tool.txt").c_str(), 1)) << "\n";
        const std::string marker = d.at("started").string();
        out << "launch=" << Yes(LaunchProgram("Z:\\bin\\sh", ("-c \"touch " + marker + "\"").c_str(), true)) << "\n";
        return out.str();
    });
    const std::map<std::string, std::string> expected = {
        {"inside", "yes"},        {"outside", "no"},
        {"escape", "no"},         {"dots", "no"},
        {"no folder", "no"},      {"no folder named", "no"},
        {"copy in", "yes"},       {"copy out", "no"},
        {"note", "write outside the rehearsal's copies"},
        {"through a link", "no"}, {"delete out", "no"},
        {"folder out", "no"},     {"attr in", "yes"},
        {"attr through a link", "no"}, {"launch", "yes"},
    };
    EXPECT_EQ(found, expected);
    EXPECT_EQ(Tree(dir.at("root")), before);
    EXPECT_EQ(dir.Read("outside.txt"), "outside");
    EXPECT_FALSE(fs::exists(dir.at("new")));
    EXPECT_FALSE(fs::exists(dir.at("started")));  // no program started
    struct stat own;
    stat(dir.at("run/root/drive_c/App/locked.txt").c_str(), &own);
    EXPECT_EQ(own.st_mode & 0222, 0200u);  // the rehearsal's own copy became writable
    EXPECT_EQ(dir.Read("run/root/drive_c/App/tool.txt"), "outside");
    chmod(dir.at("root/drive_c/Closed").c_str(), 0755);
    chmod(dir.at("run/root/drive_c/Closed").c_str(), 0755);
}

TEST(RehearsalTest, RedirectedFoldersKeepTheirWindowsNames) {
    ScratchDir dir;
    dir.Write("program/updater.ini", "real");
    dir.Write("copy/updater.ini", "copy");
    const auto found = InChild(dir, [](const ScratchDir& d) {
        const std::string program = ResolvedHostPath(d.at("program").string());
        const std::string copy = ResolvedHostPath(d.at("copy").string());
        RedirectHostFolder(program, copy);
        std::ostringstream out;
        std::string host;
        out << "mapped=" << (ToHostPath(d.windows("PROGRAM\\Updater.ini").c_str(), host) ? host : "-") << "\n";
        out << "folder=" << (ToHostPath(d.windows("program").c_str(), host) ? host : "-") << "\n";
        out << "as written=" << (ToHostPathAsWritten(d.windows("program\\updater.ini").c_str(), host) ? host : "-")
            << "\n";
        out << "beside=" << (ToHostPath(d.windows("programs").c_str(), host) ? host : "-") << "\n";
        out << "beside as written=" << (ToHostPathAsWritten(d.windows("programs").c_str(), host) ? host : "-")
            << "\n";
        out << "named=" << ToWindowsPath(program + "/updater.ini") << "\n";
        out << "copy=" << copy << "\n";
        return out.str();
    });
    const std::string copy = found.at("copy");
    EXPECT_EQ(found.at("mapped"), copy + "/updater.ini");
    EXPECT_EQ(found.at("folder"), copy);
    EXPECT_EQ(found.at("as written"), copy + "/updater.ini");
    EXPECT_NE(found.at("beside").find("/programs"), std::string::npos);
    EXPECT_NE(found.at("beside as written").find("/programs"), std::string::npos);
    EXPECT_EQ(found.at("named"), ScratchDir::WindowsForm(ResolvedHostPath(dir.at("program").string())) +
                                     "\\updater.ini");
}

TEST(RehearsalTest, ChildRunsHandBackTheirText) {
    std::string output;
    ASSERT_TRUE(RunInChild([](void*) { return std::string(3 << 20, 'x'); }, nullptr, output));
    EXPECT_EQ(output.size(), size_t{3} << 20);  // more than a pipe holds at once
    ASSERT_TRUE(RunInChild([](void*) { return std::string("1"); }, nullptr, output));
    EXPECT_EQ(output, "1");
    EXPECT_FALSE(RunInChild(
        [](void*) -> std::string {
            std::abort();
        },
        nullptr, output));
    {
        // The same where the parent ignored SIGCHLD: the child is still
        // this process's to collect, and the disposition is put back.
        const ScopedSignal ignored(SIGCHLD, SIG_IGN);
        EXPECT_TRUE(RunInChild([](void*) { return std::string("2"); }, nullptr, output));
        EXPECT_EQ(output, "2");
        EXPECT_FALSE(RunInChild([](void*) -> std::string { std::abort(); }, nullptr, output));
        struct sigaction now = {};
        sigaction(SIGCHLD, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_IGN);
    }

    // Text the parent has not yet written out is written once, not by the
    // child again.
    ScratchDir dir;
    std::FILE* pending = std::fopen(dir.at("pending.txt").c_str(), "w");
    ASSERT_NE(pending, nullptr);
    std::fputs("once", pending);
    EXPECT_TRUE(RunInChild([](void*) { return std::string("3"); }, nullptr, output));
    std::fclose(pending);
    EXPECT_EQ(dir.Read("pending.txt"), "once");

    const std::string scratch = MakeScratchFolder(dir.at("root").string());
    EXPECT_EQ(fs::path(scratch).parent_path(), fs::path(ResolvedHostPath(dir.native().string())));
    EXPECT_EQ(fs::path(scratch).filename().string().rfind(".nemuria-rehearsal-", 0), 0u);
    const std::string fallback = MakeScratchFolder("/nonexistent-folder/root");
    EXPECT_TRUE(fs::is_directory(fallback));
    RemoveHostTree(fallback);
    EXPECT_FALSE(fs::exists(fallback));
    EXPECT_TRUE(fs::exists(fs::path(ProgramHostFolder()) / "unit_tests"));
}

}  // namespace

#endif  // _WIN32
