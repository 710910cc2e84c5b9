// Every path of a script: --explore runs it once for every combination of
// box answers and for both Windows families, each run in a child process
// against throwaway copies of the root and of the program's folder, and
// prints what each run did.
//
// The combinations are the paths through the questions a run meets: the
// first run answers every Yes/No box Yes; each later one answers No where an
// earlier run answered Yes and keeps the answers before it, so that a
// question that only one answer leads to is met only on that path. OK boxes
// have one answer. At most kMaxCombinations runs are made per family.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/host/Options.h"
#include "app/host/TraceSteps.h"

enum : int { kMaxCombinations = 1 << 10 };

// What one run did, as the table shows it.
struct RunSummary {
    std::string script;                    // the script's Windows path
    std::string src;                       // the program's folder, <Src>
    std::vector<std::string> procedures;   // sections run, in the order they started,
                                           // indented by two blanks a list level
    std::vector<std::string> boxes;        // each box and its answer
    std::vector<bool> yesNo;               // the answers of the Yes/No boxes
    std::vector<std::string> changes;      // "+ path", "~ path", "- path", launches
    int status = 0;
    std::string end;
    std::vector<std::pair<std::string, unsigned>> sections;  // the script's procedures

    std::string Serialize() const;
    static bool Parse(const std::string& text, RunSummary& summary);
};

// Gathers a summary from the steps of a run.
class SummarySink : public StepSink {
public:
    explicit SummarySink(RunSummary& summary) : summary_(summary) {}
    void Step(const std::string& file, const TraceStep& step) override;

private:
    RunSummary& summary_;
    std::vector<std::pair<std::string, char>> files_;
    struct Started {
        long long order;
        int depth;
        std::string section;
    };
    std::vector<Started> procedures_;
};

// The answer prefixes still to run after a run that answered `path` (Yes
// true) to its Yes/No boxes, of which the first `given` were prescribed: for
// every later Yes, the answers before it and No. The last one is to run
// first.
std::vector<std::vector<bool>> BranchesAfter(const std::vector<bool>& path, size_t given);

// Walks the combinations of answers: `run` makes one run that answers its
// Yes/No boxes by `prefix` and Yes after it, and returns kRunFinished with
// the answers it gave in `path`, kRunUnfinished (no path to follow), or
// kRunStop to end the walk. At most `limit` runs are made. Returns false
// when combinations were left at the limit.
enum RunOutcome { kRunFinished, kRunUnfinished, kRunStop };
bool WalkCombinations(int limit,
                      const std::function<RunOutcome(const std::vector<bool>& prefix, std::vector<bool>& path)>& run);

// A table of cells of several lines each: a header row, then rows separated
// by rules; columns padded to their widest line (a wide East Asian
// character counts two).
std::string RenderTable(const std::vector<std::vector<std::vector<std::string>>>& rows);

// The columns a UTF-8 text takes on a terminal.
size_t DisplayWidth(const std::string& text);

// Runs --explore; returns the exit code.
int ExploreScript(const HostOptions& options, const std::string& argumentText);
