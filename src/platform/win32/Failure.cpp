// The note of the last failure on Windows, and its trace line. The error
// is the number GetLastError gave (an HRESULT for the shell's objects).
#include "platform/Failure.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

char noteCall[32];
char notePath[260];  // the ANSI calls take no longer path
int noteError;

void CopyField(char* field, unsigned size, const char* text) {
    unsigned i = 0;
    for (; text != nullptr && text[i] != '\0' && i + 1 < size; ++i) field[i] = text[i];
    field[i] = '\0';
}

}  // namespace

PlatformFailure LastFailure() { return {noteCall, notePath, noteError}; }

void ClearFailure() { NoteFailure("", "", 0); }

bool NoteFailure(const char* call, const char* path, int error) {
    CopyField(noteCall, sizeof noteCall, call);
    CopyField(notePath, sizeof notePath, path);
    noteError = error;
    return false;
}

void TraceFailure() {
    const char* trace = std::getenv("NEMURIA_TRACE");
    if (trace == nullptr || std::strcmp(trace, "1") != 0 || noteCall[0] == '\0') return;
    char line[400];
    const int length = std::snprintf(line, sizeof line, "trace: %s failed: \"%s\": %d\n", noteCall,
                                     notePath, noteError);
    if (length > 0) std::fwrite(line, 1, static_cast<size_t>(length) < sizeof line ? length : sizeof line - 1, stderr);
}
