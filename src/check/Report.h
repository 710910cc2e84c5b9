// The checker's reports: the compilers' form for editors and CI, JSON, and
// SARIF 2.1.0 for code-scanning tools; and the picture of the lists.
#pragma once

#include <string>
#include <vector>

#include "check/Checker.h"

// The finding's text in `language`, with its suggestion.
std::string FindingText(const Finding& finding, Language language);
// Where the run stops, as a sentence; empty for a finding without one.
std::string StopText(const Finding& finding, Language language);

// "Setup.ini:31: error: [PATCH] FROM: ... [rule]" lines, a note on where
// the run stops under each error that has one, and a summary line per file.
std::string TextReport(const std::vector<CheckReport>& reports, Language language);
std::string JsonReport(const std::vector<CheckReport>& reports, Language language, const char* version);
std::string SarifReport(const std::vector<CheckReport>& reports, Language language, const char* version);

// Graphviz text of one script's lists: a box of procedures per list, the
// branches of each SWITCH as arrows (dashed where never taken), and the
// places where a run stops marked.
std::string GraphDot(const CheckReport& report, Language language);
