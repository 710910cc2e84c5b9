// The updater: one run with the command kinds of the updater, its message
// catalogue read from the program's own store.
#include "commands/CommandTable.h"
#include "engine/RunState.h"
#include "engine/Startup.h"
#include "platform/Catalogue.h"
#include "platform/Entry.h"
#include "text/Catalogue.h"

int UpdaterMain(const char* argumentText) {
    SetCatalogueReader(ReadCatalogueEntry);
    RunState run;
    run.Commands = UpdaterCommands();
    return RunUpdater(run, argumentText);
}
