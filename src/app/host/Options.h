// The options of the host program. They are recognised only as its first
// arguments: "--" or the first argument that is none of them ends them, and
// the arguments after that are the program's command line, as the Windows
// program receives its own (which takes no options at all).
#pragma once

#include <string>
#include <vector>

struct HostOptions {
    bool help = false;
    bool version = false;
    std::string root;                  // --root DIR; empty: not given
    std::string family;                // --family: "95", "NT", or empty
    bool answersGiven = false;         // --answers LIST
    std::vector<std::string> answers;  // each "", "yes", "no" or "ok"
    bool trace = false;                // --trace[=FILE]
    std::string traceFile;             // empty: standard error
    bool status = false;               // --status
    bool explore = false;              // --explore
    bool explain = false;              // --explain
    int firstArgument = 1;             // the first argument of the command line
};

// Reads the options at the start of `argv`. False, with what is wrong in
// `error`, for a value that is missing or not allowed.
bool ParseHostOptions(int argc, const char* const* argv, HostOptions& options, std::string& error);

// The argument text of the command line from argv[first] on, rebuilt the
// way a Windows program receives it, so that the caption comes out the same
// on both editions: the arguments separated by one blank, and an empty one
// or one with a blank in double quotes.
std::string ArgumentText(int argc, const char* const* argv, int first);

// The text of --help.
const char* HostHelpText();

// Whether a trace file is written as JSON lines (its name ends in ".jsonl").
bool IsJsonTraceFile(const std::string& file);
