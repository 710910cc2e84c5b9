// The watch over one run of the host edition.
#include "app/host/RunWatch.h"

#include <cstring>

#include "app/host/Explain.h"
#include "commands/Commands.h"
#include "engine/ProcList.h"
#include "engine/Startup.h"
#include "engine/Switch.h"
#include "platform/Failure.h"
#include "platform/MessageBox.h"
#include "platform/Module.h"
#include "platform/posix/ConsoleBox.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/ProfileFile.h"
#include "text/Catalogue.h"
#include "text/Messages.h"
#include "winlike/CodePage.h"
#include "winlike/Conversion.h"

namespace {

RunWatch* activeWatch = nullptr;

int WatchedBox(const char* text, const char* caption, unsigned style) {
    return activeWatch != nullptr ? activeWatch->ShowBox(text, caption, style) : 0;
}

std::string U(const std::string& ansi) { return Utf8FromAnsi(ansi); }

std::string U(const char* ansi) { return Utf8FromAnsi(ansi != nullptr ? ansi : ""); }

std::string U(const TextString& ansi) { return Utf8FromAnsi(ansi.CStr() != nullptr ? ansi.CStr() : ""); }

// A path of a failure note: the host's paths are UTF-8, the script's
// Windows paths are in the code page.
std::string PathText(const std::string& path) { return IsWellFormedUtf8(path) ? path : U(path); }

// A text of several lines as one line of the trace.
std::string OneLine(const std::string& text) {
    std::string line;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string part = text.substr(start, end - start);
        if (!part.empty() && part.back() == '\r') part.pop_back();
        for (char& c : part) {
            if (c == '\t') c = ' ';
        }
        if (!part.empty()) line += (line.empty() ? "" : " / ") + part;
        start = end + 1;
    }
    return line;
}

const char* AnswerName(int answer) {
    switch (answer) {
        case kAnswerOk: return "OK";
        case kAnswerYes: return "Yes";
        case kAnswerNo: return "No";
        case kAnswerCancel: return "Cancel";
        default: return "none";
    }
}

bool ModeIs(const Command& record, const char* word) { return record.mode.EqualsNoCase(word); }

// The key whose list drives a procedure of each mode.
const char* DrivingKey(const Command& record) {
    if (ModeIs(record, "COPY")) return "FROM";
    if (ModeIs(record, "LINK")) return "SRC";
    if (ModeIs(record, "MAKEDIR")) return "DIR";
    return "FILE";
}

// The key that names the files an action changed.
const char* KeyOfAction(const char* action) {
    if (std::strcmp(action, "copy") == 0) return "TO";
    if (std::strcmp(action, "makedir") == 0) return "DIR";
    if (std::strcmp(action, "link") == 0) return "DST";
    return "FILE";
}

std::string FailureText(const PlatformFailure& failure) {
    if (failure.call == nullptr || failure.call[0] == '\0') return std::string();
    return std::string(failure.call) + " failed: \"" + PathText(failure.path) + "\": " +
           (failure.error > 0 ? std::strerror(failure.error) : "refused");
}

std::string Named(const std::string& section, const std::string& key) {
    if (section.empty()) return std::string();
    return "[" + section + "]" + (key.empty() ? "" : " " + key);
}

}  // namespace

std::string ThisProgramsScript() {
    TextString module;
    if (module.Allocate(260)) ModuleFilePath(module.Buffer(), 260);
    return ScriptPathOf(module).CStr();
}

std::pair<int, const char*> StatusOfRun(unsigned id, bool endedByBox) {
    switch (id) {
        case 0: break;
        case kMsgFileNotFound: return {kStatusNoScript, "no script"};
        case kMsgLaunchFailed: return {kStatusActionFailed, "a program did not start"};
        case kMsgCopyFailed:
        case kMsgDeleteFailed:
        case kMsgAttrFailed:
        case kMsgMakeDirFailed: return {kStatusActionFailed, "a file action failed"};
        default: return {kStatusScriptMistake, "a script mistake stopped the run"};
    }
    if (endedByBox) return {kStatusBoxEnded, "a box ended the run"};
    return {kStatusCompleted, "completed"};
}

