// The script checker: reads a script the way the updater does (the same
// reader, symbols and expansion, the same building of procedure lists),
// builds every list the script can reach, the branches of every SWITCH
// included, without running anything, and finds what would stop a run or
// fail silently. Every text of a finding is UTF-8.
#pragma once

#include <string>
#include <vector>

#include "check/Rules.h"

// Where a run stops: the SWITCH branches it went down (outermost first) and
// the procedures that may have run before.
struct StopPlace {
    struct Branch {
        std::string section;
        int value;
    };
    bool whileBuildingMain = false;
    std::vector<Branch> branches;
    std::vector<std::string> ranBefore;
    std::vector<std::string> changedFiles;  // those of ranBefore that change files
};

struct Finding {
    const Rule* rule = nullptr;
    Severity severity = Severity::kWarning;
    std::string message;            // the message's key (the rule or a variant of it)
    std::vector<std::string> args;  // its arguments
    unsigned line = 0;              // from 1; 0 for the file as a whole
    std::string section;            // empty when none
    std::string key;                // empty when none
    std::string suggestion;         // the nearest known name, empty when none
    int updaterMessage = 0;         // the catalogue message the updater shows, 0 for none
    bool hasStop = false;
    StopPlace stop;
};

// The procedure lists the checker built, for a picture of the script.
struct GraphProcedure {
    std::string section;
    std::string mode;
    unsigned line = 0;
    std::string stopRule;    // the error that stops the run here, empty when none
    bool endsRun = false;    // a box whose answers all end the run
    std::string endsOn;      // the answers of a box that end the run ("No", "OK"), empty for none
    struct Branch {
        int value;
        int list;            // index into CheckGraph::lists; -1 for an empty list
        bool taken;          // false: the branch is never taken
    };
    std::vector<Branch> branches;
};

struct GraphList {
    std::string title;       // "[UPDATER] PROC", "[BRANCH] 1"
    std::string stopRule;    // the error that keeps the list from being built, empty when none
    std::vector<GraphProcedure> procedures;
};

struct CheckGraph {
    std::vector<GraphList> lists;  // the main list first
};

struct CheckRequest {
    std::string path;        // the script as the user named it
    std::string srcFolder;   // <Src> as the program will see it (code page); empty: the script's folder
};

struct CheckReport {
    std::string file;        // as the user named it
    std::vector<Finding> findings;  // by line
    CheckGraph graph;
    int errors = 0;
    int warnings = 0;
};

// Whether a report fails the check (exit status 1): it holds an error, or
// a warning where warnings count as errors.
bool ReportFails(const CheckReport& report, bool warningsAsErrors);

// Checks one script. The updater's message boxes are kept from appearing
// while it runs, and nothing on disk is changed.
CheckReport CheckScript(const CheckRequest& request);

// The same for a script whose text is given: `scriptPath` is where the
// run's reads find it (a Windows path in the code page), `bytes` its
// content.
CheckReport CheckScriptBytes(const std::string& displayName, const std::string& scriptPath,
                             const std::string& bytes, const std::string& srcFolder);
