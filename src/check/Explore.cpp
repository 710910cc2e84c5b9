// The lists of a script, built with the engine's own BuildProcList on a run
// that watches what the building reads and what it would show, and then
// followed procedure by procedure without running any of them.
//
// Following a list keeps, for every procedure, the set of result flags it
// can have when the next one starts: a test, a shortcut and OSVER 0 or 1;
// a COPY, DELETE, MAKEDIR, ATTR or LAUNCH 1, since it either succeeds or
// stops the run; a SWITCH 0; a box what its answers and its ISABORT leave;
// a procedure that has not run yet 0. A SWITCH goes down every branch its
// tested flag allows, and a MSGBOX condition holds where the flag allows.
// These sets never leave out a flag a run can produce, so a run can stop
// on a script mistake only where the checker reports one; where a set
// leaves a value out, no run can produce it, which is what the warnings on
// branches never taken and boxes never shown rest on. (A box that the
// system cannot show at all answers nothing and leaves the flag at 0; that
// failure of the system is left out.)
//
// A mistake that stops the run is reported with the way to it, and the
// procedure is then followed as if it were mended, so that one check finds
// every mistake of the script, not only the first a run would meet.
//
// A list is followed once for each list text, place of reference and depth
// (the only things that decide what it does: a sub-list starts with every
// flag at 0 and sees no list around it), so a SWITCH that names its own
// list is followed down to the deepest nesting once, not once per path.
#include "check/Explore.h"

#include <map>

#include "commands/Commands.h"
#include "engine/ProcList.h"
#include "engine/RunObserver.h"
#include "engine/RunState.h"
#include "engine/Settings.h"
#include "engine/Startup.h"
#include "engine/Switch.h"
#include "engine/Symbols.h"
#include "text/Messages.h"

namespace {

const std::vector<KindKeys> kKindKeys = {
    {"EXIST", {"FILE"}, "FILE", false},
    {"DATE", {"FILE", "DATE"}, "FILE", false},
    {"SWITCH", {"PROC", "0", "1"}, nullptr, false},
    {"MSGBOX", {"FLAG", "TYPE", "TEXT", "ISABORT"}, nullptr, false},
    {"COPY", {"FROM", "TO"}, "FROM", true},
    {"LAUNCH", {"FILE", "PARAM", "ISWAIT"}, "FILE", true},
    {"DELETE", {"FILE"}, "FILE", true},
    {"LINK", {"SRC", "PARAM", "SHOWCMD", "DST"}, "SRC", true},
    {"OSVER", {}, nullptr, false},
    {"MAKEDIR", {"DIR"}, "DIR", true},
    {"ATTR", {"FILE", "ARG"}, "FILE", true},
};

// The words of the box kinds, as MSGBOX compares its TYPE with them.
const char* const kBoxWords[] = {"ERROR", "INFORMATION", "WARNING", "QUESTION"};

// The text fields of a record by key, as its kind's creation filled them.
const TextString* FieldOf(const Command& record, const std::string& word, const std::string& key) {
    if (word == "EXIST") return &static_cast<const EXIST_INFO&>(record).files;
    if (word == "DATE") {
        const auto& r = static_cast<const DATE_INFO&>(record);
        return key == "FILE" ? &r.files : &r.date;
    }
    if (word == "SWITCH") {
        const auto& r = static_cast<const SWITCH_INFO&>(record);
        return key == "PROC" ? &r.testName : key == "0" ? &r.listFor0 : &r.listFor1;
    }
    if (word == "MSGBOX") {
        const auto& r = static_cast<const MSGBOX_INFO&>(record);
        return key == "FLAG" ? &r.flag : key == "TYPE" ? &r.type : key == "TEXT" ? &r.text : &r.abortRule;
    }
    if (word == "COPY") {
        const auto& r = static_cast<const COPY_INFO&>(record);
        return key == "FROM" ? &r.sources : &r.destinations;
    }
    if (word == "LAUNCH") {
        const auto& r = static_cast<const LAUNCH_INFO&>(record);
        return key == "FILE" ? &r.programs : key == "PARAM" ? &r.parameters : nullptr;
    }
    if (word == "DELETE") return &static_cast<const DELETE_INFO&>(record).files;
    if (word == "LINK") {
        const auto& r = static_cast<const SHORTCUT_INFO&>(record);
        return key == "SRC" ? &r.targets : key == "PARAM" ? &r.arguments : key == "SHOWCMD" ? &r.showCommands
                                                                                               : &r.shortcuts;
    }
    if (word == "MAKEDIR") return &static_cast<const MAKEDIR_INFO&>(record).dirs;
    if (word == "ATTR") {
        const auto& r = static_cast<const ATTR_INFO&>(record);
        return key == "FILE" ? &r.files : &r.attributes;
    }
    return nullptr;
}

// Flags as a set: bit 0 for the flag 0, bit 1 for the flag 1.
using Flags = unsigned;
const Flags kFlag0 = 1;
const Flags kFlag1 = 2;
Flags FlagBit(int value) { return value == 0 ? kFlag0 : value == 1 ? kFlag1 : 0; }

// Why a procedure's flags are fewer than both.
enum class Why { kNotRun, kSwitch, kAction, kIsAbort, kOther };

const char* WhySuffix(Why why) {
    switch (why) {
        case Why::kNotRun: return "-later";
        case Why::kSwitch: return "-switch";
        case Why::kAction: return "-action";
        case Why::kIsAbort: return "-isabort";
        default: return "";
    }
}

// Where a list comes from: the section and key that hold its names.
struct ListRef {
    std::string owner;
    std::string key;
    unsigned line;
};

// One level of the way down to a list: the SWITCH branch taken and what
// ran before it in the list that holds the SWITCH.
struct Frame {
    std::string section;
    int value;
    std::vector<std::string> ran;
    std::vector<std::string> changed;
};

struct Outcome {
    bool completes;  // some run comes out of the list and goes on
    int graphList;
};

class Explorer : public RunObserver {
public:
    Explorer(RunState& run, const ScriptView& script, ExploreResult& result)
        : run_(run), script_(script), result_(result) {}

