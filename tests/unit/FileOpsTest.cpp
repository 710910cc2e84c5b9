// The file actions as the commands see them: copy, delete, make a folder and
// attributes, with what each leaves on disk when it fails. The host rows
// check the Windows behaviour that the host edition reproduces, and what a
// copy that fails midway leaves behind, byte for byte.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/Failure.h"
#include "platform/FileOps.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>


#endif

namespace fs = std::filesystem;

namespace {

using Prepare = void (*)(const ScratchDir&);
void Nothing(const ScratchDir&) {}

constexpr fs::perms kWriteBits =
    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;

bool IsReadOnly(const fs::path& path) {
    return (fs::status(path).permissions() & kWriteBits) == fs::perms::none;
}

void MakeReadOnly(const fs::path& path) {
    fs::permissions(path, kWriteBits, fs::perm_options::remove);
}

// A successful copy: the source's content, last-write time and read-only
// state, over an existing destination or into a new name.
TEST(FileOpsTest, CopyCarriesContentDateAndReadOnly) {
    struct Case {
        const char* name;
        bool sourceReadOnly;
        bool destinationExists;
        size_t size;
    };
    const Case cases[] = {
        {"new destination", false, false, 100},
        {"read-only source over an existing file", true, true, 100},
        {"empty source over a longer file", false, true, 0},
        {"several megabytes over an existing file", false, true, (5u << 20) + 123},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        const std::string content = Pattern(c.size, 1);
        dir.Write("from.bin", content);
        fs::last_write_time(dir.at("from.bin"), fs::last_write_time(dir.at("from.bin")) - std::chrono::hours(50));
        const fs::file_time_type stamp = fs::last_write_time(dir.at("from.bin"));
        if (c.sourceReadOnly) MakeReadOnly(dir.at("from.bin"));
        if (c.destinationExists) dir.Write("to.bin", std::string(3000, 'x'));

        ASSERT_TRUE(CopyOneFile(dir.windows("from.bin").c_str(), dir.windows("to.bin").c_str()));
        EXPECT_TRUE(dir.Read("to.bin") == content);
        EXPECT_EQ(fs::last_write_time(dir.at("to.bin")), stamp);
        // Wine keeps the replaced file's attributes where Windows gives the
        // copy the source's.
        if (!UnderWine() || !c.destinationExists) {
            EXPECT_EQ(IsReadOnly(dir.at("to.bin")), c.sourceReadOnly);
        }
        EXPECT_EQ(Listing(dir.native()), (std::set<std::string>{"from.bin", "to.bin"}));
    }
}

// Every refused copy leaves both files as they were and no new file.
TEST(FileOpsTest, RefusedCopyChangesNothing) {
    struct Case {
        const char* name;
        Prepare prepare;
        std::string source;
        std::string destination;
    };
    std::vector<Case> cases = {
        {"missing source", Nothing, "missing.txt", "old.txt"},
        {"source is a folder", Nothing, "folder", "old.txt"},
        {"missing destination folder", Nothing, "src.txt", "nowhere\\new.txt"},
        {"destination is a folder", Nothing, "src.txt", "folder"},
        {"destination in the folder form", Nothing, "src.txt", "old.txt\\"},
        {"empty destination", Nothing, "src.txt", ""},
        {"read-only destination", [](const ScratchDir& d) { MakeReadOnly(d.at("old.txt")); },
         "src.txt", "old.txt"},
        {"the same file", Nothing, "old.txt", "old.txt"},
        {"the same file in other letter case", Nothing, "old.txt", "OLD.Txt"},
#ifndef _WIN32
        {"the same file through a hard link",
         [](const ScratchDir& d) { fs::create_hard_link(d.at("old.txt"), d.at("link.txt")); },
         "link.txt", "old.txt"},
        {"the same file through a symbolic link",
         [](const ScratchDir& d) { fs::create_symlink(d.at("old.txt"), d.at("link.txt")); },
         "old.txt", "link.txt"},
        {"a pipe as source", [](const ScratchDir& d) { mkfifo(d.at("pipe").c_str(), 0644); },
         "pipe", "old.txt"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        dir.Write("src.txt", "new content");
        dir.Write("old.txt", "old content");
        fs::create_directory(dir.at("folder"));
        c.prepare(dir);
        const std::set<std::string> before = Listing(dir.native());
        const std::string destination = c.destination.empty() ? "" : dir.windows(c.destination);
#ifndef _WIN32
        alarm(10);  // a copy that waits on a pipe would never return
#endif
        EXPECT_FALSE(CopyOneFile(dir.windows(c.source).c_str(), destination.c_str()));
#ifndef _WIN32
        alarm(0);
#endif
        EXPECT_EQ(dir.Read("old.txt"), "old content");
        EXPECT_EQ(dir.Read("src.txt"), "new content");
        EXPECT_EQ(Listing(dir.native()), before);
    }
}

TEST(FileOpsTest, DeleteRemovesOnlyAWritableFile) {
    struct Case {
        const char* name;
        Prepare prepare;
        std::string path;
        std::string gone;  // the entry that goes; empty when the delete fails
    };
    std::vector<Case> cases = {
        {"a file", Nothing, "a.tmp", "a.tmp"},
        {"a missing file", Nothing, "gone.tmp", ""},
        {"a folder", Nothing, "folder", ""},
        {"a read-only file", [](const ScratchDir& d) { MakeReadOnly(d.at("a.tmp")); }, "a.tmp", ""},
        {"a wildcard", Nothing, "*.tmp", ""},
        {"a file in the folder form", Nothing, "a.tmp\\", ""},
        {"an empty name", Nothing, "", ""},
#ifndef _WIN32
        {"a symbolic link, not its file",
         [](const ScratchDir& d) { fs::create_symlink(d.at("b.tmp"), d.at("link.tmp")); },
         "link.tmp", "link.tmp"},
        {"a link to a folder",
         [](const ScratchDir& d) { fs::create_directory_symlink(d.at("folder"), d.at("link")); },
         "link", ""},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        dir.Write("a.tmp", "a");
        dir.Write("b.tmp", "b");
        fs::create_directory(dir.at("folder"));
        c.prepare(dir);
        std::set<std::string> expected = Listing(dir.native());
        expected.erase(c.gone);
        const std::string path = c.path.empty() ? "" : dir.windows(c.path);
        EXPECT_EQ(DeleteOneFile(path.c_str()), !c.gone.empty());
        EXPECT_EQ(Listing(dir.native()), expected);
        EXPECT_EQ(dir.Read("b.tmp"), "b");
    }
}

TEST(FileOpsTest, MakeDirectoryMakesOneLevel) {
    struct Case {
        const char* path;
        bool succeeds;
    };
    const Case cases[] = {
        {"new", true},         {"new\\", true},       {"x\\y", false},
        {"folder", false},     {"folder\\", false},   {"file.txt", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ScratchDir dir;
        fs::create_directory(dir.at("folder"));
        dir.Write("file.txt", "f");
        EXPECT_EQ(MakeOneDirectory(dir.windows(c.path).c_str()), c.succeeds);
        EXPECT_EQ(fs::is_directory(dir.at("new")), c.succeeds);
        EXPECT_FALSE(fs::exists(dir.at("x")));
        EXPECT_TRUE(fs::is_regular_file(dir.at("file.txt")));
    }
}

TEST(FileOpsTest, AttributesSetAndClearReadOnly) {
    struct Case {
        const char* name;
        bool startReadOnly;
        std::string path;
        uint32_t value;
        bool succeeds;
        bool endReadOnly;
    };
    const Case cases[] = {
        {"read-only set", false, "a.txt", 0x1, true, true},
        {"read-only with archive", false, "a.txt", 0x21, true, true},
        {"read-only cleared by normal", true, "a.txt", 0x80, true, false},
        {"read-only cleared by zero", true, "a.txt", 0x0, true, false},
        {"archive alone", false, "a.txt", 0x20, true, false},
        {"missing file", false, "missing.txt", 0x1, false, false},
        {"wildcard", false, "*.txt", 0x1, false, false},
        {"file in the folder form", false, "a.txt\\", 0x1, false, false},
        {"a folder in the folder form", false, "folder\\", 0x11, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        dir.Write("a.txt", "a");
        fs::create_directory(dir.at("folder"));
        if (c.startReadOnly) MakeReadOnly(dir.at("a.txt"));
        EXPECT_EQ(SetAttributes(dir.windows(c.path).c_str(), c.value), c.succeeds);
        EXPECT_EQ(IsReadOnly(dir.at("a.txt")), c.endReadOnly);
    }
}

#ifndef _WIN32

mode_t ModeOf(const fs::path& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The permission bits behind the read-only attribute: set clears every write
// bit; clear gives the owner write back, and the group and others where
// they may read and the creation mask allows it. A folder keeps its bits.
TEST(FileOpsTest, ReadOnlyInThePermissionBits) {
    struct Case {
        mode_t start, mask;
        uint32_t value;
        mode_t end;
    };
    const Case cases[] = {
        {0644, 022, 0x1, 0444}, {0775, 022, 0x1, 0555}, {0444, 022, 0x0, 0644},
        {0440, 002, 0x0, 0660}, {0555, 0222, 0x0, 0755}, {0640, 022, 0x0, 0640},
    };
    ScratchDir dir;
    dir.Write("a.txt", "a");
    const mode_t saved = umask(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::oct << c.start << " mask " << c.mask);
        chmod(dir.at("a.txt").c_str(), c.start);
        umask(c.mask);
        EXPECT_TRUE(SetAttributes(dir.windows("a.txt").c_str(), c.value));
        EXPECT_EQ(ModeOf(dir.at("a.txt")), c.end);
    }
    umask(saved);
    fs::create_directory(dir.at("folder"));
    chmod(dir.at("folder").c_str(), 0755);
    EXPECT_TRUE(SetAttributes(dir.windows("folder").c_str(), 0x1));
    EXPECT_EQ(ModeOf(dir.at("folder")), 0755u);
}

// The copy takes the source's bits (an executable stays one); a link as
// destination has the file it names replaced and stays a link.
TEST(FileOpsTest, CopyBitsAndLinks) {
    ScratchDir dir;
    dir.Write("tool", "#!/bin/sh\n");
    chmod(dir.at("tool").c_str(), 0750);
    dir.Write("target", "old");
    fs::create_symlink(dir.at("target"), dir.at("link"));
    ASSERT_TRUE(CopyOneFile(dir.windows("tool").c_str(), dir.windows("link").c_str()));
    EXPECT_TRUE(fs::is_symlink(dir.at("link")));
    EXPECT_EQ(dir.Read("target"), "#!/bin/sh\n");
    EXPECT_EQ(ModeOf(dir.at("target")), 0750u);

    // A replaced file keeps its owner and group, where the process may give
    // files away (the superuser).
    if (geteuid() != 0) return;
    for (const auto& [user, group] : {std::pair<uid_t, gid_t>{0, 4321}, {4321, 0}}) {
        dir.Write("owned", "old");
        ASSERT_EQ(chown(dir.at("owned").c_str(), user, group), 0);
        ASSERT_TRUE(CopyOneFile(dir.windows("tool").c_str(), dir.windows("owned").c_str()));
        struct stat info {};
        ASSERT_EQ(stat(dir.at("owned").c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, user);
        EXPECT_EQ(info.st_gid, group);
    }
    // Onto another file system, where the new file is made beside the one
    // it becomes.
    const SmallFileSystem small(dir.at("small"));
    if (!small.mounted()) return;
    ASSERT_TRUE(CopyOneFile(dir.windows("tool").c_str(), dir.windows("small\\tool").c_str()));
    EXPECT_EQ(dir.Read("small/tool"), "#!/bin/sh\n");
}

// A file of the kernel's own, whose size says 0 although it has content, on
// a file system the kernel will not copy from: the copy reads it instead.
TEST(FileOpsTest, CopyReadsWhatTheKernelDoesNotCopy) {
    ScratchDir dir;
    ASSERT_TRUE(CopyOneFile("Z:\\proc\\version", dir.windows("version").c_str()));
    std::ifstream in("/proc/version");
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(content.empty());
    EXPECT_EQ(dir.Read("version"), content);
}

// The trace names the system's reason for a failure, or "refused" where it
// has none.
TEST(FileOpsTest, TraceNamesTheReason) {
    ScopedEnv trace("NEMURIA_TRACE", "1");
    for (const auto& [error, reason] : {std::pair<int, std::string>{EPERM, std::strerror(EPERM)}, {0, "refused"}}) {
        NoteFailure("chmod", "/a", error);
        testing::internal::CaptureStderr();
        TraceFailure();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "trace: chmod failed: \"/a\": " + reason + "\n");
    }
    ClearFailure();
}

#endif  // _WIN32

}  // namespace
