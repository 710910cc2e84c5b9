// Procedure lists: building a list from a comma list of section names,
// executing it, and the stack of lists being executed.
#include "engine/ProcList.h"

#include <cstring>

#include "commands/Commands.h"
#include "engine/Script.h"
#include "text/Messages.h"

namespace {

// One command kind: its "MODE" word and its functions. Building and
// execution compare the "MODE" text with the words in this order.
struct CommandKind {
    const char* word;
    Command* (*create)(const char* section);
    bool (*execute)(Command* record);
    void (*destroy)(Command* record);
};

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

const CommandKind* KindOf(const TextString& mode) {
    for (const CommandKind& kind : kKinds) {
        if (mode.EqualsNoCase(kind.word)) return &kind;
    }
    return nullptr;
}

const unsigned kPointerSize = sizeof(ProcList);

}  // namespace

ProcListStack ProcListArray;

ProcList BuildProcList(const TextString& names, int count) {
    if (count <= 0) {
        ShowErrorBox(kMsgBadProcCount);
        return nullptr;
    }
    const unsigned bytes = (static_cast<unsigned>(count) + 1) * kPointerSize;
    ProcList list = static_cast<ProcList>(TextAlloc(bytes));
    if (list == nullptr) {
        ShowErrorBox(kMsgOutOfMemory, "ProcList");
        return nullptr;
    }
    for (int i = 0; i <= count; ++i) list[i] = nullptr;

    for (int i = 0; i < count; ++i) {
        TextString section = names.Item(i, ",");
        section.Trim(" ");
        TextString mode;
        if (!ReadSetting(section.CStr(), "MODE", mode)) {
            ReleaseProcList(list);
            return nullptr;
        }
        const CommandKind* kind = KindOf(mode);
        if (kind == nullptr) {
            ShowErrorBox(kMsgBadSymbol, mode.CStr());
            ReleaseProcList(list);
            return nullptr;
        }
        Command* record = kind->create(section.CStr());
        if (record == nullptr) {
            ReleaseProcList(list);
            return nullptr;
        }
        // The creation reads "MODE" a second time. Should the script have
        // changed in between so that the record's own "MODE" now names
        // another kind, the record would later be run and released as that
        // other kind; refuse it here as a word that names no command.
        if (KindOf(record->mode) != kind) {
            ShowErrorBox(kMsgBadSymbol, record->mode.CStr());
            kind->destroy(record);
            ReleaseProcList(list);
            return nullptr;
        }
        list[i] = record;
    }

    if (!PushProcList(list)) {
        ShowErrorBox(kMsgOutOfMemory, "ProcListArray");
        ReleaseProcList(list);
        return nullptr;
    }
    return list;
}

bool ExecuteProcList(ProcList list) {
    if (list == nullptr) return false;
    for (Command** entry = list; *entry != nullptr; ++entry) {
        const CommandKind* kind = KindOf((*entry)->mode);
        if (kind == nullptr) {
            ShowErrorBox(kMsgBadSymbol, (*entry)->mode.CStr());
            return false;
        }
        if (!kind->execute(*entry)) return false;
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

ProcList CurrentProcList() {
    if (ProcListArray.depth == 0) return nullptr;
    return ProcListAt(ProcListArray.depth - 1);
}

ProcList ProcListAt(int index) {
    if (index < 0 || index >= ProcListArray.depth) return nullptr;
    if ((static_cast<unsigned>(index) + 1) * kPointerSize > ProcListArray.storage.Size()) return nullptr;
    const ProcList* slots = static_cast<const ProcList*>(ProcListArray.storage.Data());
    return slots[index];
}

// The stack's entries are prepared in a buffer of their own and installed by
// exchanging blocks, so that a heap that runs out midway never loses the
// lists already on the stack (they must still be released at the end).
bool PushProcList(ProcList list) {
    if (list == nullptr) return false;
    if (ProcListArray.depth >= kMaxProcListDepth) return false;
    const unsigned used = static_cast<unsigned>(ProcListArray.depth) * kPointerSize;
    ByteBuffer grown = ProcListArray.storage.Slice(0, used);
    if (grown.Size() != used || !grown.Append(&list, kPointerSize)) return false;
    ProcListArray.storage.Swap(grown);
    ++ProcListArray.depth;
    return true;
}

int RemoveProcList(ProcList list) {
    for (int n = ProcListArray.depth - 1; n >= 0; --n) {
        if (ProcListAt(n) != list) continue;
        const unsigned used = static_cast<unsigned>(ProcListArray.depth) * kPointerSize;
        const unsigned offset = static_cast<unsigned>(n) * kPointerSize;
        ByteBuffer shrunk = ProcListArray.storage.Slice(0, used);
        if (shrunk.Size() == used) shrunk.Remove(offset, kPointerSize);
        if (shrunk.Size() == used - kPointerSize) {
            ProcListArray.storage.Swap(shrunk);
        } else {
            // No memory for a smaller block: close the gap in place and let
            // the block keep one unused entry at its end.
            unsigned char* slots = static_cast<unsigned char*>(ProcListArray.storage.Buffer());
            std::memmove(slots + offset, slots + offset + kPointerSize, used - offset - kPointerSize);
        }
        --ProcListArray.depth;
        return ProcListArray.depth;
    }
    return ProcListArray.depth;
}

int ReleaseProcList(ProcList list) {
    if (list == nullptr) return 0;
    for (Command** entry = list; *entry != nullptr; ++entry) {
        // Every record in a list was checked at building to be of the kind
        // its "MODE" names, so the kind found here is the one that made it.
        const CommandKind* kind = KindOf((*entry)->mode);
        if (kind != nullptr) kind->destroy(*entry);
        *entry = nullptr;
    }
    TextFree(list);
    return RemoveProcList(list);
}

void ReleaseAllProcLists() {
    while (ReleaseProcList(CurrentProcList()) != 0) {
    }
}
