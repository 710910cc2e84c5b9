// Symbol expansion: the symbol pass with its fixed number of steps, the
// table built from DEFINE lines, application lookups, and parent steps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "TestSupport.h"
#include "engine/Symbols.h"
#include "text/Heap.h"

namespace {

SymbolTableData table;

void UseTable(const char* entries, int count) {
    table.entries.Assign(entries);
    table.count = count;
}

std::string Expanded(const char* value) {
    TextString text(value);
    ExpandValue(table, text);
    return text.CStr();
}

TEST(SymbolsTest, SymbolPass) {
    UseTable("<Win>=C:\\WINDOWS\n<Loop>=<Loop>x\n<Two>=<Win>\\<Win>\n<A>=1\n<a>=2\n<Empty>=", 6);
    struct Case {
        const char* value;
        const char* expected;
    };
    const Case cases[] = {
        {"<Win>\\system32", "C:\\WINDOWS\\system32"},
        {"<WIN>\\system32", "C:\\WINDOWS\\system32"},
        {"<Nothing>\\x", "<Nothing>\\x"},
        {"<<Win>>", "<<Win>>"},             // one group, which is no symbol
        {"<Win", "<Win"},                   // unclosed
        {"x>y<Win>", "x>y<Win>"},           // a closing first: the group never closes at depth 0
        {"<A>", "1"},                        // the first of two equal names
        {"<Empty>|<Win>", "|C:\\WINDOWS"},
        // One step per group present at the start: a value that brings in
        // groups of its own uses them up.
        {"<Two>", "<Win>\\<Win>"},
        {"<Two>|<Win>", "C:\\WINDOWS\\<Win>|<Win>"},
        {"<Loop>", "<Loop>x"},
        // A Shift-JIS character whose second byte is ">" does not close a group.
        {"<Win>\x83>", "C:\\WINDOWS\x83>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Expanded(c.value), c.expected) << c.value;
    }
}

TEST(SymbolsTest, TableFromDefineLines) {
    // DEFINE lines as read, then the built-ins set over them, then the
    // table expanded line by line.
    // A built-in named by a line without "=" still gets its value.
    UseTable("<B>=<A>\\b\n<A>=<Src>\\a\n<Opt>=a=b\n<C>=<A>\\c\n<Src>=D:\\Other\nNoValue\n<Win>", 7);
    SetSymbol(table, "<Src>", TextString("C:\\Apps\\Tool"));
    SetSymbol(table, "<New>", TextString("n"));
    SetSymbol(table, "<win>", TextString("C:\\WINDOWS"));
    EXPECT_EQ(table.count, 8);
    EXPECT_EQ(ExpandSymbolTable(table), 8);

    struct Case {
        const char* name;
        bool found;
        const char* value;
    };
    const Case cases[] = {
        {"<B>", true, "<Src>\\a\\b"},  // refers to a later line: as written
        {"<A>", true, "C:\\Apps\\Tool\\a"},
        {"<C>", true, "C:\\Apps\\Tool\\a\\c"},
        {"<Opt>", true, "a"},
        {"<src>", true, "C:\\Apps\\Tool"},  // the built-in replaced the line
        {"<New>", true, "n"},
        {"NoValue", true, ""},
        {"<Win>", true, "C:\\WINDOWS"},
        {"<Missing>", false, "unchanged"},
    };
    for (const Case& c : cases) {
        TextString value("unchanged");
        EXPECT_EQ(LookupSymbol(table, c.name, value), c.found) << c.name;
        EXPECT_STREQ(value.CStr(), c.value) << c.name;
    }
    // The text after a second "=" stays in the line.
    EXPECT_NE(std::string(table.entries.CStr()).find("<Opt>=a=b"), std::string::npos);
    // A later read of <B>\x has one group and so one step.
    EXPECT_EQ(Expanded("<B>\\x"), "<Src>\\a\\b\\x");
}

TEST(SymbolsTest, LookupsInALargeTableCopyNoLines) {
    // Many short lines, each referring to the last one. A lookup that
    // copied every line it passed made expanding such a table (a full
    // DEFINE section holds thousands of lines) take minutes; expanding it
    // now needs a few heap blocks per line, and the heap is made to run
    // out well before a copy of every line per lookup would be done.
    std::string entries;
    int count = 0;
    while (entries.size() < 6000) {
        entries += "<a" + std::to_string(count++) + ">=<Last>\\x\n";
    }
    entries += "<Last>=C:\\L";
    UseTable(entries.c_str(), ++count);
    SetTextAllocFailAfter(40 * count);
    EXPECT_EQ(ExpandSymbolTable(table), count);
    SetTextAllocFailAfter(-1);
    TextString value;
    EXPECT_TRUE(LookupSymbol(table, "<a0>", value));
    EXPECT_STREQ(value.CStr(), "C:\\L\\x");
    EXPECT_TRUE(LookupSymbol(table, "<a300>", value));
    EXPECT_STREQ(value.CStr(), "C:\\L\\x");
    EXPECT_TRUE(LookupSymbol(table, "<Last>", value));
    EXPECT_STREQ(value.CStr(), "C:\\L");
}

TEST(SymbolsTest, SymbolsDoublingLineByLineStopAtTheSectionSize) {
    // Each line uses the one before twice: thirty such lines would double
    // the values up to gigabytes. A replacement that would make a value
    // longer than a DEFINE section can be is not made, and that group stays
    // as written.
    std::string entries = "<A0>=xxxxxxxxxx";
    for (int i = 1; i <= 16; ++i) {
        entries += "\n<A" + std::to_string(i) + ">=<A" + std::to_string(i - 1) + "><A" + std::to_string(i - 1) + ">";
    }
    UseTable(entries.c_str(), 17);
    EXPECT_EQ(ExpandSymbolTable(table), 17);
    TextString value;
    ASSERT_TRUE(LookupSymbol(table, "<A11>", value));
    EXPECT_EQ(std::string(value.CStr()), std::string(20480, 'x'));
    ASSERT_TRUE(LookupSymbol(table, "<A12>", value));
    EXPECT_EQ(std::string(value.CStr()), std::string(20480, 'x') + "<A11>");
    for (int i = 13; i <= 16; ++i) {
        ASSERT_TRUE(LookupSymbol(table, ("<A" + std::to_string(i) + ">").c_str(), value));
        EXPECT_LE(value.Length(), 32767) << i;
    }
    // A value read later is held to the same size.
    EXPECT_EQ(Expanded("<A11>|<A11>"), std::string(20480, 'x') + "|<A11>");
}

TEST(SymbolsTest, ParentSteps) {
    UseTable("<Src>=C:\\Apps\\Tool", 1);
    struct Case {
        const char* value;
        const char* expected;
    };
    const Case cases[] = {
        {"<Src>\\..\\data", "C:\\Apps\\data"},
        {"C:\\a\\b\\..\\..\\c", "C:\\c"},
        {"C:\\..\\x", "C:\\..\\x"},
        {"a\\..\\b", "a\\..\\b"},
        {"C:\\a\\..\\..\\..\\x", "C:\\..\\..\\x"},
        {"C:\\a\\..", "C:"},
        {"C:\\a\\..x\\b", "C:\\a\\..x\\b"},
        {"C:\\a\\.\\b", "C:\\a\\.\\b"},
        {"C:\\a\\b\\..\\c\\..\\d", "C:\\a\\d"},
        {"C:\\a\\b\\c\\..\\..\\d\\..\\e", "C:\\a\\e"},
        {"a\\b\\c\\..\\..\\..\\..\\d", "a\\..\\..\\d"},
        {"C:\\a\\\\..\\b", "C:\\a\\b"},  // an empty component is a directory too
        {"\\..\\..\\a", "\\a"},
        {"C:\\a\\b\\..\\..", "C:"},
        {"..\\..\\a\\..", "..\\.."},
        // The walk stops once a ".." brings it back to the first component.
        {"C:\\a\\..\\b\\..\\..\\c", "C:\\b\\..\\..\\c"},
        // A Shift-JIS character ending in 0x5C counts as a separator.
        {"C:\\\x95\\\\..\\x", "C:\\\x95\\x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Expanded(c.value), c.expected) << c.value;
    }
}

#ifndef _WIN32
// Application lookups against a registry file in a host root of the test's.
TEST(SymbolsTest, ParentStepsOfALongValue) {
    // Thousands of components: the steps find them in one pass and need a
    // handful of heap blocks, not a copy of a component at every step.
    std::string value = "C:";
    std::string expected = "C:";
    for (int i = 0; i < 3000; ++i) {
        value += "\\d\\e\\..";
        expected += "\\d";
    }
    TextString text((value + "\\f").c_str());
    SetTextAllocFailAfter(20);
    const bool removed = CollapseParentDirs(text);
    SetTextAllocFailAfter(-1);
    EXPECT_TRUE(removed);
    EXPECT_EQ(std::string(text.CStr()), expected + "\\f");
    // With no memory for the steps, the value stays as written.
    TextString refused("C:\\a\\..\\b");
    SetTextAllocFailAfter(0);
    const bool collapsed = CollapseParentDirs(refused);
    SetTextAllocFailAfter(-1);
    EXPECT_FALSE(collapsed);
    EXPECT_STREQ(refused.CStr(), "C:\\a\\..\\b");
}

TEST(SymbolsTest, ApplicationLookups) {
    ScratchDir dir;
    ScopedEnv root("NEMURIA_ROOT", dir.native().c_str());
    dir.Write("system.reg",
              "REGEDIT4\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tool.exe]\r\n"
              "@=\"C:\\\\Tools\\\\tool.exe\"\r\n\"Path\"=\"C:\\\\Tools\\\\\\\\\"\r\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\semi.exe]\r\n"
              "\"PATH\"=\"C:\\\\Semi\\\\;;\"\r\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\loop.exe]\r\n"
              "@=\"{?App\\\\loop.exe}\"\r\n");
    UseTable("", 0);
    struct Case {
        const char* value;
        const char* expected;
    };
    const Case cases[] = {
        {"{?App\\tool.exe}", "C:\\Tools\\tool.exe"},
        {"{?app\\TOOL.EXE}", "C:\\Tools\\tool.exe"},
        {"{?AppPath\\tool.exe}\\data", "C:\\Tools\\data"},
        {"{?AppPath\\semi.exe}\\x", "C:\\Semi\\\\x"},  // backslashes go before semicolons
        {"{?AppPath\\tool.exe}\\..\\lib", "C:\\lib"},
        {"{?App\\nothere.exe}", "{?App\\nothere.exe}"},
        {"{?AppPath\\semi.exe\\ignored}", "C:\\Semi\\"},
        {"{?Other\\tool.exe}", "{?Other\\tool.exe}"},
        {"{{?App\\tool.exe}}", "C:\\Tools\\tool.exe"},  // leading braces are trimmed
        {"{?App\\tool.exe", "{?App\\tool.exe"},
        // A registered value that brings in another group uses up the steps.
        {"{?App\\loop.exe}", "{?App\\loop.exe}"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Expanded(c.value), c.expected) << c.value;
    }
    // A DEFINE line's lookup is made when the table is expanded.
    UseTable("<T>={?App\\tool.exe}", 1);
    ExpandSymbolTable(table);
    TextString value;
    EXPECT_TRUE(LookupSymbol(table, "<T>", value));
    EXPECT_STREQ(value.CStr(), "C:\\Tools\\tool.exe");
}
#endif

}  // namespace
