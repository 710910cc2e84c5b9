// SWITCH: the branch of a run, a command kind of the engine's own.
#pragma once

#include "engine/Command.h"

struct SWITCH_INFO : Command {
    TextString testName;
    TextString listFor0;
    TextString listFor1;
};

Command* CreateSwitch(RunState& run, const char* section);
// Builds, pushes, runs and releases the list the tested flag chooses.
bool ExecuteSwitch(RunState& run, Command* record);
