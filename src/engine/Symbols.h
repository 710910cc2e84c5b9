// The symbol table and the expansion of values read from the script.
#pragma once

#include "text/TextString.h"

struct RunState;

struct SymbolTableData {
    TextString entries;  // lines name=value joined by line feeds
    int count = 0;
};

// Fills the run's table from the script's "DEFINE" section and the built-in
// symbols, and expands its values.
bool LoadSymbols(RunState& run);
bool LookupSymbol(const SymbolTableData& table, const char* name, TextString& value);
void SetSymbol(SymbolTableData& table, const char* name, const TextString& value);
// The symbol pass, the application-path pass and the parent-directory pass,
// once each.
void ExpandValue(const SymbolTableData& table, TextString& text);
bool ExpandSymbols(const SymbolTableData& table, TextString& text);
bool ExpandAppPaths(TextString& text);
bool CollapseParentDirs(TextString& text);
int ExpandSymbolTable(SymbolTableData& table);
