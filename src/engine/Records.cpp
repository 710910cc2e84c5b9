// What every command kind shares.
#include "engine/Records.h"

Command* CompleteRecord(RunState& run, const char* section, const char* objectName, Command* record,
                        void (*destroy)(Command*), const TextKey* keys, size_t keyCount) {
    if (record == nullptr) {
        ShowErrorBox(run, kMsgOutOfMemory, objectName);
        return nullptr;
    }
    record->name.Assign(section);
    record->result = 0;
    bool complete = ReadSetting(run, section, "MODE", record->mode);
    for (size_t i = 0; complete && i < keyCount; ++i) {
        complete = ReadSetting(run, section, keys[i].key, record->*keys[i].field);
    }
    if (!complete) {
        destroy(record);
        return nullptr;
    }
    return record;
}
