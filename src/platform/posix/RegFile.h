// The host edition's registry: a file in the text form that the Windows
// registry editor exports and imports.
//
// The file starts with "Windows Registry Editor Version 5.00" or
// "REGEDIT4". It is UTF-16 LE with a byte-order mark (the editor's default
// form), UTF-8 with a byte-order mark, or 8-bit text in the ANSI code page
// (CP932); lines end with CR LF or LF. Key lines are [HKEY_LOCAL_MACHINE\...]
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

struct RegFileValue {
    std::string name;  // in the ANSI code page; "" for the default value
    std::string data;  // what reading the value gives: its text and a terminating zero
};

// The text of a registry file's bytes, in the ANSI code page. Characters
// the code page lacks become "?".
std::string DecodeRegFile(const std::string& bytes);

// Whether `text` (decoded) leaves the key `keyPath`, a full path such as
// HKEY_LOCAL_MACHINE\Software\..., present; its readable values in `values`.
bool FindRegKey(const std::string& text, const std::string& keyPath,
                std::vector<RegFileValue>& values);

// The value of `values` named `name` (compared as FindRegKey compares
// names), or null.
const RegFileValue* FindRegValue(const std::vector<RegFileValue>& values, const char* name);

// FindRegKey on the file at `path`. A file that is missing or cannot be read
// holds no key.
bool ReadRegFileKey(const std::string& path, const std::string& keyPath,
                    std::vector<RegFileValue>& values);
