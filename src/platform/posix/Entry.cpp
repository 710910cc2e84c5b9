// Entry point of the host edition. Everything after it, the host's options
// included, is the host program's (HostEntry.h).
#include "platform/posix/HostEntry.h"

int main(int argc, char** argv) { return HostMain(argc, argv); }
