// The sequence of one run: the caption, the script beside the program, the
// symbols, the [UPDATER] section, the main procedure list, and the release
// of every list at the end.
#include "engine/Startup.h"

#include "engine/ProcList.h"
#include "engine/Script.h"
#include "engine/Symbols.h"
#include "platform/FileSearch.h"
#include "platform/Module.h"
#include "text/Messages.h"

// The start-up texts, constructed in this order before the entry point runs.
TextString CommandLine;
TextString Caption;
TextString ModulePath;
TextString ScriptFile;

// The [UPDATER] values (the stack of running lists lives with them in
// ProcList.cpp).
TextString UpdaterName;
TextString MainProcNames;

namespace {
const unsigned kModulePathBlock = 260;
}

int RunUpdater(const char* argumentText) {
    ComInitialize();
    if (Startup(argumentText)) RunMainProcList();
    ReleaseAllProcLists();
    ComUninitialize();
    return 0;
}

bool Startup(const char* argumentText) {
    CommandLine.Reset(argumentText);
    if (!CaptionFromCommandLine(CommandLine, Caption)) Caption.Assign(kDefaultCaption);

    bool pathCut = true;
    if (ModulePath.Allocate(kModulePathBlock)) {
        pathCut = ModuleFilePath(ModulePath.Buffer(), kModulePathBlock) >= kModulePathBlock;
        ModulePath.Compact();
    }

    ScriptFile.Assign(ScriptPathOf(ModulePath));
    // A program path that did not fit its block would name some other
    // script; treat it as a script that is not there.
    if (pathCut || !FileExists(ScriptFile.CStr())) {
        ShowErrorBox(kMsgFileNotFound, ScriptFile.CStr());
        return false;
    }

    LoadSymbols();
    if (!ReadUpdaterSection()) return false;
    if (UpdaterName.Length() != 0) Caption.Assign(UpdaterName);
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

bool ReadUpdaterSection() {
    ProcListArray.depth = 0;
    ProcListArray.storage.Clear();
    if (!ReadSetting("UPDATER", "NAME", UpdaterName)) return false;
    if (!ReadSetting("UPDATER", "PROC", MainProcNames)) return false;
    return true;
}

bool RunMainProcList() {
    const int count = MainProcNames.ItemCount(",");
    if (count == 0) {
        ShowErrorBox(kMsgBadItemCount, "UPDATER", "PROC");
        return false;
    }
    if (BuildProcList(MainProcNames, count) == nullptr) return false;
    if (!ExecuteProcList(CurrentProcList())) return false;
    ReleaseProcList(CurrentProcList());
    return true;
}
