// The script checker: a run of the updater's engine that reads the script,
// loads its symbols and builds its lists, with every box kept from
// appearing, followed by the inspections of the text and the values.
#include "check/Checker.h"

#include <algorithm>

#include "check/Explore.h"
#include "check/Inspect.h"
#include "check/Support.h"
#include "commands/CommandTable.h"
#include "engine/RunState.h"
#include "engine/Symbols.h"
#include "platform/CheckerIo.h"
#include "platform/MessageBox.h"
#include "text/Messages.h"

namespace {

// Every box the building would show is answered at once; the checker has
// learnt what it needs from the run's observer by then.
int AnswerAtOnce(const char* /*text*/, const char* /*caption*/, unsigned style) {
    return (style & 0xF) == kBoxYesNo ? kAnswerYes : kAnswerOk;
}

// The file name of a Windows path: the text after its last backslash.
std::string FileNameOf(const std::string& path) {
    const size_t separator = path.find_last_of('\\');
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool Explains(const std::vector<Finding>& findings, const char* ruleId) {
    return std::any_of(findings.begin(), findings.end(), [&](const Finding& finding) {
        return finding.rule != nullptr && std::string(finding.rule->id) == ruleId &&
               finding.severity == Severity::kError;
    });
}

}  // namespace

CheckReport CheckScriptBytes(const std::string& displayName, const std::string& scriptPath,
                             const std::string& bytes, const std::string& srcFolder) {
    CheckReport report;
    report.file = displayName;
    const ScriptView script(ScriptTextOf(bytes));
    std::vector<Finding> findings;
    InspectText(bytes, script, scriptPath, srcFolder.empty(), findings);

    RunState run;
    run.Commands = UpdaterCommands();
    run.ScriptFile.Assign(scriptPath.c_str());
    // <Src> is the folder of the program's file, which lies beside the
    // script under the script's name.
    const std::string module = srcFolder.empty() ? scriptPath : srcFolder + "\\" + FileNameOf(scriptPath);
    run.ModulePath.Assign(module.c_str());
    run.Caption.Assign(kDefaultCaption);

    SetMessageBoxHook(AnswerAtOnce);
    LoadSymbols(run);
    ExploreResult explored;
    ExploreScript(run, script, explored);
    InspectValues(explored, script, run, findings);
    SetMessageBoxHook(nullptr);

    // A byte-order mark that costs the [UPDATER] header, or a big-endian
    // file, is the cause of the missing section: one error says both.
    const bool explained = Explains(findings, "utf8-bom") || Explains(findings, "utf16-big-endian");
    for (Finding& finding : explored.findings) {
        if (explained && finding.rule != nullptr && std::string(finding.rule->id) == "missing-updater") continue;
        findings.push_back(std::move(finding));
    }
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        if (a.line != b.line) return a.line < b.line;
        return a.severity == Severity::kError && b.severity != Severity::kError;
    });
    for (const Finding& finding : findings) {
        (finding.severity == Severity::kError ? report.errors : report.warnings) += 1;
    }
    report.findings = std::move(findings);
    report.graph = std::move(explored.graph);
    return report;
}

bool ReportFails(const CheckReport& report, bool warningsAsErrors) {
    return report.errors > 0 || (warningsAsErrors && report.warnings > 0);
}

CheckReport CheckScript(const CheckRequest& request) {
    std::string bytes;
    if (!ReadScriptBytes(request.path.c_str(), bytes)) {
        CheckReport report;
        report.file = Utf8FromArgument(request.path.c_str());
        report.findings.push_back(MakeFinding("unreadable", nullptr, {}, 0));
        report.errors = 1;
        return report;
    }
    return CheckScriptBytes(Utf8FromArgument(request.path.c_str()), ScriptPathForReads(request.path.c_str()), bytes, request.srcFolder);
}
