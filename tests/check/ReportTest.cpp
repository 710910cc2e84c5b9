// The checker's texts: suggestions, where a run stops, and the compilers'
// line form that editors read.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#endif

#include <string>
#include <vector>

#include "check/Report.h"
#include "check/Support.h"
#include "platform/CheckerIo.h"
#include "TestSupport.h"
#ifndef _WIN32
#include "platform/posix/ScopedSignal.h"
#endif

namespace {

TEST(CheckSuggestion, NearestNameOnlyWhenCloseEnough) {
    const std::vector<std::string> modes = {"EXIST", "DATE", "SWITCH", "MSGBOX", "COPY", "LAUNCH",
                                            "DELETE", "LINK", "OSVER", "MAKEDIR", "ATTR"};
    struct Case {
        const char* word;
        const char* nearest;
    } cases[] = {
        {"EXSIT", "EXIST"},     // two letters swapped
        {"exsit", "EXIST"},     // letter case does not count
        {"COPPY", "COPY"},      // one letter too many
        {"MKDIR", "MAKEDIR"},   // two letters short of a long word
        {"DTKE", ""},           // two edits: T moved, but nothing swapped with it
        {"RUN", ""},            // nothing like it
        {"COPY", ""},           // the word itself is no suggestion
        {"X", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(Nearest(c.word, modes), c.nearest) << c.word;
    EXPECT_EQ(Nearest("<Desktp>", {"<Win>", "<Desktop>", "<Src>"}), "<Desktop>");
    EXPECT_EQ(Nearest("A", {"B"}), "");  // as many edits as letters: no likeness
}

Finding StopFinding(std::vector<StopPlace::Branch> branches, std::vector<std::string> ran,
                    std::vector<std::string> changed) {
    Finding finding = MakeFinding("empty-list", nullptr, {"FILE"}, 12, "CLEAN", "FILE");
    finding.hasStop = true;
    finding.stop.branches = std::move(branches);
    finding.stop.ranBefore = std::move(ran);
    finding.stop.changedFiles = std::move(changed);
    return finding;
}

TEST(CheckStop, TellsTheBranchesAndWhatRanBefore) {
    struct Case {
        Finding finding;
        Language language;
        const char* text;
    } cases[] = {
        {StopFinding({}, {}, {}), Language::kEnglish, "the run stops in the main list, before any procedure has run"},
        {StopFinding({{"OUTER", 1}, {"INNER", 0}}, {"CHECK", "COPY"}, {"COPY"}), Language::kEnglish,
         "the run stops in branch 0 of [INNER], inside branch 1 of [OUTER], after CHECK, COPY; COPY may already "
         "have changed files"},
        {StopFinding({{"OUTER", 1}, {"INNER", 0}}, {"CHECK"}, {}), Language::kJapanese,
         "実行は[OUTER] の分岐 1の中の[INNER] の分岐 0で止まります（CHECK の後）"},
        // A SWITCH that names its own list: its branch once, with the depth;
        // the procedures that ran each once.
        {StopFinding({{"LOOP", 1}, {"LOOP", 1}, {"LOOP", 1}}, {"CHECK", "CHECK", "CHECK"}, {}), Language::kEnglish,
         "the run stops in branch 1 of [LOOP], 3 levels deep, after CHECK"},
        // Past eight names, the first three and the last four.
        {StopFinding({}, {"P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8"}, {}), Language::kEnglish,
         "the run stops in the main list, after P1, P2, P3, P4, P5, P6, P7, P8"},
        {StopFinding({}, {"P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8", "P9"}, {}), Language::kEnglish,
         "the run stops in the main list, after P1, P2, P3, ..., P6, P7, P8, P9"},
    };
    for (const Case& c : cases) EXPECT_EQ(StopText(c.finding, c.language), c.text);
}

TEST(CheckExitStatus, OneErrorFailsAndWarningsOnlyWhenTheyCount) {
    struct Case {
        int errors, warnings;
        bool warningsAsErrors, fails;
    } cases[] = {
        {0, 0, false, false}, {1, 0, false, true}, {0, 1, false, false},
        {0, 1, true, true},   {0, 0, true, false}, {2, 3, false, true},
    };
    for (const Case& c : cases) {
        CheckReport report;
        report.errors = c.errors;
        report.warnings = c.warnings;
        EXPECT_EQ(ReportFails(report, c.warningsAsErrors), c.fails)
            << c.errors << " error(s), " << c.warnings << " warning(s), as errors " << c.warningsAsErrors;
    }
}

TEST(CheckReportForm, CompilersLineFormWithRuleAndNote) {
    CheckReport report;
    report.file = "Setup.ini";
    Finding error = StopFinding({{"BRANCH", 1}}, {"CHECK"}, {});
    error.severity = Severity::kError;
    Finding warning = MakeFinding("unknown-symbol", nullptr, {"<Desktp>"}, 31, "LINKS", "DST");
    warning.suggestion = "<Desktop>";
    Finding whole = MakeFinding("not-shift-jis", nullptr, {"3"}, 0);
    report.findings = {error, warning, whole};
    report.errors = 1;
    report.warnings = 2;
    EXPECT_EQ(TextReport({report}, Language::kEnglish),
              "Setup.ini:12: error: [CLEAN] FILE: FILE is empty: the procedure stops the run when it runs "
              "(message 4) [empty-list]\n"
              "Setup.ini:12: note: the run stops in branch 1 of [BRANCH], after CHECK\n"
              "Setup.ini:31: warning: [LINKS] DST: <Desktp> is no symbol: it stays in the value as written; did "
              "you mean \"<Desktop>\"? [unknown-symbol]\n"
              "Setup.ini: warning: line 3 holds bytes that are no Shift-JIS text: they are read as other "
              "characters [not-shift-jis]\n"
              "Setup.ini: 1 error(s), 2 warning(s)\n");
}

TEST(CheckReportForm, JsonEscapesAndReplacesBrokenText) {
    CheckReport report;
    report.file = "a\"b\\c.ini";
    report.findings = {MakeFinding("unknown-symbol", nullptr, {"<A\tB>"}, 3, "S", "K")};
    report.findings[0].args[0] += "\xff\x80\xE8\xA1\xA8\xF0\x9F\x98\x80";  // no UTF-8, then 表 and an emoji
    report.warnings = 1;
    const std::string json = JsonReport({report}, Language::kEnglish, "1.0");
    EXPECT_NE(json.find("\"files\": [\n    {\"file\": \"a\\\"b\\\\c.ini\""), std::string::npos) << json;
    EXPECT_NE(json.find("<A\\tB>\xEF\xBF\xBD\xEF\xBF\xBD\xE8\xA1\xA8\xF0\x9F\x98\x80"), std::string::npos) << json;
    EXPECT_EQ(json.find('\xff'), std::string::npos);
    EXPECT_EQ(json.find("suggestion"), std::string::npos) << json;  // none to give

    // Where the run stops, its lists as JSON arrays.
    report.findings = {StopFinding({{"OUTER", 1}, {"INNER", 0}}, {"CHECK", "COPY"}, {"COPY", "LINK"})};
    report.findings[0].suggestion = "CHECK";
    report.findings[0].updaterMessage = 4;
    const std::string stop = JsonReport({report, report}, Language::kEnglish, "1.0");
    EXPECT_NE(stop.find("\"suggestion\": \"CHECK\", \"updaterMessage\": 4"), std::string::npos) << stop;
    EXPECT_NE(stop.find("\n    ]},\n    {\"file\""), std::string::npos) << stop;  // the second file
    EXPECT_NE(stop.find("{\"branches\": [{\"section\": \"OUTER\", \"branch\": 1}, {\"section\": \"INNER\", "
                        "\"branch\": 0}], \"after\": [\"CHECK\", \"COPY\"], \"changedFiles\": [\"COPY\", \"LINK\"], "
                        "\"whileBuildingMainList\": false"),
              std::string::npos)
        << stop;
}

// SARIF messages are sentences: a full stop is added only where none ends
// them. The message of the updater a finding leads to is one of its properties.
TEST(CheckReportForm, SarifMessagesEndAsSentences) {
    CheckReport report;
    report.file = "out/a:b/Set-up.1_a~Z9z c.ini";
    Finding asked = MakeFinding("unknown-symbol", nullptr, {"<Desktp>"}, 1, "S", "DST");
    asked.suggestion = "<Desktop>";
    Finding stops = MakeFinding("unknown-symbol", nullptr, {"<Q>"}, 4, "S", "DST");
    stops.hasStop = true;
    Finding numbered = MakeFinding("unknown-symbol", nullptr, {"<R>"}, 5, "S", "DST");
    numbered.updaterMessage = 4;
    Finding whole = MakeFinding("not-shift-jis", nullptr, {"3"}, 0);  // of the file, on no line
    report.findings = {asked, stops, numbered, whole};
    report.warnings = 4;
    const std::string sarif = SarifReport({report}, Language::kEnglish, "1.0");
    EXPECT_NE(sarif.find("did you mean \\\"<Desktop>\\\"?\""), std::string::npos) << sarif;
    EXPECT_NE(sarif.find("\"Line 3 holds bytes"), std::string::npos) << sarif;  // a capital first
    EXPECT_NE(sarif.find("stays in the value as written. The run stops in the main list"), std::string::npos) << sarif;
    EXPECT_NE(sarif.find("\"out/a:b/Set-up.1_a~Z9z%20c.ini\""), std::string::npos) << sarif;  // only the blank is encoded
    EXPECT_NE(sarif.find("\"properties\": {\"updaterMessage\": 4}"), std::string::npos) << sarif;
    EXPECT_NE(sarif.find("\"region\": {\"startLine\": 1}"), std::string::npos) << sarif;
    EXPECT_NE(sarif.find("\"rules\": [\n            {\"id\": "), std::string::npos) << sarif;
    EXPECT_EQ(sarif.find("\"startLine\": 0"), std::string::npos) << sarif;
}

#ifndef _WIN32
// The checker speaks Japanese where the first locale variable set says so.
TEST(CheckReportForm, JapaneseWhereTheLocaleIsJapanese) {
    const struct {
        const char *all, *messages, *lang;
        bool japanese;
    } cases[] = {
        {"ja_JP.UTF-8", "en_US.UTF-8", nullptr, true}, {"", "ja_JP.UTF-8", "en_US.UTF-8", true},
        {nullptr, nullptr, "ja_JP.UTF-8", true},       {"en_US.UTF-8", nullptr, "ja_JP.UTF-8", false},
        {nullptr, nullptr, nullptr, false},
    };
    for (const auto& c : cases) {
        ScopedEnv all("LC_ALL", c.all), messages("LC_MESSAGES", c.messages), lang("LANG", c.lang);
        EXPECT_EQ(UserPrefersJapanese(), c.japanese) << (c.all ? c.all : "-") << " " << (c.lang ? c.lang : "-");
    }
}
#endif

// The picture names each procedure's mode, line and warnings.
TEST(CheckReportForm, PictureMarksWarningsOnTheirProcedures) {
    const CheckReport report = CheckScript({std::string(CHECK_CASES_DIR) + "/link-folder.ini", ""});
    const std::string dot = GraphDot(report, Language::kEnglish);
    EXPECT_NE(dot.find("FIND\\nEXIST  line 10\"]"), std::string::npos) << dot;
    EXPECT_NE(dot.find("LINKS\\nLINK  line 13\\nwarning: link-folder\", color="), std::string::npos) << dot;
    // Also in a list that cannot be built: a procedure that can be built
    // alone, and one that cannot.
    const std::string stops = GraphDot(CheckScript({std::string(CHECK_CASES_DIR) + "/broken-list-values.ini", ""}),
                                       Language::kEnglish);
    EXPECT_NE(stops.find("INSTALL\\nCOPY"), std::string::npos) << stops;
    EXPECT_NE(stops.find("GONE\\n?"), std::string::npos) << stops;
    // A list past the deepest nesting is drawn as not built, where its branch leads.
    const std::string deep = GraphDot(CheckScript({std::string(CHECK_CASES_DIR) + "/nesting-not-built.ini", ""}),
                                      Language::kEnglish);
    EXPECT_NE(deep.find("L64_P0 [label=\"(not built)\""), std::string::npos) << deep;
    EXPECT_NE(deep.find("-> L64_P0 [label=\"flag 1\""), std::string::npos) << deep;
}

#ifndef _WIN32
// The picture is drawn by Graphviz.
TEST(CheckReportForm, GraphvizDrawsThePicture) {
    ScratchDir dir;
    std::string problem;
    ASSERT_TRUE(RenderGraph("digraph { a -> b }", "svg", dir.at("g.svg").c_str(), problem)) << problem;
    EXPECT_NE(dir.Read("g.svg").find("<svg"), std::string::npos);
    struct sigaction pipeAction = {};
    sigaction(SIGPIPE, nullptr, &pipeAction);
    EXPECT_EQ(pipeAction.sa_handler, SIG_DFL);  // drawing leaves SIGPIPE as it found it

    // A dot that is missing, or that ends by a signal, draws nothing. The
    // picture is larger than a pipe holds, so the writing meets the closed
    // pipe; it fails, and this process goes on.
    const std::string large = "digraph { a }" + std::string(size_t{1} << 20, '\n');
    const struct {
        const char* script;  // the dot found first on PATH, or none
        const char* problem;
    } failures[] = {
        {nullptr, "Graphviz's dot could not be started (package graphviz)"},
        {"#!/bin/sh\nkill -KILL $$\n", "Graphviz's dot failed"},
    };
    for (const auto& failure : failures) {
        ScratchDir bin;
        if (failure.script != nullptr) {
            bin.Write("dot", failure.script);
            chmod(bin.at("dot").c_str(), 0755);
        }
        ScopedEnv path("PATH", bin.native().c_str());
        EXPECT_FALSE(RenderGraph(large, "svg", dir.at("h.svg").c_str(), problem));
        EXPECT_EQ(problem, failure.problem);
        // Also where the parent ignored SIGCHLD and so no end could be seen.
        const ScopedSignal ignored(SIGCHLD, SIG_IGN);
        EXPECT_FALSE(RenderGraph("digraph { a }", "svg", dir.at("h.svg").c_str(), problem));
        EXPECT_EQ(problem, failure.problem);
    }
}
#endif

}  // namespace
