// --explore: every combination of box answers and both Windows families.
#include "app/host/Explore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/Updater.h"
#include "app/host/RunWatch.h"
#include "engine/Startup.h"
#include "platform/System.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/Rehearsal.h"
#include "text/Ascii.h"
#include "text/Messages.h"
#include "winlike/CodePage.h"
#include "winlike/Conversion.h"

namespace {

// ---- Summaries ------------------------------------------------------------------

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string Unescaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(Unescaped(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

bool SameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

const std::string* TextField(const TraceStep& step, const char* name) {
    const TraceValue* value = step.Field(name);
    return value != nullptr ? &value->text : nullptr;
}

std::string TextOr(const TraceStep& step, const char* name) {
    const std::string* text = TextField(step, name);
    return text != nullptr ? *text : std::string();
}

// What one more change does to what a path has undergone so far: '+' made,
// '~' changed, '-' removed, 0 nothing left to tell.
char Merged(char before, char now) {
    if (before == '+') return now == '-' ? 0 : '+';
    if (before == '-') return now == '-' ? '-' : '~';
    return now == '-' ? '-' : '~';
}

}  // namespace

std::string RunSummary::Serialize() const {
    std::string text = "script\t" + Escaped(script) + "\nsrc\t" + Escaped(src) + "\n";
    for (const std::string& procedure : procedures) text += "proc\t" + Escaped(procedure) + "\n";
    for (const std::string& box : boxes) text += "box\t" + Escaped(box) + "\n";
    for (bool yes : yesNo) text += std::string("yes\t") + (yes ? "1" : "0") + "\n";
    for (const std::string& change : changes) text += "change\t" + Escaped(change) + "\n";
    text += "end\t" + std::to_string(status) + "\t" + Escaped(end) + "\n";
    for (const auto& section : sections) {
        text += "section\t" + Escaped(section.first) + "\t" + std::to_string(section.second) + "\n";
    }
    return text;
}

bool RunSummary::Parse(const std::string& text, RunSummary& summary) {
    summary = RunSummary();
    bool ended = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::vector<std::string> fields = Fields(text.substr(start, end - start));
        start = end + 1;
        const std::string& tag = fields[0];
        if (fields.size() < 2) return false;
        if (tag == "script") {
            summary.script = fields[1];
        } else if (tag == "src") {
            summary.src = fields[1];
        } else if (tag == "proc") {
            summary.procedures.push_back(fields[1]);
        } else if (tag == "box") {
            summary.boxes.push_back(fields[1]);
        } else if (tag == "yes") {
            summary.yesNo.push_back(fields[1] == "1");
        } else if (tag == "change") {
            summary.changes.push_back(fields[1]);
        } else if (tag == "end" && fields.size() == 3) {
            summary.status = std::atoi(fields[1].c_str());
            summary.end = fields[2];
            ended = true;
        } else if (tag == "section" && fields.size() == 3) {
            summary.sections.emplace_back(fields[1], static_cast<unsigned>(std::strtoul(fields[2].c_str(), nullptr, 10)));
        } else {
            return false;
        }
    }
    return ended;
}

void SummarySink::Step(const std::string& /*file*/, const TraceStep& step) {
    if (step.step == "start") {
        summary_.script = TextOr(step, "script");
    } else if (step.step == "procedure") {
        const TraceValue* order = step.Field("order");
        procedures_.push_back({order != nullptr ? order->number : 0, step.depth, TextOr(step, "section")});
    } else if (step.step == "box") {
        const std::string section = TextOr(step, "section");
        std::string box = section.empty() ? std::string("box") : "[" + section + "] " + TextOr(step, "type");
        summary_.boxes.push_back(box + ": " + TextOr(step, "answer"));
        if (TextOr(step, "buttons") == "Yes No") summary_.yesNo.push_back(TextOr(step, "answer") == "Yes");
    } else if (step.step == "error") {
        const TraceValue* id = step.Field("message");
        std::string box = "error " + std::to_string(id != nullptr ? id->number : 0);
        const std::string section = TextOr(step, "section");
        if (!section.empty()) box += " [" + section + "]" + (TextOr(step, "key").empty() ? "" : " " + TextOr(step, "key"));
        summary_.boxes.push_back(box);
    } else if (step.step == "action") {
        const std::string change = TextOr(step, "change");
        const std::string path = TextOr(step, "path");
        if (TextOr(step, "action") == "launch") {
            files_.emplace_back("launch " + path + ": " + change, 'L');
            return;
        }
        char kind = change == "created" || change == "made" ? '+' : change == "removed" ? '-' : '~';
        if (change == "unchanged") return;
        for (auto it = files_.begin(); it != files_.end(); ++it) {
            if (it->second == 'L' || !SameNoCase(it->first, path)) continue;
            kind = Merged(it->second, kind);
            if (kind == 0) {
                files_.erase(it);
            } else {
                it->second = kind;
            }
            return;
        }
        files_.emplace_back(path, kind);
    } else if (step.step == "end") {
        const TraceValue* status = step.Field("status");
        summary_.status = status != nullptr ? static_cast<int>(status->number) : 0;
        summary_.end = TextOr(step, "reason");
        if (const TraceValue* id = step.Field("message")) summary_.end += " (message " + std::to_string(id->number) + ")";
        if (const std::string* section = TextField(step, "section")) summary_.end += " ([" + *section + "])";
        std::stable_sort(procedures_.begin(), procedures_.end(),
                         [](const Started& a, const Started& b) { return a.order < b.order; });
        summary_.procedures.clear();
        for (const Started& started : procedures_) {
            summary_.procedures.push_back(std::string(static_cast<size_t>(started.depth) * 2, ' ') + started.section);
        }
        summary_.changes.clear();
        for (const auto& file : files_) {
            summary_.changes.push_back(file.second == 'L' ? file.first : std::string(1, file.second) + " " + file.first);
        }
    }
}

std::vector<std::vector<bool>> BranchesAfter(const std::vector<bool>& path, size_t given) {
    std::vector<std::vector<bool>> branches;
    for (size_t i = given; i < path.size(); ++i) {
        if (!path[i]) continue;
        std::vector<bool> branch(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(i));
        branch.push_back(false);
        branches.push_back(branch);
    }
    return branches;
}

bool WalkCombinations(int limit,
                      const std::function<RunOutcome(const std::vector<bool>& prefix, std::vector<bool>& path)>& run) {
    std::vector<std::vector<bool>> pending{{}};
    for (int runs = 0; !pending.empty(); ++runs) {
        if (runs == limit) return false;
        const std::vector<bool> prefix = pending.back();
        pending.pop_back();
        std::vector<bool> path;
        const RunOutcome outcome = run(prefix, path);
        if (outcome == kRunStop) return true;
        if (outcome == kRunUnfinished) continue;
        const std::vector<std::vector<bool>> branches = BranchesAfter(path, prefix.size());
        pending.insert(pending.end(), branches.begin(), branches.end());
    }
    return true;
}

size_t DisplayWidth(const std::string& text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size();) {
        // A byte that starts no character is one column, as terminals show it.
        unsigned code = 0;
        const size_t length = DecodeUtf8(text, i, code);
        i += length != 0 ? length : 1;
        const bool wide = (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
                          (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
                          (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
                          (code >= 0xFFE0 && code <= 0xFFE6) || (code >= 0x20000 && code <= 0x3FFFD);
        width += wide ? 2 : 1;
    }
    return width;
}

std::string RenderTable(const std::vector<std::vector<std::vector<std::string>>>& rows) {
    std::vector<size_t> widths;
    for (const auto& row : rows) {
        if (widths.size() < row.size()) widths.resize(row.size(), 0);
        for (size_t column = 0; column < row.size(); ++column) {
            for (const std::string& line : row[column]) widths[column] = std::max(widths[column], DisplayWidth(line));
        }
    }
    std::string rule;
    for (size_t column = 0; column < widths.size(); ++column) {
        if (column > 0) rule += "-+-";
        rule.append(widths[column], '-');
    }
    rule += "\n";
    std::string table;
    for (size_t r = 0; r < rows.size(); ++r) {
        const auto& row = rows[r];
        size_t height = 1;
        for (const auto& cell : row) height = std::max(height, cell.size());
        for (size_t line = 0; line < height; ++line) {
            // The line ends with its last cell that holds text.
            size_t used = 0;
            for (size_t column = 0; column < row.size(); ++column) {
                if (line < row[column].size() && !row[column][line].empty()) used = column + 1;
            }
            std::string text;
            for (size_t column = 0; column < used; ++column) {
                const std::string cell = column < row.size() && line < row[column].size() ? row[column][line] : "";
                if (column > 0) text += " | ";
                text += cell;
                if (column + 1 < widths.size()) text.append(widths[column] - DisplayWidth(cell), ' ');
            }
            while (!text.empty() && text.back() == ' ') text.pop_back();
            table += text + "\n";
        }
        table += rule;
    }
    return table;
}

namespace {

// ---- The runs -------------------------------------------------------------------

// Answers the Yes/No boxes by a prefix of answers and Yes after it, and
// every other box OK; shows nothing.
class PrefixAnswerer : public BoxAnswerer {
public:
    explicit PrefixAnswerer(const std::vector<bool>& prefix) : prefix_(prefix) {}
    int Answer(const char* /*text*/, const char* /*caption*/, unsigned style) override {
        if ((style & 0xF) != kBoxYesNo) return kAnswerOk;
        const size_t index = asked_++;
        return index >= prefix_.size() || prefix_[index] ? kAnswerYes : kAnswerNo;
    }

private:
    const std::vector<bool>& prefix_;
    size_t asked_ = 0;
};

struct Rehearsal {
    std::string folder;       // the run's folder: everything it may write
    std::string root;         // the real root, resolved; empty when there is none
    std::string rootCopy;
    std::string program;      // the program's folder
    std::string programCopy;  // empty when the root's copy holds it
    std::string family;       // "NT" or "95"
    std::vector<bool> prefix;
    const HostOptions* options;
    std::string argumentText;
};

std::string RehearseInChild(void* context) {
    const Rehearsal& rehearsal = *static_cast<const Rehearsal*>(context);
    setenv("NEMURIA_ROOT", rehearsal.rootCopy.c_str(), 1);
    setenv("NEMURIA_WINDOWS_FAMILY", rehearsal.family.c_str(), 1);
    unsetenv("NEMURIA_TRACE");
    if (!rehearsal.root.empty()) RedirectHostFolder(rehearsal.root, rehearsal.rootCopy);
    if (!rehearsal.programCopy.empty()) RedirectHostFolder(rehearsal.program, rehearsal.programCopy);
    BeginRehearsal(rehearsal.folder);
    EnsureHostRoot();

    RunState run;
    WireUpdaterRun(run);
    const std::string script = ThisProgramsScript();
    RunWatch watch(run, script);
    RunSummary summary;
    SummarySink gather(summary);
    PrefixAnswerer answerer(rehearsal.prefix);
    watch.AddSink(&gather);
    // Every run's trace follows the one before it.
    const std::string& traceFile = rehearsal.options->traceFile;
    std::FILE* traceOut = nullptr;
    if (rehearsal.options->trace) traceOut = traceFile.empty() ? stderr : std::fopen(traceFile.c_str(), "a");
    TextTraceWriter textTrace(traceOut);
    JsonTraceWriter jsonTrace(traceOut);
    if (traceOut != nullptr) watch.AddSink(IsJsonTraceFile(traceFile) ? static_cast<StepSink*>(&jsonTrace) : &textTrace);
    watch.SetAnswerer(&answerer);
    watch.Attach();
    watch.Start(HostRoot(), IsWindowsNT());
    RunUpdater(run, rehearsal.argumentText.c_str());
    watch.Finish();
    if (traceOut != nullptr && traceOut != stderr) std::fclose(traceOut);

    summary.src = Utf8FromAnsi(TextString(script.c_str()).Items(0, -2, "\\").CStr());
    summary.sections = watch.ProcedureSections();
    return summary.Serialize();
}

bool Below(const std::string& path, const std::string& folder) {
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              path[folder.size()] == '/');
}

// A Windows path of a run as the table shows it: the program's folder as
// <Src>.
std::string Shown(const std::string& path, const std::string& src) {
    if (!src.empty() && path.size() > src.size() && SameNoCase(path.substr(0, src.size()), src) &&
        path[src.size()] == '\\') {
        return "<Src>" + path.substr(src.size());
    }
    return path;
}

struct Row {
    std::string family;
    RunSummary summary;
    bool finished;
};

std::vector<std::string> OrNone(std::vector<std::string> lines) {
    if (lines.empty()) lines.push_back("(none)");
    return lines;
}

}  // namespace

int ExploreScript(const HostOptions& options, const std::string& argumentText) {
    const std::string configured = ConfiguredHostRoot();
    const std::string root = ResolvedHostPath(configured);
    const std::string program = ProgramHostFolder();
    std::string scratch = MakeScratchFolder(root.empty() ? configured : root);
    if (!scratch.empty() && !program.empty() && Below(scratch, program)) {
        // A root inside the program's folder: the copies of that folder
        // must not take themselves in.
        RemoveHostTree(scratch);
        scratch = MakeScratchFolder(std::string());
    }
    if (program.empty() || scratch.empty()) {
        std::fprintf(stderr, "updater: --explore found no folder for its copies\n");
        return 1;
    }
    if (options.trace && !options.traceFile.empty()) {
        std::FILE* trace = std::fopen(options.traceFile.c_str(), "w");
        if (trace == nullptr) {
            std::fprintf(stderr, "updater: cannot write the trace file %s\n", options.traceFile.c_str());
            RemoveHostTree(scratch);
            return 64;
        }
        std::fclose(trace);
    }

    Rehearsal rehearsal;
    rehearsal.folder = scratch + "/run";
    rehearsal.root = root;
    rehearsal.rootCopy = rehearsal.folder + "/root";
    rehearsal.program = program;
    if (root.empty() || !Below(program, root)) rehearsal.programCopy = rehearsal.folder + "/program";
    rehearsal.options = &options;
    rehearsal.argumentText = argumentText;

    // The character set converters, opened once here, serve every run.
    Utf8FromAnsi("-");
    AnsiFromUtf8("-");
    WindowsAnsiText("-");
    WideFromAnsi("-");

    const std::vector<std::string> families =
        options.family.empty() ? std::vector<std::string>{"NT", "95"} : std::vector<std::string>{options.family};
    std::vector<Row> rows;
    TreeCopyCount copies;
    std::string problem;
    std::string exceeded;
    bool pristine = false;
    for (const std::string& family : families) {
        rehearsal.family = family;
        const bool complete = WalkCombinations(kMaxCombinations, [&](const std::vector<bool>& prefix,
                                                                     std::vector<bool>& path) {
            rehearsal.prefix = prefix;
            // Copies that the run before changed nothing in serve again.
            if (!pristine) {
                RemoveHostTree(rehearsal.folder);
                std::error_code made;
                std::filesystem::create_directory(rehearsal.folder, made);
                if ((!root.empty() && !CopyHostTree(root, rehearsal.rootCopy, copies, problem)) ||
                    (!rehearsal.programCopy.empty() &&
                     !CopyHostTree(program, rehearsal.programCopy, copies, problem))) {
                    return kRunStop;
                }
            }
            std::string output;
            Row row{family, RunSummary(), false};
            row.finished = RunInChild(RehearseInChild, &rehearsal, output) && RunSummary::Parse(output, row.summary);
            pristine = row.finished && row.summary.changes.empty();
            path = row.summary.yesNo;
            rows.push_back(std::move(row));
            return rows.back().finished ? kRunFinished : kRunUnfinished;
        });
        if (!complete) exceeded = family;
        if (!exceeded.empty() || !problem.empty()) break;
    }
    RemoveHostTree(scratch);

    if (!problem.empty()) {
        std::fprintf(stderr, "updater: --explore could not copy the root or the program's folder: %s\n", problem.c_str());
        return 1;
    }
    if (!exceeded.empty()) {
        std::fprintf(stderr,
                     "updater: --explore stopped: the script has more than %d combinations of box answers for the %s "
                     "family, the most it tries. Split the questions among smaller scripts, or try chosen paths one "
                     "at a time with --answers and --trace.\n",
                     kMaxCombinations, exceeded.c_str());
        return 1;
    }

    const RunSummary* any = nullptr;
    for (const Row& row : rows) {
        if (row.finished) any = &row.summary;
    }
    const std::string script = any != nullptr ? any->script : std::string();
    std::printf("Explored %s: %zu run%s, each in a throwaway copy of the root and of the program's folder; "
                "no program was started.\n\n",
                script.c_str(), rows.size(), rows.size() == 1 ? "" : "s");

    std::vector<std::vector<std::vector<std::string>>> table;
    table.push_back({{"#"}, {"family"}, {"answers"}, {"procedures run"}, {"boxes"}, {"end of run"}, {"files changed"}});
    std::vector<std::string> ran;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        const RunSummary& run = row.summary;
        std::string answers;
        for (bool yes : run.yesNo) answers += (answers.empty() ? "" : ", ") + std::string(yes ? "yes" : "no");
        std::vector<std::string> changes;
        for (const std::string& change : run.changes) {
            const size_t space = change.find(' ');
            changes.push_back(change.compare(0, 7, "launch ") == 0
                                  ? "launch " + Shown(change.substr(7), run.src)
                                  : change.substr(0, space + 1) + Shown(change.substr(space + 1), run.src));
        }
        std::vector<std::string> end;
        if (row.finished) {
            end = {"status " + std::to_string(run.status) + ": " + run.end};
        } else {
            end = {"the rehearsal did not finish"};
        }
        table.push_back({{std::to_string(i + 1)}, {row.family}, {answers.empty() ? "-" : answers},
                         OrNone(run.procedures), OrNone(run.boxes), end, OrNone(changes)});
        ran.insert(ran.end(), run.procedures.begin(), run.procedures.end());
    }
    std::fputs(RenderTable(table).c_str(), stdout);

    std::string never;
    if (any != nullptr) {
        for (const auto& section : any->sections) {
            bool found = false;
            for (const std::string& name : ran) {
                found = found || SameNoCase(name.substr(name.find_first_not_of(' ')), section.first);
            }
            if (!found) {
                never += (never.empty() ? "" : ", ") + section.first + " (line " + std::to_string(section.second) + ")";
            }
        }
    }
    if (never.empty()) {
        std::printf("\nEvery procedure of the script ran in at least one combination.\n");
    } else {
        std::printf("\nProcedures no combination ran: %s\n", never.c_str());
    }
    std::fflush(stdout);
    return 0;
}
