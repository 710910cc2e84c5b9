// The checker's reports in their three forms.
#include "check/Report.h"

#include <algorithm>
#include <cstdio>

namespace {

const char* SeverityWord(Severity severity) { return severity == Severity::kError ? "error" : "warning"; }

// Text whose broken UTF-8 sequences (bytes of a script that converted to
// no character) are replaced by U+FFFD, so that JSON readers accept it.
std::string ValidUtf8(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        bool whole = length != 0 && !(length == 2 && c < 0xC2) && i + length <= text.size();
        for (size_t k = 1; whole && k < length; ++k) {
            whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        }
        if (whole) {
            out.append(text, i, length);
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

std::string Json(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : ValidUtf8(text)) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

// Names in their order, each once; a long list by its first three and
// its last four.
std::string JoinNames(const std::vector<std::string>& all) {
    std::vector<std::string> names;
    for (const std::string& name : all) {
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    std::string text;
    const size_t count = names.size();
    for (size_t i = 0; i < count; ++i) {
        if (count > 8 && i == 3) {
            text += ", ...";
            i = count - 5;
            continue;
        }
        if (i > 0) text += ", ";
        text += names[i];
    }
    return text;
}

std::string Where(const Finding& finding) {
    if (finding.section.empty()) return std::string();
    std::string where = "[" + finding.section + "] ";
    if (!finding.key.empty()) where += finding.key + ": ";
    return where;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A sentence for SARIF: a capital letter first and a full stop last.
std::string Sentence(std::string text, Language language) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
    if (!EndsWith(text, ".") && !EndsWith(text, "?") && !EndsWith(text, "。") && !EndsWith(text, "？")) {
        text += language == Language::kJapanese ? "。" : ".";
    }
    return text;
}

// The file as a URI reference: a relative path with forward slashes, or a
// file URI for an absolute path; bytes beyond ASCII and reserved ones
// percent-encoded.
std::string UriOf(const std::string& path) {
    std::string slashed;
    for (char c : path) slashed += c == '\\' ? '/' : c;
    std::string prefix;
    if (!slashed.empty() && slashed[0] == '/') {
        prefix = "file://";
    } else if (slashed.size() >= 2 && slashed[1] == ':') {
        prefix = "file:///";
    }
    std::string uri = prefix;
    for (unsigned char c : slashed) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '.' || c == '_' || c == '~' || c == '/' || c == ':';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            uri += escaped;
        }
    }
    return uri;
}

std::string StopJson(const Finding& finding, Language language) {
    std::string out = "{\"branches\": [";
    for (size_t i = 0; i < finding.stop.branches.size(); ++i) {
        if (i > 0) out += ", ";
        out += "{\"section\": " + Json(finding.stop.branches[i].section) +
               ", \"branch\": " + std::to_string(finding.stop.branches[i].value) + "}";
    }
    out += "], \"after\": [";
    for (size_t i = 0; i < finding.stop.ranBefore.size(); ++i) {
        out += (i > 0 ? ", " : "") + Json(finding.stop.ranBefore[i]);
    }
    out += "], \"changedFiles\": [";
    for (size_t i = 0; i < finding.stop.changedFiles.size(); ++i) {
        out += (i > 0 ? ", " : "") + Json(finding.stop.changedFiles[i]);
    }
    out += "], \"whileBuildingMainList\": ";
    out += finding.stop.whileBuildingMain ? "true" : "false";
    out += ", \"text\": " + Json(StopText(finding, language)) + "}";
    return out;
}

}  // namespace

std::string FindingText(const Finding& finding, Language language) {
    std::string text = MessageText(finding.message, finding.args, language);
    if (!finding.suggestion.empty()) {
        text += language == Language::kJapanese ? "。" : "; ";
        text += UiText("did-you-mean", language, {finding.suggestion});
    }
    return text;
}

std::string StopText(const Finding& finding, Language language) {
    if (!finding.hasStop) return std::string();
    const StopPlace& stop = finding.stop;
    if (stop.whileBuildingMain) return UiText("stop-building-main", language);
    std::string where;
    if (stop.branches.empty()) {
        where = UiText("stop-main", language);
    } else {
        // Runs of the same branch (a SWITCH that names its own list) are
        // told once, with their depth.
        std::vector<std::pair<const StopPlace::Branch*, size_t>> runs;
        for (const StopPlace::Branch& branch : stop.branches) {
            if (!runs.empty() && runs.back().first->section == branch.section &&
                runs.back().first->value == branch.value) {
                ++runs.back().second;
            } else {
                runs.emplace_back(&branch, 1);
            }
        }
        const std::string join = UiText("stop-branch-join", language);
        const size_t count = runs.size();
        for (size_t i = 0; i < count; ++i) {
            // English names the innermost branch first, Japanese the outermost.
            const auto& run = runs[language == Language::kJapanese ? i : count - 1 - i];
            if (i > 0) where += join;
            const std::vector<std::string> args = {run.first->section, std::to_string(run.first->value),
                                                   std::to_string(run.second)};
            where += UiText(run.second > 1 ? "stop-branch-repeated" : "stop-branch", language, args);
        }
    }
    std::string text = UiText("stop-at", language, {where});
    text += stop.ranBefore.empty() ? UiText("stop-before-any", language)
                                   : UiText("stop-after", language, {JoinNames(stop.ranBefore)});
    if (!stop.changedFiles.empty()) text += UiText("stop-changed", language, {JoinNames(stop.changedFiles)});
    return text;
}

std::string TextReport(const std::vector<CheckReport>& reports, Language language) {
    std::string out;
    for (const CheckReport& report : reports) {
        for (const Finding& finding : report.findings) {
            const std::string place = report.file + (finding.line != 0 ? ":" + std::to_string(finding.line) : "");
            out += place + ": " + SeverityWord(finding.severity) + ": " + Where(finding) +
                   FindingText(finding, language) + " [" + (finding.rule != nullptr ? finding.rule->id : "") + "]\n";
            const std::string stop = StopText(finding, language);
            if (!stop.empty()) out += place + ": note: " + stop + "\n";
        }
        out += UiText("summary", language,
                      {report.file, std::to_string(report.errors), std::to_string(report.warnings)}) +
               "\n";
    }
    return ValidUtf8(out);
}

std::string JsonReport(const std::vector<CheckReport>& reports, Language language, const char* version) {
    int errors = 0;
    int warnings = 0;
    std::string out = "{\n  \"tool\": \"updater-check\",\n  \"version\": " + Json(version) + ",\n  \"files\": [";
    for (size_t r = 0; r < reports.size(); ++r) {
        const CheckReport& report = reports[r];
        errors += report.errors;
        warnings += report.warnings;
        out += r > 0 ? ",\n    {" : "\n    {";
        out += "\"file\": " + Json(report.file) + ", \"errors\": " + std::to_string(report.errors) +
               ", \"warnings\": " + std::to_string(report.warnings) + ", \"findings\": [";
        for (size_t i = 0; i < report.findings.size(); ++i) {
            const Finding& finding = report.findings[i];
            out += i > 0 ? ",\n      {" : "\n      {";
            out += "\"line\": " + std::to_string(finding.line);
            out += ", \"severity\": " + Json(SeverityWord(finding.severity));
            out += ", \"rule\": " + Json(finding.rule != nullptr ? finding.rule->id : "");
            out += ", \"section\": " + Json(finding.section);
            out += ", \"key\": " + Json(finding.key);
            out += ", \"message\": " + Json(FindingText(finding, language));
            if (!finding.suggestion.empty()) out += ", \"suggestion\": " + Json(finding.suggestion);
            if (finding.updaterMessage != 0) out += ", \"updaterMessage\": " + std::to_string(finding.updaterMessage);
            if (finding.hasStop) out += ", \"stop\": " + StopJson(finding, language);
            out += "}";
        }
        out += report.findings.empty() ? "]}" : "\n    ]}";
    }
    out += "\n  ],\n  \"errors\": " + std::to_string(errors) + ",\n  \"warnings\": " + std::to_string(warnings) +
           "\n}\n";
    return out;
}

std::string SarifReport(const std::vector<CheckReport>& reports, Language language, const char* version) {
    std::string out =
        "{\n  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n  \"version\": \"2.1.0\",\n"
        "  \"runs\": [\n    {\n      \"tool\": {\n        \"driver\": {\n"
        "          \"name\": \"updater-check\",\n          \"version\": " +
        Json(version) + ",\n          \"semanticVersion\": " + Json(version) + ",\n          \"rules\": [";
    const std::vector<Rule>& rules = AllRules();
    for (size_t i = 0; i < rules.size(); ++i) {
        const Rule& rule = rules[i];
        const std::string summary = language == Language::kJapanese ? rule.summaryJa : rule.summaryEn;
        out += i > 0 ? ",\n            {" : "\n            {";
        out += "\"id\": " + Json(rule.id) + ", \"name\": " + Json(rule.name) +
               ", \"shortDescription\": {\"text\": " + Json(summary) + "}, \"fullDescription\": {\"text\": " +
               Json(summary) + "}, \"defaultConfiguration\": {\"level\": " + Json(SeverityWord(rule.severity)) +
               "}}";
    }
    out += "\n          ]\n        }\n      },\n";
    out += "      \"language\": " + Json(language == Language::kJapanese ? "ja" : "en") + ",\n";
    out += "      \"columnKind\": \"utf16CodeUnits\",\n";
    out += "      \"invocations\": [{\"executionSuccessful\": true}],\n";
    out += "      \"results\": [";
    bool first = true;
    for (size_t r = 0; r < reports.size(); ++r) {
        for (const Finding& finding : reports[r].findings) {
            if (finding.rule == nullptr) continue;
            out += first ? "\n        {" : ",\n        {";
            first = false;
            std::string message = Sentence(FindingText(finding, language), language);
            const std::string stop = StopText(finding, language);
            if (!stop.empty()) message += (language == Language::kJapanese ? "" : " ") + Sentence(stop, language);
            out += "\"ruleId\": " + Json(finding.rule->id) + ", \"ruleIndex\": " +
                   std::to_string(RuleIndex(*finding.rule)) + ", \"level\": " + Json(SeverityWord(finding.severity)) +
                   ", \"message\": {\"text\": " + Json(message) + "}";
            out += ", \"locations\": [{\"physicalLocation\": {\"artifactLocation\": {\"uri\": " +
                   Json(UriOf(reports[r].file)) + "}";
            if (finding.line != 0) out += ", \"region\": {\"startLine\": " + std::to_string(finding.line) + "}";
            out += "}";
            if (!finding.section.empty()) {
                const std::string name = finding.key.empty() ? finding.section : finding.section + "/" + finding.key;
                out += ", \"logicalLocations\": [{\"fullyQualifiedName\": " + Json(name) + ", \"kind\": " +
                       Json(finding.key.empty() ? "namespace" : "member") + "}]";
            }
            out += "}]";
            if (finding.updaterMessage != 0 || finding.hasStop || !finding.suggestion.empty()) {
                out += ", \"properties\": {";
                bool property = false;
                if (finding.updaterMessage != 0) {
                    out += "\"updaterMessage\": " + std::to_string(finding.updaterMessage);
                    property = true;
                }
                if (!finding.suggestion.empty()) {
                    out += std::string(property ? ", " : "") + "\"suggestion\": " + Json(finding.suggestion);
                    property = true;
                }
                if (finding.hasStop) out += std::string(property ? ", " : "") + "\"stop\": " + StopJson(finding, language);
                out += "}";
            }
            out += "}";
        }
    }
    out += first ? "]\n" : "\n      ]\n";
    out += "    }\n  ]\n}\n";
    return out;
}

namespace {

std::string Dot(const std::string& text) {
    std::string out = "\"";
    for (char c : ValidUtf8(text)) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

std::string NodeId(size_t list, size_t procedure) {
    return "L" + std::to_string(list) + "_P" + std::to_string(procedure);
}

}  // namespace

std::string GraphDot(const CheckReport& report, Language language) {
    const bool ja = language == Language::kJapanese;
    const std::string font = "IPAGothic,Noto Sans CJK JP,sans-serif";
    std::string out = "digraph script {\n";
    out += "  graph [compound=true, rankdir=TB, fontname=" + Dot(font) + ", fontsize=12, labelloc=t, label=" +
           Dot(report.file.substr(report.file.find_last_of("/\\") + 1)) + "];\n";
    out += "  node [shape=box, style=\"rounded,filled\", fillcolor=\"#ffffff\", fontname=" + Dot(font) +
           ", fontsize=11];\n";
    out += "  edge [fontname=" + Dot(font) + ", fontsize=10];\n";
    const std::vector<GraphList>& lists = report.graph.lists;
    const std::string flag = ja ? "フラグ " : "flag ";
    std::string links;
    for (size_t l = 0; l < lists.size(); ++l) {
        const GraphList& list = lists[l];
        out += "  subgraph cluster_L" + std::to_string(l) + " {\n";
        std::string title = list.title;
        if (!list.stopRule.empty()) title += "\n" + std::string(ja ? "停止: " : "stops: ") + list.stopRule;
        out += "    label=" + Dot(title) + "; style=\"rounded\"; color=" +
               Dot(list.stopRule.empty() ? "#7f8c8d" : "#c0392b") + ";\n";
        if (list.procedures.empty()) {
            out += "    " + NodeId(l, 0) + " [label=" + Dot(ja ? "（作れない）" : "(not built)") +
                   ", shape=plaintext, style=\"\"];\n";
        }
        for (size_t p = 0; p < list.procedures.size(); ++p) {
            const GraphProcedure& procedure = list.procedures[p];
            std::string label = procedure.section + "\n" + (procedure.mode.empty() ? "?" : procedure.mode);
            if (procedure.line != 0) label += (ja ? "  " : "  line ") + std::to_string(procedure.line) + (ja ? " 行" : "");
            std::string attributes;
            // The warnings on the procedure's section, by rule.
            std::string warnings;
            for (const Finding& finding : report.findings) {
                if (finding.severity != Severity::kWarning || finding.section != procedure.section ||
                    finding.rule == nullptr || warnings.find(finding.rule->id) != std::string::npos) {
                    continue;
                }
                warnings += std::string(warnings.empty() ? "" : ", ") + finding.rule->id;
            }
            if (!procedure.stopRule.empty()) {
                label += "\n" + std::string(ja ? "停止: " : "stops: ") + procedure.stopRule;
                attributes = ", fillcolor=\"#fadbd8\", color=\"#c0392b\", penwidth=2";
            } else if (procedure.endsRun) {
                label += "\n" + std::string(ja ? "実行を終える" : "ends the run");
                attributes = ", fillcolor=\"#fdebd0\", shape=octagon";
            } else if (!procedure.endsOn.empty()) {
                label += "\n" + (ja ? procedure.endsOn + " で終了" : "ends on " + procedure.endsOn);
                attributes = ", fillcolor=\"#fdebd0\"";
            } else if (procedure.mode == "SWITCH") {
                attributes = ", shape=diamond, style=filled, fillcolor=\"#eaf2f8\"";
            }
            if (!warnings.empty()) {
                label += "\n" + std::string(ja ? "警告: " : "warning: ") + warnings;
                if (procedure.stopRule.empty()) attributes += ", color=\"#d68910\", penwidth=2";
            }
            out += "    " + NodeId(l, p) + " [label=" + Dot(label) + attributes + "];\n";
            if (p > 0) out += "    " + NodeId(l, p - 1) + " -> " + NodeId(l, p) + ";\n";
            for (const GraphProcedure::Branch& branch : procedure.branches) {
                const std::string value = std::to_string(branch.value);
                const std::string from = NodeId(l, p);
                if (!branch.taken) {
                    const std::string never = from + "_never" + value;
                    links += "  " + never + " [label=" + Dot(ja ? "決して入らない" : "never taken") +
                             ", shape=plaintext, style=\"\", fontcolor=\"#7f8c8d\"];\n";
                    links += "  " + from + " -> " + never + " [label=" + Dot(flag + value) +
                             ", style=dashed, color=\"#7f8c8d\"];\n";
                } else if (branch.list < 0) {
                    const std::string empty = from + "_empty" + value;
                    links += "  " + empty + " [label=" + Dot(ja ? "（何もしない）" : "(nothing)") +
                             ", shape=plaintext, style=\"\"];\n";
                    links += "  " + from + " -> " + empty + " [label=" + Dot(flag + value) + "];\n";
                } else {
                    links += "  " + from + " -> " + NodeId(static_cast<size_t>(branch.list), 0) + " [label=" +
                             Dot(flag + value) + ", lhead=cluster_L" + std::to_string(branch.list) + ", color=\"#2e86c1\"];\n";
                }
            }
        }
        out += "  }\n";
    }
    out += links + "}\n";
    return out;
}
