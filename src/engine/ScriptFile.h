// Raw reads of an INI file through the platform's profile calls: single
// keys, integers and whole sections, as the file holds them (no symbol is
// expanded here; Settings.h adds that for the run's script).
#pragma once

#include "text/TextString.h"

// Size of the block a value is read into: at most 258 bytes of value.
enum : unsigned { kValueBlockSize = 260, kSectionBlockSize = 0x7FFF };

// A value equal to "NO_DATA" in any letter case counts as missing; false
// leaves `out` unchanged.
bool ReadProfileText(const char* file, const char* section, const char* key, TextString& out);
// The decimal number at the start of the value ("%d"); a value without one
// leaves `out` as it was but still counts as present.
bool ReadProfileInt(const char* file, const char* section, const char* key, int& out);
// Appends the section's lines that are not comments to `out`, joined by line
// feeds; returns how many it appended.
int ReadProfileSection(const char* file, const char* section, TextString& out);
