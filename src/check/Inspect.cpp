// The warnings on the script's text and on the values its lists read.
#include "check/Inspect.h"

#include <map>
#include <set>

#include "engine/RunState.h"
#include "engine/ScriptFile.h"
#include "engine/Symbols.h"
#include "winlike/CodePage.h"
#include "winlike/IniFile.h"

namespace {

const size_t kLongestValue = kValueBlockSize - 2;  // 258 bytes
const size_t kLongestPath = 259;                   // characters
// The lines of [DEFINE] with their NULs; the block's last byte is the NUL
// that ends the list.
const size_t kDefineRoom = kSectionBlockSize - 1;

bool IsPathKey(const std::string& key) {
    return key == "FILE" || key == "FROM" || key == "TO" || key == "DIR" || key == "SRC" || key == "DST";
}

// Keys whose items are names or numbers, where a ';' can only be a
// mistaken separator.
bool IsWordListKey(const std::string& key) {
    return key == "PROC" || key == "0" || key == "1" || key == "FLAG" || key == "ISABORT" || key == "ARG" ||
           key == "SHOWCMD";
}

// Keys whose value is shown to the user rather than looked up.
bool IsDisplayKey(const std::string& key) { return key == "TEXT" || key == "NAME"; }

// The items of a comma list as the updater takes them, spaces around each
// removed.
std::vector<std::string> Items(const std::string& list) {
    std::vector<std::string> items;
    const TextString text(list.c_str());
    const int count = text.ItemCount(",");
    for (int i = 0; i < count; ++i) {
        TextString item = text.Item(i, ",");
        item.Trim(" ");
        items.push_back(Str(item));
    }
    return items;
}

std::string Joined(const std::vector<std::string>& items, size_t from) {
    std::string text;
    for (size_t i = from; i < items.size(); ++i) {
        if (i > from) text += ", ";
        if (i - from == 6) {
            text += "...";
            break;
        }
        text += items[i].empty() ? "\"\"" : items[i];
    }
    return text;
}

// A long path shortened for a message.
std::string Shortened(const std::string& path) {
    if (path.size() <= 80) return path;
    size_t head = 40;
    // Never end the head inside a double-byte character.
    size_t i = 0;
    while (i < head) i += IsLeadByte(static_cast<unsigned char>(path[i])) ? 2 : 1;
    head = i;
    size_t tail = path.size() - 30;
    for (i = 0; i < path.size() && i < tail;) i += IsLeadByte(static_cast<unsigned char>(path[i])) ? 2 : 1;
    tail = i;
    return path.substr(0, head) + "..." + path.substr(tail);
}

// Positions of the double-byte characters whose second byte is a
// backslash, and of the last backslash that really separates.
struct Backslashes {
    std::vector<size_t> splitting;  // positions of such characters' first bytes
    size_t lastSeparator = std::string::npos;
};

Backslashes FindBackslashes(const std::string& text) {
    Backslashes found;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c) && i + 1 < text.size()) {
            if (text[i + 1] == '\\') found.splitting.push_back(i);
            ++i;
        } else if (c == '\\') {
            found.lastSeparator = i;
        }
    }
    return found;
}

// The folder of a path: the text before its last real backslash.
std::string FolderOf(const std::string& path) {
    const size_t separator = FindBackslashes(path).lastSeparator;
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

// The line of the byte at `offset`: CR LF, LF and CR each end a line.
unsigned LineAt(const std::string& bytes, size_t offset) {
    unsigned line = 1;
    for (size_t i = 0; i < offset && i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) ++line;
    }
    return line;
}

// The offset of the first byte that is not Shift-JIS text, or npos.
size_t FirstNonShiftJis(const std::string& bytes, size_t from) {
    for (size_t i = from; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (IsLeadByte(c)) {
            if (i + 1 >= bytes.size() || !IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) return i;
            ++i;
        } else if (c == 0x80 || c == 0xA0 || c >= 0xFD) {
            return i;
        }
    }
    return std::string::npos;
}

// Whether the bytes from `from` on are UTF-8 with at least one character
// beyond ASCII.
bool IsUtf8Beyond(const std::string& bytes, size_t from) {
    bool beyond = false;
    for (size_t i = from; i < bytes.size();) {
        unsigned code;
        const size_t length = DecodeUtf8(bytes, i, code);
        if (length == 0) return false;
        beyond = beyond || length > 1;
        i += length;
    }
    return beyond;
}

