// Confinement of the host edition's file access to one folder, for whole
// script runs under the fuzzer.
//
// Every file the host edition opens, creates, changes, removes, lists or
// starts is named by a host path that the program obtains from a Windows
// path through ToHostPath or ToHostSearchPath (HostPath.h). The fuzz target
// of whole runs is linked with --wrap for both, so that the program's calls
// reach the checks below first: a path that lies outside the confinement
// folder is refused as one that names nothing the host can reach, exactly
// as the program refuses a path on a drive it does not have. Scripts can
// name any drive and any ".." they like; nothing outside the folder is
// reached. (The program creates no symbolic links, and the folder holds
// none, so a path inside it stays inside.)
#pragma once

#include <string>

// Only host paths at or below `folder` (absolute, without symbolic links)
// are let through from now on. Until this is called, every path is refused.
void ConfineTo(const std::string& folder);

// Paths refused since the start.
unsigned long RefusedPaths();
