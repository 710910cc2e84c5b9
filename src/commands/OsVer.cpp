// OSVER: the result flag tells whether this is the Windows NT family.
#include "commands/Commands.h"
#include "engine/Records.h"
#include "platform/System.h"

Command* CreateOsVer(RunState& run, const char* section) {
    return CreateRecord<OSVER_INFO>(run, section, "OSVER_INFO", nullptr, 0);
}

bool ExecuteOsVer(RunState& /*run*/, Command* command) {
    command->result = IsWindowsNT() ? 1 : 0;
    return true;
}
