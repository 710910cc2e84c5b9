// Whole runs of arbitrary scripts on the host edition, in a throwaway root.
//
// The input is the script. Its first line may be a comment that steers the
// run without being part of what the program reads:
//
//   ;@<answers>[/<allocations>[/95]]
//
// <answers> are digits, the answers to the message boxes in turn (1 OK,
// 2 Cancel, 6 Yes, 7 No, any other digit as that number); a box beyond them
// gets its default button. <allocations> makes the heap run out after that
// many more allocations; "95" asks for the Windows 95 family.
//
// Each run starts from the same fresh root below a folder of this process:
// drive C: holds the script as C:\Setup\setup.ini (the program is
// C:\Setup\setup.exe, so <Src> is C:\Setup), a few payload files, and the
// only program there is to start, C:\Tools\noop.exe: a program that ends
// at once whatever it is given (noop.c). Runs are safe however the script
// names its paths, because the target is linked so that every path the
// program maps outside drive C: of this root is refused (Confine.h). Files
// are never made executable by a run, so the only program a LAUNCH can
// start is noop.exe, under whatever name a COPY gives it.
//
// The run follows start-up from the symbols on (the program path is fixed
// rather than read from the process) and ends as the program ends, with
// every list released. Checks besides the sanitizers: every box has a text
// and a caption; no list is left on the stack at the end. With the
// environment variable FUZZ_SHOW_BOXES set, the boxes are written to
// standard error (texts in Shift-JIS), for looking into one input.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Confine.h"
#include "FuzzSupport.h"
#include "commands/CommandTable.h"
#include "engine/ProcList.h"
#include "engine/RunState.h"
#include "engine/Startup.h"
#include "engine/Symbols.h"
#include "platform/FileOps.h"
#include "platform/FileSearch.h"
#include "platform/MessageBox.h"
#include "platform/posix/HostPath.h"
#include "text/Heap.h"
#include "text/Messages.h"

namespace {

const char kRegistry[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\noop.exe]\r\n"
    "@=\"C:\\\\Tools\\\\noop.exe\"\r\n"
    "\"Path\"=\"C:\\\\Tools\\\\;\"\r\n";

// Files of every fresh root, relative to drive C:.
const char* const kPayload[][2] = {
    {"Setup/payload/sample.txt", "sample 2.0\r\n"},
    {"Setup/payload/readme.txt", "read me\r\n"},
    {"Setup/new/a.txt", "new a"},
    {"Setup/new/b.txt", "new b"},
    {"Setup/old/a.txt", "old a"},
    {"Setup/installed/sample.txt", "sample 1.0\r\n"},
};

struct Setup {
    std::string root;       // NEMURIA_ROOT
    std::string driveC;     // root/drive_c, the only place the runs reach
    std::string noop;       // the harmless program, outside drive C:
    std::string outside;    // a file beside the root that no run may touch
};

std::vector<int> answers;
size_t nextAnswer = 0;
unsigned boxes = 0;

int DefaultAnswer(unsigned style) {
    if ((style & 0xF) == kBoxYesNo) return (style & kBoxDefButton2) ? kAnswerNo : kAnswerYes;
    return kAnswerOk;
}

int ScriptedBox(const char* text, const char* caption, unsigned style) {
    FUZZ_CHECK(text != nullptr && caption != nullptr, "a box has a text and a caption");
    // Reading both to their ends lets the sanitizers see an unterminated one.
    FUZZ_CHECK(std::strlen(text) < (1u << 20) && std::strlen(caption) < (1u << 20), "box texts end");
    ++boxes;
    const int answer = nextAnswer < answers.size() ? answers[nextAnswer++] : DefaultAnswer(style);
    // FUZZ_SHOW_BOXES=1 writes the boxes down, for looking at one input.
    static const bool show = std::getenv("FUZZ_SHOW_BOXES") != nullptr;
    if (show) std::fprintf(stderr, "[box %s | style 0x%x | answer %d]\n%s\n", caption, style, answer, text);
    return answer;
}

std::string ReadWholeFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void MakeFolders(const std::string& path) {
    std::string prefix;
    size_t start = 1;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        prefix = path.substr(0, end);
        mkdir(prefix.c_str(), 0755);
        start = end + 1;
    }
}

// Lays out a fresh drive C: with the script and the payload.
void FreshRoot(const Setup& setup, const std::string& script) {
    RemoveTree(setup.driveC);
    EnsureHostRoot();
    for (const auto& file : kPayload) {
        const std::string path = setup.driveC + "/" + file[0];
        MakeFolders(path.substr(0, path.rfind('/')));
        WriteHostFile(path, file[1]);
    }
    MakeFolders(setup.driveC + "/Tools");
    const std::string program = setup.driveC + "/Tools/noop.exe";
    // A hard link of the program: no run changes a file's bytes in place
    // (copies and shortcuts replace whole files), so only its mode needs
    // putting back.
    chmod(setup.noop.c_str(), 0755);
    if (link(setup.noop.c_str(), program.c_str()) != 0) {
        WriteHostFile(program, ReadWholeFile(setup.noop.c_str()), 0755);
    }
    WriteHostFile(setup.driveC + "/Setup/setup.ini", script);
}

