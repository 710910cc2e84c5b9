// The symbol table and the expansion of values read from the script.
#pragma once

#include "text/TextString.h"

struct SymbolTableData {
    TextString entries;  // lines name=value joined by line feeds
    int count = 0;
};
extern SymbolTableData SymbolTable;

bool LoadSymbols();
bool LookupSymbol(const char* name, TextString& value);
void SetSymbol(const char* name, const TextString& value);
void ExpandValue(TextString& text);
bool ExpandSymbols(TextString& text);
bool ExpandAppPaths(TextString& text);
bool CollapseParentDirs(TextString& text);
int ExpandSymbolTable();
