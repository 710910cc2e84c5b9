// The command kinds of the updater, for the run to know them by.
#pragma once

#include "engine/Command.h"

// The eleven kinds, in the order in which a "MODE" text is compared with
// their words: EXIST, DATE, SWITCH, MSGBOX, COPY, LAUNCH, DELETE, LINK,
// OSVER, MAKEDIR, ATTR.
CommandTable UpdaterCommands();
