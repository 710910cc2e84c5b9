// Sets the action of one signal for the life of the object, and puts back
// the action it found. The host program keeps SIGCHLD at its default while
// it starts and waits for a child: a SIGCHLD ignored by its parent (an
// action inherited across exec) would have the system collect the child
// itself, and every wait for it would fail although it ran to its end. It
// ignores SIGPIPE while it writes to a program that may have gone, so that
// the write fails instead of ending the updater.
#pragma once

#include <signal.h>

class ScopedSignal {
public:
    ScopedSignal(int signal, void (*handler)(int)) : signal_(signal) {
        struct sigaction action = {};
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        sigaction(signal_, &action, &saved_);
    }
    ~ScopedSignal() { sigaction(signal_, &saved_, nullptr); }
    ScopedSignal(const ScopedSignal&) = delete;
    ScopedSignal& operator=(const ScopedSignal&) = delete;

private:
    int signal_;
    struct sigaction saved_ = {};
};
