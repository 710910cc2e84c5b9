// The host program's own parts: its options, the trace's two forms, the
// English lines, the walk over the combinations of answers, what a
// rehearsal's summary makes of a run, and the watch over a run.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <codecvt>
#include <deque>
#include <locale>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/host/Explain.h"
#include "app/host/Explore.h"
#include "app/host/Options.h"
#include "app/host/RunWatch.h"
#include "app/host/TraceSteps.h"
#include "engine/ProcList.h"
#include "engine/Startup.h"
#include "text/Catalogue.h"
#include "text/Messages.h"

namespace {

// ---- Options ------------------------------------------------------------------

TEST(HostOptionsTest, ParsesOnlyTheLeadingOptions) {
    struct Case {
        std::vector<const char*> arguments;  // after the program's name
        std::string error;                   // a part of it; empty: none
        int first;                           // the command line's first argument
        std::string root, family, traceFile;
        bool trace, status, explore;
        std::vector<std::string> answers;
    };
    const Case cases[] = {
        {{}, "", 1, "", "", "", false, false, false, {}},
        {{"--trace", "--status", "My Setup"}, "", 3, "", "", "", true, true, false, {}},
        {{"--trace=t.jsonl", "--", "--help"}, "", 3, "", "", "t.jsonl", true, false, false, {}},
        {{"--root", "/r", "--family", "95", "x"}, "", 5, "/r", "95", "", false, false, false, {}},
        {{"--root=/r", "--family=nt"}, "", 3, "/r", "NT", "", false, false, false, {}},
        {{"--answers", " Yes, n,,OK "}, "", 3, "", "", "", false, false, false, {"yes", "no", "", "ok"}},
        {{"--answers="}, "", 2, "", "", "", false, false, false, {""}},
        {{"--rooted", "--status"}, "", 1, "", "", "", false, false, false, {}},
        {{"My", "--status"}, "", 1, "", "", "", false, false, false, {}},
        {{"--trace=a", "--trace"}, "", 3, "", "", "", true, false, false, {}},
        {{"--explore", "--family", "95"}, "", 4, "", "95", "", false, false, true, {}},
        {{"--family", "98"}, "takes 95 or nt", 0, "", "", "", false, false, false, {}},
        {{"--root"}, "needs a value", 0, "", "", "", false, false, false, {}},
        {{"--root="}, "needs a folder", 0, "", "", "", false, false, false, {}},
        {{"--answers", "yes,maybe"}, "not \"maybe\"", 0, "", "", "", false, false, false, {}},
        {{"--explore", "--answers", "y"}, "leave out --answers", 0, "", "", "", false, false, false, {}},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"updater"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments[0]);
        HostOptions options;
        std::string error;
        const bool parsed = ParseHostOptions(static_cast<int>(argv.size()), argv.data(), options, error);
        if (!c.error.empty()) {
            EXPECT_FALSE(parsed);
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
            continue;
        }
        ASSERT_TRUE(parsed) << error;
        EXPECT_EQ(options.firstArgument, c.first);
        EXPECT_EQ(options.root, c.root);
        EXPECT_EQ(options.family, c.family);
        EXPECT_EQ(options.trace, c.trace);
        EXPECT_EQ(options.traceFile, c.traceFile);
        EXPECT_EQ(options.status, c.status);
        EXPECT_EQ(options.explore, c.explore);
        EXPECT_EQ(options.answers, c.answers);
    }
}

TEST(HostOptionsTest, CommandLineAndTraceForm) {
    const char* argv[] = {"updater", "--status", "My Setup", "", "/q"};
    EXPECT_EQ(ArgumentText(5, argv, 2), "\"My Setup\" \"\" /q");
    EXPECT_EQ(ArgumentText(5, argv, 5), "");
    for (const char* name : {"t.jsonl", "T.JSONL", "/a/b.jsonl"}) EXPECT_TRUE(IsJsonTraceFile(name)) << name;
    for (const char* name : {"t.json", "jsonl", "t.jsonl.txt", ""}) EXPECT_FALSE(IsJsonTraceFile(name)) << name;
}

// ---- The trace's forms --------------------------------------------------------------

