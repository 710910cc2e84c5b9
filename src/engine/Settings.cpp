// Reads of the run's script: the raw read, then the expansion of text values.
#include "engine/Settings.h"

#include "engine/ErrorBox.h"
#include "engine/RunState.h"
#include "engine/ScriptFile.h"
#include "engine/Symbols.h"
#include "text/Messages.h"

bool ReadSetting(RunState& run, const char* section, const char* key, TextString& out) {
    if (!ReadProfileText(run.ScriptFile.CStr(), section, key, out)) {
        if (run.Observer != nullptr) run.Observer->SettingMissing(section, key);
        ShowErrorBox(run, kMsgBadSetting, section, key);
        return false;
    }
    ExpandValue(run.SymbolTable, out);
    return true;
}

bool ReadIntSetting(RunState& run, const char* section, const char* key, int& out) {
    if (!ReadProfileInt(run.ScriptFile.CStr(), section, key, out)) {
        if (run.Observer != nullptr) run.Observer->SettingMissing(section, key);
        ShowErrorBox(run, kMsgBadSetting, section, key);
        return false;
    }
    return true;
}
