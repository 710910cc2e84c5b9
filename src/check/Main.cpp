// updater-check: checks update scripts before they ship.
//
//   updater-check [options] SCRIPT.ini...
//
// Exit status 0 when no script has an error, 1 when one has (or a warning,
// with --warnings-as-errors), 2 for a wrong command line or a picture that
// could not be drawn.
#include <fstream>
#include <string>
#include <vector>

#include "UpdaterVersion.h"
#include "check/Checker.h"
#include "check/Options.h"
#include "check/Report.h"
#include "platform/CheckerIo.h"

namespace {

const char kUsageEn[] =
    "Usage: updater-check [options] SCRIPT.ini...\n"
    "\n"
    "Reads each update script the way the updater reads it, builds every list\n"
    "it can reach (the main list and both branches of every SWITCH) without\n"
    "running anything, and reports what would stop a run (errors) and what\n"
    "fails silently or surprises (warnings), each with its file and line.\n"
    "\n"
    "Options:\n"
    "  --format text|json|sarif   the form of the report (default: text, as\n"
    "                             compilers write it)\n"
    "  --lang en|ja               the language of the messages (default: the\n"
    "                             user's; Japanese in a Japanese locale)\n"
    "  --warnings-as-errors       warnings count as errors for the exit status\n"
    "  --src FOLDER               the folder the updater will lie in, for <Src>\n"
    "                             (default: the script's own folder)\n"
    "  --root FOLDER              the host edition's root (drive C: and the\n"
    "                             registry file), as NEMURIA_ROOT sets it\n"
    "  --graph FILE.svg|FILE.dot  draws the lists and branches of one script,\n"
    "                             the stopping points marked (Graphviz)\n"
    "  --help                     this text\n"
    "  --version                  the version\n"
    "\n"
    "Exit status: 0 without errors, 1 with errors, 2 for a wrong command line.\n";

const char kUsageJa[] =
    "使い方: updater-check [オプション] 設定ファイル.ini...\n"
    "\n"
    "設定ファイルをアップデータと同じように読み、たどり着けるすべてのリスト\n"
    "（メインのリストとすべての SWITCH の両方の分岐）を何も実行せずに作り、\n"
    "実行を止める誤り（エラー）と黙って失敗したり驚かせたりするもの（警告）を\n"
    "ファイル名と行番号付きで報告します。\n"
    "\n"
    "オプション:\n"
    "  --format text|json|sarif   報告の形式（既定: text、コンパイラーと同じ形）\n"
    "  --lang en|ja               メッセージの言語（既定: 利用者の言語。日本語の\n"
    "                             ロケールでは日本語）\n"
    "  --warnings-as-errors       終了コードでは警告もエラーと数える\n"
    "  --src フォルダー           アップデータを置くフォルダー（<Src>）\n"
    "                             （既定: 設定ファイルのフォルダー）\n"
    "  --root フォルダー          ホスト版のルート（ドライブ C: とレジストリの\n"
    "                             ファイル）。NEMURIA_ROOT と同じ\n"
    "  --graph ファイル.svg|.dot  1 つの設定ファイルのリストと分岐を図にする\n"
    "                             （Graphviz）。止まる場所に印を付ける\n"
    "  --help                     この説明\n"
    "  --version                  バージョン\n"
    "\n"
    "終了コード: エラーなしは 0、エラーありは 1、コマンドラインの誤りは 2。\n";

int Usage(const std::string& problem, Language language) {
    WriteConsoleText("updater-check: " + problem + "\n\n" +
                         (language == Language::kJapanese ? kUsageJa : kUsageEn),
                     true);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    CheckOptions options;
    options.language = UserPrefersJapanese() ? Language::kJapanese : Language::kEnglish;
    std::string problem;
    if (!ParseCheckOptions(std::vector<std::string>(argv + 1, argv + argc), options, problem)) {
        return Usage(problem, options.language);
    }
    if (options.help) {
        WriteConsoleText(options.language == Language::kJapanese ? kUsageJa : kUsageEn, false);
        return 0;
    }
    if (options.version) {
        WriteConsoleText(std::string("updater-check ") + UPDATER_VERSION_TEXT + "\n", false);
        return 0;
    }
    if (!options.root.empty() && !UseHostRoot(options.root.c_str())) {
        return Usage("--root is an option of the host edition", options.language);
    }
    if (!options.src.empty()) options.src = FolderForRun(options.src.c_str());

    std::vector<CheckReport> reports;
    bool failed = false;
    for (const std::string& script : options.scripts) {
        reports.push_back(CheckScript({script, options.src}));
        failed = ReportFails(reports.back(), options.warningsAsErrors) || failed;
    }

    if (options.format == "json") {
        WriteConsoleText(JsonReport(reports, options.language, UPDATER_VERSION_TEXT), false);
    } else if (options.format == "sarif") {
        WriteConsoleText(SarifReport(reports, options.language, UPDATER_VERSION_TEXT), false);
    } else {
        WriteConsoleText(TextReport(reports, options.language), false);
    }

    if (!options.graph.empty()) {
        const std::string dot = GraphDot(reports.front(), options.language);
        const std::string extension = LowerExtension(options.graph);
        if (extension == "dot" || extension == "gv") {
            std::ofstream out(options.graph, std::ios::binary);
            out << dot;
            if (!out.flush()) problem = "cannot write " + options.graph;
        } else {
            RenderGraph(dot, extension.empty() ? "svg" : extension.c_str(), options.graph.c_str(), problem);
        }
        if (!problem.empty()) {
            WriteConsoleText("updater-check: " + problem + "\n", true);
            return 2;
        }
    }
    return failed ? 1 : 0;
}
