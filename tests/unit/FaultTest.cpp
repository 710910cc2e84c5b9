// Runs that go wrong: every key a command needs missing, the heap running
// out while a list is built, and on the host the disk filling up during a
// copy, and pipes and devices where files are expected. Each row checks the
// box, and that nothing after the failure happened: the procedure before it
// in the list did not copy (a list is built whole before anything runs) or
// the procedure after it did not run.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "engine/ProcList.h"
#include "engine/ScriptFile.h"
#include "engine/Settings.h"
#include "engine/Startup.h"
#include "engine/Symbols.h"
#include "text/Heap.h"
#include "text/Messages.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "platform/posix/CopyFaults.h"
#endif

namespace {

class FaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareRun(run);
        run.SymbolTable.entries.Assign("");
        run.SymbolTable.count = 0;
        dir.Write("a.txt", "a");
        // A path that a refused allocation leaves empty or relative is taken
        // from the current folder: let that be the scratch folder.
        savedFolder_ = std::filesystem::current_path();
        std::filesystem::current_path(dir.native());
    }
    void TearDown() override {
        ReleaseAllProcLists(run);
        SetTextAllocFailAfter(-1);
        SetTextAllocFailOnce(-1);
        std::filesystem::current_path(savedFolder_);
    }

    void Script(const std::string& text) {
        dir.Write("updater.ini", text);
        run.ScriptFile.Assign(dir.windows("updater.ini").c_str());
    }
    // The run after start-up; every list is released, as the entry point
    // does at the end.
    bool Run() {
        const bool ran = ReadUpdaterSection(run) && RunMainProcList(run);
        ReleaseAllProcLists(run);
        return ran;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const RecordedBox& box : boxes.boxes) texts.push_back(box.text);
        return texts;
    }
    // A COPY procedure of a.txt to `to`, named `name`.
    std::string Copy(const std::string& name, const std::string& to) const {
        return "[" + name + "]\nMODE=COPY\nFROM=" + dir.windows("a.txt") + "\nTO=" + dir.windows(to) + "\n";
    }

    RunState run;
    ScratchDir dir;
    BoxRecorder boxes;

private:
    std::filesystem::path savedFolder_;
};

// One procedure of each kind with every key it reads, in reading order.
struct Kind {
    const char* mode;
    const char* record;
    std::vector<std::string> keys;  // "KEY=value" lines after MODE
};

std::vector<Kind> Kinds(const ScratchDir& dir) {
    const std::string a = dir.windows("a.txt");
    return {
        {"EXIST", "EXIST_INFO", {"FILE=" + a}},
        {"DATE", "DATE_INFO", {"FILE=" + a, "DATE=2000/01/01"}},
        {"SWITCH", "SWITCH_INFO", {"PROC=SECOND", "0=", "1="}},
        {"MSGBOX", "MSGBOX_INFO", {"FLAG=SECOND,1", "TYPE=INFORMATION", "TEXT=not shown", "ISABORT="}},
        {"COPY", "COPY_INFO", {"FROM=" + a, "TO=" + dir.windows("c.txt")}},
        {"LAUNCH", "LAUNCH_INFO", {"FILE=" + dir.windows("none.exe"), "PARAM=", "ISWAIT=1"}},
        {"DELETE", "DELETE_INFO", {"FILE=" + dir.windows("none.txt")}},
        {"LINK", "SHORTCUT_INFO", {"SRC=" + a, "PARAM=", "SHOWCMD=", "DST=" + dir.windows("none\\x")}},
        {"OSVER", "OSVER_INFO", {}},
        {"MAKEDIR", "MAKEDIR_INFO", {"DIR=" + dir.windows("d")}},
        {"ATTR", "ATTR_INFO", {"FILE=" + a, "ARG=0x20"}},
    };
}

std::string Section(const char* name, const Kind& kind, int withoutKey) {
    std::string text = std::string("[") + name + "]\n";
    if (withoutKey != 0) text += std::string("MODE=") + kind.mode + "\n";
    for (size_t i = 0; i < kind.keys.size(); ++i) {
        if (static_cast<int>(i) + 1 != withoutKey) text += kind.keys[i] + "\n";
    }
    return text;
}

