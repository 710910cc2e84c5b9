// Starting programs.
#pragma once

// Starts `program` with `parameters` in the program's own folder (its
// DirectoryOfPath, winlike/WindowsPath.h) and waits for its end (wait) or
// until it is ready for input. False when it could not be started or the
// wait failed.
bool LaunchProgram(const char* program, const char* parameters, bool wait);
