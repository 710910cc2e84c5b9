// The symbol table and the three expansion passes every text value of the
// script goes through: symbols in angle brackets, application lookups in
// braces, and parent-directory steps.
#include "engine/Symbols.h"

#include <cstring>

#include "engine/AppPaths.h"
#include "engine/RunState.h"
#include "engine/ScriptFile.h"
#include "platform/System.h"
#include "text/Ascii.h"
#include "text/Heap.h"

namespace {

const char kLineFeed[] = "\n";
const unsigned kFolderBlock = 260;
// No value grows past the size of the DEFINE section through its symbols:
// a symbol whose value would make it longer is left as written, as an
// unknown one is. Without this bound, DEFINE lines that each use the line
// before twice would double the text line by line until the memory ran out.
const int kLongestExpansion = kSectionBlockSize;

TextString LineName(const TextString& line) { return line.Item(0, "="); }

// Whether the name from `first` up to `end` equals `name` as EqualsNoCase
// compares texts: only the letters A to Z match their lower case.
bool SameName(const char* first, const char* end, const char* name) {
    for (; first != end; ++first, ++name) {
        if (*name == '\0' || FoldAscii(*first) != FoldAscii(*name)) return false;
    }
    return *name == '\0';
}

// A folder symbol's value: the special folder of the family this system
// belongs to, or empty text when the folder cannot be located.
TextString FolderSymbol(int ntFolder, int otherFolder) {
    TextString folder;
    if (!GetSpecialFolderPath(nullptr, IsWindowsNT() ? ntFolder : otherFolder, folder)) {
        folder.Assign("");
    }
    return folder;
}

TextString DirectorySymbol(void (*query)(char*, unsigned)) {
    TextString dir;
    if (dir.Allocate(kFolderBlock)) {
        query(dir.Buffer(), kFolderBlock);
        dir.Compact();
    }
    return dir;
}

}  // namespace

bool LoadSymbols(RunState& run) {
    SymbolTableData& table = run.SymbolTable;
    table.entries.Assign("");
    table.count = ReadProfileSection(run.ScriptFile.CStr(), "DEFINE", table.entries);

    SetSymbol(table, "<Win>", DirectorySymbol(WindowsDirectory));
    SetSymbol(table, "<Sys>", DirectorySymbol(SystemDirectory));
    SetSymbol(table, "<Src>", run.ModulePath.Items(0, -2, "\\"));
    SetSymbol(table, "<Desktop>", FolderSymbol(kCsidlCommonDesktopDirectory, kCsidlDesktopDirectory));
    SetSymbol(table, "<Programs>", FolderSymbol(kCsidlCommonPrograms, kCsidlPrograms));

    ExpandSymbolTable(table);
    return true;
}

bool LookupSymbol(const SymbolTableData& table, const char* name, TextString& value) {
    // One walk over the lines, comparing each name where it stands. Taking
    // each line by its index would search the entries from their start for
    // every line, and with the thousands of short lines a full DEFINE
    // section can hold, expanding the table (a lookup per symbol of every
    // line) would take minutes.
    const char* start = table.entries.CStr();
    for (int i = 0; i < table.count && start != nullptr; ++i) {
        const char* end = std::strchr(start, '\n');
        if (end == nullptr) end = start + std::strlen(start);
        const char* equals = static_cast<const char*>(std::memchr(start, '=', static_cast<size_t>(end - start)));
        if (SameName(start, equals != nullptr ? equals : end, name)) {
            value.Assign(table.entries.Span(start, end - 1).Item(1, "="));
            return true;
        }
        start = *end != '\0' ? end + 1 : nullptr;
    }
    return false;
}

void SetSymbol(SymbolTableData& table, const char* name, const TextString& value) {
    for (int i = 0; i < table.count; ++i) {
        TextString line = table.entries.Item(i, kLineFeed);
        if (LineName(line).EqualsNoCase(name)) {
            // A line without "=" has no value to replace: it gets one, so
            // that a DEFINE line naming a built-in symbol without a value
            // cannot leave that symbol empty.
            if (line.ItemCount("=") < 2) {
                line.Append("=");
                line.Append(value);
            } else {
                line.ReplaceItems(1, 1, "=", value.CStr());
            }
            table.entries.ReplaceItems(i, i, kLineFeed, line.CStr());
            return;
        }
    }
    if (table.entries.Length() != 0) table.entries.Append(kLineFeed);
    table.entries.Append(name);
    table.entries.Append("=");
    table.entries.Append(value);
    ++table.count;
}

void ExpandValue(const SymbolTableData& table, TextString& text) {
    ExpandSymbols(table, text);
    ExpandAppPaths(text);
    CollapseParentDirs(text);
}

