// Procedure lists: building, execution, the stack of running lists.
#pragma once

#include <cstdint>

#include "text/ByteBuffer.h"
#include "text/TextString.h"

// The head of every procedure record.
struct Command {
    TextString name;    // section name, trimmed
    TextString mode;    // the "MODE" text
    uint8_t result = 0; // the result flag
};

// A null-ended array of records.
using ProcList = Command**;

// The stack of lists being executed, innermost on top.
struct ProcListStack {
    ByteBuffer storage;
    int32_t depth = 0;
};
extern ProcListStack ProcListArray;

// The deepest nesting of lists; a push beyond it fails like a push that
// finds no memory, so a SWITCH that names itself ends with one error box.
enum : int { kMaxProcListDepth = 64 };

ProcList BuildProcList(const TextString& names, int count);
bool ExecuteProcList(ProcList list);
Command* FindProcedure(ProcList list, const char* name);
ProcList CurrentProcList();
ProcList ProcListAt(int index);
bool PushProcList(ProcList list);
int RemoveProcList(ProcList list);
int ReleaseProcList(ProcList list);
void ReleaseAllProcLists();

// Records are obtained from the text heap so that a shortage shows up the
// same way everywhere (and can be provoked in tests). Null when the heap is
// exhausted.
#include <new>
#include "text/Heap.h"

template <class Record>
Record* NewRecord() {
    void* block = TextAlloc(sizeof(Record));
    return block ? new (block) Record() : nullptr;
}

template <class Record>
void DeleteRecord(Command* record) {
    if (record == nullptr) return;
    Record* typed = static_cast<Record*>(record);
    typed->~Record();
    TextFree(typed);
}