    void Explore();

    // The watch on the building.
    void ProcedureBuilding(const char* section) override {
        building_ = section != nullptr ? section : "";
        ++buildCount_;
        result_.reached.insert(FoldName(building_));
    }
    void SettingMissing(const char* section, const char* key) override {
        if (missingSection_.empty() && missingKey_.empty()) {
            missingSection_ = section != nullptr ? section : "";
            missingKey_ = key != nullptr ? key : "";
            missingSeen_ = true;
        }
    }
    void ErrorShown(unsigned id, const char* /*text*/) override {
        if (errorId_ == 0) errorId_ = id;
    }

private:
    void StartWatch() {
        building_.clear();
        buildCount_ = 0;
        missingSection_.clear();
        missingKey_.clear();
        missingSeen_ = false;
        errorId_ = 0;
    }

    // A list being followed: its records, the flags each can have when the
    // next one starts, and what ran before.
    struct ListState {
        ProcList list = nullptr;
        std::vector<Command*> records;
        std::vector<Flags> flags;
        std::vector<Why> why;
        std::vector<std::string> ran;
        std::vector<std::string> changed;
        // A procedure built alone, out of a list that could not be built:
        // the procedures its SWITCH or box condition names are not known.
        bool alone = false;
        size_t IndexOf(const Command* record) const {
            for (size_t j = 0; j < records.size(); ++j) {
                if (records[j] == record) return j;
            }
            return records.size();
        }
    };
    struct Step {
        bool continues;   // a run can go on to the next procedure
        bool endsByBox;   // every run ends here at a box's answer
    };

    Outcome ExploreList(const TextString& names, const ListRef& ref);
    Step Follow(ListState& state, size_t i, GraphProcedure& node);
    Step FollowBox(ListState& state, size_t i, GraphProcedure& node);
    Step FollowSwitch(ListState& state, size_t i, GraphProcedure& node);
    void Stopped(ListState& state, size_t i, GraphProcedure& node, Finding finding, int message);
    std::vector<std::string> NamesOf(const ListState& state) const;
    bool ReportBuildFailure(const ListRef& ref, GraphList* graph);
    void ExploreBrokenList(const TextString& names, int count, const ListRef& ref, size_t graphIndex,
                           bool drawing);
    void NoteFacts(const Command& record);
    StopPlace Stop(const std::vector<std::string>& ran, const std::vector<std::string>& changed,
                   bool building) const;
    void Add(Finding finding, int updaterMessage, const StopPlace* stop);
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeysOf(const std::string& section) const;
    void Misspelt(Finding& finding, const std::string& section, const std::string& key) const;
    bool InEnclosingList(const char* name) const;

