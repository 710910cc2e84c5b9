// LAUNCH: starts each listed program with its parameters, waiting for its
// end or until it is ready for input.
#include "commands/Commands.h"
#include "platform/Process.h"

Command* CreateLaunch(const char* section) {
    static const TextKey<LAUNCH_INFO> keys[] = {
        {"FILE", &LAUNCH_INFO::programs},
        {"PARAM", &LAUNCH_INFO::parameters},
    };
    LAUNCH_INFO* record = CreateRecord(section, "LAUNCH_INFO", keys);
    if (record == nullptr) return nullptr;
    // A value without a leading number leaves the wait at 0.
    record->wait = 0;
    if (!ReadIntSetting(section, "ISWAIT", record->wait)) {
        DeleteRecord<LAUNCH_INFO>(record);
        return nullptr;
    }
    return record;
}

bool ExecuteLaunch(Command* command) {
    LAUNCH_INFO* record = static_cast<LAUNCH_INFO*>(command);
    const int count = CountDrivingItems(*record, record->programs, "FILE");
    if (count == 0) return false;
    for (int i = 0; i < count; ++i) {
        const TextString program = TrimmedItem(record->programs, i);
        const TextString parameters = TrimmedItem(record->parameters, i);
        if (!LaunchProgram(program.CStr(), parameters.CStr(), record->wait != 0)) {
            ShowErrorBox(kMsgLaunchFailed, program.CStr(), parameters.CStr());
            return false;
        }
    }
    record->result = 1;
    return true;
}
