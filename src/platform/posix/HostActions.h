// What the host edition's file actions and program starts did, told to
// whoever traces a run. Nobody listens in a plain run, and then the bodies
// build no report at all.
#pragma once

#include <string>

struct HostAction {
    const char* action;  // "copy", "delete", "makedir", "attr", "link", "launch"
    const char* path;    // the Windows path the script named (code page)
    std::string host;    // the host path acted on
    // What changed: "created", "replaced", "removed", "made", "read-only
    // set", "read-only cleared", "unchanged", "started", "ended", or "not
    // started" (a rehearsal starts no program).
    const char* change;
    const char* from = nullptr;       // copy: the source's Windows path
    long long size = -1;              // copy, link: the bytes written
    const char* arguments = nullptr;  // launch: the parameter text
};

class HostActionListener {
public:
    virtual void HostActionDone(const HostAction& action) = 0;

protected:
    ~HostActionListener() = default;
};

// Null: nobody listens.
void SetHostActionListener(HostActionListener* listener);
bool HostActionsHeard();
void TellHostAction(const HostAction& action);
