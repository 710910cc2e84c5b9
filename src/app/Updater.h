// The wiring of a run of the updater, for the host program's watched runs:
// the same as UpdaterMain gives its own run.
#pragma once

#include "commands/CommandTable.h"
#include "engine/RunState.h"
#include "platform/Catalogue.h"
#include "text/Catalogue.h"

// Readies `run` as the updater's own: its message catalogue read from the
// program's store and its command kinds.
inline void WireUpdaterRun(RunState& run) {
    SetCatalogueReader(ReadCatalogueEntry);
    run.Commands = UpdaterCommands();
}
