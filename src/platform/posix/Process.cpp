// Starting programs on the host.
//
// The program file and its folder are Windows paths mapped like every
// other path; the parameter text is split into arguments as a Windows
// program's C runtime would split it (winlike/Arguments.h), each argument is passed
// on in the host's UTF-8 like every other text that leaves the program, and
// argv[0] is the program's host path. The program runs in its own folder, with this
// process's environment and standard descriptors and nothing else.
//
// fork and exec rather than posix_spawn: the child needs a change of
// folder, the closing of every other descriptor and, when the program is
// not waited for, a second fork; posix_spawn offers the first two only as
// non-portable extensions and the third not at all. Between fork and exec
// the child makes only async-signal-safe calls, and everything it needs
// (paths, argument vector) is built before the fork.
//
// Whether the program really started is learnt through a pipe whose write
// end is closed on exec: a successful exec closes it without a word, while
// a child that cannot become the program (missing file, no permission, not
// a program, a folder, a folder that cannot be entered) writes its errno
// there before it ends. So a program is never reported as started when it
// was not.
//
// Waiting: with wait the call returns once the program has ended. Without
// it there is no state "ready for input" on the host; the call returns as
// soon as the program runs. Such a program is started by a short-lived
// intermediate child, so that it is adopted by init (or the nearest
// subreaper), which collects it when it ends: it never stays a zombie of
// ours.
#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "platform/Failure.h"
#include "platform/Process.h"
#include "winlike/Arguments.h"
#include "winlike/Conversion.h"
#include "winlike/WindowsPath.h"
#include "platform/posix/HostActions.h"
#include "platform/posix/HostFilePath.h"
#include "platform/posix/Rehearsal.h"
#include "platform/posix/ScopedSignal.h"
#include "platform/posix/UniqueFd.h"

namespace {

// What the child needs between fork and exec, prepared in advance.
struct ExecPlan {
    const char* folder;
    const char* file;
    char* const* argv;
    int errorFd;     // write end of the close-on-exec pipe
    int highestFd;   // upper bound of open descriptors, for the fallback
};

[[noreturn]] void ReportFailure(int errorFd, int error) {
    // Four bytes into an empty pipe whose read end is open: the write is
    // atomic and cannot fail.
    const ssize_t written = write(errorFd, &error, sizeof error);
    static_cast<void>(written);
    _exit(127);
}

void CloseRange(unsigned first, unsigned last, int highestFd) {
    if (first > last) return;
    if (close_range(first, last, 0) == 0) return;
    // Kernels before 5.9: close one by one up to the descriptor limit.
    for (long fd = first; fd <= highestFd && fd <= static_cast<long>(last); ++fd) {
        close(static_cast<int>(fd));
    }
}

// Closes every descriptor above the standard three except the error pipe,
// which closes itself on exec.
void CloseInheritedDescriptors(const ExecPlan& plan) {
    const unsigned keep = static_cast<unsigned>(plan.errorFd);
    if (keep < 3) {
        CloseRange(3, UINT_MAX, plan.highestFd);
    } else {
        CloseRange(3, keep - 1, plan.highestFd);
        CloseRange(keep + 1, UINT_MAX, plan.highestFd);
    }
}

// Runs in the child: becomes the program or reports why not.
[[noreturn]] void BecomeProgram(const ExecPlan& plan) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (chdir(plan.folder) != 0) ReportFailure(plan.errorFd, errno);
    CloseInheritedDescriptors(plan);
    execv(plan.file, plan.argv);
    ReportFailure(plan.errorFd, errno);
}

// Reads the child's report: 0 when the pipe closed without one, that is
// when the program was started; else the error that kept it from starting.
int StartError(int readFd) {
    int error = 0;
    for (;;) {
        const ssize_t got = read(readFd, &error, sizeof error);
        if (got == 0) return 0;
        if (got > 0) return error != 0 ? error : -1;
        if (errno != EINTR) return errno;
    }
}

// Waits until the child `pid` has ended and collects it.
bool WaitForEnd(pid_t pid) {
    int status = 0;
    for (;;) {
        if (waitpid(pid, &status, 0) == pid) return true;
        if (errno != EINTR) return false;
    }
}

int HighestDescriptor() {
    const long limit = sysconf(_SC_OPEN_MAX);
    if (limit <= 0 || limit > INT_MAX) return 65535;
    return static_cast<int>(limit - 1);
}

}  // namespace

bool LaunchProgram(const char* program, const char* parameters, bool wait) {
    TextString folder;
    if (!DirectoryOfPath(program, folder) || folder.CStr()[0] == '\0') {
        return NoteFailure("the program has no folder", program, ENOENT);
    }
    std::string hostProgram;
    std::string hostFolder;
    if (!MapHostFilePath(program, hostProgram) || !MapHostPath(folder.CStr(), hostFolder)) {
        return false;
    }
    // A rehearsal starts nothing: the start counts as made.
    if (Rehearsing()) {
        if (HostActionsHeard()) {
            HostAction pretended{"launch", program, hostProgram, "not started"};
            pretended.arguments = parameters;
            TellHostAction(pretended);
        }
        return true;
    }

    std::vector<std::string> arguments = SplitArguments(parameters);
    std::vector<char*> argv;
    argv.push_back(&hostProgram[0]);
    for (std::string& argument : arguments) {
        argument = Utf8FromAnsi(argument);
        argv.push_back(&argument[0]);
    }
    argv.push_back(nullptr);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return NoteFailure("pipe2", hostProgram.c_str(), errno);
    UniqueFd readEnd(pipeFds[0]);
    UniqueFd writeEnd(pipeFds[1]);
    const ExecPlan plan = {hostFolder.c_str(), hostProgram.c_str(), argv.data(), writeEnd.Get(),
                           HighestDescriptor()};

    const ScopedSignal ownChildren(SIGCHLD, SIG_DFL);
    const pid_t child = fork();
    if (child < 0) return NoteFailure("fork", hostProgram.c_str(), errno);
    if (child == 0) {
        if (wait) BecomeProgram(plan);
        const pid_t grandchild = fork();
        if (grandchild < 0) ReportFailure(plan.errorFd, errno);
        if (grandchild == 0) BecomeProgram(plan);
        _exit(0);
    }

    writeEnd.Reset();
    const int startError = StartError(readEnd.Get());
    // Without wait the child is the intermediate one, which ends at once.
    const bool ended = WaitForEnd(child);
    if (startError != 0) return NoteFailure("start the program", hostProgram.c_str(), startError);
    if (!ended && wait) return NoteFailure("wait for the program", hostProgram.c_str(), errno);
    if (HostActionsHeard()) {
        HostAction started{"launch", program, hostProgram, wait ? "ended" : "started"};
        started.arguments = parameters;
        TellHostAction(started);
    }
    return true;
}
