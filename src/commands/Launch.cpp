// LAUNCH: starts each listed program with its parameters, waiting for its
// end or until it is ready for input.
#include "commands/Commands.h"
#include "engine/Records.h"
#include "platform/Process.h"

Command* CreateLaunch(RunState& run, const char* section) {
    static const TextKey keys[] = {
        Key("FILE", &LAUNCH_INFO::programs),
        Key("PARAM", &LAUNCH_INFO::parameters),
    };
    LAUNCH_INFO* record = CreateRecord<LAUNCH_INFO>(run, section, "LAUNCH_INFO", keys);
    if (record == nullptr) return nullptr;
    // A value without a leading number leaves the wait at 0.
    record->wait = 0;
    if (!ReadIntSetting(run, section, "ISWAIT", record->wait)) {
        DeleteRecord<LAUNCH_INFO>(record);
        return nullptr;
    }
    return record;
}

bool ExecuteLaunch(RunState& run, Command* command) {
    LAUNCH_INFO* record = static_cast<LAUNCH_INFO*>(command);
    const int count = CountDrivingItems(run, *record, record->programs, "FILE");
    if (count == 0) return false;
    for (int i = 0; i < count; ++i) {
        const TextString program = TrimmedItem(record->programs, i);
        const TextString parameters = TrimmedItem(record->parameters, i);
        if (!LaunchProgram(program.CStr(), parameters.CStr(), record->wait != 0)) {
            ShowErrorBox(run, kMsgLaunchFailed, program.CStr(), parameters.CStr());
            return false;
        }
    }
    record->result = 1;
    return true;
}
