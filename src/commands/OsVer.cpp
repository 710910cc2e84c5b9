// OSVER: the result flag tells whether this is the Windows NT family.
#include "commands/Commands.h"
#include "platform/System.h"

Command* CreateOsVer(const char* section) {
    return CreateRecord<OSVER_INFO>(section, "OSVER_INFO", nullptr, 0);
}

bool ExecuteOsVer(Command* command) {
    command->result = IsWindowsNT() ? 1 : 0;
    return true;
}
