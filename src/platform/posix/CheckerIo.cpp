// What the script checker asks of the host: the script's bytes and text,
// its path as the host edition names it, UTF-8 for the console, the
// locale's language, and Graphviz's dot started as a child process.
#include "platform/CheckerIo.h"

#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/FileIo.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/ScopedSignal.h"
#include "platform/posix/UniqueFd.h"
#include "winlike/Conversion.h"

namespace {

// Scripts are small; a file larger than this is not read.
const size_t kLargestScript = size_t(64) << 20;

// The root the host edition would use, as configured; it is only looked at
// here, never made.
std::string ConfiguredRoot() {
    const char* root = std::getenv("NEMURIA_ROOT");
    if (root != nullptr && root[0] != '\0') return root;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr && home[0] != '\0' ? home : "/tmp") + "/.local/share/nemuria-updater";
}

bool IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string Resolved(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

// The Windows name of a host path: on C: when it lies in the drive_c of a
// root that exists (asking the root of an existing one makes nothing new
// but its missing standard folders), else on Z:, which needs no root.
std::string WindowsNameOf(const std::string& hostPath) {
    const std::string absolute = Resolved(hostPath);
    const std::string driveC = ConfiguredRoot() + "/drive_c";
    if (IsFolder(driveC)) {
        const std::string resolvedDriveC = Resolved(driveC) + "/";
        if (absolute.compare(0, resolvedDriveC.size(), resolvedDriveC) == 0) return ToWindowsPath(absolute);
    }
    std::string text = "Z:";
    for (char c : absolute) text += c == '/' ? '\\' : c;
    if (absolute == "/") text = "Z:\\";
    return AnsiFromUtf8(text);
}

bool WriteWhole(int fd, const std::string& text) { return WriteAll(fd, text.data(), text.size()); }

}  // namespace

bool ReadScriptBytes(const char* path, std::string& bytes) {
    if (path == nullptr || *path == '\0') return false;
    UniqueFd in(OpenRegularFile(path));
    if (!in.Valid()) return false;
    return ReadToEnd(in.Get(), bytes, kLargestScript);
}

std::string ScriptTextOf(const std::string& bytes) { return IniTextOf(bytes); }

std::string ScriptPathForReads(const char* path) { return WindowsNameOf(path); }

std::string FolderForRun(const char* argument) {
    if (argument == nullptr) return std::string();
    if (argument[0] != '/') return AnsiFromUtf8(argument);
    std::string folder = WindowsNameOf(argument);
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    return folder;
}

bool UseHostRoot(const char* folder) { return folder != nullptr && setenv("NEMURIA_ROOT", folder, 1) == 0; }

std::string Utf8FromArgument(const char* argument) { return argument != nullptr ? argument : ""; }

std::string Utf8FromCodePage(const std::string& text) { return Utf8FromAnsi(text); }

void WriteConsoleText(const std::string& utf8, bool toError) {
    std::FILE* stream = toError ? stderr : stdout;
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

bool UserPrefersJapanese() {
    // The variables in the order the C library consults them for messages.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return std::strncmp(value, "ja", 2) == 0;
    }
    return false;
}

bool RenderGraph(const std::string& dot, const char* format, const char* outputPath, std::string& problem) {
    int channel[2];
    if (pipe(channel) != 0) {
        problem = std::strerror(errno);
        return false;
    }
    const std::string formatOption = std::string("-T") + format;
    std::vector<char*> arguments = {const_cast<char*>("dot"), const_cast<char*>(formatOption.c_str()),
                                    const_cast<char*>("-o"), const_cast<char*>(outputPath), nullptr};
    const ScopedSignal ownChildren(SIGCHLD, SIG_DFL);
    const pid_t child = fork();
    if (child < 0) {
        problem = std::strerror(errno);
        close(channel[0]);
        close(channel[1]);
        return false;
    }
    if (child == 0) {
        dup2(channel[0], STDIN_FILENO);
        close(channel[0]);
        close(channel[1]);
        execvp("dot", arguments.data());
        _exit(127);
    }
    close(channel[0]);
    // A dot that could not start closes its end at once; its write then
    // fails with EPIPE instead of ending this process.
    {
        const ScopedSignal writeFails(SIGPIPE, SIG_IGN);
        WriteWhole(channel[1], dot);
        close(channel[1]);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    problem = WIFEXITED(status) && WEXITSTATUS(status) == 127
                  ? "Graphviz's dot could not be started (package graphviz)"
                  : "Graphviz's dot failed";
    return false;
}
