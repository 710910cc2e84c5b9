// The text form of the registry that the Windows registry editor exports
// and imports (a ".reg" file), read as an import would leave the registry.
//
// The text starts with "Windows Registry Editor Version 5.00" or
// "REGEDIT4" and is in the ANSI code page (CP932; RegTextOf in Conversion.h
// turns a file's bytes into it); lines end with CR LF or LF. Key lines are [HKEY_LOCAL_MACHINE\...]
// (HKLM\... is taken as well) and [-...] removes a key with everything
// below it. Value lines are "name"="text" or @="text" for the key's default
// value, with \\ and \" as escapes; "name"=- removes a value. Values of the
// types hex(1) and hex(2) (strings, also continued over lines ending with a
// backslash) are read as text; every other type (dword:, hex:, hex(7): and
// so on) replaces an earlier value of that name but is not read: a lookup
// of it fails. Later lines override earlier ones, as an import does. Lines
// starting with ";" are comments; lines that fit none of these forms are
// skipped. Key and value names match without regard to ASCII letter case.
#pragma once

#include <string>
#include <vector>

struct RegValue {
    std::string name;  // in the ANSI code page; "" for the default value
    // What reading the value gives: its text and a terminating zero; for a
    // value written in hex in a "Version 5.00" text, its UTF-16LE bytes as
    // written, which the reader turns into the code page (`unicode`).
    std::string data;
    bool unicode = false;
};

// Whether `text` (decoded) leaves the key `keyPath`, a full path such as
// HKEY_LOCAL_MACHINE\Software\..., present; its readable values in `values`.
bool FindRegKey(const std::string& text, const std::string& keyPath, std::vector<RegValue>& values);

// The value of `values` named `name` (compared as FindRegKey compares
// names), or null.
const RegValue* FindRegValue(const std::vector<RegValue>& values, const char* name);
