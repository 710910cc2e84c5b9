// The command kinds of the updater.
#include "commands/CommandTable.h"

#include "commands/Commands.h"
#include "engine/Switch.h"

namespace {

const CommandKind kKinds[] = {
    {"EXIST", CreateExist, ExecuteExist, DeleteRecord<EXIST_INFO>},
    {"DATE", CreateDate, ExecuteDate, DeleteRecord<DATE_INFO>},
    {"SWITCH", CreateSwitch, ExecuteSwitch, DeleteRecord<SWITCH_INFO>},
    {"MSGBOX", CreateMsgBox, ExecuteMsgBox, DeleteRecord<MSGBOX_INFO>},
    {"COPY", CreateCopy, ExecuteCopy, DeleteRecord<COPY_INFO>},
    {"LAUNCH", CreateLaunch, ExecuteLaunch, DeleteRecord<LAUNCH_INFO>},
    {"DELETE", CreateDelete, ExecuteDelete, DeleteRecord<DELETE_INFO>},
    {"LINK", CreateLink, ExecuteLink, DeleteRecord<SHORTCUT_INFO>},
    {"OSVER", CreateOsVer, ExecuteOsVer, DeleteRecord<OSVER_INFO>},
    {"MAKEDIR", CreateMakeDir, ExecuteMakeDir, DeleteRecord<MAKEDIR_INFO>},
    {"ATTR", CreateAttr, ExecuteAttr, DeleteRecord<ATTR_INFO>},
};

}  // namespace

CommandTable UpdaterCommands() { return {kKinds, sizeof kKinds / sizeof kKinds[0]}; }