    RunState& run_;
    const ScriptView& script_;
    ExploreResult& result_;

    std::string building_;
    int buildCount_ = 0;
    std::string missingSection_;
    std::string missingKey_;
    bool missingSeen_ = false;
    unsigned errorId_ = 0;

    std::vector<Frame> frames_;
    std::map<std::string, Outcome> followed_;
    std::map<std::string, size_t> drawn_;
    std::set<std::string> factsNoted_;
    std::set<std::string> reported_;
};

void Explorer::Add(Finding finding, int updaterMessage, const StopPlace* stop) {
    std::string key = std::string(finding.rule != nullptr ? finding.rule->id : "") + '\n' +
                      std::to_string(finding.line) + '\n' + finding.message + '\n' + finding.section + '\n' +
                      finding.key;
    for (const std::string& arg : finding.args) key += '\n' + arg;
    if (!reported_.insert(key).second) return;
    finding.updaterMessage = updaterMessage;
    if (stop != nullptr) {
        finding.hasStop = true;
        finding.stop = *stop;
    }
    result_.findings.push_back(std::move(finding));
}

StopPlace Explorer::Stop(const std::vector<std::string>& ran, const std::vector<std::string>& changed,
                         bool building) const {
    StopPlace stop;
    for (const Frame& frame : frames_) {
        if (!frame.section.empty()) stop.branches.push_back({Utf8(frame.section), frame.value});
        for (const std::string& name : frame.ran) stop.ranBefore.push_back(Utf8(name));
        for (const std::string& name : frame.changed) stop.changedFiles.push_back(Utf8(name));
    }
    for (const std::string& name : ran) stop.ranBefore.push_back(Utf8(name));
    for (const std::string& name : changed) stop.changedFiles.push_back(Utf8(name));
    stop.whileBuildingMain = building && stop.branches.empty();
    return stop;
}

std::vector<std::string> Explorer::SectionNames() const {
    std::vector<std::string> names;
    for (const IniSection& section : script_.Ini().Sections()) {
        const std::string folded = FoldName(section.name);
        if (folded != "UPDATER" && folded != "DEFINE") names.push_back(section.name);
    }
    return names;
}

std::vector<std::string> Explorer::KeysOf(const std::string& section) const {
    std::vector<std::string> keys;
    const IniSection* found = script_.Section(section);
    if (found == nullptr) return keys;
    for (const IniLine& line : found->lines) {
        if (line.kind == IniLine::kEntry && line.hasValue) keys.push_back(line.key);
    }
    return keys;
}

// A missing key next to a key whose name is near it: the finding goes to
// that key's line, where the fix is, and suggests the missing name.
void Explorer::Misspelt(Finding& finding, const std::string& section, const std::string& key) const {
    const std::string near = Nearest(key, KeysOf(section));
    if (near.empty()) return;
    finding.line = script_.KeyLine(section, near);
    finding.key = Utf8(near);
    finding.suggestion = Utf8(key);
}

bool Explorer::InEnclosingList(const char* name) const {
    // The lists on the stack below the current one.
    for (int index = run_.ProcListArray.depth - 2; index >= 0; --index) {
        if (FindProcedure(ProcListAt(run_, index), name) != nullptr) return true;
    }
    return false;
}

void Explorer::NoteFacts(const Command& record) {
    const std::string section = Str(record.name);
    if (!factsNoted_.insert(FoldName(section)).second) return;
    ProcedureFacts facts;
    facts.section = section;
    const CommandKind* kind = KindOf(run_, record.mode);
    facts.kind = kind != nullptr ? kind->word : "";
    facts.line = script_.SectionLine(section);
    if (const KindKeys* keys = KindKeysOf(facts.kind)) {
        for (const char* key : keys->keys) {
            const TextString* field = FieldOf(record, facts.kind, key);
            if (field != nullptr) facts.values.emplace_back(key, Str(*field));
        }
    }
    result_.procedures.push_back(std::move(facts));
}

bool Explorer::ReportBuildFailure(const ListRef& ref, GraphList* graph) {
    const StopPlace stop = Stop({}, {}, true);
    Finding finding;
    int message = 0;
    bool nesting = false;
    if (!missingSeen_ && errorId_ == kMsgOutOfMemory && run_.ProcListArray.depth >= kMaxProcListDepth) {
        finding = MakeFinding("nesting-limit", nullptr, {}, ref.line, ref.owner, ref.key);
        message = kMsgOutOfMemory;
        nesting = true;
    } else if (missingSeen_ && missingKey_ == "MODE" && script_.Section(missingSection_) == nullptr) {
        const bool empty = FoldName(missingSection_).find_first_not_of(' ') == std::string::npos;
        finding = MakeFinding("missing-section", empty ? "missing-section-empty" : nullptr,
                              {ref.key, missingSection_}, ref.line, ref.owner, ref.key);
        if (!empty) finding.suggestion = Utf8(Nearest(missingSection_, SectionNames()));
        message = kMsgBadSetting;
    } else if (missingSeen_) {
        std::string value;
        const bool noData = script_.FullValue(missingSection_, missingKey_, value);
        const unsigned line = noData ? script_.KeyLine(missingSection_, missingKey_)
                                     : script_.SectionLine(missingSection_);
        finding = MakeFinding("missing-key", noData ? "missing-key-no-data" : nullptr, {missingKey_}, line,
                              missingSection_, missingKey_);
        if (!noData) Misspelt(finding, missingSection_, missingKey_);
        message = kMsgBadSetting;
    } else if (errorId_ == kMsgBadSymbol) {
        std::string mode;
        script_.FullValue(building_, "MODE", mode);
        TextString expanded(mode.substr(0, 258).c_str());
        ExpandValue(run_.SymbolTable, expanded);
        finding = MakeFinding("unknown-mode", nullptr, {Str(expanded)}, script_.KeyLine(building_, "MODE"),
                              building_, "MODE");
        std::vector<std::string> words;
        for (const KindKeys& kind : kKindKeys) words.push_back(kind.word);
        finding.suggestion = Nearest(Str(expanded), words);
        message = kMsgBadSymbol;
    } else {
        return false;  // the memory ran out: no mistake of the script
    }
    if (graph != nullptr && graph->stopRule.empty()) graph->stopRule = finding.rule->id;
    Add(std::move(finding), message, &stop);
    return !nesting;
}

// A list that cannot be built stops the run before any of it runs. Its
// procedures are still built one by one, so that every mistake of the list
// is found in one check, each followed as far as it can be alone (the
// branches of a SWITCH as if its flag could be either).
void Explorer::ExploreBrokenList(const TextString& names, int count, const ListRef& ref, size_t graphIndex,
                                 bool drawing) {
    std::vector<std::string> before;
    for (int i = 0; i < count; ++i) {
        TextString name = names.Item(i, ",");
        name.Trim(" ");
        if (i > 0) {
            TextString previous = names.Item(i - 1, ",");
            previous.Trim(" ");
            before.push_back(Str(previous));
        }
        StartWatch();
        ProcList single = BuildProcList(run_, name, 1);
        GraphProcedure node;
        node.section = Utf8(Str(name));
        node.line = script_.SectionLine(Str(name));
        if (single == nullptr) {
            std::string mode;
            if (script_.FullValue(Str(name), "MODE", mode)) node.mode = Utf8(mode);
            const size_t known = result_.findings.size();
            ReportBuildFailure(ref, nullptr);
            if (result_.findings.size() > known) node.stopRule = result_.findings.back().rule->id;
            if (drawing) result_.graph.lists[graphIndex].procedures.push_back(node);
            continue;
        }
        const Command& record = *single[0];
        NoteFacts(record);
        const CommandKind* kind = KindOf(run_, record.mode);
        node.mode = kind != nullptr ? kind->word : "";
        ListState state;
        state.list = single;
        state.records = {single[0]};
        state.flags = {kFlag0};
        state.why = {Why::kNotRun};
        state.ran = before;
        state.alone = true;
        Follow(state, 0, node);
        ReleaseProcList(run_, single);
        if (drawing) result_.graph.lists[graphIndex].procedures.push_back(node);
    }
}

Outcome Explorer::ExploreList(const TextString& names, const ListRef& ref) {
    const std::string text = FoldName(Str(names));
    const std::string place = text + '\n' + std::to_string(ref.line);
    const std::string key = place + '\n' + std::to_string(run_.ProcListArray.depth);
    const auto known = followed_.find(key);
    if (known != followed_.end()) return known->second;

    bool drawing = false;
    size_t graphIndex = 0;
    const auto drawnAt = drawn_.find(place);
    if (drawnAt != drawn_.end()) {
        graphIndex = drawnAt->second;
    } else {
        graphIndex = result_.graph.lists.size();
        drawn_[place] = graphIndex;
        GraphList list;
        list.title = "[" + Utf8(ref.owner) + "] " + ref.key;
        result_.graph.lists.push_back(list);
        drawing = true;
    }
    followed_[key] = {false, static_cast<int>(graphIndex)};

    const int count = names.ItemCount(",");
    StartWatch();
    ProcList list = BuildProcList(run_, names, count);
    if (list == nullptr) {
        if (ReportBuildFailure(ref, &result_.graph.lists[graphIndex])) {
            ExploreBrokenList(names, count, ref, graphIndex, drawing);
        }
        return followed_[key];
    }

    ListState state;
    state.list = list;
    state.records.assign(list, list + count);
    for (const Command* record : state.records) NoteFacts(*record);
    state.flags.assign(state.records.size(), kFlag0);
    state.why.assign(state.records.size(), Why::kNotRun);

    std::vector<GraphProcedure> nodes;
    bool reachable = true;
    std::string stopper;
    for (size_t i = 0; i < state.records.size(); ++i) {
        const Command& record = *state.records[i];
        const std::string section = Str(record.name);
        const CommandKind* kind = KindOf(run_, record.mode);
        GraphProcedure node;
        node.section = Utf8(section);
        node.mode = kind != nullptr ? kind->word : "";
        node.line = script_.SectionLine(section);
        if (!reachable) {
            if (!stopper.empty()) {
                Add(MakeFinding("never-runs", nullptr, {stopper, section}, ref.line, ref.owner, ref.key), 0,
                    nullptr);
                stopper.clear();
            }
            nodes.push_back(node);
            continue;
        }
        const Step step = Follow(state, i, node);
        if (!step.continues) {
            reachable = false;
            if (step.endsByBox) stopper = section;
        }
        state.ran.push_back(section);
        const KindKeys* keys = KindKeysOf(node.mode);
        if (keys != nullptr && keys->changesFiles) state.changed.push_back(section);
        nodes.push_back(node);
    }

    ReleaseProcList(run_, list);
    if (drawing) result_.graph.lists[graphIndex].procedures = nodes;
    followed_[key] = {reachable, static_cast<int>(graphIndex)};
    return followed_[key];
}

// A mistake that stops the run at procedure `i`. The procedure is then
// followed as if it were mended (its flag either), so that the mistakes
// after it are found as well.
void Explorer::Stopped(ListState& state, size_t i, GraphProcedure& node, Finding finding, int message) {
    node.stopRule = finding.rule->id;
    const StopPlace here = Stop(state.ran, state.changed, false);
    Add(std::move(finding), message, &here);
    state.flags[i] = kFlag0 | kFlag1;
    state.why[i] = Why::kOther;
}

std::vector<std::string> Explorer::NamesOf(const ListState& state) const {
    std::vector<std::string> names;
    for (const Command* record : state.records) names.push_back(Str(record->name));
    return names;
}

Explorer::Step Explorer::Follow(ListState& state, size_t i, GraphProcedure& node) {
    const Command& record = *state.records[i];
    const std::string section = Str(record.name);
    const std::string& word = node.mode;
    const KindKeys* kind = KindKeysOf(word);

    // A list that drives the procedure and is empty stops the run.
    if (kind != nullptr && kind->driving != nullptr) {
        const TextString* driving = FieldOf(record, word, kind->driving);
        if (driving != nullptr && driving->ItemCount(",") == 0) {
            Stopped(state, i, node,
                    MakeFinding("empty-list", nullptr, {kind->driving}, script_.KeyLine(section, kind->driving),
                                section, kind->driving),
                    kMsgBadItemCount);
            return {true, false};
        }
    }
    if (word == "MSGBOX") return FollowBox(state, i, node);
    if (word == "SWITCH") return FollowSwitch(state, i, node);
    if (word == "COPY" || word == "DELETE" || word == "MAKEDIR" || word == "ATTR" || word == "LAUNCH") {
        state.flags[i] = kFlag1;
        state.why[i] = Why::kAction;
    } else {
        // EXIST, DATE, LINK and OSVER.
        state.flags[i] = kFlag0 | kFlag1;
        state.why[i] = Why::kOther;
    }
    return {true, false};
}

Explorer::Step Explorer::FollowBox(ListState& state, size_t i, GraphProcedure& node) {
    const MSGBOX_INFO& box = static_cast<const MSGBOX_INFO&>(*state.records[i]);
    const std::string section = Str(box.name);
    bool canSkip = false;
    bool canShow = true;
    if (box.flag.ItemCount(",") >= 2 && state.alone) {
        canSkip = true;
    } else if (box.flag.ItemCount(",") >= 2) {
        TextString name = box.flag.Item(0, ",");
        name.Trim(" ");
        const Command* tested = FindProcedure(state.list, name.CStr());
        if (tested == nullptr) {
            Finding finding =
                MakeFinding("msgbox-flag", InEnclosingList(name.CStr()) ? "msgbox-flag-outer" : nullptr,
                            {Str(box.flag)}, script_.KeyLine(section, "FLAG"), section, "FLAG");
            finding.suggestion = Utf8(Nearest(Str(name), NamesOf(state)));
            Stopped(state, i, node, std::move(finding), kMsgBadSymbol);
            canSkip = true;
        } else {
            const size_t j = state.IndexOf(tested);
            const int expected = box.flag.Item(1, ",").ToInt();
            canShow = (state.flags[j] & FlagBit(expected)) != 0;
            canSkip = (state.flags[j] & ~FlagBit(expected)) != 0;
            if (!canShow) {
                const std::string variant = std::string("condition-never") +
                                            (expected == 0 || expected == 1 ? WhySuffix(state.why[j]) : "");
                Add(MakeFinding("condition-never", variant.c_str(), {std::to_string(expected), Str(name)},
                                script_.KeyLine(section, "FLAG"), section, "FLAG"),
                    0, nullptr);
            }
        }
    }

    Flags result = canSkip ? kFlag0 : 0;
    bool continues = canSkip;
    bool showEnds = false;
    Why why = Why::kOther;
    if (canShow) {
        int boxKind = -1;
        for (int k = 0; k < 4; ++k) {
            if (box.type.EqualsNoCase(kBoxWords[k])) boxKind = k;
        }
        if (boxKind < 0) {
            Finding finding =
                MakeFinding("msgbox-type", nullptr, {Str(box.type)}, script_.KeyLine(section, "TYPE"), section, "TYPE");
            finding.suggestion =
                Nearest(Str(box.type), std::vector<std::string>(std::begin(kBoxWords), std::end(kBoxWords)));
            Stopped(state, i, node, std::move(finding), kMsgBadSymbol);
            return {true, false};
        }
        // ERROR and INFORMATION have OK alone; WARNING and QUESTION Yes and No.
        const bool okOnly = boxKind < 2;
        const bool abortOnYes = box.abortRule.Item(0, ",").ToInt() != 0;
        const bool abortOnNo = box.abortRule.Item(1, ",").ToInt() != 0;
        if (!abortOnYes) {
            result |= kFlag1;
            continues = true;
        }
        if (!okOnly && !abortOnNo) {
            result |= kFlag0;
            continues = true;
        }
        showEnds = abortOnYes && (okOnly || abortOnNo);
        node.endsRun = showEnds;
        if (abortOnYes) node.endsOn = okOnly ? "OK" : "Yes";
        if (!okOnly && abortOnNo) node.endsOn += node.endsOn.empty() ? "No" : ", No";
        if (abortOnYes || (!okOnly && abortOnNo)) why = Why::kIsAbort;
    }
    state.flags[i] = result;
    state.why[i] = why;
    return {continues, !continues && showEnds};
}

Explorer::Step Explorer::FollowSwitch(ListState& state, size_t i, GraphProcedure& node) {
    const SWITCH_INFO& sw = static_cast<const SWITCH_INFO&>(*state.records[i]);
    const std::string section = Str(sw.name);
    TextString testName(sw.testName);
    testName.Trim(" ");
    const Command* tested = FindProcedure(state.list, testName.CStr());
    Flags possible = kFlag0 | kFlag1;
    Why testedWhy = Why::kOther;
    std::string testedName;
    if (state.alone) {
        // Either flag, and nothing to say about the name.
    } else if (tested == nullptr) {
        const char* variant = testName.CountOf(",") != 0          ? "switch-scope-comma"
                              : InEnclosingList(testName.CStr()) ? "switch-scope-outer"
                                                                  : nullptr;
        Finding finding = MakeFinding("switch-scope", variant, {Str(sw.testName)}, script_.KeyLine(section, "PROC"),
                                      section, "PROC");
        if (variant == nullptr) finding.suggestion = Utf8(Nearest(Str(testName), NamesOf(state)));
        Stopped(state, i, node, std::move(finding), kMsgBadSymbol);
    } else {
        const size_t j = state.IndexOf(tested);
        possible = state.flags[j];
        testedWhy = state.why[j];
        testedName = Str(tested->name);
    }

    bool anyCompletes = false;
    for (int value = 0; value <= 1; ++value) {
        const TextString& chosen = value != 0 ? sw.listFor1 : sw.listFor0;
        const char* branchKey = value != 0 ? "1" : "0";
        const int items = chosen.ItemCount(",");
        GraphProcedure::Branch branch{value, -1, true};
        if ((possible & FlagBit(value)) == 0) {
            branch.taken = false;
            if (items > 0) {
                const std::string variant = std::string("branch-unreachable") + WhySuffix(testedWhy);
                const std::string only = (possible & kFlag1) != 0 ? "1" : "0";
                Add(MakeFinding("branch-unreachable", variant.c_str(), {branchKey, testedName, only},
                                script_.KeyLine(section, branchKey), section, branchKey),
                    0, nullptr);
                for (int k = 0; k < items; ++k) {
                    TextString item = chosen.Item(k, ",");
                    item.Trim(" ");
                    result_.namedByUntaken.insert(FoldName(Str(item)));
                }
            }
        } else if (items == 0) {
            anyCompletes = true;
        } else {
            frames_.push_back({section, value, state.ran, state.changed});
            const Outcome outcome = ExploreList(chosen, {section, branchKey, script_.KeyLine(section, branchKey)});
            frames_.pop_back();
            anyCompletes = anyCompletes || outcome.completes;
            branch.list = outcome.graphList;
            if (result_.graph.lists[static_cast<size_t>(outcome.graphList)].stopRule == "nesting-limit") {
                node.stopRule = "nesting-limit";
            }
        }
        node.branches.push_back(branch);
    }
    state.flags[i] = kFlag0;
    state.why[i] = Why::kSwitch;
    return {anyCompletes, false};
}

void Explorer::Explore() {
    frames_.clear();
    StartWatch();
    const bool read = ReadUpdaterSection(run_);
    if (!read) {
        if (script_.Section("UPDATER") == nullptr) {
            Add(MakeFinding("missing-updater", nullptr, {}, 1), kMsgBadSetting, nullptr);
            return;
        }
        std::string value;
        const bool noData = script_.FullValue("UPDATER", missingKey_, value);
        Finding finding = MakeFinding(
            "missing-key", noData ? "missing-updater-key-no-data" : "missing-updater-key", {missingKey_},
            noData ? script_.KeyLine("UPDATER", missingKey_) : script_.SectionLine("UPDATER"), "UPDATER",
            missingKey_);
        if (!noData) Misspelt(finding, "UPDATER", missingKey_);
        Add(std::move(finding), kMsgBadSetting, nullptr);
        return;
    }
    result_.reached.insert("UPDATER");
    const int count = run_.MainProcNames.ItemCount(",");
    if (count == 0) {
        Add(MakeFinding("empty-list", "empty-list-updater", {"PROC"}, script_.KeyLine("UPDATER", "PROC"), "UPDATER",
                        "PROC"),
            kMsgBadItemCount, nullptr);
        return;
    }
    frames_.push_back({"", 0, {}, {}});
    ExploreList(run_.MainProcNames, {"UPDATER", "PROC", script_.KeyLine("UPDATER", "PROC")});
    frames_.pop_back();
}

}  // namespace

const KindKeys* KindKeysOf(const std::string& word) {
    for (const KindKeys& kind : kKindKeys) {
        if (word == kind.word) return &kind;
    }
    return nullptr;
}

void ExploreScript(RunState& run, const ScriptView& script, ExploreResult& result) {
    Explorer explorer(run, script, result);
    RunObserver* previous = run.Observer;
    run.Observer = &explorer;
    explorer.Explore();
    run.Observer = previous;
}