TEST(TraceStepsTest, JsonStringsAreValidWhateverTheBytes) {
    const struct {
        std::string text;
        std::string json;
    } cases[] = {
        {"plain text", "\"plain text\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"line\nnext\ttab\r\x01\x7f", "\"line\\nnext\\ttab\\r\\u0001\\u007f\""},
        {"\xe6\x97\xa5\xe6\x9c\xac", "\"\xe6\x97\xa5\xe6\x9c\xac\""},  // 日本
        {"\xf0\x9f\x98\x80", "\"\xf0\x9f\x98\x80\""},                  // four bytes
        {"a\xff" "b", "\"a\\ufffdb\""},                                 // no UTF-8 at all
        {"\x95\x5c", "\"\\ufffd\\\\\""},                                // Shift-JIS 表
        {"\xc0\x80", "\"\\ufffd\\ufffd\""},                             // overlong
        {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},                  // a surrogate
        {"\xe6\x97", "\"\\ufffd\\ufffd\""},                             // cut off
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonString(c.text), c.json) << c.text;
        EXPECT_EQ(IsWellFormedUtf8(c.text), c.json.find("ufffd") == std::string::npos) << c.text;
    }
}

TEST(TraceStepsTest, TextAndJsonLines) {
    TraceStep step;
    step.step = "procedure";
    step.line = 12;
    step.depth = 2;
    step.message = "[CHECK] EXIST: flag 1";
    step.Text("section", "CHECK").Number("flag", 1).Flag("carried_on", true).Flag("ended", false).List("names", {"A", "B\""});
    EXPECT_EQ(TextTraceWriter::Line("a.ini", step), "a.ini:12:     [CHECK] EXIST: flag 1");
    EXPECT_EQ(JsonTraceWriter::Line("a.ini", step),
              "{\"step\":\"procedure\",\"file\":\"a.ini\",\"line\":12,\"depth\":2,\"section\":\"CHECK\",\"flag\":1,"
              "\"carried_on\":true,\"ended\":false,\"names\":[\"A\",\"B\\\"\"]}");
    TraceStep end;
    end.step = "end";
    end.message = "end: completed, status 0";
    EXPECT_EQ(TextTraceWriter::Line("a.ini", end), "a.ini: end: completed, status 0");
    EXPECT_EQ(JsonTraceWriter::Line("a.ini", end), "{\"step\":\"end\",\"file\":\"a.ini\",\"depth\":0}");
}

// ---- English lines --------------------------------------------------------------------

TEST(ExplainTest, ArgumentsComeBackFromEveryMessage) {
    const struct {
        unsigned id;
        std::string text;
        std::vector<std::string> arguments;
    } cases[] = {
        {kMsgFileNotFound, Message(kMsgFileNotFound, "C:\\a b.ini"), {"C:\\a b.ini"}},
        {kMsgBadSetting, Message(kMsgBadSetting, "SEC", "KEY"), {"SEC", "KEY"}},
        {kMsgOutOfMemory, Message(kMsgOutOfMemory, "ProcListArray"), {"ProcListArray"}},
        {kMsgBadSymbol, Message(kMsgBadSymbol, ""), {""}},
        {kMsgCopyFailed, Message(kMsgCopyFailed, "Z:\\\x95\x5c.txt", "C:\\x"), {"Z:\\\x95\x5c.txt", "C:\\x"}},
        {kMsgLaunchFailed, Message(kMsgLaunchFailed, "C:\\t.exe", "/a \"b\""), {"C:\\t.exe", "/a \"b\""}},
        {kMsgBadProcCount, Message(kMsgBadProcCount), {}},
        {kMsgAttrFailed, Message(kMsgAttrFailed, "C:\\f", 33u), {"C:\\f", "00000021"}},
        {kMsgMakeDirFailed, Message(kMsgMakeDirFailed, "C:\\d"), {"C:\\d"}},
    };
    for (const auto& c : cases) {
        char format[256];
        LoadCatalogueText(c.id, format, sizeof format);
        EXPECT_EQ(MessageArguments(format, c.text), c.arguments) << c.id;
    }
    char format[256];
    LoadCatalogueText(kMsgCopyFailed, format, sizeof format);
    EXPECT_TRUE(MessageArguments(format, "another text").empty());
    EXPECT_TRUE(MessageArguments(format, Message(kMsgCopyFailed, "a", "b") + "x").empty());
    const std::string cut = Message(kMsgCopyFailed, "<<A>>", "b");
    EXPECT_TRUE(MessageArguments(format, cut.substr(0, cut.find("<<A>>") + 5)).empty());  // ends after the first
}

