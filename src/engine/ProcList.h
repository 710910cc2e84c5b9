// Procedure lists: building, execution, the stack of running lists.
#pragma once

#include "engine/Command.h"
#include "text/TextString.h"

struct RunState;

// The deepest nesting of lists; a push beyond it fails like a push that
// finds no memory, so a SWITCH that names itself ends with one error box.
enum : int { kMaxProcListDepth = 64 };

// Builds the list of `count` procedures named in `names` (comma-separated)
// and pushes it; null after the failing step has shown its message.
ProcList BuildProcList(RunState& run, const TextString& names, int count);
bool ExecuteProcList(RunState& run, ProcList list);
// The first record of `list` named `name` (ASCII letters in any case).
Command* FindProcedure(ProcList list, const char* name);
ProcList CurrentProcList(const RunState& run);
ProcList ProcListAt(const RunState& run, int index);
bool PushProcList(RunState& run, ProcList list);
int RemoveProcList(RunState& run, ProcList list);
int ReleaseProcList(RunState& run, ProcList list);
void ReleaseAllProcLists(RunState& run);
// The kind whose word the "MODE" text names; null for none.
const CommandKind* KindOf(const RunState& run, const TextString& mode);
