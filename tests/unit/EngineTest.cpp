// The engine with real scripts: building lists all or nothing, execution
// order and flags, SWITCH and MSGBOX, the nesting limit, and what a failing
// heap leaves behind.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "engine/ProcList.h"
#include "engine/ScriptFile.h"
#include "engine/Settings.h"
#include "engine/Startup.h"
#include "engine/Symbols.h"
#include "text/Heap.h"
#include "text/Messages.h"

namespace {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareRun(run);
        run.Caption.Assign("Test");
        run.SymbolTable.entries.Assign("");
        run.SymbolTable.count = 0;
    }
    void TearDown() override {
        ReleaseAllProcLists(run);
        SetTextAllocFailAfter(-1);
    }

    // Writes the script and makes it the run's script.
    void Script(const std::string& text) {
        dir.Write("updater.ini", text);
        run.ScriptFile.Assign(dir.windows("updater.ini").c_str());
    }
    // The run after start-up: [UPDATER] and the main list.
    bool Run() { return ReadUpdaterSection(run) && RunMainProcList(run); }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const RecordedBox& box : boxes.boxes) texts.push_back(box.text);
        return texts;
    }

    RunState run;
    ScratchDir dir;
    BoxRecorder boxes;
};

// Three notices; the one at `broken` is damaged in the way the row says.
TEST_F(EngineTest, BuildingIsAllOrNothing) {
    struct Case {
        const char* name;
        const char* brokenSection;
        std::string expected;
    };
    const Case cases[] = {
        {"missing MODE", "[B]\nTYPE=INFORMATION\n", Message(kMsgBadSetting, "B", "MODE")},
        {"unknown MODE", "[B]\nMODE=RUN\n", Message(kMsgBadSymbol, "RUN")},
        {"missing section", "", Message(kMsgBadSetting, "B", "MODE")},
        {"missing key", "[B]\nMODE=MSGBOX\nFLAG=\nTYPE=INFORMATION\nTEXT=b\n",
         Message(kMsgBadSetting, "B", "ISABORT")},
        {"NO_DATA value", "[B]\nMODE=MSGBOX\nFLAG=No_Data\n", Message(kMsgBadSetting, "B", "FLAG")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.boxes.clear();
        Script(std::string("[UPDATER]\nNAME=\nPROC=A, B ,C\n") +
               "[A]\nMODE=MSGBOX\nFLAG=\nTYPE=INFORMATION\nTEXT=a\nISABORT=\n" + c.brokenSection +
               "[C]\nMODE=MSGBOX\nFLAG=\nTYPE=INFORMATION\nTEXT=c\nISABORT=\n");
        EXPECT_FALSE(Run());
        EXPECT_EQ(Texts(), std::vector<std::string>{c.expected});
        EXPECT_EQ(run.ProcListArray.depth, 0);
    }
}

TEST_F(EngineTest, UpdaterSectionFailures) {
    struct Case {
        const char* script;
        std::string expected;
    };
    const Case cases[] = {
        {"[UPDATER]\nPROC=A\n", Message(kMsgBadSetting, "UPDATER", "NAME")},
        {"[UPDATER]\nNAME=x\n", Message(kMsgBadSetting, "UPDATER", "PROC")},
        {"[UPDATER]\nNAME=x\nPROC=\n", Message(kMsgBadItemCount, "UPDATER", "PROC")},
        {"", Message(kMsgBadSetting, "UPDATER", "NAME")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        boxes.boxes.clear();
        Script(c.script);
        EXPECT_FALSE(Run());
        EXPECT_EQ(Texts(), std::vector<std::string>{c.expected});
    }
}

TEST_F(EngineTest, ExecutionStopsAtTheFirstFailure) {
    Script(
        "[UPDATER]\nNAME=\nPROC=A,B,C\n"
        "[A]\nMODE=MSGBOX\nFLAG=\nTYPE=INFORMATION\nTEXT=a\nISABORT=\n"
        "[B]\nMODE=MSGBOX\nFLAG=\nTYPE=OK\nTEXT=b\nISABORT=\n"
        "[C]\nMODE=MSGBOX\nFLAG=\nTYPE=INFORMATION\nTEXT=c\nISABORT=\n");
    EXPECT_FALSE(Run());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"a", Message(kMsgBadSymbol, "OK")}));
    // The failed list stays on the stack until the end of the run.
    EXPECT_EQ(run.ProcListArray.depth, 1);
    ReleaseAllProcLists(run);
    EXPECT_EQ(run.ProcListArray.depth, 0);
}

