// Symbol expansion with a symbol table of the input's making.
//
// Input: a flags byte, then
// - with bit 0 clear: the table's entry text (up to a NUL) set directly,
//   with a count byte that puts the count near the number of lines or
//   anywhere else, and ExpandSymbolTable run when bit 2 is set;
// - with bit 0 set: the program path (up to a NUL) and a script whose
//   "DEFINE" section is the entry text (up to a NUL), loaded by LoadSymbols
//   as at start-up;
// then up to three SetSymbol calls (a count byte, name and value up to a
// NUL each), and the rest is the value that is expanded. Bit 1 asks for the
// Windows 95 family, whose folder symbols differ. The registry of the
// throwaway root knows two applications.
//
// Checks besides the sanitizers: every pass that reports no change leaves
// the value as it was; collapsing ".." keeps the first component and never
// adds components; on a table whose count matches its lines, a symbol set
// with SetSymbol reads back with LookupSymbol, and ExpandSymbolTable keeps
// the number of lines.
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "engine/RunState.h"
#include "engine/Symbols.h"
#include "text/Heap.h"

namespace {

const char kRegistry[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tool.exe]\r\n"
    "@=\"C:\\\\Tools\\\\tool.exe\"\r\n"
    "\"Path\"=\"C:\\\\Tools\\\\;\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\deep.exe]\r\n"
    "@=\"<Win>\\\\{?App\\\\tool.exe}\\\\..\\\\x.exe\"\r\n"
    "\"PATH\"=\"C:\\\\a\\\\..\\\\..\\\\b\\\\\"\r\n";

struct Setup {
    std::string script;  // host path of the script file
};

const Setup& TheSetup() {
    static const Setup setup = [] {
        Setup s;
        const std::string root = ScratchFolder() + "/root";
        UseHostRoot(root);
        WriteHostFile(root + "/system.reg", kRegistry);
        s.script = ScratchFolder() + "/setup.ini";
        return s;
    }();
    return setup;
}

int LineCount(const TextString& entries) { return entries.ItemCount("\n"); }

bool Plain(const std::string& text) { return text.find_first_of("=\n") == std::string::npos; }

void CheckPass(bool (*pass)(TextString&), TextString& value, const char* what) {
    const std::string before = value.CStr();
    const bool changed = pass(value);
    FUZZ_CHECK(changed || before == value.CStr(), what);
}

}  // namespace

// AddressSanitizer's checked strstr measures the whole text on every call,
// which makes the program's walks over items and groups (one search per
// separator) quadratic in the text's length; values expanded to tens of
// kilobytes would spend the fuzzer's time there. strstr is therefore left
// unchecked; every other access of the program stays checked.
extern "C" const char* __asan_default_options() { return "intercept_strstr=0"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Setup& setup = TheSetup();
    InputReader in(data, size);
    SetTextAllocFailAfter(-1);
    const uint8_t flags = in.Byte();
    if (flags & 2) {
        setenv("NEMURIA_WINDOWS_FAMILY", "95", 1);
    } else {
        unsetenv("NEMURIA_WINDOWS_FAMILY");
    }

    RunState run;
    SymbolTableData& table = run.SymbolTable;
    if (flags & 1) {
        std::string program = in.Terminated();
        if (program.empty()) program = "C:\\Setup\\setup.exe";
        run.ModulePath.Assign(program.c_str());
        WriteHostFile(setup.script, "[DEFINE]\r\n" + in.Terminated());
        run.ScriptFile.Assign(WindowsFormOf(setup.script).c_str());
        LoadSymbols(run);
    } else {
        table.entries.Assign(in.Terminated().c_str());
        const int lines = LineCount(table.entries);
        const uint8_t pick = in.Byte();
        table.count = (pick & 0x80) ? static_cast<int8_t>(in.Byte()) * 37 : lines + pick % 9 - 4;
        if (pick & 0x40) table.count = lines;
        if (flags & 4) {
            const int before = table.count;
            const int returned = ExpandSymbolTable(table);
            FUZZ_CHECK(table.count == before, "expanding the table keeps its count");
            FUZZ_CHECK(returned == before, "ExpandSymbolTable returns the count");
            if (before == lines) {
                FUZZ_CHECK(LineCount(table.entries) == lines, "expanding the table keeps its lines");
            }
        }
    }

    const int sets = in.Byte() % 4;
    for (int i = 0; i < sets; ++i) {
        const std::string name = in.Terminated();
        const std::string value = in.Terminated();
        const bool consistent = table.count == LineCount(table.entries);
        SetSymbol(table, name.c_str(), TextString(value.c_str()));
        if (consistent && Plain(name) && Plain(value)) {
            FUZZ_CHECK(table.count == LineCount(table.entries), "SetSymbol keeps one line per entry");
            TextString found("\x01unset");
            FUZZ_CHECK(LookupSymbol(table, name.c_str(), found), "a symbol that was set is found");
            FUZZ_CHECK(value == found.CStr(), "a symbol reads back as it was set");
        }
    }

    TextString value(in.Rest().c_str());
    TextString whole(value);
    ExpandValue(table, whole);

    const std::string beforeSymbols = value.CStr();
    const bool symbolsChanged = ExpandSymbols(table, value);
    FUZZ_CHECK(symbolsChanged || beforeSymbols == value.CStr(),
               "a symbol pass without a change leaves the value alone");
    CheckPass(ExpandAppPaths, value, "an application pass without a change leaves the value alone");
    const TextString firstComponent = value.Item(0, "\\");
    const int components = value.ItemCount("\\");
    CheckPass(CollapseParentDirs, value, "a \"..\" pass without a change leaves the value alone");
    FUZZ_CHECK(std::string(value.Item(0, "\\").CStr()) == firstComponent.CStr(),
               "collapsing \"..\" keeps the first component");
    FUZZ_CHECK(value.ItemCount("\\") <= components, "collapsing \"..\" adds no component");
    FUZZ_CHECK(std::string(whole.CStr()) == value.CStr(), "ExpandValue is the three passes in order");
    return 0;
}
