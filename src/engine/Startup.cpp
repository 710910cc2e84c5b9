// The sequence of one run: the caption, the script beside the program, the
// symbols, the [UPDATER] section, the main procedure list, and the release
// of every list at the end.
#include "engine/Startup.h"

#include "engine/ErrorBox.h"
#include "engine/ProcList.h"
#include "engine/RunState.h"
#include "engine/Settings.h"
#include "engine/Symbols.h"
#include "platform/FileSearch.h"
#include "platform/Module.h"
#include "text/Messages.h"

namespace {
const unsigned kModulePathBlock = 260;
}

int RunUpdater(RunState& run, const char* argumentText) {
    ComInitialize();
    if (Startup(run, argumentText)) RunMainProcList(run);
    ReleaseAllProcLists(run);
    ComUninitialize();
    return 0;
}

bool Startup(RunState& run, const char* argumentText) {
    run.CommandLine.Reset(argumentText);
    if (!CaptionFromCommandLine(run.CommandLine, run.Caption)) run.Caption.Assign(kDefaultCaption);

    bool pathCut = true;
    if (run.ModulePath.Allocate(kModulePathBlock)) {
        pathCut = ModuleFilePath(run.ModulePath.Buffer(), kModulePathBlock) >= kModulePathBlock;
        run.ModulePath.Compact();
    }

    run.ScriptFile.Assign(ScriptPathOf(run.ModulePath));
    // A program path that did not fit its block would name some other
    // script; treat it as a script that is not there.
    if (pathCut || !FileExists(run.ScriptFile.CStr())) {
        ShowErrorBox(run, kMsgFileNotFound, run.ScriptFile.CStr());
        return false;
    }

    LoadSymbols(run);
    if (!ReadUpdaterSection(run)) return false;
    if (run.UpdaterName.Length() != 0) run.Caption.Assign(run.UpdaterName);
    return true;
}

TextString ScriptPathOf(const TextString& modulePath) {
    TextString script(modulePath);
    // The extension of the program's file name becomes "ini". A name without
    // one gets ".ini" added: replacing the text after a dot further up the
    // path would name a file outside the program's folder.
    if (modulePath.Item(-1, "\\").ItemCount(".") > 1) {
        script.ReplaceItems(-1, -1, ".", "ini");
    } else {
        script.Append(".ini");
    }
    return script;
}

bool CaptionFromCommandLine(const TextString& commandLine, TextString& caption) {
    if (commandLine.Length() == 0) return false;
    TextString word = commandLine.Word(0);
    word.Trim("\"");
    if (word.Length() == 0) return false;
    caption.Assign(word);
    return true;
}

bool ReadUpdaterSection(RunState& run) {
    run.ProcListArray.depth = 0;
    run.ProcListArray.storage.Clear();
    if (!ReadSetting(run, "UPDATER", "NAME", run.UpdaterName)) return false;
    if (!ReadSetting(run, "UPDATER", "PROC", run.MainProcNames)) return false;
    return true;
}

bool RunMainProcList(RunState& run) {
    const int count = run.MainProcNames.ItemCount(",");
    if (count == 0) {
        ShowErrorBox(run, kMsgBadItemCount, "UPDATER", "PROC");
        return false;
    }
    if (BuildProcList(run, run.MainProcNames, count) == nullptr) return false;
    if (!ExecuteProcList(run, CurrentProcList(run))) return false;
    ReleaseProcList(run, CurrentProcList(run));
    return true;
}
