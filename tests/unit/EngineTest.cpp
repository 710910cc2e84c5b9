// The engine where the end-to-end scenarios cannot look: the lists it holds,
// a box that cannot be shown, and integer reads.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "engine/ProcList.h"
#include "engine/Settings.h"
#include "engine/Startup.h"
#include "text/Messages.h"

namespace {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareRun(run);
    }
    void TearDown() override { ReleaseAllProcLists(run); }

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

// What the scenarios cannot see: the stack of lists after a failure and
// after the end of a run, and integers read without a number.
TEST_F(EngineTest, ListsStayHeldUntilReleasedAtTheEnd) {
    struct Case {
        const char* script;
        bool carriedOn;
        int depthAfterRun;
    };
    const Case cases[] = {
        {"[UPDATER]\nNAME=\nPROC=CHECK,OUTER\n[CHECK]\nMODE=OSVER\n"
         "[OUTER]\nMODE=SWITCH\nPROC=CHECK\n0=INNER\n1=INNER\n[INNER]\nMODE=SWITCH\nPROC=CHECK\n0=\n1=\n",
         false, 2},
        {"[UPDATER]\nNAME=\nPROC=CHECK,LOOP\n[CHECK]\nMODE=OSVER\n"
         "[LOOP]\nMODE=SWITCH\nPROC=CHECK\n0=CHECK,LOOP\n1=CHECK,LOOP\n",
         false, kMaxProcListDepth},
        {"[UPDATER]\nNAME=\nPROC=CHECK,BRANCH\n[CHECK]\nMODE=OSVER\n[BRANCH]\nMODE=SWITCH\nPROC=CHECK\n0=\n1=\n",
         true, 0},
        {"[UPDATER]\nNAME=\nPROC=\n", false, 0},
    };
    for (const Case& c : cases) {
        Script(c.script);
        EXPECT_EQ(Run(), c.carriedOn) << c.script;
        EXPECT_EQ(run.ProcListArray.depth, c.depthAfterRun) << c.script;
        // A list taken off the stack gives its entry back.
        EXPECT_EQ(run.ProcListArray.storage.Size(), c.depthAfterRun * sizeof(ProcList)) << c.script;
        ReleaseAllProcLists(run);
        EXPECT_EQ(run.ProcListArray.depth, 0);
    }
}

// A box the system cannot show (its answer is 0) sets no flag and ends
// nothing, whatever ISABORT says.
TEST_F(EngineTest, BoxThatCannotBeShownLetsTheRunGoOn) {
    Script("[UPDATER]\nNAME=\nPROC=ASK,AFTER\n[ASK]\nMODE=MSGBOX\nFLAG=\nTYPE=QUESTION\nTEXT=q\nISABORT=1,1\n"
           "[AFTER]\nMODE=MSGBOX\nFLAG=ASK,0\nTYPE=INFORMATION\nTEXT=after\nISABORT=\n");
    boxes.answers = {0};
    EXPECT_TRUE(Run());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"q", "after"}));
}

TEST_F(EngineTest, IntegersWithoutANumberKeepTheirValue) {
    Script("[S]\nN=12abc\nW=abc\nM=no_data\n");
    int number = 5;
    EXPECT_TRUE(ReadIntSetting(run, "S", "N", number));
    EXPECT_EQ(number, 12);
    EXPECT_TRUE(ReadIntSetting(run, "S", "W", number));
    EXPECT_EQ(number, 12);
    EXPECT_FALSE(ReadIntSetting(run, "S", "M", number));
    EXPECT_EQ(Texts(), std::vector<std::string>{Message(kMsgBadSetting, "S", "M")});
}

}  // namespace
