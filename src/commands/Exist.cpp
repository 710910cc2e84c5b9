// EXIST: the result flag tells whether every listed path is there.
#include "commands/Commands.h"
#include "engine/Records.h"
#include "platform/FileSearch.h"

Command* CreateExist(RunState& run, const char* section) {
    static const TextKey keys[] = {Key("FILE", &EXIST_INFO::files)};
    return CreateRecord<EXIST_INFO>(run, section, "EXIST_INFO", keys);
}

bool ExecuteExist(RunState& run, Command* command) {
    EXIST_INFO* record = static_cast<EXIST_INFO*>(command);
    const int count = CountDrivingItems(run, *record, record->files, "FILE");
    if (count == 0) return false;
    for (int i = 0; i < count; ++i) {
        if (!FileExists(TrimmedItem(record->files, i).CStr())) return true;
    }
    record->result = 1;
    return true;
}
