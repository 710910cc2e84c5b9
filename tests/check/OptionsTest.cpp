// The checker's command line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "TestSupport.h"
#include "check/Options.h"
#include "platform/CheckerIo.h"

namespace {

TEST(CheckOptionsTest, ReadsTheCommandLine) {
    const struct {
        std::vector<std::string> arguments;
        std::string problem;  // empty: none
        std::string read;     // what was read, in the words below; on a problem, the language
    } cases[] = {
        {{"a.ini", "b.ini"}, "", "text en a.ini b.ini"},
        {{"--format", "sarif", "--lang", "ja", "-Werror", "a.ini"}, "", "sarif ja werror a.ini"},
        {{"a.ini", "--format", "json", "--warnings-as-errors"}, "", "json en werror a.ini"},
        {{"--src", "C:\\Setup", "--root", "/r", "--graph", "g.svg", "a.ini"}, "",
         "text en src=C:\\Setup root=/r graph=g.svg a.ini"},
        {{"--", "--help", "-x.ini"}, "", "text en --help -x.ini"},
        {{"", "a.ini"}, "", "text en  a.ini"},
        {{"a.ini", "--help", "--bogus"}, "", "help"},
        {{"--version"}, "", "version"},
        {{"--bogus", "--lang", "ja", "a.ini"}, "unknown option --bogus", "ja"},
        {{"--lang", "ja", "--bogus"}, "unknown option --bogus", "ja"},
        {{"--format", "xml", "a.ini"}, "--format takes text, json or sarif", ""},
        {{"a.ini", "--format"}, "--format takes text, json or sarif", ""},
        {{"--lang", "de", "a.ini"}, "--lang takes en or ja", ""},
        {{"a.ini", "--src"}, "--src takes a folder", ""},
        {{"--root", "", "a.ini"}, "--root takes a folder", ""},
        {{"a.ini", "--graph"}, "--graph takes a file name", ""},
        {{}, "no script to check", ""},
        {{"--graph", "g.dot", "a.ini", "b.ini"}, "--graph draws one script at a time", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments[0]);
        CheckOptions options;
        std::string problem;
        EXPECT_EQ(ParseCheckOptions(c.arguments, options, problem), c.problem.empty());
        EXPECT_EQ(problem, c.problem);
        if (!c.problem.empty()) {
            if (!c.read.empty()) {
                EXPECT_EQ(options.language == Language::kJapanese ? "ja" : "en", c.read);
            }
            continue;
        }
        std::string read;
        if (options.help) read = "help";
        if (options.version) read = "version";
        if (read.empty()) {
            read = options.format + (options.language == Language::kJapanese ? " ja" : " en");
            if (options.warningsAsErrors) read += " werror";
            if (!options.src.empty()) read += " src=" + options.src;
            if (!options.root.empty()) read += " root=" + options.root;
            if (!options.graph.empty()) read += " graph=" + options.graph;
            for (const std::string& script : options.scripts) read += " " + script;
        }
        EXPECT_EQ(read, c.read);
    }
    EXPECT_EQ(LowerExtension("out/Graph.SVG"), "svg");
    EXPECT_EQ(LowerExtension("a.b/graph"), "");
    EXPECT_EQ(LowerExtension("a\\graph.Dot"), "dot");
}

#ifndef _WIN32
// --src as the updater will see it: a host folder by its Windows name,
// without the backslashes at its end; a Windows folder as given.
TEST(CheckOptionsTest, SourceFolderForTheRun) {
    EXPECT_EQ(FolderForRun("/opt/app/"), "Z:\\opt\\app");
    EXPECT_EQ(FolderForRun("/"), "Z:\\");
    EXPECT_EQ(FolderForRun("C:\\Apps\\"), "C:\\Apps\\");
    EXPECT_EQ(FolderForRun(nullptr), "");
    // A folder in the drive C: of a root that exists is on C:.
    ScratchDir dir;
    std::filesystem::create_directories(dir.at("drive_c/App"));
    ScopedEnv root("NEMURIA_ROOT", dir.native().c_str());
    EXPECT_EQ(FolderForRun(dir.at("drive_c/App").c_str()), "C:\\App");
}

// The exit status a build or an editor acts on: 1 when any script has an
// error (or a warning, with --warnings-as-errors), 2 for a wrong command
// line, 0 otherwise.
TEST(CheckOptionsTest, ExitStatusOfTheProgram) {
    const std::string cases = CHECK_CASES_DIR;
    const struct {
        std::string arguments;
        int status;
    } runs[] = {
        {cases + "/clean-typical.ini", 0},
        {cases + "/semicolons.ini", 0},  // warnings only
        {"--warnings-as-errors " + cases + "/semicolons.ini", 1},
        {cases + "/missing-key.ini", 1},
        {cases + "/clean-typical.ini " + cases + "/missing-key.ini", 1},
        {"--format sarif " + cases + "/clean-typical.ini 2>/dev/null | grep -q '\"version\": \"2.1.0\"'", 0},
        // A script that cannot be read has no line to name.
        {"--lang en " + cases + "/no-such.ini | grep -q 'no-such.ini: error: the script cannot be read'", 0},
        // Nor one whose reading fails (the process's memory at address 0).
        {"--lang en /proc/self/mem | grep -q 'mem: error: the script cannot be read'", 0},
        {"--lang en \"\" | grep -q '^: error: the script cannot be read'", 0},  // an empty name
        {"--lang en /dev/null | grep -q 'null: error: the script cannot be read'", 0},  // no regular file
        {"--bogus", 2},
        {"--bogus 2>/dev/null | grep -q Usage", 1},  // the usage after a mistake goes to the standard error
        {"--graph /nonexistent-folder/g.dot " + cases + "/clean-typical.ini", 2},  // the picture not written
        {"--help --lang en | grep -q '^Usage: updater-check'", 0},
    };
    const auto status = [](const std::string& arguments) {
        const int result = std::system((std::string(CHECKER_PATH) + " " + arguments + " >/dev/null 2>&1").c_str());
        return WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    };
    for (const auto& run : runs) EXPECT_EQ(status(run.arguments), run.status) << run.arguments;

    // The picture as Graphviz's own text for .gv and .dot, written by the
    // checker itself (Graphviz's layout of it would indent with tabs);
    // drawn by Graphviz for other names, as SVG for a name without an
    // extension; a format Graphviz does not know ends with status 2.
    ScratchDir dir;
    for (const char* name : {"g.gv", "g.dot", "g"}) {
        EXPECT_EQ(status("--graph " + dir.at(name).string() + " " + cases + "/clean-typical.ini"), 0) << name;
    }
    EXPECT_EQ(dir.Read("g.gv").rfind("digraph script {\n  graph [", 0), 0u);
    EXPECT_EQ(dir.Read("g.dot"), dir.Read("g.gv"));
    EXPECT_NE(dir.Read("g").find("<svg"), std::string::npos);
    EXPECT_EQ(status("--graph " + dir.at("g.nosuch").string() + " " + cases + "/clean-typical.ini"), 2);
    // The host's root given on the command line.
    EXPECT_EQ(status("--root " + dir.native().string() + " " + cases + "/clean-typical.ini"), 0);
    // Without a root configured, nor a home folder to find the usual one in.
    ScopedEnv root("NEMURIA_ROOT", nullptr), home("HOME", nullptr);
    EXPECT_EQ(status(cases + "/clean-typical.ini"), 0);
}
#endif

}  // namespace
