// The procedure record every command kind builds on, the lists of records,
// and the table through which the engine finds the kinds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "text/ByteBuffer.h"
#include "text/Heap.h"
#include "text/TextString.h"

struct RunState;

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

// One command kind: its "MODE" word and its functions. Creation reads the
// record's keys from its section and returns null after showing why it
// could not; execution returns false to stop the running list.
struct CommandKind {
    const char* word;
    Command* (*create)(RunState& run, const char* section);
    bool (*execute)(RunState& run, Command* record);
    void (*destroy)(Command* record);
};

// The kinds a run knows, in the order in which a "MODE" text is compared
// with their words.
struct CommandTable {
    const CommandKind* kinds = nullptr;
    size_t count = 0;
};

// Records are obtained from the text heap so that a shortage shows up the
// same way everywhere (and can be provoked in tests). Null when the heap is
// exhausted.
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
