// SWITCH: runs one of two sub-lists by the result flag of an earlier
// procedure of the same list.
#include "commands/Commands.h"

Command* CreateSwitch(const char* section) {
    static const TextKey<SWITCH_INFO> keys[] = {
        {"PROC", &SWITCH_INFO::testName},
        {"0", &SWITCH_INFO::listFor0},
        {"1", &SWITCH_INFO::listFor1},
    };
    return CreateRecord(section, "SWITCH_INFO", keys);
}

bool ExecuteSwitch(Command* command) {
    SWITCH_INFO* record = static_cast<SWITCH_INFO*>(command);
    TextString testName(record->testName);
    testName.Trim(" ");
    const Command* tested = FindProcedure(CurrentProcList(), testName.CStr());
    if (tested == nullptr) {
        ShowErrorBox(kMsgBadSymbol, record->testName.CStr());
        return false;
    }
    const TextString& chosen = tested->result != 0 ? record->listFor1 : record->listFor0;
    const int count = chosen.ItemCount(",");
    if (count == 0) return true;
    if (BuildProcList(chosen, count) == nullptr) return false;
    if (!ExecuteProcList(CurrentProcList())) return false;
    ReleaseProcList(CurrentProcList());
    return true;
}