class ValueInspector {
public:
    ValueInspector(const ScriptView& script, const RunState& run, std::vector<Finding>& findings)
        : script_(script), run_(run), findings_(findings) {
        // The names of the symbol table, for suggestions.
        const std::string entries = Str(run.SymbolTable.entries);
        size_t start = 0;
        for (int i = 0; i < run.SymbolTable.count && start <= entries.size(); ++i) {
            size_t end = entries.find('\n', start);
            if (end == std::string::npos) end = entries.size();
            symbols_.push_back(entries.substr(start, end - start).substr(0, entries.substr(start, end - start).find('=')));
            start = end + 1;
        }
    }

    // The warnings on one value as written and as the updater reads it.
    void Value(const std::string& section, const std::string& key, const std::string& expanded) {
        std::string raw;
        if (!script_.FullValue(section, key, raw)) return;
        const unsigned line = script_.KeyLine(section, key);
        if (raw.size() > kLongestValue) Cut(section, key, raw, line);
        const size_t comment = CommentAt(raw);
        if (comment != std::string::npos) {
            Add(MakeFinding("trailing-comment", nullptr, {raw.substr(comment)}, line, section, key));
        } else if (IsWordListKey(key) && raw.find(';') != std::string::npos) {
            Add(MakeFinding("semicolon-list", nullptr, {raw}, line, section, key));
        }
        Symbols(section, key, expanded, line);
        // The updater takes parent steps out of every value it reads, texts
        // and names included.
        Parent(section, key, raw, line);
    }

    // The groups in angle brackets that stay in an expanded value.
    void Symbols(const std::string& section, const std::string& key, const std::string& expanded, unsigned line) {
        for (const std::string& group : SymbolGroups(expanded)) {
            TextString value;
            if (LookupSymbol(run_.SymbolTable, group.c_str(), value)) {
                Add(MakeFinding("symbol-unexpanded", nullptr, {group}, line, section, key));
                continue;
            }
            const std::string nearest = Nearest(group, symbols_);
            if (IsDisplayKey(key) && nearest.empty()) continue;
            Finding finding = MakeFinding("unknown-symbol", nullptr, {group}, line, section, key);
            finding.suggestion = Utf8(nearest);
            Add(std::move(finding));
        }
    }

    // A line of [DEFINE]: read whole (no value there is cut), and expanded
    // once against the lines above it and the built-in symbols.
    void DefineValue(const IniLine& entry) {
        const std::string& raw = entry.value;
        const size_t comment = CommentAt(raw);
        if (comment != std::string::npos) {
            Add(MakeFinding("trailing-comment", nullptr, {raw.substr(comment)}, entry.line, "DEFINE", entry.key));
        }
        for (const std::string& group : SymbolGroups(raw)) {
            TextString value;
            if (LookupSymbol(run_.SymbolTable, group.c_str(), value)) {
                const unsigned defined = DefineLine(group);
                if (defined > entry.line && !IsBuiltIn(group)) {
                    Add(MakeFinding("symbol-unexpanded", "symbol-unexpanded-later", {group, std::to_string(defined)},
                                    entry.line, "DEFINE", entry.key));
                }
                continue;
            }
            Finding finding = MakeFinding("unknown-symbol", nullptr, {group}, entry.line, "DEFINE", entry.key);
            finding.suggestion = Utf8(Nearest(group, symbols_));
            Add(std::move(finding));
        }
    }

    void Add(Finding finding) {
        std::string id = std::string(finding.rule->id) + '\n' + std::to_string(finding.line) + '\n' +
                         finding.message + '\n' + finding.key;
        for (const std::string& arg : finding.args) id += '\n' + arg;
        if (seen_.insert(id).second) findings_.push_back(std::move(finding));
    }

private:
    // The groups in angle brackets of `text` that look like symbols.
    static std::vector<std::string> SymbolGroups(const std::string& text) {
        const TextString groupsOf(text.c_str());
        std::vector<std::string> found;
        const int groups = groupsOf.GroupCount("<", ">");
        for (int i = 0; i < groups; ++i) {
            std::string group = Str(groupsOf.Group(i, "<", ">"));
            if (SymbolLike(group)) found.push_back(std::move(group));
        }
        return found;
    }

    static size_t CommentAt(const std::string& raw) {
        for (size_t i = 1; i < raw.size(); ++i) {
            if (raw[i] == ';' && (raw[i - 1] == ' ' || raw[i - 1] == '\t')) return i;
        }
        return std::string::npos;
    }