// ---- ConsoleAnswerer ----------------------------------------------------------

ConsoleAnswerer::ConsoleAnswerer(const std::vector<std::string>* answers) : in_(nullptr) {
    if (answers == nullptr) return;
    for (const std::string& answer : *answers) typed_ += answer + "\n";
    in_ = typed_.empty() ? std::fopen("/dev/null", "r") : fmemopen(&typed_[0], typed_.size(), "r");
}

ConsoleAnswerer::~ConsoleAnswerer() {
    if (in_ != nullptr) std::fclose(in_);
}

int ConsoleAnswerer::Answer(const char* text, const char* caption, unsigned style) {
    return ShowConsoleBox(text, caption, style, in_ != nullptr ? in_ : stdin, stderr, ConsoleCharset());
}

// ---- RunWatch -----------------------------------------------------------------

RunWatch::RunWatch(RunState& run, std::string scriptPath) : run_(run), scriptPath_(std::move(scriptPath)) {
    const size_t slash = scriptPath_.rfind('\\');
    file_ = U(slash == std::string::npos ? scriptPath_ : scriptPath_.substr(slash + 1));
}

RunWatch::~RunWatch() {
    if (!attached_) return;
    run_.Observer = nullptr;
    activeWatch = nullptr;
    SetMessageBoxHook(nullptr);
    SetHostActionListener(nullptr);
}

void RunWatch::Attach() {
    run_.Observer = this;
    activeWatch = this;
    SetMessageBoxHook(WatchedBox);
    SetHostActionListener(this);
    attached_ = true;
}

void RunWatch::Emit(TraceStep& step) {
    for (StepSink* sink : sinks_) sink->Step(file_, step);
}

unsigned RunWatch::SectionLine(const std::string& section) const {
    const IniSection* found = ProfileFileAsRead(scriptPath_.c_str()).FindSection(section);
    return found != nullptr ? found->line : 0;
}

unsigned RunWatch::KeyLine(const std::string& section, const std::string& key) const {
    const IniSection* found = ProfileFileAsRead(scriptPath_.c_str()).FindSection(section);
    if (found == nullptr) return 0;
    const IniLine* entry = key.empty() ? nullptr : IniFile::FindKey(*found, key);
    return entry != nullptr ? entry->line : found->line;
}

std::string RunWatch::Where(unsigned line) const {
    return line != 0 ? file_ + " line " + std::to_string(line) : std::string();
}

ProcList RunWatch::ListHolding(const Command* record) const {
    for (int index = run_.ProcListArray.depth - 1; index >= 0; --index) {
        ProcList list = ProcListAt(run_, index);
        for (Command** entry = list; entry != nullptr && *entry != nullptr; ++entry) {
            if (*entry == record) return list;
        }
    }
    return nullptr;
}

std::string RunWatch::ChosenKey(const Command& record) const {
    const SWITCH_INFO& branch = static_cast<const SWITCH_INFO&>(record);
    TextString testName(branch.testName);
    testName.Trim(" ");
    const Command* tested = FindProcedure(ListHolding(&record), testName.CStr());
    return tested != nullptr && tested->result != 0 ? "1" : "0";
}

RunWatch::Place RunWatch::ListPlace() const {
    if (executing_.empty()) return {"UPDATER", "PROC"};
    const Command& top = *executing_.back();
    if (ModeIs(top, "SWITCH")) return {top.name.CStr(), ChosenKey(top)};
    return {top.name.CStr(), ""};
}