TEST_F(EngineTest, SwitchTakesTheBranchOfTheFlag) {
    dir.Write("present.txt", "x");
    struct Case {
        const char* file;
        const char* testName;
        std::vector<std::string> expected;
    };
    const std::string present = dir.windows("present.txt");
    const std::string absent = dir.windows("absent.txt");
    const Case cases[] = {
        {present.c_str(), "CHECK", {"one", "after"}},
        {absent.c_str(), " check ", {"zero", "after"}},
        // A test that stands later in the list has not run: flag 0.
        {present.c_str(), "LATER", {"zero", "after"}},
        // A SWITCH's own flag is always 0.
        {present.c_str(), "BRANCH", {"zero", "after"}},
        {present.c_str(), "CHECK,LATER", {Message(kMsgBadSymbol, "CHECK,LATER")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.testName);
        boxes.boxes.clear();
        Script(std::string("[UPDATER]\nNAME=\nPROC=CHECK,BRANCH,AFTER,LATER\n") +
               "[CHECK]\nMODE=EXIST\nFILE=" + c.file + "\n" +
               "[LATER]\nMODE=EXIST\nFILE=" + c.file + "\n" +
               "[BRANCH]\nMODE=SWITCH\nPROC=" + c.testName + "\n0=ZERO\n1=ONE\n" +
               "[ZERO]\nMODE=MSGBOX\nFLAG=\nTYPE=INFORMATION\nTEXT=zero\nISABORT=\n"
               "[ONE]\nMODE=MSGBOX\nFLAG=\nTYPE=INFORMATION\nTEXT=one\nISABORT=\n"
               "[AFTER]\nMODE=MSGBOX\nFLAG=\nTYPE=INFORMATION\nTEXT=after\nISABORT=\n");
        Run();
        EXPECT_EQ(Texts(), c.expected);
        ReleaseAllProcLists(run);
    }
}

TEST_F(EngineTest, SwitchSeesOnlyItsOwnList) {
    Script(
        "[UPDATER]\nNAME=\nPROC=CHECK,OUTER\n"
        "[CHECK]\nMODE=OSVER\n"
        "[OUTER]\nMODE=SWITCH\nPROC=CHECK\n0=INNER\n1=INNER\n"
        "[INNER]\nMODE=SWITCH\nPROC=CHECK\n0=\n1=\n");
    EXPECT_FALSE(Run());
    EXPECT_EQ(Texts(), std::vector<std::string>{Message(kMsgBadSymbol, "CHECK")});
    // Both lists are still held: the sub-list on top of the main list.
    EXPECT_EQ(run.ProcListArray.depth, 2);
    EXPECT_NE(FindProcedure(CurrentProcList(run), "inner"), nullptr);
    EXPECT_NE(FindProcedure(ProcListAt(run, 0), "OUTER"), nullptr);
}

TEST_F(EngineTest, EmptyBranchDoesNothing) {
    Script(
        "[UPDATER]\nNAME=\nPROC=CHECK,BRANCH,AFTER\n"
        "[CHECK]\nMODE=OSVER\n"
        "[BRANCH]\nMODE=SWITCH\nPROC=CHECK\n0=\n1=\n"
        "[AFTER]\nMODE=MSGBOX\nFLAG=\nTYPE=INFORMATION\nTEXT=after\nISABORT=\n");
    EXPECT_TRUE(Run());
    EXPECT_EQ(Texts(), std::vector<std::string>{"after"});
    EXPECT_EQ(run.ProcListArray.depth, 0);
}

// A SWITCH whose list names itself again nests until the limit, then ends
// with one error box, and every list is released at the end.
TEST_F(EngineTest, SelfNamingSwitchStopsAtTheNestingLimit) {
    Script(
        "[UPDATER]\nNAME=\nPROC=CHECK,LOOP\n"
        "[CHECK]\nMODE=OSVER\n"
        "[LOOP]\nMODE=SWITCH\nPROC=CHECK\n0=CHECK,LOOP\n1=CHECK,LOOP\n");
    EXPECT_FALSE(Run());
    EXPECT_EQ(Texts(), std::vector<std::string>{Message(kMsgOutOfMemory, "ProcListArray")});
    EXPECT_EQ(run.ProcListArray.depth, kMaxProcListDepth);
    ReleaseAllProcLists(run);
    EXPECT_EQ(run.ProcListArray.depth, 0);
}

TEST_F(EngineTest, MsgBoxConditionsStylesAndAborts) {
    struct Case {
        const char* name;
        const char* flag;
        const char* type;
        const char* isAbort;
        std::deque<int> answers;
        bool runGoesOn;
        std::vector<std::string> texts;  // boxes shown, "after" included
        unsigned style;                  // style of the first box, when shown
    };
    const std::string badFlag = Message(kMsgBadSymbol, "OTHER,1");
    const Case cases[] = {
        {"unconditional", "", "information", "", {}, true, {"hi", "after"}, 0x40},
        {"single name not looked up", "NOBODY", "ERROR", "", {}, true, {"hi", "after"}, 0x10},
        {"condition met", "CHECK,0", "QUESTION", "0,1", {kAnswerYes}, true, {"hi", "after"}, 0x24},
        {"condition not met", "CHECK,1", "bogus", "1,1", {}, true, {}, 0},
        {"condition with blanks", " check , 0 ", "Warning", "", {}, true, {"hi"}, 0x134},
        {"unknown procedure", "OTHER,1", "QUESTION", "", {}, false, {badFlag}, 0},
        {"unknown type", "", "OK", "", {}, false, {Message(kMsgBadSymbol, "OK")}, 0},
        {"No ends the run", "", "QUESTION", "0,1", {kAnswerNo}, false, {"hi"}, 0x24},
        {"final notice", "", "INFORMATION", "1", {}, false, {"hi"}, 0x40},
        {"warning defaults to No", "", "WARNING", "0,1", {}, false, {"hi"}, 0x134},
        {"box not shown", "", "QUESTION", "1,1", {0}, true, {"hi"}, 0x24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.boxes.clear();
        boxes.answers = c.answers;
        Script(std::string("[UPDATER]\nNAME=\nPROC=CHECK,ASK,AFTER\n[CHECK]\nMODE=EXIST\nFILE=") +
               dir.windows("none") + "\n[ASK]\nMODE=MSGBOX\nFLAG=" + c.flag + "\nTYPE=" + c.type +
               "\nTEXT=hi\nISABORT=" + c.isAbort +
               "\n[AFTER]\nMODE=MSGBOX\nFLAG=ASK,1\nTYPE=INFORMATION\nTEXT=after\nISABORT=\n");
        EXPECT_EQ(Run(), c.runGoesOn);
        // AFTER shows only when ASK's flag became 1 (OK or Yes).
        EXPECT_EQ(Texts(), c.texts);
        if (c.style != 0 && !boxes.boxes.empty()) {
            EXPECT_EQ(boxes.boxes[0].style, c.style);
        }
        ReleaseAllProcLists(run);
    }
}

TEST_F(EngineTest, MsgBoxEscapesAndCaption) {
    Script(
        "[UPDATER]\nNAME=\nPROC=ASK\n"
        "[ASK]\nMODE=MSGBOX\nFLAG=\nTYPE=INFORMATION\nTEXT=X%nY%tZ\nISABORT=\n");
    run.Caption.Assign("My Setup");
    EXPECT_TRUE(Run());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "X\nY\tZ");
    EXPECT_EQ(boxes.boxes[0].caption, "My Setup");
}

TEST_F(EngineTest, ValuesAreCutAt258Bytes) {
    const std::string value(300, 'v');
    Script("[S]\nK=" + value + "\nEMPTY=\nMISSING=no_data\nN=12abc\nW=abc\n");
    TextString text;
    EXPECT_TRUE(ReadSetting(run, "S", "K", text));
    EXPECT_EQ(std::string(text.CStr()), value.substr(0, 258));
    EXPECT_TRUE(ReadSetting(run, "s", "empty", text));
    EXPECT_EQ(text.Length(), 0);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(ReadSetting(run, "S", "MISSING", text));
    EXPECT_EQ(Texts(), std::vector<std::string>{Message(kMsgBadSetting, "S", "MISSING")});

    int number = 5;
    EXPECT_TRUE(ReadIntSetting(run, "S", "N", number));
    EXPECT_EQ(number, 12);
    EXPECT_TRUE(ReadIntSetting(run, "S", "W", number));
    EXPECT_EQ(number, 12);  // no number: the integer keeps its value
}

TEST_F(EngineTest, CaptionFromTheFirstWord) {
    struct Case {
        const char* commandLine;
        bool taken;
        const char* caption;
    };
    const Case cases[] = {
        {"", false, "old"},
        {"My Setup /q", true, "My"},
        {"\"My Setup\" /q", true, "My Setup"},
        {"\"\"", false, "old"},
        {"\"\" x", false, "old"},
        {"Solo", true, "Solo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commandLine);
        TextString caption("old");
        EXPECT_EQ(CaptionFromCommandLine(TextString(c.commandLine), caption), c.taken);
        EXPECT_STREQ(caption.CStr(), c.caption);
    }
}

TEST(ScriptPathTest, ExtensionBecomesIni) {
    struct Case {
        const char* program;
        const char* script;
    };
    const Case cases[] = {
        {"C:\\Tools\\Setup.exe", "C:\\Tools\\Setup.ini"},
        {"C:\\Tools\\SETUP.EXE", "C:\\Tools\\SETUP.ini"},
        {"C:\\Tools\\my.setup.exe", "C:\\Tools\\my.setup.ini"},
        // No extension: the script is still beside the program.
        {"Z:\\opt\\app\\updater", "Z:\\opt\\app\\updater.ini"},
        {"C:\\App.2\\tool", "C:\\App.2\\tool.ini"},
        {"tool", "tool.ini"},
        {"", ".ini"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(ScriptPathOf(TextString(c.program)).CStr(), c.script) << c.program;
    }
}

// Whatever allocation the heap refuses, a run ends without a crash, shows at
// most one error box per failure and leaves no list behind.
TEST_F(EngineTest, ExhaustedHeapNeverCrashes) {
    dir.Write("present.txt", "x");
    Script(std::string("[UPDATER]\nNAME=N\nPROC=CHECK,BRANCH\n[CHECK]\nMODE=EXIST\nFILE=") +
           dir.windows("present.txt") +
           "\n[BRANCH]\nMODE=SWITCH\nPROC=CHECK\n0=\n1=ASK\n"
           "[ASK]\nMODE=MSGBOX\nFLAG=CHECK,1\nTYPE=QUESTION\nTEXT=a%nb\nISABORT=0,1\n");
    for (int n = 0; n < 400; ++n) {
        boxes.boxes.clear();
        SetTextAllocFailAfter(n);
        Run();
        ReleaseAllProcLists(run);
        SetTextAllocFailAfter(-1);
        EXPECT_EQ(run.ProcListArray.depth, 0);
        EXPECT_LE(boxes.boxes.size(), 1u) << "after " << n << " allocations";
    }
}

}  // namespace
