// The command kinds: one record type and a pair of functions per "MODE" word
// (SWITCH, the engine's own, is in engine/Switch.h).
//
// Creation reads the record's keys from its section (message 2 at the first
// missing one, message 3 when the record cannot be had) and returns null on
// failure. Execution returns false to stop the running list.
#pragma once

#include "engine/Command.h"

struct EXIST_INFO : Command {
    TextString files;
};
struct DATE_INFO : Command {
    TextString files;
    TextString date;
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

Command* CreateExist(RunState& run, const char* section);
bool ExecuteExist(RunState& run, Command* record);
Command* CreateDate(RunState& run, const char* section);
// True when the file's local last-write date is on or after `dateText`
// ("year/month/day", missing or unreadable parts 0). False for an older file
// and for a file that cannot be opened or whose time cannot be read.
bool IsFileDateAtLeast(const char* path, const char* dateText);
bool ExecuteDate(RunState& run, Command* record);
Command* CreateMsgBox(RunState& run, const char* section);
bool ExecuteMsgBox(RunState& run, Command* record);
Command* CreateCopy(RunState& run, const char* section);
bool ExecuteCopy(RunState& run, Command* record);
Command* CreateLaunch(RunState& run, const char* section);
bool ExecuteLaunch(RunState& run, Command* record);
Command* CreateDelete(RunState& run, const char* section);
bool ExecuteDelete(RunState& run, Command* record);
Command* CreateLink(RunState& run, const char* section);
bool ExecuteLink(RunState& run, Command* record);
Command* CreateOsVer(RunState& run, const char* section);
bool ExecuteOsVer(RunState& run, Command* record);
Command* CreateMakeDir(RunState& run, const char* section);
bool ExecuteMakeDir(RunState& run, Command* record);
Command* CreateAttr(RunState& run, const char* section);
bool ExecuteAttr(RunState& run, Command* record);
