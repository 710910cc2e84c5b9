// The host program after its entry point: the options and the run
// (src/app/host).
#pragma once

// Returns the exit code.
int HostMain(int argc, char** argv);
