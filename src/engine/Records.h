// What every command kind shares: the creation of its record from its
// section, and the items of its lists.
#pragma once

#include <cstddef>

#include "engine/Command.h"
#include "engine/ErrorBox.h"
#include "engine/Settings.h"
#include "text/Messages.h"
#include "text/TextString.h"

// A text key of a record: the key's name and the field it fills.
template <class Record>
struct TextKey {
    const char* key;
    TextString Record::*field;
};

// Obtains the record (message 3 with `objectName` when the heap is
// exhausted), names it after its section, and reads "MODE" and then `keys`
// in order. At the first missing key the record is destroyed and null
// returned; the later keys are not read.
template <class Record>
Record* CreateRecord(RunState& run, const char* section, const char* objectName,
                     const TextKey<Record>* keys, size_t keyCount) {
    Record* record = NewRecord<Record>();
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
        DeleteRecord<Record>(record);
        return nullptr;
    }
    return record;
}

template <class Record, size_t N>
Record* CreateRecord(RunState& run, const char* section, const char* objectName,
                     const TextKey<Record> (&keys)[N]) {
    return CreateRecord(run, section, objectName, keys, N);
}

// Item `index` of a comma list with the spaces around it removed; empty text
// past the last item.
inline TextString TrimmedItem(const TextString& list, int index) {
    TextString item = list.Item(index, ",");
    item.Trim(" ");
    return item;
}

// The number of items of the list that drives an execution; 0 after showing
// message 4 with the procedure's section and `key` when the list is empty.
inline int CountDrivingItems(const RunState& run, const Command& record, const TextString& list,
                             const char* key) {
    const int count = list.ItemCount(",");
    if (count == 0) ShowErrorBox(run, kMsgBadItemCount, record.name.CStr(), key);
    return count;
}
