// Reading the script: single keys, integers and whole sections.
#pragma once

#include "text/TextString.h"

// Size of the block a value is read into: at most 258 bytes of value.
enum : unsigned { kValueBlockSize = 260, kSectionBlockSize = 0x7FFF };

// Low-level reads of any INI file. A value equal to "NO_DATA" in any letter
// case counts as missing.
bool ReadProfileText(const char* file, const char* section, const char* key, TextString& out);
bool ReadProfileInt(const char* file, const char* section, const char* key, int& out);
int ReadProfileSection(const char* file, const char* section, TextString& out);

// Reads of the run's script. A missing key shows message 2 with the section
// and the key. Text values are expanded (symbols, application paths, "..").
bool ReadSetting(const char* section, const char* key, TextString& out);
bool ReadIntSetting(const char* section, const char* key, int& out);
