// The checker's command line.
#pragma once

#include <string>
#include <vector>

#include "check/Rules.h"

struct CheckOptions {
    std::string format = "text";  // text, json or sarif
    Language language = Language::kEnglish;
    bool warningsAsErrors = false;
    bool help = false;
    bool version = false;
    std::string src;    // --src as given; empty: the script's own folder
    std::string root;   // --root as given; empty: none
    std::string graph;  // the picture's file; empty: none
    std::vector<std::string> scripts;
};

// Reads the arguments after the program's name into `options`, whose
// language is the user's on entry. --lang is taken first, wherever it
// stands, so that a problem is told in the language asked for. False with
// `problem` set for a wrong command line.
bool ParseCheckOptions(const std::vector<std::string>& arguments, CheckOptions& options, std::string& problem);

// The extension of a file name, in lower case; empty when it has none.
std::string LowerExtension(const std::string& path);
