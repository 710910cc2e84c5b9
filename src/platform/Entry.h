// The program's entry. The system starts the platform's entry point (WinMain
// for the Windows program, main for the host program), which prepares what
// the platform needs and hands the argument text of the command line to
// UpdaterMain.
#pragma once

// The whole program after the platform's entry point; returns the exit code.
int UpdaterMain(const char* argumentText);
