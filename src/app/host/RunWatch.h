// The watch over one run of the host edition: it follows the run through
// the run's observer, the message box and the host's file actions, tells
// every step to its sinks (a trace, the summary of a rehearsal) with the
// script's line, puts the English line under the boxes when asked, and
// says at the end why the run ended.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/host/TraceSteps.h"
#include "engine/RunObserver.h"
#include "engine/RunState.h"
#include "platform/posix/HostActions.h"

// Who answers the boxes.
class BoxAnswerer {
public:
    virtual int Answer(const char* text, const char* caption, unsigned style) = 0;

protected:
    ~BoxAnswerer() = default;
};

// The console box, answered on standard input or from a list of answers
// (the lines a user would type, in order; once they run out every box takes
// its default button).
class ConsoleAnswerer : public BoxAnswerer {
public:
    explicit ConsoleAnswerer(const std::vector<std::string>* answers);
    ~ConsoleAnswerer();
    ConsoleAnswerer(const ConsoleAnswerer&) = delete;
    ConsoleAnswerer& operator=(const ConsoleAnswerer&) = delete;
    int Answer(const char* text, const char* caption, unsigned style) override;

private:
    std::string typed_;
    std::FILE* in_;
};

// The exit statuses of --status.
enum RunStatus : int {
    kStatusCompleted = 0,
    kStatusScriptMistake = 1,
    kStatusActionFailed = 2,
    kStatusBoxEnded = 3,
    kStatusNoScript = 4,
};

// The script of this program: its own path with the extension "ini", as
// the updater finds it.
std::string ThisProgramsScript();

// The status and the reason in words for a run whose error box showed
// message `id` (0: none) and which a box's ISABORT did (or did not) end.
std::pair<int, const char*> StatusOfRun(unsigned id, bool endedByBox);

class RunWatch : public RunObserver, public HostActionListener {
public:
    // `scriptPath`: the run's script (a Windows path in the code page).
    RunWatch(RunState& run, std::string scriptPath);
    ~RunWatch() override;
    RunWatch(const RunWatch&) = delete;
    RunWatch& operator=(const RunWatch&) = delete;

    void AddSink(StepSink* sink) { sinks_.push_back(sink); }
    void SetAnswerer(BoxAnswerer* answerer) { answerer_ = answerer; }
    void SetEnglish(bool english) { english_ = english; }

    // Becomes the run's observer, the message box and the listener of the
    // host's actions, until it goes away.
    void Attach();
    // The first step: the script, the root and the Windows family.
    void Start(const std::string& root, bool windowsNT);
    // The last step: why the run ended; returns the status.
    int Finish();

    // The script's file name, which every step names.
    const std::string& File() const { return file_; }
    // The sections of the script that can be procedures (all but UPDATER and
    // DEFINE), the first of each name, with their lines.
    std::vector<std::pair<std::string, unsigned>> ProcedureSections() const;

    // The box of the run.
    int ShowBox(const char* text, const char* caption, unsigned style);

    void ProcedureBuilding(const char* section) override;
    void SettingMissing(const char* section, const char* key) override;
    void ErrorShown(unsigned id, const char* text) override;
    void ListBuilt(ProcList list) override;
    void ProcedureStarting(const Command& record) override;
    void ProcedureDone(const Command& record, bool carriedOn) override;
    void HostActionDone(const HostAction& action) override;

private:
    struct Place {
        std::string section;
        std::string key;
    };
    unsigned SectionLine(const std::string& section) const;
    unsigned KeyLine(const std::string& section, const std::string& key) const;
    std::string Where(unsigned line) const;
    ProcList ListHolding(const Command* record) const;
    std::string ChosenKey(const Command& record) const;
    Place ListPlace() const;
    Place PlaceOfError(unsigned id, const std::string& text) const;
    void Emit(TraceStep& step);
    int ShowErrorBox(const char* text, const char* caption, unsigned style);

    RunState& run_;
    std::string scriptPath_;
    std::string file_;
    std::vector<StepSink*> sinks_;
    BoxAnswerer* answerer_ = nullptr;
    bool english_ = false;
    bool attached_ = false;

    std::vector<const Command*> executing_;
    bool building_ = false;
    std::string buildingSection_;
    Place missing_;
    bool errorPending_ = false;
    unsigned errorId_ = 0;
    std::string failure_;
    unsigned shownError_ = 0;
    int boxesShown_ = 0;
    std::vector<int> boxesAtStart_;
    std::vector<int> startOrder_;
    int started_ = 0;
    std::string endedByBox_;
};