TEST(ExplainTest, LinesNameTheSectionKeyAndWord) {
    MessagePlace missingSection;
    missingSection.section = "NOPE";
    missingSection.key = "MODE";
    missingSection.listSection = "BRANCH";
    missingSection.listKey = "1";
    missingSection.where = "a.ini line 7";
    MessagePlace noData = missingSection;
    noData.sectionExists = noData.keyExists = true;
    MessagePlace type;
    type.section = "ASK";
    type.key = "TYPE";
    type.sectionExists = true;
    MessagePlace flag = type;
    flag.key = "FLAG";
    MessagePlace updater = type;
    updater.section = "UPDATER";
    updater.key = "PROC";
    MessagePlace nesting;
    nesting.section = "LOOP";
    nesting.key = "0";
    MessagePlace copy;
    copy.section = "INSTALL";
    copy.key = "FROM";
    copy.failure = "stat source failed: \"/a\": No such file or directory";
    const struct {
        unsigned id;
        std::vector<std::string> arguments;
        const MessagePlace* place;
        std::string line;
    } cases[] = {
        {kMsgBadSetting, {"NOPE", "MODE"}, &missingSection,
         "In English: There is no section [NOPE], which [BRANCH] 1 names as a procedure (or its name is misspelt "
         "there). (section [NOPE], key MODE, a.ini line 7)"},
        {kMsgBadSetting, {"NOPE", "MODE"}, &noData,
         "In English: Key MODE of [NOPE] is NO_DATA, which counts as a missing key. (section [NOPE], key MODE, a.ini "
         "line 7)"},
        {kMsgBadSetting, {"ASK", "TYPE"}, &type,
         "In English: Section [ASK] has no key TYPE, which its MODE requires (even empty). (section [ASK], key TYPE)"},
        {kMsgBadSetting, {"UPDATER", "PROC"}, &updater,
         "In English: Section [UPDATER] has no key PROC: every script needs NAME and PROC there. (section [UPDATER], "
         "key PROC)"},
        {kMsgBadSymbol, {"QUERY"}, &type,
         "In English: TYPE \"QUERY\" of [ASK] is no box type: use ERROR, INFORMATION, WARNING or QUESTION. (section "
         "[ASK], key TYPE)"},
        {kMsgBadSymbol, {"NOWHERE"}, &flag,
         "In English: FLAG \"NOWHERE\" of [ASK] names no procedure of the list that holds [ASK]. (section [ASK], "
         "key FLAG)"},
        {kMsgOutOfMemory, {"ProcListArray"}, &nesting,
         "In English: Lists nest more than 64 deep: SWITCH [LOOP] 0 keeps choosing a list that runs a SWITCH again. "
         "(section [LOOP])"},
        {kMsgOutOfMemory, {"COPY_INFO"}, &nesting, "In English: Memory ran out for \"COPY_INFO\". (section [LOOP])"},
        // A box text the catalogue's form did not match gives no arguments.
        {kMsgCopyFailed, {}, &copy,
         "In English: COPY [INSTALL] could not copy \"\" to \"\". The host said: stat source failed: \"/a\": No such "
         "file or directory. (section [INSTALL], key FROM)"},
        {kMsgCopyFailed, {"a", "b"}, &copy,
         "In English: COPY [INSTALL] could not copy \"a\" to \"b\". The host said: stat source failed: \"/a\": No "
         "such file or directory. (section [INSTALL], key FROM)"},
    };
    for (const auto& c : cases) EXPECT_EQ(EnglishForMessage(c.id, c.arguments, *c.place), c.line);

    const struct {
        bool yesNo;
        const char* rule;
        std::string line;
    } boxes[] = {
        {true, "0,1", "Yes sets the flag of [ASK] to 1; No leaves it 0 and ends the run."},
        {true, " 2 , x", "Yes sets the flag of [ASK] to 1 and ends the run; No leaves it 0."},
        {true, "", "Yes sets the flag of [ASK] to 1; No leaves it 0."},
        {false, "1", "OK sets the flag of [ASK] to 1 and ends the run."},
    };
    for (const auto& box : boxes) {
        EXPECT_EQ(EnglishForBox("ASK", box.yesNo, box.rule, "a.ini line 3"),
                  "In English: a box of [ASK] (a.ini line 3): " + box.line);
    }
}

