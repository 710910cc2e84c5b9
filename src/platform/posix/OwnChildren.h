// While an OwnChildren lives, the children this process starts are its own
// to collect. A SIGCHLD that the parent ignored (a disposition a program
// inherits across exec) would have the system collect them instead, and
// every wait for one would fail although it ran to its end.
#pragma once

#include <signal.h>

class OwnChildren {
public:
    OwnChildren() {
        struct sigaction collect = {};
        collect.sa_handler = SIG_DFL;
        sigemptyset(&collect.sa_mask);
        sigaction(SIGCHLD, &collect, &saved_);
    }
    ~OwnChildren() { sigaction(SIGCHLD, &saved_, nullptr); }
    OwnChildren(const OwnChildren&) = delete;
    OwnChildren& operator=(const OwnChildren&) = delete;

private:
    struct sigaction saved_ = {};
};
