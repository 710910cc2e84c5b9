// The running program's own identity: its file and its argument text.
#pragma once

// Writes the full path of the program's executable into `buffer` (size
// bytes, zero-filled by the caller). A path that does not fit is cut.
// Returns the number of bytes of the path, or `size` when it was cut.
unsigned ModuleFilePath(char* buffer, unsigned size);

// Initialises and uninitialises COM on the calling thread; no-ops where
// there is no COM.
void ComInitialize();
void ComUninitialize();