    // <Name>: no blanks at its ends and nothing that a path or a text in
    // brackets would hold.
    static bool SymbolLike(const std::string& group) {
        if (group.size() < 3 || group.size() > 42) return false;
        const std::string inner = group.substr(1, group.size() - 2);
        if (inner.front() == ' ' || inner.back() == ' ') return false;
        for (unsigned char c : inner) {
            if (c == '<' || c == '>' || c == '\\' || c == ':' || c == '/' || c == '*' || c == '?' || c == '"' ||
                c == '|' || c == ',' || c == '=' || c == '%' || c < 0x20) {
                return false;
            }
        }
        return true;
    }

    static bool IsBuiltIn(const std::string& symbol) {
        for (const char* name : {"<Win>", "<Sys>", "<Src>", "<Desktop>", "<Programs>"}) {
            if (TextString(symbol.c_str()).EqualsNoCase(name)) return true;
        }
        return false;
    }

    unsigned DefineLine(const std::string& symbol) const {
        const IniSection* define = script_.Section("DEFINE");
        if (define == nullptr) return 0;
        for (const IniLine& line : define->lines) {
            if (line.kind == IniLine::kEntry && TextString(line.key.c_str()).EqualsNoCase(symbol.c_str())) {
                return line.line;
            }
        }
        return 0;
    }

    void Cut(const std::string& section, const std::string& key, const std::string& raw, unsigned line) {
        const std::string read = raw.substr(0, kLongestValue);
        const std::string length = std::to_string(raw.size());
        const std::vector<std::string> all = Items(raw);
        const std::vector<std::string> kept = Items(read);
        if (all.size() <= 1) {
            const size_t from = read.size() > 24 ? read.size() - 24 : 0;
            Add(MakeFinding("value-cut", nullptr, {length, "..." + read.substr(from)}, line, section, key));
            return;
        }
        const std::string count = std::to_string(kept.size());
        const bool lastCut = !kept.empty() && kept.back() != all[kept.size() - 1];
        if (lastCut && kept.size() == all.size()) {
            Add(MakeFinding("value-cut", "value-cut-last", {length, kept.back()}, line, section, key));
        } else if (lastCut) {
            Add(MakeFinding("value-cut", "value-cut-items",
                            {length, count, std::to_string(all.size()), kept.back(), Joined(all, kept.size())}, line,
                            section, key));
        } else {
            Add(MakeFinding("value-cut", "value-cut-items-whole",
                            {length, count, std::to_string(all.size()), Joined(all, kept.size())}, line, section,
                            key));
        }
    }

    // A character whose second byte is a backslash, before a "..".
    void Parent(const std::string& section, const std::string& key, const std::string& raw, unsigned line) {
        const Backslashes found = FindBackslashes(raw);
        for (size_t position : found.splitting) {
            if (raw.find("\\..", position + 2) != std::string::npos ||
                raw.compare(position + 2, 2, "..") == 0) {
                Add(MakeFinding("sjis-backslash", "sjis-backslash-parent", {raw.substr(position, 2)}, line, section,
                                key));
                return;
            }
        }
    }

    const ScriptView& script_;
    const RunState& run_;
    std::vector<Finding>& findings_;
    std::vector<std::string> symbols_;
    std::set<std::string> seen_;
};

std::string ValueOf(const ProcedureFacts& facts, const std::string& key) {
    for (const auto& value : facts.values) {
        if (value.first == key) return value.second;
    }
    return std::string();
}

bool HasKey(const ProcedureFacts& facts, const std::string& key) {
    for (const auto& value : facts.values) {
        if (value.first == key) return true;
    }
    return false;
}

// Two lists paired by position.
void Paired(const ProcedureFacts& facts, const ScriptView& script, const char* first, const char* second,
            bool optional, ValueInspector& out) {
    if (!HasKey(facts, first) || !HasKey(facts, second)) return;
    const size_t n = Items(ValueOf(facts, first)).size();
    const size_t m = Items(ValueOf(facts, second)).size();
    if (n == 0 || n == m || (optional && m == 0)) return;
    const std::vector<std::string> args = {first, std::to_string(n), second, std::to_string(m), std::to_string(m + 1)};
    const unsigned line = script.KeyLine(facts.section, second);
    if (m < n) {
        const std::string variant = std::string("paired-lists-") + second;
        out.Add(MakeFinding("paired-lists", variant.c_str(), args, line, facts.section, second));
    } else {
        out.Add(MakeFinding("paired-lists", "paired-lists-extra", args, line, facts.section, second));
    }
}