bool ExpandSymbols(const SymbolTableData& table, TextString& text) {
    const int steps = text.GroupCount("<", ">");
    bool replaced = false;
    int i = 0;
    for (int step = 0; step < steps; ++step) {
        const TextString group = text.Group(i, "<", ">");
        TextString value;
        if (group.Length() != 0 && LookupSymbol(table, group.CStr(), value) &&
            text.Length() - group.Length() + value.Length() <= kLongestExpansion) {
            text.ReplaceGroup(i, "<", ">", value.CStr());
            replaced = true;
        } else {
            ++i;
        }
    }
    return replaced;
}

bool ExpandAppPaths(TextString& text) {
    const int steps = text.GroupCount("{", "}");
    bool replaced = false;
    int i = 0;
    for (int step = 0; step < steps; ++step) {
        TextString group = text.Group(i, "{", "}");
        if (group.Length() == 0) break;  // earlier replacements used up the groups
        group.Trim("{", "}");
        const TextString head = group.Item(0, "\\");
        const TextString application = group.Item(1, "\\");
        TextString found;
        bool hit = false;
        if (head.EqualsNoCase("?App")) {
            hit = LookupAppPath(application.CStr(), found, true);
        } else if (head.EqualsNoCase("?AppPath")) {
            hit = LookupAppPath(application.CStr(), found, false);
            if (hit) {
                found.Trim("", "\\");
                found.Trim("", ";");
            }
        }
        if (hit) {
            text.ReplaceGroup(i, "{", "}", found.CStr());
            replaced = true;
        } else {
            ++i;
        }
    }
    return replaced;
}

bool CollapseParentDirs(TextString& text) {
    if (text.CountOf("\\..") == 0) return false;
    const int count = text.ItemCount("\\");
    if (count - 2 <= 0) return false;

    // The components are found in one pass and the steps work on their
    // positions: taking component d by its index at every step searched the
    // text from its start each time, and a value of thousands of components
    // took seconds. The steps are those of the walk with d and p = d - 2:
    // "kept" holds components 0 to d - 1 as they stand, the components from
    // d on are still to come, and a ".." removes itself and the last one
    // kept.
    struct Component {
        const char* first;
        unsigned length;
    };
    const unsigned slots = static_cast<unsigned>(count);
    Component* components = static_cast<Component*>(TextAlloc(slots * sizeof(Component)));
    int* kept = static_cast<int*>(TextAlloc(slots * sizeof(int)));
    const auto release = [&] {
        TextFree(components);
        TextFree(kept);
    };
    if (components == nullptr || kept == nullptr) {
        release();
        return false;
    }
    const char* first = text.CStr();
    for (int i = 0; i < count; ++i) {
        const char* end = std::strchr(first, '\\');
        if (end == nullptr) end = first + std::strlen(first);
        components[i] = {first, static_cast<unsigned>(end - first)};
        first = *end != '\0' ? end + 1 : end;
    }

    int keptCount = 2;
    kept[0] = 0;
    kept[1] = 1;
    int p = 0;
    int next = 2;
    bool removed = false;
    while (next < count) {
        const Component& component = components[next];
        if (component.length == 2 && component.first[0] == '.' && component.first[1] == '.') {
            --keptCount;
            removed = true;
            --p;
        } else {
            kept[keptCount++] = next;
            ++p;
        }
        ++next;
        if (p < 0) break;
    }
    if (!removed) {
        release();
        return false;
    }
    while (next < count) kept[keptCount++] = next++;

    unsigned length = static_cast<unsigned>(keptCount - 1);
    for (int k = 0; k < keptCount; ++k) length += components[kept[k]].length;
    TextString collapsed;
    if (!collapsed.Allocate(length + 1)) {
        release();
        return false;
    }
    char* out = collapsed.Buffer();
    for (int k = 0; k < keptCount; ++k) {
        if (k > 0) *out++ = '\\';
        const Component& component = components[kept[k]];
        std::memcpy(out, component.first, component.length);
        out += component.length;
    }
    release();
    text.Assign(collapsed);
    return true;
}

int ExpandSymbolTable(SymbolTableData& table) {
    for (int i = 0; i < table.count; ++i) {
        TextString line = table.entries.Item(i, kLineFeed);
        TextString value = line.Item(1, "=");
        bool changed = ExpandSymbols(table, value);
        changed = ExpandAppPaths(value) || changed;
        changed = CollapseParentDirs(value) || changed;
        if (changed) {
            line.ReplaceItems(1, 1, "=", value.CStr());
            table.entries.ReplaceItems(i, i, kLineFeed, line.CStr());
        }
    }
    return table.count;
}
