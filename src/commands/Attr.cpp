// ATTR: sets attribute masks on files, or on every file directly in a folder
// for an item ending in "\*.*".
#include "commands/Commands.h"
#include "engine/Records.h"
#include "platform/FileOps.h"
#include "platform/FileSearch.h"

namespace {

// Sets `value` on every file (not folder) that the "*.*" pattern finds;
// subfolders are not entered. False after showing message 12.
bool SetFolderAttributes(RunState& run, const TextString& pattern, uint32_t value) {
    const TextString folder = pattern.Items(0, -2, "\\");
    FileSearch search;
    FoundEntry entry;
    for (bool found = search.First(pattern.CStr(), entry); found; found = search.Next(entry)) {
        if ((entry.attributes & kAttrDirectory) != 0) continue;
        TextString path;
        path.Format("%s\\%s", folder.CStr(), entry.name);
        if (!SetAttributes(path.CStr(), value)) {
            search.Close();
            ShowErrorBox(run, kMsgAttrFailed, path.CStr(), value);
            return false;
        }
    }
    return true;
}

}  // namespace

Command* CreateAttr(RunState& run, const char* section) {
    static const TextKey keys[] = {
        Key("FILE", &ATTR_INFO::files),
        Key("ARG", &ATTR_INFO::attributes),
    };
    return CreateRecord<ATTR_INFO>(run, section, "ATTR_INFO", keys);
}

bool ExecuteAttr(RunState& run, Command* command) {
    ATTR_INFO* record = static_cast<ATTR_INFO*>(command);
    const int count = CountDrivingItems(run, *record, record->files, "FILE");
    if (count == 0) return false;
    for (int i = 0; i < count; ++i) {
        const TextString path = TrimmedItem(record->files, i);
        const uint32_t value = static_cast<uint32_t>(TrimmedItem(record->attributes, i).ToHex());
        if (path.Item(-1, "\\").EqualsNoCase("*.*")) {
            if (!SetFolderAttributes(run, path, value)) return false;
        } else if (!SetAttributes(path.CStr(), value)) {
            ShowErrorBox(run, kMsgAttrFailed, path.CStr(), value);
            return false;
        }
    }
    record->result = 1;
    return true;
}
