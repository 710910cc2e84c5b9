// MSGBOX: a box of the script's own, optionally conditional on the result
// flag of an earlier procedure; its answer sets the flag and may end the run.
#include "commands/Commands.h"
#include "engine/ProcList.h"
#include "engine/Records.h"
#include "engine/RunState.h"
#include "platform/MessageBox.h"

namespace {

struct BoxKind {
    const char* word;
    unsigned style;
};

const BoxKind kBoxKinds[] = {
    {"ERROR", kBoxOk | kBoxIconError},
    {"INFORMATION", kBoxOk | kBoxIconInformation},
    {"WARNING", kBoxYesNo | kBoxIconWarning | kBoxDefButton2},
    {"QUESTION", kBoxYesNo | kBoxIconQuestion},
};

}  // namespace

Command* CreateMsgBox(RunState& run, const char* section) {
    static const TextKey keys[] = {
        Key("FLAG", &MSGBOX_INFO::flag),
        Key("TYPE", &MSGBOX_INFO::type),
        Key("TEXT", &MSGBOX_INFO::text),
        Key("ISABORT", &MSGBOX_INFO::abortRule),
    };
    return CreateRecord<MSGBOX_INFO>(run, section, "MSGBOX_INFO", keys);
}

bool ExecuteMsgBox(RunState& run, Command* command) {
    MSGBOX_INFO* record = static_cast<MSGBOX_INFO*>(command);

    if (record->flag.ItemCount(",") >= 2) {
        const Command* tested = FindProcedure(CurrentProcList(run), TrimmedItem(record->flag, 0).CStr());
        if (tested == nullptr) {
            ShowErrorBox(run, kMsgBadSymbol, record->flag.CStr());
            return false;
        }
        if (record->flag.Item(1, ",").ToInt() != tested->result) return true;
    }

    const BoxKind* kind = nullptr;
    for (const BoxKind& candidate : kBoxKinds) {
        if (record->type.EqualsNoCase(candidate.word)) {
            kind = &candidate;
            break;
        }
    }
    if (kind == nullptr) {
        ShowErrorBox(run, kMsgBadSymbol, record->type.CStr());
        return false;
    }

    record->text.ReplaceAll("%n", "\n");
    record->text.ReplaceAll("%t", "\t");
    const int answer = ShowMessageBox(record->text.CStr(), run.Caption.CStr(), kind->style);

    if (answer == kAnswerOk || answer == kAnswerYes) {
        record->result = 1;
        return record->abortRule.Item(0, ",").ToInt() == 0;
    }
    if (answer == kAnswerCancel || answer == kAnswerNo) {
        return record->abortRule.Item(1, ",").ToInt() == 0;
    }
    return true;
}
