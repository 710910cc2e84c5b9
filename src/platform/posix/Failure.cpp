// The note of the last failure on the host, and its trace line.
#include "platform/Failure.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Note {
    std::string call;
    std::string path;
    int error = 0;
};

Note& Last() {
    static Note note;
    return note;
}

}  // namespace

PlatformFailure LastFailure() { return {Last().call.c_str(), Last().path.c_str(), Last().error}; }

void ClearFailure() { Last() = Note(); }

bool NoteFailure(const char* call, const char* path, int error) {
    Note& note = Last();
    note.call = call != nullptr ? call : "";
    note.path = path != nullptr ? path : "";
    note.error = error;
    return false;
}

void TraceFailure() {
    const char* trace = std::getenv("NEMURIA_TRACE");
    const Note& note = Last();
    if (trace == nullptr || std::strcmp(trace, "1") != 0 || note.call.empty()) return;
    std::fprintf(stderr, "trace: %s failed: \"%s\": %s\n", note.call.c_str(), note.path.c_str(),
                 note.error > 0 ? std::strerror(note.error) : "refused");
    std::fflush(stderr);
}
