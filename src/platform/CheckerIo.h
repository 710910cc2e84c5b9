// What the script checker (src/check) asks of the system: the bytes of a
// script and the text the profile calls see in them, the path under which
// the run's reads reach the script, the console and its language, and
// Graphviz for pictures. The updater itself uses none of it.
#pragma once

#include <string>

// The bytes of the regular file `path` (named as the user gave it); false
// when it cannot be read.
bool ReadScriptBytes(const char* path, std::string& bytes);

// A script's text as the profile calls read its bytes, in the code page: a
// file that starts with the UTF-16 little-endian byte-order mark is
// Unicode, anything else is code-page text.
std::string ScriptTextOf(const std::string& bytes);

// The full Windows path, in the code page, under which the program's
// profile reads find the file `path`. On the host that is the path as the
// host edition names it (C: inside the root's drive_c when the root exists,
// Z: anywhere else); nothing is created to find it out.
std::string ScriptPathForReads(const char* path);

// A folder given on the command line as the program will see it: a Windows
// path in the code page. On the host a path that starts with "/" is a host
// folder and is named as the host edition names it.
std::string FolderForRun(const char* argument);

// A command-line argument (the host's UTF-8, Windows' code page) as UTF-8.
std::string Utf8FromArgument(const char* argument);

// Makes `folder` the host edition's root (drive C: and the registry file);
// false where the program has no such root (on Windows).
bool UseHostRoot(const char* folder);

// Code-page text (script names, values) as UTF-8 for reports.
std::string Utf8FromCodePage(const std::string& text);

// Writes UTF-8 text to standard output (`toError` false) or standard error,
// in the form the console shows.
void WriteConsoleText(const std::string& utf8, bool toError);

// Whether the user's language is Japanese (the locale on the host, the
// user's interface language on Windows).
bool UserPrefersJapanese();

// Renders Graphviz text to a picture with Graphviz's "dot"; `format` is
// "svg", "png" and so on. False, with the reason in `problem`, when dot
// cannot be run or fails.
bool RenderGraph(const std::string& dot, const char* format, const char* outputPath, std::string& problem);