void EmptyItems(const ProcedureFacts& facts, const ScriptView& script, const char* key, size_t upTo,
                ValueInspector& out) {
    const std::vector<std::string> items = Items(ValueOf(facts, key));
    const char* variant = facts.kind == "EXIST" ? "empty-item-exist" : facts.kind == "DATE" ? "empty-item-date"
                                                                                             : "empty-item-fails";
    for (size_t i = 0; i < items.size() && i < upTo; ++i) {
        if (!items[i].empty()) continue;
        out.Add(MakeFinding("empty-item", variant, {std::to_string(i + 1), key}, script.KeyLine(facts.section, key),
                            facts.section, key));
        return;
    }
}

}  // namespace

void InspectText(const std::string& bytes, const ScriptView& script, const std::string& scriptPath, bool ownName,
                 std::vector<Finding>& findings) {
    const auto byteAt = [&](size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u; };
    const bool utf16 = byteAt(0) == 0xFF && byteAt(1) == 0xFE;
    // Big-endian UTF-16, with its mark or without: ASCII text has a zero
    // byte before each character.
    const bool bigEndian = bytes.size() >= 4 && byteAt(0) == 0 && byteAt(1) != 0 && byteAt(2) == 0 && byteAt(3) != 0;
    if ((byteAt(0) == 0xFE && byteAt(1) == 0xFF) || bigEndian) {
        findings.push_back(MakeFinding("utf16-big-endian", nullptr, {}, 1));
        return;
    }
    size_t textStart = 0;
    if (byteAt(0) == 0xEF && byteAt(1) == 0xBB && byteAt(2) == 0xBF) {
        textStart = 3;
        // What the first line would have been without the mark.
        size_t end = bytes.find_first_of("\r\n", 3);
        if (end == std::string::npos) end = bytes.size();
        const std::string first = bytes.substr(3, end - 3);
        const size_t open = first.find_first_not_of(" \t");
        if (open != std::string::npos && first[open] == '[') {
            size_t close = first.find(']', open);
            std::string name = first.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
            const size_t b = name.find_first_not_of(" \t");
            name = b == std::string::npos ? std::string() : name.substr(b, name.find_last_not_of(" \t") - b + 1);
            if (FoldName(name) == "UPDATER" && script.Section("UPDATER") == nullptr) {
                findings.push_back(MakeFinding("utf8-bom", nullptr, {name}, 1));
            } else {
                Finding finding = MakeFinding("utf8-bom", "utf8-bom-section", {name}, 1);
                finding.severity = Severity::kWarning;
                findings.push_back(finding);
            }
        } else {
            Finding finding = MakeFinding("utf8-bom", "utf8-bom-line", {}, 1);
            finding.severity = Severity::kWarning;
            findings.push_back(finding);
        }
    }

    if (!utf16) {
        if (IsUtf8Beyond(bytes, textStart)) {
            size_t first = textStart;
            while (first < bytes.size() && static_cast<unsigned char>(bytes[first]) < 0x80) ++first;
            findings.push_back(MakeFinding("not-shift-jis", "not-shift-jis-utf8",
                                           {std::to_string(LineAt(bytes, first))}, LineAt(bytes, first)));
        } else {
            const size_t bad = FirstNonShiftJis(bytes, textStart);
            if (bad != std::string::npos) {
                findings.push_back(
                    MakeFinding("not-shift-jis", nullptr, {std::to_string(LineAt(bytes, bad))}, LineAt(bytes, bad)));
            }
        }
    }

    // Duplicate sections, and duplicate keys in the sections that count.
    std::map<std::string, unsigned> sections;
    for (const IniSection& section : script.Ini().Sections()) {
        const std::string folded = FoldName(section.name);
        const auto first = sections.find(folded);
        if (first != sections.end()) {
            findings.push_back(MakeFinding("duplicate-section", nullptr, {section.name, std::to_string(first->second)},
                                           section.line, section.name));
            continue;
        }
        sections[folded] = section.line;
        std::map<std::string, unsigned> keys;
        const bool define = folded == "DEFINE";
        for (const IniLine& line : section.lines) {
            if (line.kind != IniLine::kEntry || !line.hasValue || line.key.empty()) continue;
            const std::string key = define ? Str(TextString(line.key.c_str())) : FoldName(line.key);
            std::string folding = key;
            if (define) {
                for (char& c : folding) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
            }
            const auto seen = keys.find(folding);
            if (seen != keys.end()) {
                findings.push_back(MakeFinding("duplicate-key", define ? "duplicate-symbol" : nullptr,
                                               {line.key, std::to_string(seen->second)}, line.line, section.name,
                                               line.key));
            } else {
                keys[folding] = line.line;
            }
        }
    }

    // [DEFINE] is read into one block: the lines that do not fit are lost.
    if (const IniSection* define = script.Section("DEFINE")) {
        size_t used = 0;
        size_t total = 0;
        unsigned firstLost = 0;
        for (const IniLine* line : ListedLines(*define)) {
            const size_t size = ListedSize(*line);
            total += size;
            if (firstLost == 0 && used + size > kDefineRoom) firstLost = line->line;
            if (firstLost == 0) used += size;
        }
        if (firstLost != 0) {
            // The size counts the NUL that ends the list, as the block must hold it.
            findings.push_back(MakeFinding("define-cut", nullptr, {std::to_string(total + 1), std::to_string(firstLost)},
                                           define->line, "DEFINE"));
        }
    }

    // <Src> is the program's folder, cut at its last backslash byte.
    if (ownName) {
        const Backslashes found = FindBackslashes(scriptPath);
        for (size_t position : found.splitting) {
            if (found.lastSeparator == std::string::npos || position > found.lastSeparator) {
                findings.push_back(MakeFinding("sjis-backslash", "sjis-backslash-src", {scriptPath.substr(position, 2)}, 0));
                break;
            }
        }
    }
}

