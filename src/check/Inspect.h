// The warnings that look at the script's text and at the values the lists
// read: encodings and byte-order marks, duplicates, cut values, comments
// and semicolons in values, symbols, long paths, characters that split
// paths, paired lists, empty items, shortcut folders, deletions, and
// sections nothing reaches.
#pragma once

#include <string>
#include <vector>

#include "check/Explore.h"
#include "check/Support.h"

struct RunState;

// The file as a whole: its encoding, a byte-order mark, duplicate sections
// and keys, a [DEFINE] section too large to be read whole. `scriptPath` is
// the script as the program names it; `ownName` whether <Src> comes from it.
void InspectText(const std::string& bytes, const ScriptView& script, const std::string& scriptPath, bool ownName,
                 std::vector<Finding>& findings);

// The values of [UPDATER] and [DEFINE] and of every procedure the lists
// built, the procedures side by side, and the sections nothing reached.
void InspectValues(const ExploreResult& explored, const ScriptView& script, const RunState& run,
                   std::vector<Finding>& findings);
