// The file actions as the commands see them: copy, delete, make a folder and
// attributes, with what each leaves on disk when it fails. The host rows
// check the Windows behaviour that the host edition reproduces, and what a
// copy that fails midway leaves behind, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/FileOps.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/CopyFaults.h"
#endif

namespace fs = std::filesystem;

namespace {

constexpr fs::perms kWriteBits =
    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;

bool IsReadOnly(const fs::path& path) {
    return (fs::status(path).permissions() & kWriteBits) == fs::perms::none;
}

void MakeReadOnly(const fs::path& path) {
    fs::permissions(path, kWriteBits, fs::perm_options::remove);
}

// A file's content that no two offsets share, so a misplaced chunk shows.
std::string Pattern(size_t size, unsigned seed) {
    std::string text(size, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (char& c : text) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return text;
}

// The names in a folder, to see that a failure leaves nothing behind.
std::set<std::string> Listing(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Wine departs from Windows in two places that these tests check: a copy
// over an existing file keeps that file's attributes instead of taking the
// source's, and when run by the superuser it writes over a read-only file.
// Those rows are checked on Windows and on the host only.
bool UnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

class FileOpsTest : public ::testing::Test {
protected:
    std::string W(const std::string& relative) const { return dir.windows(relative); }
    ScratchDir dir;
};

// A successful copy: content, last-write time and read-only state of the
// source, over an existing destination or into a new name.
TEST_F(FileOpsTest, CopyCarriesContentDateAndReadOnly) {
    struct Case {
        const char* name;
        bool sourceReadOnly;
        bool destinationExists;
        size_t size;
    };
    // Wine keeps the replaced file's attributes (see UnderWine).
    const bool attributesFollowSource = !UnderWine();
    const Case cases[] = {
        {"new destination", false, false, 100},
        {"over an existing file", false, true, 100},
        {"read-only source", true, false, 100},
        {"read-only source over an existing file", true, true, 100},
        {"empty source over a longer file", false, true, 0},
        {"several megabytes", false, true, (5u << 20) + 123},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        const std::string content = Pattern(c.size, 1);
        scratch.Write("from.bin", content);
        fs::last_write_time(scratch.at("from.bin"),
                            fs::last_write_time(scratch.at("from.bin")) - std::chrono::hours(50));
        const fs::file_time_type stamp = fs::last_write_time(scratch.at("from.bin"));
        if (c.sourceReadOnly) MakeReadOnly(scratch.at("from.bin"));
        if (c.destinationExists) scratch.Write("to.bin", std::string(3000, 'x'));

        ASSERT_TRUE(CopyOneFile(scratch.windows("from.bin").c_str(), scratch.windows("to.bin").c_str()));
        EXPECT_TRUE(scratch.Read("to.bin") == content);
        EXPECT_EQ(fs::last_write_time(scratch.at("to.bin")), stamp);
        if (attributesFollowSource || !c.destinationExists) {
            EXPECT_EQ(IsReadOnly(scratch.at("to.bin")), c.sourceReadOnly);
        }
        EXPECT_TRUE(scratch.Read("from.bin") == content);
        EXPECT_EQ(Listing(scratch.native()), (std::set<std::string>{"from.bin", "to.bin"}));
    }
}

// Every refused copy leaves both files as they were and no new file.
TEST_F(FileOpsTest, RefusedCopyChangesNothing) {
    struct Case {
        const char* name;
        std::function<void(const ScratchDir&)> setup;
        std::string source;
        std::string destination;
        bool holdsUnderWine = true;  // see UnderWine
    };
    const auto none = [](const ScratchDir&) {};
    std::vector<Case> cases = {
        {"missing source", none, "missing.txt", "old.txt"},
        {"source is a folder", none, "folder", "old.txt"},
        {"source in the folder form", none, "src.txt\\", "old.txt"},
        {"missing destination folder", none, "src.txt", "nowhere\\new.txt"},
        {"destination is a folder", none, "src.txt", "folder"},
        {"destination in the folder form", none, "src.txt", "old.txt\\"},
        {"empty destination", none, "src.txt", ""},
        {"read-only destination",
         [](const ScratchDir& d) { MakeReadOnly(d.at("old.txt")); }, "src.txt", "old.txt", false},
        {"the same file", none, "old.txt", "old.txt"},
        {"the same file in other letter case", none, "old.txt", "OLD.Txt"},
#ifndef _WIN32
        {"the same file through a hard link",
         [](const ScratchDir& d) { fs::create_hard_link(d.at("old.txt"), d.at("link.txt")); },
         "link.txt", "old.txt"},
        {"the same file through a symbolic link",
         [](const ScratchDir& d) { fs::create_symlink(d.at("old.txt"), d.at("link.txt")); },
         "old.txt", "link.txt"},
        {"the same file through a linked folder",
         [](const ScratchDir& d) { fs::create_directory_symlink(d.native(), d.at("alias")); },
         "alias\\old.txt", "old.txt"},
        {"a pipe as source",
         [](const ScratchDir& d) { ASSERT_EQ(mkfifo(d.at("pipe").c_str(), 0644), 0); }, "pipe",
         "old.txt"},
        {"a pipe as destination",
         [](const ScratchDir& d) { ASSERT_EQ(mkfifo(d.at("pipe").c_str(), 0644), 0); }, "src.txt",
         "pipe"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        scratch.Write("src.txt", "new content");
        scratch.Write("old.txt", "old content");
        fs::create_directory(scratch.at("folder"));
        c.setup(scratch);
        const std::set<std::string> before = Listing(scratch.native());
        if (UnderWine() && !c.holdsUnderWine) continue;
        const std::string destination = c.destination.empty() ? "" : scratch.windows(c.destination);
#ifndef _WIN32
        alarm(10);  // a copy that waits on a pipe would never return
#endif
        EXPECT_FALSE(CopyOneFile(scratch.windows(c.source).c_str(), destination.c_str()));
#ifndef _WIN32
        alarm(0);
#endif
        EXPECT_EQ(scratch.Read("old.txt"), "old content");
        EXPECT_EQ(scratch.Read("src.txt"), "new content");
        EXPECT_EQ(Listing(scratch.native()), before);
    }
}

TEST_F(FileOpsTest, DeleteRemovesOnlyAWritableFile) {
    struct Case {
        const char* name;
        std::function<void(const ScratchDir&)> setup;
        std::string path;
        std::string gone;  // the entry that goes; empty when the delete fails
    };
    const auto none = [](const ScratchDir&) {};
    std::vector<Case> cases = {
        {"a file", none, "a.tmp", "a.tmp"},
        {"a file in other letter case", none, "A.TMP", "a.tmp"},
        {"a missing file", none, "gone.tmp", ""},
        {"a folder", none, "folder", ""},
        {"a read-only file", [](const ScratchDir& d) { MakeReadOnly(d.at("a.tmp")); }, "a.tmp", ""},
        {"a wildcard", none, "*.tmp", ""},
        {"a file in the folder form", none, "a.tmp\\", ""},
        {"an empty name", none, "", ""},
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
        ScratchDir scratch;
        scratch.Write("a.tmp", "a");
        scratch.Write("b.tmp", "b");
        fs::create_directory(scratch.at("folder"));
        c.setup(scratch);
        std::set<std::string> expected = Listing(scratch.native());
        expected.erase(c.gone);
        const std::string path = c.path.empty() ? "" : scratch.windows(c.path);
        EXPECT_EQ(DeleteOneFile(path.c_str()), !c.gone.empty());
        EXPECT_EQ(Listing(scratch.native()), expected);
        EXPECT_EQ(scratch.Read("b.tmp"), "b");
    }
}

TEST_F(FileOpsTest, MakeDirectoryMakesOneLevel) {
    struct Case {
        const char* name;
        std::string path;
        bool succeeds;
        std::string made;  // the folder expected afterwards, when it succeeds
    };
    const Case cases[] = {
        {"below an existing folder", "new", true, "new"},
        {"two levels at once", "x\\y", false, ""},
        {"an existing folder", "folder", false, ""},
        {"an existing folder in the folder form", "folder\\", false, ""},
        {"an existing file", "file.txt", false, ""},
        {"a new folder in the folder form", "made\\", true, "made"},
        {"inside an existing folder", "folder\\inner", true, "folder/inner"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        fs::create_directory(scratch.at("folder"));
        scratch.Write("file.txt", "f");
        EXPECT_EQ(MakeOneDirectory(scratch.windows(c.path).c_str()), c.succeeds);
        if (c.succeeds) {
            EXPECT_TRUE(fs::is_directory(scratch.at(c.made)));
        }
        EXPECT_FALSE(fs::exists(scratch.at("x")));
        EXPECT_TRUE(fs::is_regular_file(scratch.at("file.txt")));
    }
}

TEST_F(FileOpsTest, AttributesSetAndClearReadOnly) {
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
        {"read-only set twice", true, "a.txt", 0x1, true, true},
        {"read-only cleared by normal", true, "a.txt", 0x80, true, false},
        {"read-only cleared by zero", true, "a.txt", 0x0, true, false},
        {"archive alone on a writable file", false, "a.txt", 0x20, true, false},
        {"other letter case", false, "A.TXT", 0x1, true, true},
        {"missing file", false, "missing.txt", 0x1, false, false},
        {"wildcard", false, "*.txt", 0x1, false, false},
        {"file in the folder form", false, "a.txt\\", 0x1, false, false},
        {"a folder", false, "folder", 0x11, true, false},
        {"a folder in the folder form", false, "folder\\", 0x1, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        scratch.Write("a.txt", "a");
        fs::create_directory(scratch.at("folder"));
        if (c.startReadOnly) MakeReadOnly(scratch.at("a.txt"));
        EXPECT_EQ(SetAttributes(scratch.windows(c.path).c_str(), c.value), c.succeeds);
        EXPECT_EQ(IsReadOnly(scratch.at("a.txt")), c.endReadOnly);
        EXPECT_EQ(Listing(scratch.native()), (std::set<std::string>{"a.txt", "folder"}));
    }
}

#ifndef _WIN32

// The permission bits behind the read-only attribute: set clears every write
// bit; clear gives the owner write back, and the group and others where
// they may read and the creation mask allows it.
TEST_F(FileOpsTest, ReadOnlyInThePermissionBits) {
    struct Case {
        mode_t start;
        mode_t mask;
        uint32_t value;
        mode_t end;
    };
    const Case cases[] = {
        {0644, 022, 0x1, 0444}, {0775, 022, 0x1, 0555}, {0600, 022, 0x1, 0400},
        {0444, 022, 0x0, 0644}, {0444, 002, 0x0, 0664}, {0440, 002, 0x0, 0660},
        {0400, 000, 0x0, 0600}, {0555, 077, 0x0, 0755}, {0640, 022, 0x0, 0640},
        {0604, 022, 0x20, 0604}, {0444, 0222, 0x0, 0644},
    };
    const mode_t saved = umask(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::oct << c.start << " mask " << c.mask << " value "
                                        << c.value);
        dir.Write("a.txt", "a");
        ASSERT_EQ(chmod(dir.at("a.txt").c_str(), c.start), 0);
        umask(c.mask);
        EXPECT_TRUE(SetAttributes(W("a.txt").c_str(), c.value));
        struct stat info;
        ASSERT_EQ(stat(dir.at("a.txt").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.end);
    }
    umask(saved);

    // A folder keeps its bits: a read-only folder would refuse new files.
    fs::create_directory(dir.at("folder"));
    ASSERT_EQ(chmod(dir.at("folder").c_str(), 0755), 0);
    EXPECT_TRUE(SetAttributes(W("folder").c_str(), 0x1));
    struct stat info;
    ASSERT_EQ(stat(dir.at("folder").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u);
}

// The copy takes the source's permission bits (an executable stays one).
TEST_F(FileOpsTest, CopyTakesTheSourceBits) {
    dir.Write("tool", "#!/bin/sh\n");
    ASSERT_EQ(chmod(dir.at("tool").c_str(), 0750), 0);
    dir.Write("old", "old");
    ASSERT_EQ(chmod(dir.at("old").c_str(), 0666), 0);
    ASSERT_TRUE(CopyOneFile(W("tool").c_str(), W("old").c_str()));
    struct stat info;
    ASSERT_EQ(stat(dir.at("old").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0750u);
}

// A link as destination: the file it names is replaced and the link stays.
TEST_F(FileOpsTest, CopyThroughALinkReplacesItsFile) {
    dir.Write("src.txt", "new");
    dir.Write("target.txt", "old");
    fs::create_symlink(dir.at("target.txt"), dir.at("link.txt"));
    ASSERT_TRUE(CopyOneFile(W("src.txt").c_str(), W("link.txt").c_str()));
    EXPECT_TRUE(fs::is_symlink(dir.at("link.txt")));
    EXPECT_EQ(dir.Read("target.txt"), "new");
}

// A copy that fails midway, from the disk filling up or the source failing
// to read, leaves the old destination byte for byte and no stray file.
TEST_F(FileOpsTest, CopyFailingMidwayKeepsTheOldFile) {
    struct Case {
        const char* name;
        long long failAfter;
        int error;
        bool destinationExists;
    };
    const Case cases[] = {
        {"full disk before the first byte", 0, ENOSPC, true},
        {"full disk after a megabyte", 1 << 20, ENOSPC, true},
        {"full disk one byte before the end", (3 << 20) - 1, ENOSPC, true},
        {"read error midway", 1234567, EIO, true},
        {"full disk midway, no old file", 1 << 20, ENOSPC, false},
    };
    const std::string source = Pattern(3 << 20, 2);
    const std::string old = Pattern(2 << 20, 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        scratch.Write("from.bin", source);
        if (c.destinationExists) scratch.Write("to.bin", old);
        const std::set<std::string> before = Listing(scratch.native());
        SetCopyFailAfter(c.failAfter, c.error);
        EXPECT_FALSE(CopyOneFile(scratch.windows("from.bin").c_str(), scratch.windows("to.bin").c_str()));
        SetCopyFailAfter(-1, 0);
        EXPECT_EQ(Listing(scratch.native()), before);
        if (c.destinationExists) {
            EXPECT_TRUE(scratch.Read("to.bin") == old);
        }
        // Without the fault the same copy goes through.
        ASSERT_TRUE(CopyOneFile(scratch.windows("from.bin").c_str(), scratch.windows("to.bin").c_str()));
        EXPECT_TRUE(scratch.Read("to.bin") == source);
    }
}

// A small memory file system, where the disk really fills up, and where a
// copy from another file system goes through the read and write loop.
TEST_F(FileOpsTest, CopyOntoASmallFileSystem) {
    fs::create_directory(dir.at("small"));
    if (geteuid() != 0 || mount("tmpfs", dir.at("small").c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "no tmpfs can be mounted here";
    }
    struct Unmount {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount{dir.at("small").string()};

    const std::string old = Pattern(300 << 10, 4);
    dir.Write("small/app.bin", old);
    dir.Write("big.bin", Pattern(2 << 20, 5));
    EXPECT_FALSE(CopyOneFile(W("big.bin").c_str(), W("small\\app.bin").c_str()));
    EXPECT_TRUE(dir.Read("small/app.bin") == old);
    EXPECT_EQ(Listing(dir.at("small")), std::set<std::string>{"app.bin"});

    const std::string fits = Pattern(400 << 10, 6);
    dir.Write("fits.bin", fits);
    ASSERT_TRUE(CopyOneFile(W("fits.bin").c_str(), W("small\\app.bin").c_str()));
    EXPECT_TRUE(dir.Read("small/app.bin") == fits);
    EXPECT_EQ(Listing(dir.at("small")), std::set<std::string>{"app.bin"});
}

#endif  // _WIN32

}  // namespace