RunWatch::Place RunWatch::PlaceOfError(unsigned id, const std::string& text) const {
    const Command* top = executing_.empty() ? nullptr : executing_.back();
    switch (id) {
        case kMsgFileNotFound: return {};
        case kMsgBadSetting: return missing_;
        case kMsgBadProcCount: return ListPlace();
        case kMsgOutOfMemory:
            if (text.find("ProcListArray") != std::string::npos) return ListPlace();
            return {building_ ? buildingSection_ : (top != nullptr ? top->name.CStr() : ""), ""};
        case kMsgBadItemCount:
            if (top == nullptr) return {"UPDATER", "PROC"};
            return {top->name.CStr(), DrivingKey(*top)};
        case kMsgBadSymbol:
            if (building_ || top == nullptr) return {buildingSection_, "MODE"};
            if (ModeIs(*top, "SWITCH")) return {top->name.CStr(), "PROC"};
            if (ModeIs(*top, "MSGBOX")) {
                const MSGBOX_INFO& box = static_cast<const MSGBOX_INFO&>(*top);
                if (box.flag.ItemCount(",") >= 2) {
                    TextString tested = box.flag.Item(0, ",");
                    tested.Trim(" ");
                    if (FindProcedure(ListHolding(top), tested.CStr()) == nullptr) return {top->name.CStr(), "FLAG"};
                }
                return {top->name.CStr(), "TYPE"};
            }
            return {top->name.CStr(), "MODE"};
        default:
            if (top == nullptr) return {};
            return {top->name.CStr(), id == kMsgMakeDirFailed ? "DIR" : id == kMsgCopyFailed ? "FROM" : "FILE"};
    }
}

void RunWatch::Start(const std::string& root, bool windowsNT) {
    std::string hostScript;
    if (!ToHostPath(scriptPath_.c_str(), hostScript)) hostScript.clear();
    const char* family = windowsNT ? "NT" : "95";
    TraceStep step;
    step.step = "start";
    step.message = "start: script " + U(scriptPath_) + " (host " + hostScript + "), root " + root + ", " + family +
                   " family";
    step.Text("script", U(scriptPath_)).Text("host", hostScript).Text("root", root).Text("family", family);
    Emit(step);
}

int RunWatch::Finish() {
    const std::pair<int, const char*> status = StatusOfRun(shownError_, !endedByBox_.empty());
    TraceStep step;
    step.step = "end";
    step.message = std::string("end: ") + status.second;
    if (!endedByBox_.empty() && shownError_ == 0) step.message += " (ISABORT of [" + U(endedByBox_) + "])";
    step.message += ", status " + std::to_string(status.first);
    if (shownError_ != 0) step.message += " (message " + std::to_string(shownError_) + ")";
    step.Number("status", status.first).Text("reason", status.second);
    if (shownError_ != 0) step.Number("message", shownError_);
    if (!endedByBox_.empty() && shownError_ == 0) step.Text("section", U(endedByBox_));
    Emit(step);
    return status.first;
}

std::vector<std::pair<std::string, unsigned>> RunWatch::ProcedureSections() const {
    std::vector<std::pair<std::string, unsigned>> sections;
    const IniFile& script = ProfileFileAsRead(scriptPath_.c_str());
    for (const IniSection& section : script.Sections()) {
        if (EqualsAsciiNoCase(section.name, "UPDATER") || EqualsAsciiNoCase(section.name, "DEFINE")) continue;
        if (script.FindSection(section.name) != &section) continue;
        sections.emplace_back(U(section.name), section.line);
    }
    return sections;
}

void RunWatch::ProcedureBuilding(const char* section) {
    building_ = true;
    buildingSection_ = section != nullptr ? section : "";
}

void RunWatch::SettingMissing(const char* section, const char* key) {
    missing_ = {section != nullptr ? section : "", key != nullptr ? key : ""};
}

void RunWatch::ErrorShown(unsigned id, const char* /*text*/) {
    errorPending_ = true;
    errorId_ = id;
    failure_ = FailureText(LastFailure());
}

void RunWatch::ListBuilt(ProcList list) {
    building_ = false;
    const Place place = ListPlace();
    std::vector<std::string> names;
    std::string joined;
    for (Command** entry = list; entry != nullptr && *entry != nullptr; ++entry) {
        names.push_back(U((*entry)->name));
        joined += (joined.empty() ? "" : ", ") + names.back();
    }
    TraceStep step;
    step.step = "list";
    step.line = KeyLine(place.section, place.key);
    step.depth = static_cast<int>(executing_.size());
    step.message = "list " + U(Named(place.section, place.key)) + ": " + joined;
    step.Text("section", U(place.section)).Text("key", place.key).List("procedures", names);
    Emit(step);
}

