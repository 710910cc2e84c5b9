// Why the last platform operation failed: the call or check that refused
// it, the path it was about, and the system's error number (errno on the
// host, GetLastError on Windows). The bodies of the platform note every
// failure here; the engine shows the note beside the error box when the
// environment variable NEMURIA_TRACE is "1", so that a failed COPY can be
// told from another without a debugger.
#pragma once

struct PlatformFailure {
    const char* call;  // "" when nothing is noted
    const char* path;
    int error;
};

PlatformFailure LastFailure();
void ClearFailure();

// Notes a failure and returns false, for `return NoteFailure(...)` at the
// place where an operation gives up. The texts are copied (and may be cut).
bool NoteFailure(const char* call, const char* path, int error);

// With NEMURIA_TRACE set to "1": writes the note, if there is one, to the
// program's standard error as one line, "trace: <call> failed:
// "<path>": <the system's text or number for the error>".
void TraceFailure();