TEST(ExplainTest, EnglishIsWantedByLanguageOrLocale) {
    ScopedEnv messages("LC_MESSAGES", nullptr), lang("LANG", nullptr);
    const struct {
        const char* language;  // NEMURIA_LANG; null: unset
        const char* locale;    // LC_ALL; null: unset (and no other locale variable)
        bool option;
        bool wanted;
    } cases[] = {
        {"en", "ja_JP.UTF-8", false, true},  {"ja", "en_US.UTF-8", true, false},
        {nullptr, "en_GB.UTF-8", true, true}, {nullptr, "en_GB.UTF-8", false, false},
        {nullptr, "C.UTF-8", true, true},     {nullptr, "ja_JP.UTF-8", true, false},
        {nullptr, nullptr, true, true},       {"", "de_DE.UTF-8", true, false},
    };
    for (const auto& c : cases) {
        ScopedEnv language("NEMURIA_LANG", c.language), locale("LC_ALL", c.locale);
        EXPECT_EQ(EnglishWanted(c.option), c.wanted)
            << (c.language ? c.language : "-") << " " << (c.locale ? c.locale : "-") << " " << c.option;
    }
}

// ---- Exploring ------------------------------------------------------------------------

// A script as the answers it meets: each run answers its Yes/No boxes by
// the prefix and Yes after it, as a rehearsal does.
using Script = std::vector<bool> (*)(const std::vector<bool>& answer);

std::vector<std::string> Walk(Script script, int limit, bool* complete = nullptr) {
    std::vector<std::string> runs;
    const bool done = WalkCombinations(limit, [&](const std::vector<bool>& prefix, std::vector<bool>& path) {
        std::vector<bool> answers = prefix;
        answers.resize(16, true);
        path = script(answers);
        std::string run;
        for (bool yes : path) run += yes ? 'y' : 'n';
        runs.push_back(run);
        return kRunFinished;
    });
    if (complete != nullptr) *complete = done;
    return runs;
}

