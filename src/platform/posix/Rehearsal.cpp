// Rehearsals on the host: the write fence, tree copies and child runs.
#include "platform/posix/Rehearsal.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/Failure.h"
#include "platform/posix/FileIo.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/ScopedSignal.h"
#include "platform/posix/UniqueFd.h"

namespace {

std::string rehearsalFolder;

std::string Explained(const char* what, const std::string& path, int error) {
    return std::string(what) + " \"" + path + "\": " + std::strerror(error);
}

// Copies the data of `in` to `out` from their starts; false with errno set.
bool CopyData(int in, int out) {
    bool kernel = true;
    std::vector<char> buffer;
    for (;;) {
        ssize_t done;
        if (kernel) {
            done = copy_file_range(in, nullptr, out, nullptr, size_t{1} << 30, 0);
            if (done < 0 && errno != EINTR) {
                kernel = false;
                continue;
            }
        } else {
            if (buffer.empty()) buffer.resize(size_t{256} << 10);
            done = read(in, buffer.data(), buffer.size());
            if (done > 0 && !WriteAll(out, buffer.data(), static_cast<size_t>(done))) return false;
        }
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (done == 0) return true;
    }
}

// Fills the new file `out` with the data of `in` (a clone where the file
// system shares blocks) and gives it the bits and times of `info`.
bool FillFile(int in, int out, const struct stat& info, bool& cloned) {
    cloned = ioctl(out, FICLONE, in) == 0;
    if (!cloned && !CopyData(in, out)) return false;
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    return fchmod(out, info.st_mode & 07777) == 0 && futimens(out, times) == 0;
}

bool CopyFile(const std::string& from, const std::string& to, const struct stat& info, TreeCopyCount& count,
              std::string& error) {
    UniqueFd in(open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK));
    if (!in.Valid()) return error = Explained("cannot open", from, errno), false;
    UniqueFd out(open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!out.Valid()) return error = Explained("cannot create", to, errno), false;
    if (ioctl(out.Get(), FICLONE, in.Get()) != 0) {
        // No clone: a second link costs nothing either, on the same file
        // system.
        out.Reset();
        if (unlink(to.c_str()) == 0 && link(from.c_str(), to.c_str()) == 0) {
            ++count.linked;
            return true;
        }
        out.Reset(open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!out.Valid()) return error = Explained("cannot create", to, errno), false;
    }
    bool cloned = false;
    if (!FillFile(in.Get(), out.Get(), info, cloned) || !out.Close()) {
        return error = Explained("cannot copy", from, errno), false;
    }
    ++(cloned ? count.cloned : count.copied);
    return true;
}

bool CopyFolder(const std::string& from, const std::string& to, const struct stat& info, TreeCopyCount& count,
                std::string& error) {
    if (mkdir(to.c_str(), 0700) != 0) return error = Explained("cannot make the folder", to, errno), false;
    std::vector<std::string> names;
    if (!ReadFolderNames(from, names)) return error = Explained("cannot read the folder", from, errno), false;
    for (const std::string& name : names) {
        const std::string source = JoinHostPath(from, name);
        const std::string target = JoinHostPath(to, name);
        struct stat entry;
        if (lstat(source.c_str(), &entry) != 0) return error = Explained("cannot look at", source, errno), false;
        if (S_ISDIR(entry.st_mode)) {
            if (!CopyFolder(source, target, entry, count, error)) return false;
        } else if (S_ISREG(entry.st_mode)) {
            if (!CopyFile(source, target, entry, count, error)) return false;
        } else if (S_ISLNK(entry.st_mode)) {
            std::vector<char> link(static_cast<size_t>(entry.st_size) + 2);
            const ssize_t length = readlink(source.c_str(), link.data(), link.size() - 1);
            if (length < 0) return error = Explained("cannot read the link", source, errno), false;
            link[static_cast<size_t>(length)] = '\0';
            if (symlink(link.data(), target.c_str()) != 0) {
                return error = Explained("cannot make the link", target, errno), false;
            }
            const struct timespec times[2] = {entry.st_atim, entry.st_mtim};
            utimensat(AT_FDCWD, target.c_str(), times, AT_SYMLINK_NOFOLLOW);
        }
    }
    // The folder's own bits and time last: a read-only folder takes no new
    // entries, and every entry made in it changed its time.
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (chmod(to.c_str(), info.st_mode & 07777) != 0 || utimensat(AT_FDCWD, to.c_str(), times, 0) != 0) {
        return error = Explained("cannot finish the folder", to, errno), false;
    }
    return true;
}

}  // namespace

