// The lists of a script, built as the updater builds them and followed
// through every SWITCH branch a run can take, without running anything.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "check/Checker.h"
#include "check/Support.h"

struct RunState;

// A procedure as its first building read it: its expanded values by key,
// in the order its mode reads them (code-page text).
struct ProcedureFacts {
    std::string section;
    std::string kind;  // the MODE word of its kind
    unsigned line = 0; // of its header
    std::vector<std::pair<std::string, std::string>> values;
};

struct ExploreResult {
    std::vector<Finding> findings;
    std::vector<ProcedureFacts> procedures;   // once each, in the order first built
    std::set<std::string> reached;            // folded names of the sections read as procedures
    std::set<std::string> namedByUntaken;     // folded names that only untaken branches list
    CheckGraph graph;
};

// Reads [UPDATER] and follows the main list and every list below it. `run`
// has its command kinds, script path, program path and symbols; the
// updater's boxes must be kept from appearing.
void ExploreScript(RunState& run, const ScriptView& script, ExploreResult& result);

// The keys a kind reads after MODE, and whether its procedures change
// files; null for a word that is no kind.
struct KindKeys {
    const char* word;
    std::vector<const char*> keys;
    const char* driving;  // the key whose items drive it; null for none
    bool changesFiles;
};
const KindKeys* KindKeysOf(const std::string& word);
