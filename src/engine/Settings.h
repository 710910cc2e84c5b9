// Reads of the run's script: a missing key shows message 2 with the section
// and the key; text values are expanded (symbols, application paths, "..").
#pragma once

#include "text/TextString.h"

struct RunState;

bool ReadSetting(RunState& run, const char* section, const char* key, TextString& out);
bool ReadIntSetting(RunState& run, const char* section, const char* key, int& out);