TEST(ExploreTest, EveryPathThroughTheQuestionsOnce) {
    const struct {
        const char* name;
        Script script;
        std::vector<std::string> runs;
    } cases[] = {
        {"no question", [](const std::vector<bool>&) { return std::vector<bool>{}; }, {""}},
        {"two questions", [](const std::vector<bool>& a) { return std::vector<bool>{a[0], a[1]}; },
         {"yy", "yn", "ny", "nn"}},
        {"No to the first ends the run",
         [](const std::vector<bool>& a) { return a[0] ? std::vector<bool>{true, a[1]} : std::vector<bool>{false}; },
         {"yy", "yn", "n"}},
        {"a second question on the No path only",
         [](const std::vector<bool>& a) { return a[0] ? std::vector<bool>{true} : std::vector<bool>{false, a[1]}; },
         {"y", "ny", "nn"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Walk(c.script, kMaxCombinations), c.runs) << c.name;

    bool complete = false;
    const auto ten = [](const std::vector<bool>& a) { return std::vector<bool>(a.begin(), a.begin() + 10); };
    EXPECT_EQ(Walk(ten, kMaxCombinations, &complete).size(), 1024u);
    EXPECT_TRUE(complete);
    const auto eleven = [](const std::vector<bool>& a) { return std::vector<bool>(a.begin(), a.begin() + 11); };
    EXPECT_EQ(Walk(eleven, kMaxCombinations, &complete).size(), 1024u);
    EXPECT_FALSE(complete);

    int runs = 0;
    EXPECT_TRUE(WalkCombinations(kMaxCombinations, [&](const std::vector<bool>&, std::vector<bool>& path) {
        path = {true, true};
        return ++runs == 1 ? kRunUnfinished : kRunStop;
    }));
    EXPECT_EQ(runs, 1);  // an unfinished run has no paths to follow
    // A run that stops the walk (its copies could not be made) is no
    // combination past the limit.
    runs = 0;
    EXPECT_TRUE(WalkCombinations(kMaxCombinations, [&](const std::vector<bool>&, std::vector<bool>& path) {
        path = {true};
        ++runs;
        return kRunStop;
    }));
    EXPECT_EQ(runs, 1);
}

TraceStep Action(const char* action, const char* path, const char* change) {
    TraceStep step;
    step.step = "action";
    step.Text("action", action).Text("path", path).Text("change", change);
    return step;
}

TEST(ExploreTest, SummaryOfARun) {
    RunSummary summary;
    SummarySink sink(summary);
    const auto procedure = [](const char* section, long long order, int depth) {
        TraceStep step;
        step.step = "procedure";
        step.depth = depth;
        step.Text("section", section).Number("order", order);
        return step;
    };
    const TraceStep steps[] = {
        procedure("A", 2, 1),
        Action("makedir", "C:\\New", "made"),
        Action("attr", "C:\\New", "unchanged"),
        Action("copy", "C:\\t.txt", "created"),
        Action("attr", "c:\\T.TXT", "read-only set"),
        Action("copy", "D:\\t.txt", "created"),
        Action("copy", "C:\\gone.txt", "created"),
        Action("delete", "C:\\gone.txt", "removed"),
        Action("copy", "C:\\old.txt", "replaced"),
        Action("delete", "C:\\old.txt", "removed"),
        Action("delete", "C:\\again.txt", "removed"),
        Action("copy", "C:\\again.txt", "created"),
        Action("launch", "C:\\setup.exe", "not started"),
        procedure("S", 1, 0),
    };
    for (const TraceStep& step : steps) sink.Step("a.ini", step);
    TraceStep error;
    error.step = "error";
    error.Number("message", 8).Text("section", "I").Text("key", "FROM");
    sink.Step("a.ini", error);
    TraceStep end;
    end.step = "end";
    end.Number("status", 3).Text("reason", "a box ended the run").Text("section", "ASK");
    sink.Step("a.ini", end);
    EXPECT_EQ(summary.procedures, (std::vector<std::string>{"S", "  A"}));
    EXPECT_EQ(summary.changes, (std::vector<std::string>{"+ C:\\New", "+ C:\\t.txt", "+ D:\\t.txt", "- C:\\old.txt",
                                                         "~ C:\\again.txt", "launch C:\\setup.exe: not started"}));
    EXPECT_EQ(summary.status, 3);
    EXPECT_EQ(summary.end, "a box ended the run ([ASK])");
    EXPECT_EQ(summary.boxes, std::vector<std::string>{"error 8 [I] FROM"});

    summary.boxes = {"[ASK]\tQUESTION: Yes", "error 8 [I] FROM"};
    summary.yesNo = {true, false};
    summary.script = "Z:\\a\\b\\\\c.ini\n";
    summary.sections = {{"A", 3}, {"S", 9}};
    RunSummary back;
    ASSERT_TRUE(RunSummary::Parse(summary.Serialize(), back));
    EXPECT_EQ(back.Serialize(), summary.Serialize());
    EXPECT_EQ(back.boxes, summary.boxes);
    EXPECT_EQ(back.script, summary.script);
    EXPECT_FALSE(RunSummary::Parse("proc\tA\n", back));  // a run without its end
    EXPECT_FALSE(RunSummary::Parse("what\tA\t1\nend\t0\tcompleted\n", back));  // a line of no known kind
    EXPECT_FALSE(RunSummary::Parse("proc\tA", back));    // cut off in a line
}

TEST(ExploreTest, TableColumnsLineUpWithWideCharacters) {
    EXPECT_EQ(DisplayWidth("abc"), 3u);
    EXPECT_EQ(DisplayWidth("\xe6\x97\xa5\xe6\x9c\xac"), 4u);  // 日本
    EXPECT_EQ(DisplayWidth("\xef\xbd\xb1"), 1u);              // ｱ, half-width
    EXPECT_EQ(DisplayWidth("\xc3\xa9t\xc3\xa9"), 3u);           // été
    // The first and last code point of each wide range take two columns,
    // the ones just outside one.
    const std::pair<char32_t, char32_t> wide[] = {{0x1100, 0x115F}, {0x2E80, 0xA4CF}, {0xAC00, 0xD7A3},
                                                  {0xF900, 0xFAFF}, {0xFE30, 0xFE4F}, {0xFF00, 0xFF60},
                                                  {0xFFE0, 0xFFE6}, {0x20000, 0x3FFFD}};
    std::wstring_convert<std::codecvt_utf8<char32_t>, char32_t> utf8;
    for (const auto& range : wide) {
        EXPECT_EQ(DisplayWidth(utf8.to_bytes({range.first, range.second})), 4u) << std::hex << range.first;
        EXPECT_EQ(DisplayWidth(utf8.to_bytes({range.first - 1, range.second + 1})), 2u) << std::hex << range.first;
    }
    EXPECT_EQ(RenderTable({{{"#"}, {"name"}, {"x"}},
                           {{"1"}, {"\xe6\x97\xa5", "ab"}, {"y"}}}),
              "# | name | x\n"
              "--+------+--\n"
              "1 | \xe6\x97\xa5   | y\n"
              "  | ab\n"
              "--+------+--\n");
    EXPECT_EQ(RenderTable({{{"#"}, {"x"}}, {{"1", "2"}, {"y"}}}), "# | x\n--+--\n1 | y\n2\n--+--\n");
}

TEST(RunStatusTest, EachEndHasItsStatus) {
    const struct {
        unsigned id;
        bool box;
        int status;
    } cases[] = {
        {0, false, 0},  {0, true, 3},  {1, false, 4},  {2, false, 1}, {3, false, 1}, {4, false, 1},
        {6, false, 1},  {11, false, 1}, {8, false, 2}, {9, false, 2}, {10, false, 2}, {12, false, 2},
        {13, false, 2}, {6, true, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(StatusOfRun(c.id, c.box).first, c.status) << c.id << " " << c.box;
}

// ---- The watch over a run --------------------------------------------------------------

class StepRecorder : public StepSink {
public:
    void Step(const std::string&, const TraceStep& step) override { steps.push_back(step); }
    std::vector<TraceStep> steps;
};

class ScriptedAnswers : public BoxAnswerer {
public:
    int Answer(const char* text, const char*, unsigned style) override {
        shown.push_back(text);
        if ((style & 0xF) != kBoxYesNo) return kAnswerOk;
        if (answers.empty()) return kAnswerYes;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<int> answers;
    std::vector<std::string> shown;
};

const TraceValue* FieldOf(const std::vector<TraceStep>& steps, const char* step, const char* name) {
    for (const TraceStep& each : steps) {
        if (each.step == step) return each.Field(name);
    }
    return nullptr;
}

TEST(RunWatchTest, ErrorsArePlacedOnTheirSectionKeyAndLine) {
    const std::string head = "[UPDATER]\nNAME=W\nPROC=A, S\n[A]\nMODE=MSGBOX\nFLAG=\nTYPE=QUESTION\nTEXT=a\nISABORT=0,1\n";
    const std::string branch = "[S]\nMODE=SWITCH\nPROC=A\n0=\n1=B\n";  // lines 10 to 14
    const struct {
        const char* name;
        std::string script;
        int answer;
        unsigned id;  // 0: no error
        const char* section;
        const char* key;
        unsigned line;
        int status;
    } cases[] = {
        {"completed", head + branch + "[B]\nMODE=EXIST\nFILE=C:\\x\n", kAnswerYes, 0, "", "", 0, 0},
        {"ended by a box", head + branch, kAnswerNo, 0, "", "", 0, 3},
        {"missing section", head + branch, kAnswerYes, kMsgBadSetting, "B", "MODE", 14, 1},
        {"missing key", head + branch + "[B]\nMODE=COPY\nFROM=a\n", kAnswerYes, kMsgBadSetting, "B", "TO", 15, 1},
        {"NO_DATA", head + branch + "[B]\nMODE=DELETE\nFILE=no_data\n", kAnswerYes, kMsgBadSetting, "B", "FILE", 17, 1},
        {"unknown mode", head + branch + "[B]\nMODE=RUN\n", kAnswerYes, kMsgBadSymbol, "B", "MODE", 16, 1},
        {"FLAG of an outer list",
         head + branch + "[B]\nMODE=MSGBOX\nFLAG=A,1\nTYPE=QUESTION\nTEXT=b\nISABORT=\n", kAnswerYes, kMsgBadSymbol, "B",
         "FLAG", 17, 1},
        {"TYPE", head + branch + "[B]\nMODE=MSGBOX\nFLAG=B,0\nTYPE=ASK\nTEXT=b\nISABORT=\n", kAnswerYes, kMsgBadSymbol,
         "B", "TYPE", 18, 1},
        {"SWITCH test", head + "[S]\nMODE=SWITCH\nPROC=NONE\n0=\n1=\n", kAnswerYes, kMsgBadSymbol, "S", "PROC", 12, 1},
        {"empty list", head + branch + "[B]\nMODE=ATTR\nFILE=\nARG=\n", kAnswerYes, kMsgBadItemCount, "B", "FILE", 17,
         1},
        {"failed delete", head + branch + "[B]\nMODE=DELETE\nFILE=C:\\missing\\x\n", kAnswerYes, kMsgDeleteFailed,
         "B", "FILE", 17, 2},
        {"empty PROC", "[UPDATER]\nNAME=\nPROC=\n", kAnswerYes, kMsgBadItemCount, "UPDATER", "PROC", 3, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        dir.Write("updater.ini", c.script);
        RunState run;
        PrepareRun(run);
        run.ScriptFile.Assign(dir.windows("updater.ini").c_str());
        StepRecorder recorder;
        ScriptedAnswers answers;
        answers.answers = {c.answer};
        int status;
        {
            RunWatch watch(run, dir.windows("updater.ini"));
            watch.AddSink(&recorder);
            watch.SetAnswerer(&answers);
            watch.SetEnglish(true);
            watch.Attach();
            if (ReadUpdaterSection(run)) RunMainProcList(run);
            ReleaseAllProcLists(run);
            status = watch.Finish();
        }
        EXPECT_EQ(status, c.status);
        const TraceValue* id = FieldOf(recorder.steps, "error", "message");
        if (c.id == 0) {
            EXPECT_EQ(id, nullptr);
            continue;
        }
        ASSERT_NE(id, nullptr);
        EXPECT_EQ(id->number, c.id);
        EXPECT_EQ(FieldOf(recorder.steps, "error", "section")->text, c.section);
        EXPECT_EQ(FieldOf(recorder.steps, "error", "key")->text, c.key);
        for (const TraceStep& step : recorder.steps) {
            if (step.step == "error") {
                EXPECT_EQ(step.line, c.line);
            }
        }
        // The English line stands under the box's own text.
        ASSERT_FALSE(answers.shown.empty());
        EXPECT_NE(answers.shown.back().find("\n\nIn English: "), std::string::npos);
    }
}

TEST(RunWatchTest, ListsNameTheKeyTheyCameFrom) {
    ScratchDir dir;
    dir.Write("updater.ini",
              "[UPDATER]\nNAME=W\nPROC=T, S\n[T]\nMODE=EXIST\nFILE=" + dir.windows("updater.ini") +
                  "\n[S]\nMODE=SWITCH\nPROC=\" T \"\n0=N\n1=Y, N\n[Y]\nMODE=OSVER\n[N]\nMODE=MSGBOX\nFLAG=Y,1\nTYPE=ERROR\n"
                  "TEXT=x\nISABORT=\n");
    RunState run;
    PrepareRun(run);
    run.ScriptFile.Assign(dir.windows("updater.ini").c_str());
    StepRecorder recorder;
    ScriptedAnswers answers;
    {
        RunWatch watch(run, dir.windows("updater.ini"));
        watch.AddSink(&recorder);
        watch.SetAnswerer(&answers);
        watch.Attach();
        ASSERT_TRUE(ReadUpdaterSection(run) && RunMainProcList(run));
        EXPECT_EQ(watch.Finish(), 0);
        EXPECT_EQ(watch.ProcedureSections(),
                  (std::vector<std::pair<std::string, unsigned>>{{"T", 4}, {"S", 7}, {"Y", 12}, {"N", 14}}));
    }
    std::vector<std::string> lines;
    for (const TraceStep& step : recorder.steps) lines.push_back(TextTraceWriter::Line("u.ini", step));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "u.ini:3: list [UPDATER] PROC: T, S",
                         "u.ini:4: [T] EXIST: flag 1",
                         "u.ini:11:   list [S] 1: Y, N",
                         "u.ini:12:   [Y] OSVER: flag 1",
                         "u.ini:18:     box [N] ERROR \"x\": OK",
                         "u.ini:14:   [N] MSGBOX: flag 1",
                         "u.ini:7: [S] SWITCH: flag 0, took list 1",
                         "u.ini: end: completed, status 0",
                     }));
}

}  // namespace

#endif  // _WIN32
