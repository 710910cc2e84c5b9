// The INI file the host's profile reads see, for the tools that point at a
// line of the script.
#pragma once

#include "winlike/IniFile.h"

// `file` (a Windows path) as a profile read would find it now, with the line
// of every section and key; a file that is missing or cannot be read has no
// sections. The result stays valid until the next profile read.
const IniFile& ProfileFileAsRead(const char* file);