void RunWatch::ProcedureStarting(const Command& record) {
    building_ = false;
    executing_.push_back(&record);
    boxesAtStart_.push_back(boxesShown_);
    startOrder_.push_back(++started_);
}

void RunWatch::ProcedureDone(const Command& record, bool carriedOn) {
    const int boxesBefore = boxesAtStart_.empty() ? boxesShown_ : boxesAtStart_.back();
    if (!executing_.empty()) executing_.pop_back();
    if (!boxesAtStart_.empty()) boxesAtStart_.pop_back();
    const int order = startOrder_.empty() ? started_ : startOrder_.back();
    if (!startOrder_.empty()) startOrder_.pop_back();

    const std::string name = U(record.name);
    TraceStep step;
    step.step = "procedure";
    step.line = SectionLine(record.name.CStr());
    step.depth = static_cast<int>(executing_.size());
    step.message = "[" + name + "] " + U(record.mode) + ": flag " + std::to_string(record.result);
    step.Text("section", name).Text("mode", U(record.mode)).Number("flag", record.result).Flag("carried_on", carriedOn);
    step.Number("order", order);

    if (ModeIs(record, "SWITCH")) {
        const SWITCH_INFO& branch = static_cast<const SWITCH_INFO&>(record);
        const std::string key = ChosenKey(record);
        const TextString& chosen = key == "1" ? branch.listFor1 : branch.listFor0;
        step.message += ", took list " + key + (chosen.ItemCount(",") == 0 ? " (empty)" : "");
        step.Text("took", key);
    } else if (ModeIs(record, "MSGBOX") && carriedOn && boxesShown_ == boxesBefore) {
        const MSGBOX_INFO& box = static_cast<const MSGBOX_INFO&>(record);
        step.message += ", no box (FLAG " + U(box.flag) + " not met)";
        step.Text("note", "no box");
    } else if (ModeIs(record, "LINK") && carriedOn && record.result == 0) {
        const std::string why = FailureText(LastFailure());
        step.message += ", a shortcut was not made" + (why.empty() ? std::string() : ": " + why);
        step.Text("note", "a shortcut was not made: " + why);
    }
    if (!carriedOn) {
        if (shownError_ == 0 && !errorPending_ && ModeIs(record, "MSGBOX")) {
            endedByBox_ = record.name.CStr();
            step.message += ", its answer ends the run";
        } else {
            step.message += ", the run stops";
        }
    }
    Emit(step);
}

void RunWatch::HostActionDone(const HostAction& action) {
    const Command* top = executing_.empty() ? nullptr : executing_.back();
    const std::string section = top != nullptr ? top->name.CStr() : "";
    TraceStep step;
    step.step = "action";
    step.line = KeyLine(section, KeyOfAction(action.action));
    step.depth = static_cast<int>(executing_.size());
    const std::string path = U(action.path != nullptr ? action.path : "");
    std::string message = std::string(action.action) + " " + path;
    if (action.arguments != nullptr && action.arguments[0] != '\0' && std::strcmp(action.action, "launch") == 0) {
        message += " \"" + U(action.arguments) + "\"";
    }
    message += std::string(": ") + action.change;
    if (std::strcmp(action.action, "copy") == 0 && action.from != nullptr) {
        message += ", " + std::to_string(action.size) + " bytes from " + U(action.from);
    } else if (std::strcmp(action.action, "link") == 0 && action.from != nullptr) {
        message += ", target " + U(action.from);
    }
    message += " (host " + action.host + ")";
    step.message = message;
    step.Text("section", U(section)).Text("action", action.action).Text("path", path).Text("host", action.host);
    step.Text("change", action.change);
    if (action.from != nullptr) step.Text(std::strcmp(action.action, "link") == 0 ? "target" : "from", U(action.from));
    if (action.size >= 0) step.Number("size", action.size);
    if (action.arguments != nullptr) step.Text("arguments", U(action.arguments));
    Emit(step);
}

