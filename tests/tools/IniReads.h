// The reads of the INI corpus (tests/ini): each case's .reads file made on
// its .ini file through ProfileString and ProfileSection, every result
// printed in an escaped, unambiguous form. inidump prints them for the
// differential test against Windows' calls (scripts/ini-diff); the unit
// test IniCorpus holds the host's reader to the results committed in
// tests/ini/expected.txt. The format is described at the top of inidump.cpp.
#pragma once

#include <string>
#include <vector>

// The printed results of `cases`: READS_DIR/CASE.reads made on INI_DIR/CASE.ini
// (INI_DIR may be a Windows path). Under Wine an "expect" line's result
// stands in for Wine's own, which goes to `notes` with the reason. False in
// `ok` when a directive is malformed.
std::string RunIniCases(const std::string& readsDir, const std::string& iniDir,
                        const std::vector<std::string>& cases, bool underWine, std::string& notes, bool& ok);
