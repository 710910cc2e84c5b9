// LINK: makes one shortcut file per SRC item. A shortcut that cannot be made
// ends the command quietly with the flag at 0; the run goes on.
#include "commands/Commands.h"
#include "engine/Records.h"
#include "platform/Shortcut.h"

Command* CreateLink(RunState& run, const char* section) {
    static const TextKey keys[] = {
        Key("SRC", &SHORTCUT_INFO::targets),
        Key("PARAM", &SHORTCUT_INFO::arguments),
        Key("SHOWCMD", &SHORTCUT_INFO::showCommands),
        Key("DST", &SHORTCUT_INFO::shortcuts),
    };
    return CreateRecord<SHORTCUT_INFO>(run, section, "SHORTCUT_INFO", keys);
}

bool ExecuteLink(RunState& run, Command* command) {
    SHORTCUT_INFO* record = static_cast<SHORTCUT_INFO*>(command);
    const int count = CountDrivingItems(run, *record, record->targets, "SRC");
    if (count == 0) return false;
    for (int i = 0; i < count; ++i) {
        const TextString target = TrimmedItem(record->targets, i);
        const TextString linkFile = TrimmedItem(record->shortcuts, i).Concat(".LNK");
        const TextString arguments = TrimmedItem(record->arguments, i);
        const int show = record->showCommands.Item(i, ",").ToInt();
        if (!CreateShortcut(target.CStr(), linkFile.CStr(), arguments.CStr(), show)) return true;
    }
    record->result = 1;
    return true;
}