int RunWatch::ShowBox(const char* text, const char* caption, unsigned style) {
    if (errorPending_) return ShowErrorBox(text, caption, style);
    const Command* top = executing_.empty() ? nullptr : executing_.back();
    const bool scriptBox = top != nullptr && ModeIs(*top, "MSGBOX");
    const std::string section = scriptBox ? top->name.CStr() : "";
    const bool yesNo = (style & 0xF) == kBoxYesNo;
    const unsigned line = KeyLine(section, "TEXT");

    std::string shown = text != nullptr ? text : "";
    std::string english;
    if (english_ && scriptBox) {
        english = EnglishForBox(section, yesNo, static_cast<const MSGBOX_INFO*>(top)->abortRule.CStr(), Where(line));
        shown += "\n\n" + english;
    }
    const int answer = answerer_ != nullptr ? answerer_->Answer(shown.c_str(), caption, style) : 0;
    ++boxesShown_;

    const std::string type = scriptBox ? U(static_cast<const MSGBOX_INFO*>(top)->type) : std::string();
    TraceStep step;
    step.step = "box";
    step.line = line;
    step.depth = static_cast<int>(executing_.size());
    step.message = "box " + U(Named(section, type)) + " \"" + OneLine(U(text != nullptr ? text : "")) + "\": " +
                   AnswerName(answer);
    step.Text("section", U(section)).Text("type", type).Text("caption", U(caption != nullptr ? caption : ""));
    step.Text("text", U(text != nullptr ? text : "")).Text("buttons", yesNo ? "Yes No" : "OK");
    step.Text("answer", AnswerName(answer));
    if (!english.empty()) step.Text("english", U(english));
    Emit(step);
    return answer;
}

int RunWatch::ShowErrorBox(const char* text, const char* caption, unsigned style) {
    const unsigned id = errorId_;
    errorPending_ = false;
    shownError_ = id;
    const std::string message = text != nullptr ? text : "";
    Place place = PlaceOfError(id, message);
    const IniFile& script = ProfileFileAsRead(scriptPath_.c_str());
    const IniSection* section = place.section.empty() ? nullptr : script.FindSection(place.section);
    MessagePlace described;
    described.section = place.section;
    described.key = place.key;
    described.sectionExists = section != nullptr;
    described.keyExists = section != nullptr && !place.key.empty() && IniFile::FindKey(*section, place.key) != nullptr;
    unsigned line = KeyLine(place.section, place.key);
    if (id == kMsgBadSetting && section == nullptr && building_) {
        const Place list = ListPlace();
        described.listSection = list.section;
        described.listKey = list.key;
        line = KeyLine(list.section, list.key);
    }
    described.where = Where(line);
    described.failure = failure_;

    char format[kCatalogueTextArea];
    LoadCatalogueText(id, format, sizeof format);
    const std::vector<std::string> arguments = MessageArguments(format, message);

    std::string shown = message;
    std::string english;
    if (english_) {
        english = EnglishForMessage(id, arguments, described);
        shown += "\n\n" + english;
    }
    const int answer = answerer_ != nullptr ? answerer_->Answer(shown.c_str(), caption, style) : 0;
    ++boxesShown_;

    TraceStep step;
    step.step = "error";
    step.line = line;
    step.depth = static_cast<int>(executing_.size());
    step.message = "error " + std::to_string(id);
    if (!place.section.empty()) step.message += " " + U(Named(place.section, place.key));
    step.message += ": " + OneLine(U(message));
    if (!failure_.empty()) step.message += "; " + failure_;
    step.Number("message", id).Text("section", U(place.section)).Text("key", place.key);
    step.Text("text", U(message)).List("arguments", [&] {
        std::vector<std::string> texts;
        for (const std::string& argument : arguments) texts.push_back(U(argument));
        return texts;
    }());
    if (!failure_.empty()) step.Text("failure", failure_);
    if (!english.empty()) step.Text("english", U(english));
    Emit(step);
    return answer;
}
