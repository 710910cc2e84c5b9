// The state of one run: the texts start-up gathers, the symbol table, the
// stack of running lists and the command kinds the run knows. Every part of
// the engine and every command works on the run it is handed; nothing of a
// run lives anywhere else.
#pragma once

#include "engine/Command.h"
#include "engine/RunObserver.h"
#include "engine/Symbols.h"
#include "text/TextString.h"

struct RunState {
    RunState();
    ~RunState();
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;

    TextString CommandLine;    // the argument text of the command line
    TextString Caption;        // the caption of every box
    TextString ModulePath;     // the program's own file
    TextString ScriptFile;     // the script beside it
    TextString UpdaterName;    // [UPDATER] NAME, expanded
    TextString MainProcNames;  // [UPDATER] PROC, expanded
    SymbolTableData SymbolTable;
    ProcListStack ProcListArray;
    CommandTable Commands;
    RunObserver* Observer = nullptr;  // none in the updater
};
