// SWITCH: runs one of two sub-lists by the result flag of an earlier
// procedure of the same list.
#include "engine/Switch.h"

#include "engine/ProcList.h"
#include "engine/Records.h"

Command* CreateSwitch(RunState& run, const char* section) {
    static const TextKey keys[] = {
        Key("PROC", &SWITCH_INFO::testName),
        Key("0", &SWITCH_INFO::listFor0),
        Key("1", &SWITCH_INFO::listFor1),
    };
    return CreateRecord<SWITCH_INFO>(run, section, "SWITCH_INFO", keys);
}

bool ExecuteSwitch(RunState& run, Command* command) {
    SWITCH_INFO* record = static_cast<SWITCH_INFO*>(command);
    TextString testName(record->testName);
    testName.Trim(" ");
    const Command* tested = FindProcedure(CurrentProcList(run), testName.CStr());
    if (tested == nullptr) {
        ShowErrorBox(run, kMsgBadSymbol, record->testName.CStr());
        return false;
    }
    const TextString& chosen = tested->result != 0 ? record->listFor1 : record->listFor0;
    const int count = chosen.ItemCount(",");
    if (count == 0) return true;
    if (BuildProcList(run, chosen, count) == nullptr) return false;
    if (!ExecuteProcList(run, CurrentProcList(run))) return false;
    ReleaseProcList(run, CurrentProcList(run));
    return true;
}
