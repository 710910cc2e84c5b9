// MAKEDIR: makes each listed folder that is not there yet, one level each.
#include "commands/Commands.h"
#include "engine/Records.h"
#include "platform/FileOps.h"
#include "platform/FileSearch.h"

Command* CreateMakeDir(RunState& run, const char* section) {
    static const TextKey keys[] = {Key("DIR", &MAKEDIR_INFO::dirs)};
    return CreateRecord<MAKEDIR_INFO>(run, section, "MAKEDIR_INFO", keys);
}

bool ExecuteMakeDir(RunState& run, Command* command) {
    MAKEDIR_INFO* record = static_cast<MAKEDIR_INFO*>(command);
    const int count = CountDrivingItems(run, *record, record->dirs, "DIR");
    if (count == 0) return false;
    for (int i = 0; i < count; ++i) {
        const TextString dir = TrimmedItem(record->dirs, i);
        if (FileExists(dir.CStr())) continue;
        if (!MakeOneDirectory(dir.CStr())) {
            ShowErrorBox(run, kMsgMakeDirFailed, dir.CStr());
            return false;
        }
    }
    record->result = 1;
    return true;
}