void BeginRehearsal(const std::string& folder) { rehearsalFolder = folder; }

bool Rehearsing() { return !rehearsalFolder.empty(); }

bool RehearsalMayWrite(const std::string& hostPath) {
    if (rehearsalFolder.empty()) return true;
    // The folder the entry is in, with its links resolved: a link in a copy
    // may lead anywhere.
    const size_t slash = hostPath.rfind('/');
    if (slash == std::string::npos) return false;
    const std::string name = hostPath.substr(slash + 1);
    if (name == "." || name == "..") return false;
    const std::string folder = ResolvedHostPath(slash == 0 ? "/" : hostPath.substr(0, slash));
    if (folder.empty()) return false;
    const std::string& top = rehearsalFolder;
    return folder == top || folder.compare(0, top.size() + 1, top + "/") == 0;
}

bool UnshareForRehearsal(const std::string& hostPath) {
    struct stat info;
    if (!Rehearsing() || lstat(hostPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink < 2) {
        return true;
    }
    const size_t slash = hostPath.rfind('/');
    std::string temp = hostPath.substr(0, slash + 1) + ".nemuria-unshare-XXXXXX";
    UniqueFd out(mkostemp(&temp[0], O_CLOEXEC));
    if (!out.Valid()) return NoteFailure("unshare the file", hostPath.c_str(), errno);
    UniqueFd in(open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK));
    bool cloned = false;
    if (!in.Valid() || !FillFile(in.Get(), out.Get(), info, cloned) || !out.Close() ||
        rename(temp.c_str(), hostPath.c_str()) != 0) {
        const int error = errno;
        unlink(temp.c_str());
        return NoteFailure("unshare the file", hostPath.c_str(), error);
    }
    return true;
}

bool CopyHostTree(const std::string& from, const std::string& to, TreeCopyCount& count, std::string& error) {
    struct stat info;
    if (stat(from.c_str(), &info) != 0) return error = Explained("cannot look at", from, errno), false;
    if (!S_ISDIR(info.st_mode)) return error = Explained("cannot copy", from, ENOTDIR), false;
    return CopyFolder(from, to, info, count, error);
}

void RemoveHostTree(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return;
    if (!S_ISDIR(info.st_mode)) {
        unlink(path.c_str());
        return;
    }
    chmod(path.c_str(), (info.st_mode & 07777) | S_IRWXU);
    std::vector<std::string> names;
    ReadFolderNames(path, names);
    for (const std::string& name : names) RemoveHostTree(JoinHostPath(path, name));
    rmdir(path.c_str());
}

std::string MakeScratchFolder(const std::string& near) {
    std::vector<std::string> patterns;
    const size_t slash = near.rfind('/');
    if (slash != std::string::npos && slash > 0) patterns.push_back(near.substr(0, slash) + "/.nemuria-rehearsal-XXXXXX");
    const char* temp = std::getenv("TMPDIR");
    patterns.push_back(std::string(temp != nullptr && temp[0] == '/' ? temp : "/tmp") + "/nemuria-rehearsal-XXXXXX");
    for (std::string& pattern : patterns) {
        if (mkdtemp(&pattern[0]) != nullptr) {
            const std::string resolved = ResolvedHostPath(pattern);
            return resolved.empty() ? pattern : resolved;
        }
    }
    return std::string();
}

std::string ProgramHostFolder() {
    const std::string program = ResolvedHostPath("/proc/self/exe");
    const size_t slash = program.rfind('/');
    if (slash == std::string::npos) return std::string();
    return slash == 0 ? "/" : program.substr(0, slash);
}

std::string ResolvedHostPath(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) return std::string();
    return resolved;
}

bool RunInChild(std::string (*body)(void*), void* context, std::string& output) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);
    std::fflush(nullptr);
    const ScopedSignal ownChildren(SIGCHLD, SIG_DFL);
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        readEnd.Reset();
        const std::string text = body(context);
        const bool written = WriteAll(writeEnd.Get(), text.data(), text.size());
        std::fflush(nullptr);
        _exit(written ? 0 : 1);
    }
    writeEnd.Reset();
    output.clear();
    // A pipe gives what has been written so far, so it is read to its end.
    bool read = true;
    char block[65536];
    for (;;) {
        const ssize_t got = ::read(readEnd.Get(), block, sizeof block);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            read = false;
            break;
        }
        output.append(block, static_cast<size_t>(got));
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return read && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
