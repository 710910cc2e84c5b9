// The host program: its options, then a plain run as the Windows program
// makes it, a watched run (trace, status, answers, English lines), or the
// exploration of every path.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/Updater.h"
#include "app/host/Explain.h"
#include "app/host/Explore.h"
#include "app/host/Options.h"
#include "app/host/RunWatch.h"
#include "engine/Startup.h"
#include "platform/Entry.h"
#include "platform/System.h"
#include "platform/posix/HostEntry.h"
#include "platform/posix/HostPath.h"

#ifndef UPDATER_VERSION
#define UPDATER_VERSION "unknown"
#endif

namespace {

int WatchedRun(const HostOptions& options, const std::string& argumentText, bool english) {
    std::FILE* traceOut = nullptr;
    if (options.trace) {
        traceOut = options.traceFile.empty() ? stderr : std::fopen(options.traceFile.c_str(), "w");
        if (traceOut == nullptr) {
            std::fprintf(stderr, "updater: cannot write the trace file %s\n", options.traceFile.c_str());
            return 64;
        }
    }
    EnsureHostRoot();

    RunState run;
    WireUpdaterRun(run);
    RunWatch watch(run, ThisProgramsScript());
    TextTraceWriter textTrace(traceOut);
    JsonTraceWriter jsonTrace(traceOut);
    if (traceOut != nullptr) {
        watch.AddSink(IsJsonTraceFile(options.traceFile) ? static_cast<StepSink*>(&jsonTrace) : &textTrace);
    }
    ConsoleAnswerer answerer(options.answersGiven ? &options.answers : nullptr);
    watch.SetAnswerer(&answerer);
    watch.SetEnglish(english);
    watch.Attach();
    watch.Start(HostRoot(), IsWindowsNT());
    RunUpdater(run, argumentText.c_str());
    const int status = watch.Finish();
    if (traceOut != nullptr && traceOut != stderr) std::fclose(traceOut);
    return options.status ? status : 0;
}

}  // namespace

int HostMain(int argc, char** argv) {
    HostOptions options;
    std::string error;
    if (!ParseHostOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "updater: %s (updater --help lists the options)\n", error.c_str());
        return 64;
    }
    if (options.help) {
        std::fputs(HostHelpText(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("Nemuria Updater %s, host edition\n", UPDATER_VERSION);
        return 0;
    }
    // The root is passed on as an absolute path, as the programs a run
    // starts inherit it from a folder of their own.
    if (!options.root.empty()) {
        std::error_code ignored;
        setenv("NEMURIA_ROOT", std::filesystem::absolute(options.root, ignored).c_str(), 1);
    }
    if (!options.family.empty()) setenv("NEMURIA_WINDOWS_FAMILY", options.family.c_str(), 1);
    const std::string argumentText = ArgumentText(argc, argv, options.firstArgument);

    if (options.explore) return ExploreScript(options, argumentText);
    const bool english = EnglishWanted(options.explain);
    if (!options.trace && !options.status && !options.answersGiven && !english) {
        // The run the Windows program makes, untouched by any watch.
        EnsureHostRoot();
        return UpdaterMain(argumentText.c_str());
    }
    return WatchedRun(options, argumentText, english);
}
