// What the operating system says of itself: its family and its folders.
#pragma once

#include "text/TextString.h"

enum : int {
    kCsidlPrograms = 0x02,
    kCsidlDesktopDirectory = 0x10,
    kCsidlCommonPrograms = 0x17,
    kCsidlCommonDesktopDirectory = 0x19,
};

// True on the Windows NT family (platform identifier 2).
bool IsWindowsNT();

// The file-system path of a shell special folder (a CSIDL value). False when
// the folder is not known (output unchanged) or has no path (output empty).
bool GetSpecialFolderPath(void* owner, int folder, TextString& out);

// The Windows directory and the system directory, written into `buffer` of
// `size` bytes (zero-filled by the caller).
void WindowsDirectory(char* buffer, unsigned size);
void SystemDirectory(char* buffer, unsigned size);
