// DELETE: deletes each listed file, stopping at the first that cannot be.
#include "commands/Commands.h"
#include "platform/FileOps.h"

Command* CreateDelete(const char* section) {
    static const TextKey<DELETE_INFO> keys[] = {{"FILE", &DELETE_INFO::files}};
    return CreateRecord(section, "DELETE_INFO", keys);
}

bool ExecuteDelete(Command* command) {
    DELETE_INFO* record = static_cast<DELETE_INFO*>(command);
    const int count = CountDrivingItems(*record, record->files, "FILE");
    if (count == 0) return false;
    for (int i = 0; i < count; ++i) {
        const TextString path = TrimmedItem(record->files, i);
        if (!DeleteOneFile(path.CStr())) {
            ShowErrorBox(kMsgDeleteFailed, path.CStr());
            return false;
        }
    }
    record->result = 1;
    return true;
}