// Each key of each kind missing in turn, or holding the missing-value text:
// message 2 names the section and the key, and the list is not run at all,
// so the COPY before the broken procedure makes nothing.
TEST_F(FaultTest, EveryMissingKeyStopsTheBuilding) {
    for (const Kind& kind : Kinds(dir)) {
        for (int missing = 0; missing <= static_cast<int>(kind.keys.size()); ++missing) {
            const std::string key =
                missing == 0 ? "MODE" : kind.keys[missing - 1].substr(0, kind.keys[missing - 1].find('='));
            for (const bool sentinel : {false, true}) {
                SCOPED_TRACE(std::string(kind.mode) + " without " + key + (sentinel ? " (NO_DATA)" : ""));
                boxes.boxes.clear();
                std::string broken = Section("SECOND", kind, missing);
                if (sentinel) broken += key + "=No_Data\n";
                Script("[UPDATER]\nNAME=\nPROC=FIRST,SECOND,THIRD\n" + Copy("FIRST", "b.txt") + broken +
                       Copy("THIRD", "c.txt"));
                EXPECT_FALSE(Run());
                EXPECT_EQ(Texts(), std::vector<std::string>{Message(kMsgBadSetting, "SECOND", key.c_str())});
                EXPECT_FALSE(std::filesystem::exists(dir.at("b.txt")));
                EXPECT_FALSE(std::filesystem::exists(dir.at("c.txt")));
            }
        }
    }
}

// One allocation refused, each in turn, while the heap otherwise works: the
// run never shows more than one box, and where that box is message 3 the
// list could not be built and nothing of it ran. Over all the allocations,
// each kind's record and the list itself are named in the main list; in a
// SWITCH's branch (one kind stands for all there) the refusal also stops
// everything after the SWITCH.
TEST_F(FaultTest, RefusedAllocationWhileBuildingRunsNothing) {
    for (const Kind& kind : Kinds(dir)) {
        for (const bool inBranch : {false, true}) {
            if (inBranch && std::string(kind.mode) != "COPY") continue;
            SCOPED_TRACE(std::string(kind.mode) + (inBranch ? " in a branch" : ""));
            const std::string sections =
                inBranch ? "[UPDATER]\nNAME=\nPROC=FIRST,CHECK,BRANCH,AFTER\n" + Copy("FIRST", "b.txt") +
                               "[CHECK]\nMODE=OSVER\n[BRANCH]\nMODE=SWITCH\nPROC=CHECK\n0=ONE,SECOND\n"
                               "1=ONE,SECOND\n" + Copy("ONE", "one.txt") + Copy("AFTER", "after.txt")
                         : "[UPDATER]\nNAME=\nPROC=FIRST,SECOND\n" + Copy("FIRST", "b.txt");
            Script(sections + Section("SECOND", kind, -1));
            const auto clear = [this] {
                boxes.boxes.clear();
                for (const char* name : {"b.txt", "one.txt", "after.txt"}) std::filesystem::remove(dir.at(name));
            };
            // What the run shows with every allocation granted: nothing, or
            // the failure of a command that acts on a file that is not there.
            clear();
            Run();
            const std::vector<std::string> full = Texts();
            ASSERT_LE(full.size(), 1u);

            std::set<std::string> named;
            bool allGranted = false;
            for (int n = 0; n < 5000 && !allGranted; ++n) {
                clear();
                SetTextAllocFailOnce(n);
                Run();
                // The allocation that was to fail never came: the sweep has
                // passed the end of the run.
                allGranted = SetTextAllocFailOnce(-1) >= 0;
                EXPECT_EQ(run.ProcListArray.depth, 0);
                ASSERT_LE(boxes.boxes.size(), 1u) << "allocation " << n;
                if (boxes.boxes.empty()) continue;
                for (const char* object : {kind.record, "ProcList", "ProcListArray"}) {
                    if (boxes.boxes[0].text != Message(kMsgOutOfMemory, object)) continue;
                    named.insert(object);
                    const bool mainListRan = std::filesystem::exists(dir.at("b.txt"));
                    EXPECT_TRUE(!mainListRan || inBranch) << "allocation " << n;
                    EXPECT_FALSE(std::filesystem::exists(dir.at("one.txt"))) << "allocation " << n;
                    EXPECT_FALSE(std::filesystem::exists(dir.at("after.txt"))) << "allocation " << n;
                }
            }
            EXPECT_TRUE(allGranted) << "the sweep did not reach the end of the run";
            EXPECT_EQ(named.count(kind.record), 1u);
            EXPECT_EQ(named.count("ProcList"), 1u);
            EXPECT_EQ(named.count("ProcListArray"), 1u);
        }
    }
}

