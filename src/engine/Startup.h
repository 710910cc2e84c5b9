// The sequence of one run: start-up, the main procedure list, release.
#pragma once

#include "text/TextString.h"

// The process-wide texts of a run.
extern TextString CommandLine;
extern TextString Caption;
extern TextString ModulePath;
extern TextString ScriptFile;
extern TextString UpdaterName;
extern TextString MainProcNames;

// The whole run, as the entry point performs it; always returns 0.
int RunUpdater(const char* argumentText);

bool Startup(const char* argumentText);
// The script of a program: its path with the extension replaced by "ini".
TextString ScriptPathOf(const TextString& modulePath);
bool CaptionFromCommandLine(const TextString& commandLine, TextString& caption);
bool ReadUpdaterSection();
bool RunMainProcList();
