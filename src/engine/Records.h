// What every command kind shares: the creation of its record from its
// section, and the items of its lists.
#pragma once

#include <cstddef>

#include "engine/Command.h"
#include "engine/ErrorBox.h"
#include "engine/Settings.h"
#include "text/Messages.h"
#include "text/TextString.h"

// A text key of a record: the key's name and the field it fills. The field
// is a member of the record's own type, held as a member of its head.
struct TextKey {
    const char* key;
    TextString Command::*field;
};

template <class Record>
constexpr TextKey Key(const char* key, TextString Record::*field) {
    return {key, static_cast<TextString Command::*>(field)};
}

// Completes a record just obtained: message 3 with `objectName` when there
// is none (the heap is exhausted); else names it after its section and reads
// "MODE" and then `keys` in order, stopping at the first missing key
// (message 2). Returns the record, or null after destroying it.
Command* CompleteRecord(RunState& run, const char* section, const char* objectName, Command* record,
                        void (*destroy)(Command*), const TextKey* keys, size_t keyCount);

template <class Record>
Record* CreateRecord(RunState& run, const char* section, const char* objectName, const TextKey* keys,
                     size_t keyCount) {
    return static_cast<Record*>(
        CompleteRecord(run, section, objectName, NewRecord<Record>(), DeleteRecord<Record>, keys, keyCount));
}

template <class Record, size_t N>
Record* CreateRecord(RunState& run, const char* section, const char* objectName, const TextKey (&keys)[N]) {
    return CreateRecord<Record>(run, section, objectName, keys, N);
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
