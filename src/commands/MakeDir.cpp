// MAKEDIR: makes each listed folder that is not there yet, one level each.
#include "commands/Commands.h"
#include "platform/FileOps.h"
#include "platform/FileSearch.h"

Command* CreateMakeDir(const char* section) {
    static const TextKey<MAKEDIR_INFO> keys[] = {{"DIR", &MAKEDIR_INFO::dirs}};
    return CreateRecord(section, "MAKEDIR_INFO", keys);
}

bool ExecuteMakeDir(Command* command) {
    MAKEDIR_INFO* record = static_cast<MAKEDIR_INFO*>(command);
    const int count = CountDrivingItems(*record, record->dirs, "DIR");
    if (count == 0) return false;
    for (int i = 0; i < count; ++i) {
        const TextString dir = TrimmedItem(record->dirs, i);
        if (FileExists(dir.CStr())) continue;
        if (!MakeOneDirectory(dir.CStr())) {
            ShowErrorBox(kMsgMakeDirFailed, dir.CStr());
            return false;
        }
    }
    record->result = 1;
    return true;
}
