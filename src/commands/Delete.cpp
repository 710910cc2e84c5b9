// DELETE: deletes each listed file, stopping at the first that cannot be.
#include "commands/Commands.h"
#include "engine/Records.h"
#include "platform/FileOps.h"

Command* CreateDelete(RunState& run, const char* section) {
    static const TextKey keys[] = {Key("FILE", &DELETE_INFO::files)};
    return CreateRecord<DELETE_INFO>(run, section, "DELETE_INFO", keys);
}

bool ExecuteDelete(RunState& run, Command* command) {
    DELETE_INFO* record = static_cast<DELETE_INFO*>(command);
    const int count = CountDrivingItems(run, *record, record->files, "FILE");
    if (count == 0) return false;
    for (int i = 0; i < count; ++i) {
        const TextString path = TrimmedItem(record->files, i);
        if (!DeleteOneFile(path.CStr())) {
            ShowErrorBox(run, kMsgDeleteFailed, path.CStr());
            return false;
        }
    }
    record->result = 1;
    return true;
}
