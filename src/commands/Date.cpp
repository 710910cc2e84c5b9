// DATE: the result flag tells whether a listed file is older than the date
// (or cannot be opened).
#include "commands/Commands.h"
#include "platform/FileTime.h"

Command* CreateDate(const char* section) {
    static const TextKey<DATE_INFO> keys[] = {
        {"FILE", &DATE_INFO::files},
        {"DATE", &DATE_INFO::date},
    };
    return CreateRecord(section, "DATE_INFO", keys);
}

bool ExecuteDate(Command* command) {
    DATE_INFO* record = static_cast<DATE_INFO*>(command);
    const int count = CountDrivingItems(*record, record->files, "FILE");
    if (count == 0) return false;
    for (int i = 0; i < count; ++i) {
        if (!IsFileDateAtLeast(TrimmedItem(record->files, i).CStr(), record->date.CStr())) {
            record->result = 1;
            return true;
        }
    }
    return true;
}
