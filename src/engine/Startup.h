// The sequence of one run: start-up, the main procedure list, release.
#pragma once

#include "text/TextString.h"

struct RunState;

// The whole run, as the entry point performs it, on a run whose command
// kinds are set; always returns 0.
int RunUpdater(RunState& run, const char* argumentText);

bool Startup(RunState& run, const char* argumentText);
// The script of a program: its path with the extension of its file name
// replaced by "ini" (".ini" added to a name without one).
TextString ScriptPathOf(const TextString& modulePath);
bool CaptionFromCommandLine(const TextString& commandLine, TextString& caption);
bool ReadUpdaterSection(RunState& run);
bool RunMainProcList(RunState& run);
