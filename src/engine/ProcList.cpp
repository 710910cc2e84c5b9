// Procedure lists: building a list from a comma list of section names,
// executing it, and the stack of lists being executed.
#include "engine/ProcList.h"

#include <cstring>

#include "engine/ErrorBox.h"
#include "engine/RunState.h"
#include "engine/Settings.h"
#include "platform/Failure.h"
#include "text/Messages.h"

namespace {

const unsigned kPointerSize = sizeof(ProcList);

}  // namespace

const CommandKind* KindOf(const RunState& run, const TextString& mode) {
    for (size_t i = 0; i < run.Commands.count; ++i) {
        if (mode.EqualsNoCase(run.Commands.kinds[i].word)) return &run.Commands.kinds[i];
    }
    return nullptr;
}

ProcList BuildProcList(RunState& run, const TextString& names, int count) {
    if (count <= 0) {
        ShowErrorBox(run, kMsgBadProcCount);
        return nullptr;
    }
    const unsigned bytes = (static_cast<unsigned>(count) + 1) * kPointerSize;
    ProcList list = static_cast<ProcList>(TextAlloc(bytes));
    if (list == nullptr) {
        ShowErrorBox(run, kMsgOutOfMemory, "ProcList");
        return nullptr;
    }
    for (int i = 0; i <= count; ++i) list[i] = nullptr;

    for (int i = 0; i < count; ++i) {
        TextString section = names.Item(i, ",");
        section.Trim(" ");
        if (run.Observer != nullptr) run.Observer->ProcedureBuilding(section.CStr());
        TextString mode;
        if (!ReadSetting(run, section.CStr(), "MODE", mode)) {
            ReleaseProcList(run, list);
            return nullptr;
        }
        const CommandKind* kind = KindOf(run, mode);
        if (kind == nullptr) {
            ShowErrorBox(run, kMsgBadSymbol, mode.CStr());
            ReleaseProcList(run, list);
            return nullptr;
        }
        Command* record = kind->create(run, section.CStr());
        if (record == nullptr) {
            ReleaseProcList(run, list);
            return nullptr;
        }
        // The creation reads "MODE" a second time. Should the script have
        // changed in between so that the record's own "MODE" now names
        // another kind, the record would later be run and released as that
        // other kind; refuse it here as a word that names no command.
        if (KindOf(run, record->mode) != kind) {
            ShowErrorBox(run, kMsgBadSymbol, record->mode.CStr());
            kind->destroy(record);
            ReleaseProcList(run, list);
            return nullptr;
        }
        list[i] = record;
    }

    if (!PushProcList(run, list)) {
        ShowErrorBox(run, kMsgOutOfMemory, "ProcListArray");
        ReleaseProcList(run, list);
        return nullptr;
    }
    if (run.Observer != nullptr) run.Observer->ListBuilt(list);
    return list;
}

bool ExecuteProcList(RunState& run, ProcList list) {
    if (list == nullptr) return false;
    for (Command** entry = list; *entry != nullptr; ++entry) {
        const CommandKind* kind = KindOf(run, (*entry)->mode);
        if (kind == nullptr) {
            ShowErrorBox(run, kMsgBadSymbol, (*entry)->mode.CStr());
            return false;
        }
        ClearFailure();
        if (run.Observer != nullptr) run.Observer->ProcedureStarting(**entry);
        const bool carriedOn = kind->execute(run, *entry);
        if (run.Observer != nullptr) run.Observer->ProcedureDone(**entry, carriedOn);
        if (!carriedOn) return false;
    }
    return true;
}

Command* FindProcedure(ProcList list, const char* name) {
    if (list == nullptr) return nullptr;
    for (Command** entry = list; *entry != nullptr; ++entry) {
        if ((*entry)->name.EqualsNoCase(name)) return *entry;
    }
    return nullptr;
}

ProcList CurrentProcList(const RunState& run) {
    if (run.ProcListArray.depth == 0) return nullptr;
    return ProcListAt(run, run.ProcListArray.depth - 1);
}

ProcList ProcListAt(const RunState& run, int index) {
    if (index < 0 || index >= run.ProcListArray.depth) return nullptr;
    if ((static_cast<unsigned>(index) + 1) * kPointerSize > run.ProcListArray.storage.Size()) return nullptr;
    const ProcList* slots = static_cast<const ProcList*>(run.ProcListArray.storage.Data());
    return slots[index];
}

// The stack's entries are prepared in a buffer of their own and installed by
// exchanging blocks, so that a heap that runs out midway never loses the
// lists already on the stack (they must still be released at the end).
bool PushProcList(RunState& run, ProcList list) {
    if (list == nullptr) return false;
    if (run.ProcListArray.depth >= kMaxProcListDepth) return false;
    const unsigned used = static_cast<unsigned>(run.ProcListArray.depth) * kPointerSize;
    ByteBuffer grown = run.ProcListArray.storage.Slice(0, used);
    if (grown.Size() != used || !grown.Append(&list, kPointerSize)) return false;
    run.ProcListArray.storage.Swap(grown);
    ++run.ProcListArray.depth;
    return true;
}

int RemoveProcList(RunState& run, ProcList list) {
    for (int n = run.ProcListArray.depth - 1; n >= 0; --n) {
        if (ProcListAt(run, n) != list) continue;
        const unsigned used = static_cast<unsigned>(run.ProcListArray.depth) * kPointerSize;
        const unsigned offset = static_cast<unsigned>(n) * kPointerSize;
        ByteBuffer shrunk = run.ProcListArray.storage.Slice(0, used);
        if (shrunk.Size() == used) shrunk.Remove(offset, kPointerSize);
        if (shrunk.Size() == used - kPointerSize) {
            run.ProcListArray.storage.Swap(shrunk);
        } else {
            // No memory for a smaller block: close the gap in place and let
            // the block keep one unused entry at its end.
            unsigned char* slots = static_cast<unsigned char*>(run.ProcListArray.storage.Buffer());
            std::memmove(slots + offset, slots + offset + kPointerSize, used - offset - kPointerSize);
        }
        --run.ProcListArray.depth;
        return run.ProcListArray.depth;
    }
    return run.ProcListArray.depth;
}

int ReleaseProcList(RunState& run, ProcList list) {
    if (list == nullptr) return 0;
    for (Command** entry = list; *entry != nullptr; ++entry) {
        // Every record in a list was checked at building to be of the kind
        // its "MODE" names, so the kind found here is the one that made it.
        const CommandKind* kind = KindOf(run, (*entry)->mode);
        if (kind != nullptr) kind->destroy(*entry);
        *entry = nullptr;
    }
    TextFree(list);
    return RemoveProcList(run, list);
}

void ReleaseAllProcLists(RunState& run) {
    while (ReleaseProcList(run, CurrentProcList(run)) != 0) {
    }
}
