// The command kinds: one record type and a pair of functions per "MODE" word.
//
// Creation reads the record's keys from its section (message 2 at the first
// missing one, message 3 when the record cannot be had) and returns null on
// failure. Execution returns false to stop the running list.
#pragma once

#include <cstddef>

#include "engine/ProcList.h"
#include "engine/Script.h"
#include "text/Messages.h"

struct EXIST_INFO : Command {
    TextString files;
};
struct DATE_INFO : Command {
    TextString files;
    TextString date;
};
struct SWITCH_INFO : Command {
    TextString testName;
    TextString listFor0;
    TextString listFor1;
};
struct MSGBOX_INFO : Command {
    TextString flag;
    TextString type;
    TextString text;
    TextString abortRule;
};
struct COPY_INFO : Command {
    TextString sources;
    TextString destinations;
};
struct LAUNCH_INFO : Command {
    TextString programs;
    TextString parameters;
    int wait = 0;  // non-zero: wait for each program to end
};
struct DELETE_INFO : Command {
    TextString files;
};
struct SHORTCUT_INFO : Command {
    TextString targets;
    TextString arguments;
    TextString showCommands;
    TextString shortcuts;
};
struct OSVER_INFO : Command {};
struct MAKEDIR_INFO : Command {
    TextString dirs;
};
struct ATTR_INFO : Command {
    TextString files;
    TextString attributes;
};

Command* CreateExist(const char* section);
bool ExecuteExist(Command* record);
Command* CreateDate(const char* section);
bool ExecuteDate(Command* record);
Command* CreateSwitch(const char* section);
bool ExecuteSwitch(Command* record);
Command* CreateMsgBox(const char* section);
bool ExecuteMsgBox(Command* record);
Command* CreateCopy(const char* section);
bool ExecuteCopy(Command* record);
Command* CreateLaunch(const char* section);
bool ExecuteLaunch(Command* record);
Command* CreateDelete(const char* section);
bool ExecuteDelete(Command* record);
Command* CreateLink(const char* section);
bool ExecuteLink(Command* record);
Command* CreateOsVer(const char* section);
bool ExecuteOsVer(Command* record);
Command* CreateMakeDir(const char* section);
bool ExecuteMakeDir(Command* record);
Command* CreateAttr(const char* section);
bool ExecuteAttr(Command* record);

// A text key of a record: the key's name and the field it fills.
template <class Record>
struct TextKey {
    const char* key;
    TextString Record::*field;
};

// The creation every kind shares: obtains the record (message 3 with
// `objectName` when the heap is exhausted), names it after its section, and
// reads "MODE" and then `keys` in order. At the first missing key the record
// is destroyed and null returned; the later keys are not read.
template <class Record>
Record* CreateRecord(const char* section, const char* objectName,
                     const TextKey<Record>* keys, size_t keyCount) {
    Record* record = NewRecord<Record>();
    if (record == nullptr) {
        ShowErrorBox(kMsgOutOfMemory, objectName);
        return nullptr;
    }
    record->name.Assign(section);
    record->result = 0;
    bool complete = ReadSetting(section, "MODE", record->mode);
    for (size_t i = 0; complete && i < keyCount; ++i) {
        complete = ReadSetting(section, keys[i].key, record->*keys[i].field);
    }
    if (!complete) {
        DeleteRecord<Record>(record);
        return nullptr;
    }
    return record;
}

template <class Record, size_t N>
Record* CreateRecord(const char* section, const char* objectName,
                     const TextKey<Record> (&keys)[N]) {
    return CreateRecord(section, objectName, keys, N);
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
inline int CountDrivingItems(const Command& record, const TextString& list, const char* key) {
    const int count = list.ItemCount(",");
    if (count == 0) ShowErrorBox(kMsgBadItemCount, record.name.CStr(), key);
    return count;
}
