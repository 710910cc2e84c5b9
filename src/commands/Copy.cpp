// COPY: copies FROM item i over TO item i, stopping at the first failure.
#include "commands/Commands.h"
#include "engine/Records.h"
#include "platform/FileOps.h"

Command* CreateCopy(RunState& run, const char* section) {
    static const TextKey keys[] = {
        Key("FROM", &COPY_INFO::sources),
        Key("TO", &COPY_INFO::destinations),
    };
    return CreateRecord<COPY_INFO>(run, section, "COPY_INFO", keys);
}

bool ExecuteCopy(RunState& run, Command* command) {
    COPY_INFO* record = static_cast<COPY_INFO*>(command);
    const int count = CountDrivingItems(run, *record, record->sources, "FROM");
    if (count == 0) return false;
    for (int i = 0; i < count; ++i) {
        const TextString source = TrimmedItem(record->sources, i);
        const TextString destination = TrimmedItem(record->destinations, i);
        if (!CopyOneFile(source.CStr(), destination.CStr())) {
            ShowErrorBox(run, kMsgCopyFailed, source.CStr(), destination.CStr());
            return false;
        }
    }
    record->result = 1;
    return true;
}