// Proves the confinement before any input runs: the program must not see or
// remove a file outside drive C:, and must see one inside it.
void CheckConfinement(const Setup& setup) {
    FreshRoot(setup, "");
    WriteHostFile(setup.outside, "outside");
    const std::string outside = WindowsFormOf(setup.outside);
    const bool seen = FileExists(outside.c_str());
    const bool deleted = DeleteOneFile(outside.c_str());
    const bool copied = CopyOneFile("C:\\Setup\\new\\a.txt", outside.c_str());
    const bool inside = FileExists("C:\\Setup\\new\\a.txt") &&
                        FileExists(WindowsFormOf(setup.driveC + "/Setup/new/a.txt").c_str());
    if (seen || deleted || copied || !inside || ReadWholeFile(setup.outside.c_str()) != "outside") {
        std::fprintf(stderr, "script_fuzzer: the confinement to %s does not hold; not running\n",
                     setup.driveC.c_str());
        std::abort();
    }
}

const Setup& TheSetup() {
    static const Setup setup = [] {
        Setup s;
        s.root = ScratchFolder() + "/root";
        s.driveC = s.root + "/drive_c";
        s.noop = ScratchFolder() + "/noop";
        s.outside = ScratchFolder() + "/outside.txt";
        UseHostRoot(s.root);
        WriteHostFile(s.root + "/system.reg", kRegistry);
        const std::string noop = ReadWholeFile(NOOP_PATH);
        if (noop.empty()) {
            std::fprintf(stderr, "script_fuzzer: the program %s is missing\n", NOOP_PATH);
            std::abort();
        }
        WriteHostFile(s.noop, noop, 0755);
        ConfineTo(s.driveC);
        SetMessageBoxHook(ScriptedBox);
        CheckConfinement(s);
        return s;
    }();
    return setup;
}

// Reads the steering line, if the script has one.
int ReadSteering(const std::string& script) {
    answers.clear();
    nextAnswer = 0;
    unsetenv("NEMURIA_WINDOWS_FAMILY");
    if (script.compare(0, 2, ";@") != 0) return -1;
    size_t at = 2;
    for (; at < script.size() && script[at] != '/' && script[at] != '\n' && script[at] != '\r'; ++at) {
        if (script[at] >= '0' && script[at] <= '9') answers.push_back(script[at] - '0');
    }
    int allocations = -1;
    if (at < script.size() && script[at] == '/') {
        ++at;
        int value = 0;
        bool any = false;
        for (; at < script.size() && script[at] >= '0' && script[at] <= '9' && value < 100000; ++at) {
            value = value * 10 + (script[at] - '0');
            any = true;
        }
        if (any) allocations = value;
        if (script.compare(at, 3, "/95") == 0) setenv("NEMURIA_WINDOWS_FAMILY", "95", 1);
    }
    return allocations;
}

}  // namespace

// AddressSanitizer's checked strstr measures the whole text on every call,
// which makes the program's walks over items and groups (one search per
// separator) quadratic in the text's length; values expanded to tens of
// kilobytes would spend the fuzzer's time there. strstr is therefore left
// unchecked; every other access of the program stays checked.
extern "C" const char* __asan_default_options() { return "intercept_strstr=0"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    TheSetup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Setup& setup = TheSetup();
    const std::string script(reinterpret_cast<const char*>(data), size);
    const int allocations = ReadSteering(script);
    FreshRoot(setup, script);
    boxes = 0;

    // The run as start-up leaves it before the symbols.
    RunState run;
    run.Commands = UpdaterCommands();
    run.Caption.Assign(kDefaultCaption);
    run.ModulePath.Assign("C:\\Setup\\setup.exe");
    run.ScriptFile.Assign("C:\\Setup\\setup.ini");

    if (allocations >= 0) SetTextAllocFailAfter(allocations);
    LoadSymbols(run);
    if (ReadUpdaterSection(run)) {
        if (run.UpdaterName.Length() != 0) run.Caption.Assign(run.UpdaterName);
        RunMainProcList(run);
    }
    SetTextAllocFailAfter(-1);
    ReleaseAllProcLists(run);
    FUZZ_CHECK(run.ProcListArray.depth == 0 && CurrentProcList(run) == nullptr, "every list is released at the end");
    return 0;
}