void InspectValues(const ExploreResult& explored, const ScriptView& script, const RunState& run,
                   std::vector<Finding>& findings) {
    ValueInspector values(script, run, findings);

    if (explored.reached.count("UPDATER") != 0) {
        values.Value("UPDATER", "NAME", Str(run.UpdaterName));
        values.Value("UPDATER", "PROC", Str(run.MainProcNames));
    }
    if (const IniSection* define = script.Section("DEFINE")) {
        for (const IniLine& line : define->lines) {
            if (line.kind == IniLine::kEntry && line.hasValue) values.DefineValue(line);
        }
    }

    // What the script makes, finds and deletes, for the shortcut folders
    // and the deletions.
    std::set<std::string> folders;
    std::set<std::string> files;
    for (const char* builtIn : {"<Win>", "<Sys>", "<Src>", "<Desktop>", "<Programs>"}) {
        TextString value;
        if (LookupSymbol(run.SymbolTable, builtIn, value)) folders.insert(FoldName(Str(value)));
    }
    for (const ProcedureFacts& facts : explored.procedures) {
        if (facts.kind == "MAKEDIR") {
            for (const std::string& item : Items(ValueOf(facts, "DIR"))) folders.insert(FoldName(item));
        } else if (facts.kind == "EXIST") {
            for (const std::string& item : Items(ValueOf(facts, "FILE"))) {
                files.insert(FoldName(item));
                folders.insert(FoldName(item));
                folders.insert(FoldName(FolderOf(item)));
            }
        } else if (facts.kind == "COPY") {
            for (const std::string& item : Items(ValueOf(facts, "TO"))) {
                files.insert(FoldName(item));
                folders.insert(FoldName(FolderOf(item)));
            }
        }
    }
    const std::string script_path = FoldName(Str(run.ScriptFile));

    for (const ProcedureFacts& facts : explored.procedures) {
        for (const auto& value : facts.values) {
            if (value.first == "ISWAIT") continue;
            values.Value(facts.section, value.first, value.second);
            if (!IsPathKey(value.first)) continue;
            const std::vector<std::string> items = Items(value.second);
            const unsigned line = script.KeyLine(facts.section, value.first);
            for (size_t i = 0; i < items.size(); ++i) {
                const std::string path = value.first == "DST" ? items[i] + ".LNK" : items[i];
                const size_t characters = CharacterCount(path);
                if (characters > kLongestPath) {
                    values.Add(MakeFinding("long-path", nullptr,
                                           {std::to_string(i + 1), std::to_string(characters), Shortened(path)}, line,
                                           facts.section, value.first));
                }
                if ((facts.kind == "LAUNCH" && value.first == "FILE") || (facts.kind == "LINK" && value.first == "SRC")) {
                    // The folder ends at the last backslash byte: the second
                    // byte of the last such character after the real last
                    // separator, whose first byte Windows then drops.
                    const Backslashes found = FindBackslashes(items[i]);
                    if (!found.splitting.empty() && (found.lastSeparator == std::string::npos ||
                                                     found.splitting.back() > found.lastSeparator)) {
                        const size_t position = found.splitting.back();
                        values.Add(MakeFinding("sjis-backslash", "sjis-backslash-file",
                                               {std::to_string(i + 1), items[i].substr(position, 2),
                                                items[i].substr(0, position)},
                                               line, facts.section, value.first));
                    }
                }
            }
        }

        const size_t driving = [&] {
            const KindKeys* kind = KindKeysOf(facts.kind);
            return kind != nullptr && kind->driving != nullptr ? Items(ValueOf(facts, kind->driving)).size() : 0;
        }();
        if (facts.kind == "COPY") {
            Paired(facts, script, "FROM", "TO", false, values);
            EmptyItems(facts, script, "FROM", driving, values);
            EmptyItems(facts, script, "TO", driving, values);
        } else if (facts.kind == "LINK") {
            Paired(facts, script, "SRC", "DST", false, values);
            Paired(facts, script, "SRC", "PARAM", true, values);
            Paired(facts, script, "SRC", "SHOWCMD", true, values);
        } else if (facts.kind == "ATTR") {
            Paired(facts, script, "FILE", "ARG", false, values);
            EmptyItems(facts, script, "FILE", driving, values);
        } else if (facts.kind == "LAUNCH") {
            Paired(facts, script, "FILE", "PARAM", true, values);
            EmptyItems(facts, script, "FILE", driving, values);
        } else if (facts.kind == "DELETE" || facts.kind == "MAKEDIR" || facts.kind == "EXIST" || facts.kind == "DATE") {
            EmptyItems(facts, script, facts.kind == "MAKEDIR" ? "DIR" : "FILE", driving, values);
        }

        if (facts.kind == "LINK") {
            const std::vector<std::string> shortcuts = Items(ValueOf(facts, "DST"));
            for (size_t i = 0; i < shortcuts.size() && i < driving; ++i) {
                const std::string folder = FolderOf(shortcuts[i]);
                // A folder that holds a symbol left unexpanded has its own warning.
                if (folder.empty() || folder.find('<') != std::string::npos || folders.count(FoldName(folder)) != 0) {
                    continue;
                }
                values.Add(MakeFinding("link-folder", nullptr, {folder, std::to_string(i + 1)},
                                       script.KeyLine(facts.section, "DST"), facts.section, "DST"));
            }
        }
        if (facts.kind == "DELETE") {
            for (const std::string& item : Items(ValueOf(facts, "FILE"))) {
                if (item.empty() || files.count(FoldName(item)) != 0) continue;
                values.Add(MakeFinding("delete-untested", nullptr, {item}, script.KeyLine(facts.section, "FILE"),
                                       facts.section, "FILE"));
            }
        }
        if (facts.kind == "COPY" || facts.kind == "DELETE") {
            const char* key = facts.kind == "COPY" ? "TO" : "FILE";
            const std::vector<std::string> items = Items(ValueOf(facts, key));
            for (size_t i = 0; i < items.size(); ++i) {
                if (FoldName(items[i]) != script_path) continue;
                values.Add(MakeFinding("script-changed",
                                       facts.kind == "COPY" ? "script-changed-copy" : "script-changed-delete",
                                       {std::to_string(i + 1)}, script.KeyLine(facts.section, key), facts.section,
                                       key));
            }
        }
    }

    // Sections that no list reached, once the lists could be followed.
    if (explored.reached.count("UPDATER") == 0) return;
    std::set<std::string> seen;
    for (const IniSection& section : script.Ini().Sections()) {
        const std::string folded = FoldName(section.name);
        if (!seen.insert(folded).second) continue;
        if (folded == "UPDATER" || folded == "DEFINE" || explored.reached.count(folded) != 0) continue;
        const bool untaken = explored.namedByUntaken.count(folded) != 0;
        values.Add(MakeFinding("unreached-section", untaken ? "unreached-section-branch" : nullptr, {section.name},
                               section.line, section.name));
    }
}