// Failures of a list that a script cannot bring about, since the callers
// count the names first and building checks the MODE it read twice: a
// count of 0, and a record whose MODE names no kind when it is executed.
// Either way nothing runs.
TEST_F(FaultTest, ListFailuresOutOfAScriptsReach) {
    Script("[UPDATER]\nNAME=\nPROC=FIRST,SECOND\n" + Copy("FIRST", "b.txt") + Copy("SECOND", "c.txt"));
    EXPECT_EQ(BuildProcList(run, TextString("FIRST"), 0), nullptr);
    EXPECT_EQ(Texts(), std::vector<std::string>{Message(kMsgBadProcCount)});
    EXPECT_EQ(run.ProcListArray.depth, 0);

    boxes.boxes.clear();
    ProcList list = BuildProcList(run, TextString("FIRST,SECOND"), 2);
    ASSERT_NE(list, nullptr);
    list[0]->mode.Assign("RUN");
    EXPECT_FALSE(ExecuteProcList(run, list));
    EXPECT_EQ(Texts(), std::vector<std::string>{Message(kMsgBadSymbol, "RUN")});
    EXPECT_FALSE(std::filesystem::exists(dir.at("b.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.at("c.txt")));
    // Released as a COPY record, which it is.
    list[0]->mode.Assign("COPY");
}

#ifndef _WIN32

namespace fs = std::filesystem;


// What a file is, byte for byte, with its permission bits and time.
struct FileState {
    std::string bytes;
    fs::perms perms;
    fs::file_time_type time;
    bool operator==(const FileState& other) const {
        return bytes == other.bytes && perms == other.perms && time == other.time;
    }
};

FileState StateOf(const ScratchDir& dir, const std::string& name) {
    return {dir.Read(name), fs::status(dir.at(name)).permissions(), fs::last_write_time(dir.at(name))};
}

// The disk fills up (or the source stops reading) while the second copy of
// a COPY replaces an existing file: message 8 names that pair, the replaced
// file keeps its bytes, bits and time, no temporary file is left, the first
// copy stays, and neither the third pair nor the next procedure is copied.
TEST_F(FaultTest, FullDiskDuringACopyKeepsTheOldFileAndStopsTheRun) {
    struct Case {
        const char* name;
        long long failAfter;
        int error;
    };
    const Case cases[] = {
        {"full disk before the first byte of the big file", 4096, ENOSPC},
        {"full disk midway", (1 << 20) + 7, ENOSPC},
        {"full disk at the last byte", (3 << 20) - 1, ENOSPC},
        {"read error midway", 1234567, EIO},
    };
    const std::string small = Pattern(100, 1);
    const std::string big = Pattern(3 << 20, 2);
    const std::string old = Pattern(2 << 20, 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        scratch.Write("small.bin", small);
        scratch.Write("big.bin", big);
        scratch.Write("app.bin", old);
        fs::last_write_time(scratch.at("app.bin"), fs::last_write_time(scratch.at("app.bin")) - std::chrono::hours(30));
        const FileState before = StateOf(scratch, "app.bin");
        scratch.Write("updater.ini",
                  "[UPDATER]\nNAME=\nPROC=COPY,AFTER\n[COPY]\nMODE=COPY\nFROM=" + scratch.windows("small.bin") + "," +
                      scratch.windows("big.bin") + "," + scratch.windows("small.bin") + "\nTO=" + scratch.windows("first.bin") +
                      "," + scratch.windows("app.bin") + "," + scratch.windows("third.bin") +
                      "\n[AFTER]\nMODE=COPY\nFROM=" + scratch.windows("small.bin") + "\nTO=" +
                      scratch.windows("after.bin") + "\n");
        run.ScriptFile.Assign(scratch.windows("updater.ini").c_str());
        boxes.boxes.clear();
        SetCopyFailAfter(c.failAfter, c.error);
        EXPECT_FALSE(Run());
        SetCopyFailAfter(-1, 0);
        EXPECT_EQ(Texts(), std::vector<std::string>{Message(kMsgCopyFailed, scratch.windows("big.bin").c_str(),
                                                             scratch.windows("app.bin").c_str())});
        EXPECT_TRUE(StateOf(scratch, "app.bin") == before);
        EXPECT_TRUE(scratch.Read("first.bin") == small);
        EXPECT_EQ(Listing(scratch.native()),
                  (std::set<std::string>{"updater.ini", "small.bin", "big.bin", "app.bin", "first.bin"}));
    }
}

// The same on a small memory file system that really fills up: the file
// system's free space is what it was, so no temporary file is held either.
TEST_F(FaultTest, CopyOntoAFullFileSystemStopsTheRun) {
    const SmallFileSystem small(dir.at("small"));
    if (!small.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";

    const std::string old = Pattern(300 << 10, 4);
    dir.Write("small/app.bin", old);
    dir.Write("big.bin", Pattern(2 << 20, 5));
    const FileState before = StateOf(dir, "small/app.bin");
    struct statvfs space;
    ASSERT_EQ(statvfs(dir.at("small").c_str(), &space), 0);
    const auto freeBefore = space.f_bfree;

    Script("[UPDATER]\nNAME=\nPROC=COPY,AFTER\n[COPY]\nMODE=COPY\nFROM=" + dir.windows("big.bin") +
           "\nTO=" + dir.windows("small\\app.bin") + "\n" + Copy("AFTER", "small\\after.txt"));
    EXPECT_FALSE(Run());
    EXPECT_EQ(Texts(), std::vector<std::string>{Message(kMsgCopyFailed, dir.windows("big.bin").c_str(),
                                                         dir.windows("small\\app.bin").c_str())});
    EXPECT_TRUE(StateOf(dir, "small/app.bin") == before);
    EXPECT_EQ(Listing(dir.at("small")), std::set<std::string>{"app.bin"});
    ASSERT_EQ(statvfs(dir.at("small").c_str(), &space), 0);
    EXPECT_EQ(space.f_bfree, freeBefore);
}

// Pipes and devices where the script or a command expects a file: nothing
// waits on them. The script itself as a pipe, a link to an endless device
// or a folder has no sections; a copy from one fails; a pipe cannot be
// started as a program. A hang ends the test program by its alarm.
TEST_F(FaultTest, PipesAndDevicesNeverHang) {
    ASSERT_EQ(mkfifo(dir.at("pipe").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", dir.at("zero"));
    fs::create_directory(dir.at("folder"));
    dir.Write("old.txt", "old");
    const std::string nameMissing = Message(kMsgBadSetting, "UPDATER", "NAME");
    for (const char* script : {"pipe", "zero", "folder"}) {
        SCOPED_TRACE(std::string("the script is ") + script);
        boxes.boxes.clear();
        run.ScriptFile.Assign(dir.windows(script).c_str());
        alarm(20);
        EXPECT_FALSE(Run());
        alarm(0);
        EXPECT_EQ(Texts(), std::vector<std::string>{nameMissing});
    }

    struct Case {
        const char* name;
        std::string procedure;
        std::string box;
    };
    const std::string pipe = dir.windows("pipe");
    const std::string zero = dir.windows("zero");
    const std::string old = dir.windows("old.txt");
    const Case cases[] = {
        {"copy from a pipe", "MODE=COPY\nFROM=" + pipe + "\nTO=" + old,
         Message(kMsgCopyFailed, pipe.c_str(), old.c_str())},
        {"copy from a device", "MODE=COPY\nFROM=" + zero + "\nTO=" + old,
         Message(kMsgCopyFailed, zero.c_str(), old.c_str())},
        {"copy over a pipe", "MODE=COPY\nFROM=" + old + "\nTO=" + pipe,
         Message(kMsgCopyFailed, old.c_str(), pipe.c_str())},
        {"a pipe started", "MODE=LAUNCH\nFILE=" + pipe + "\nPARAM=\nISWAIT=1",
         Message(kMsgLaunchFailed, pipe.c_str(), "")},
        {"the date of a pipe and a device", "MODE=DATE\nFILE=" + pipe + "," + zero + "\nDATE=2000/01/01",
         "after"},
        {"a pipe and a device exist", "MODE=EXIST\nFILE=" + pipe + "," + zero, "after"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.boxes.clear();
        Script("[UPDATER]\nNAME=\nPROC=ACT,AFTER\n[ACT]\n" + c.procedure +
               "\n[AFTER]\nMODE=MSGBOX\nFLAG=\nTYPE=INFORMATION\nTEXT=after\nISABORT=\n");
        alarm(20);
        Run();
        alarm(0);
        EXPECT_EQ(Texts(), std::vector<std::string>{c.box});
        EXPECT_EQ(dir.Read("old.txt"), "old");
        EXPECT_TRUE(fs::is_fifo(dir.at("pipe")));
    }
}

#endif  // _WIN32

}  // namespace
