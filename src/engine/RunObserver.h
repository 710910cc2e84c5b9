// What a run tells whoever watches it: the tools that check a script or
// trace a run on the host. The updater itself sets no observer, and a run
// without one does exactly what it does with one.
#pragma once

#include "engine/Command.h"

class RunObserver {
public:
    virtual ~RunObserver() = default;

    // A procedure of a list is about to be built from its section.
    virtual void ProcedureBuilding(const char* /*section*/) {}
    // A required key is missing (message 2 follows).
    virtual void SettingMissing(const char* /*section*/, const char* /*key*/) {}
    // An error box is about to be shown: its catalogue id and its text.
    virtual void ErrorShown(unsigned /*id*/, const char* /*text*/) {}
    // A list has been built and pushed; `list` ends with a null entry.
    virtual void ListBuilt(ProcList /*list*/) {}
    // A procedure is about to run, and has run: `carriedOn` is false when it
    // stopped its list.
    virtual void ProcedureStarting(const Command& /*record*/) {}
    virtual void ProcedureDone(const Command& /*record*/, bool /*carriedOn*/) {}
};
