// Host bodies of the file actions. Each behaves as its Windows call does, so
// that a script has the same effect on both editions:
//
// - Copy replaces an existing file, gives the copy the source's last-write
//   time and permission bits (and so its read-only state), and refuses a
//   source that is not a regular file, a missing destination folder, a
//   read-only destination, and a destination that is the source itself.
//   The data goes to a temporary file beside the destination, which is
//   renamed over it only when complete: a copy that fails midway leaves the
//   old destination as it was and no stray file.
// - Delete refuses a missing file, a folder and a read-only file.
// - Neither replaces nor deletes the file of a running program.
// - Making a folder creates one level.
// - The read-only attribute lives in the write bits (FileModes.h); the
//   other attribute bits have no counterpart on the host.
//
// Every path is a Windows-style path mapped through ToHostPath; a path that
// does not map fails as a missing file would, and so does a path in the
// folder form (a trailing separator) where a file is meant.
#include "platform/FileOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/Failure.h"
#include "platform/FileSearch.h"
#include "platform/posix/CopyFaults.h"
#include "platform/posix/FileIo.h"
#include "platform/posix/FileModes.h"
#include "platform/posix/HostActions.h"
#include "platform/posix/HostFilePath.h"
#include "platform/posix/Rehearsal.h"
#include "platform/posix/TempFile.h"
#include "platform/posix/UniqueFd.h"

namespace {

// Bytes asked of the kernel per copy call, and the buffer of the plain
// read and write loop used where the kernel cannot copy between the files.
constexpr size_t kKernelChunk = size_t{1} << 30;
constexpr size_t kBufferSize = size_t{256} << 10;
long long failAfterBytes = -1;
int failError = 0;

// The errors with which copy_file_range says that it cannot copy between
// these two files at all (other file systems, no support, special files);
// the read and write loop then carries on from the same offsets.
bool KernelCannotCopy(int error) {
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP ||
           error == ENOTSUP || error == EPERM || error == EBADF || error == ETXTBSY;
}

// Moves everything from `in` to `out`, from their current offsets to the
// end of `in`. False, with the failing call noted for `path`, when a read or
// a write fails.
bool Transfer(int in, int out, const std::string& path) {
    long long copied = 0;
    bool kernel = true;
    std::unique_ptr<char[]> buffer;
    for (;;) {
        size_t want = kernel ? kKernelChunk : kBufferSize;
        if (failAfterBytes >= 0) {
            if (copied >= failAfterBytes) return NoteFailure("write (refused in a test)", path.c_str(), failError);
            want = std::min(want, static_cast<size_t>(failAfterBytes - copied));
        }
        ssize_t done;
        if (kernel) {
            done = copy_file_range(in, nullptr, out, nullptr, want, 0);
            // Some file systems report nothing for files that do have data;
            // reading settles it.
            if ((done < 0 && KernelCannotCopy(errno)) || (done == 0 && copied == 0)) {
                kernel = false;
                continue;
            }
        } else {
            if (!buffer) {
                buffer.reset(new (std::nothrow) char[kBufferSize]);
                if (!buffer) return NoteFailure("allocate the copy buffer", path.c_str(), ENOMEM);
            }
            done = read(in, buffer.get(), want);
            if (done > 0 && !WriteAll(out, buffer.get(), static_cast<size_t>(done))) {
                return NoteFailure("write", path.c_str(), errno);
            }
        }
        if (done < 0) {
            if (errno == EINTR) continue;
            return NoteFailure(kernel ? "copy_file_range" : "read", path.c_str(), errno);
        }
        if (done == 0) return true;
        copied += done;
    }
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens the source for reading; only a regular file will do. The type is
// checked before the open, so that a pipe or a device is never opened, and
// again on the open file, in case the name changed in between.
bool OpenSource(const std::string& path, UniqueFd& file, struct stat& info) {
    if (stat(path.c_str(), &info) != 0) return NoteFailure("stat source", path.c_str(), errno);
    if (!S_ISREG(info.st_mode)) return NoteFailure("source is no regular file", path.c_str(), EACCES);
    file.Reset(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!file.Valid() || fstat(file.Get(), &info) != 0) return NoteFailure("open source", path.c_str(), errno);
    if (!S_ISREG(info.st_mode)) return NoteFailure("source is no regular file", path.c_str(), EACCES);
    return true;
}

// Settles which file the copy replaces. A symbolic link is followed, so
// that the file it names is replaced and the link stays. `exists` tells
// whether there is a file to replace; `info` then describes it.
bool ResolveDestination(std::string& path, bool& exists, struct stat& info) {
    exists = false;
    if (lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT || NoteFailure("lstat destination", path.c_str(), errno);
    }
    if (S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) == nullptr) {
            return NoteFailure("resolve destination link", path.c_str(), errno);
        }
        path = resolved;
        if (stat(path.c_str(), &info) != 0) return NoteFailure("stat destination", path.c_str(), errno);
    }
    exists = true;
    return true;
}

// Windows keeps the file of a running program from being replaced or
// deleted. The host does the same for the program file of every process it
// can see (/proc/<pid>/exe), which covers the updater itself and every
// program it started that still runs. Only a file with an execute bit can
// have been started, so other files are passed without a look at /proc.
bool IsRunningProgramFile(const struct stat& file) {
    if (!S_ISREG(file.st_mode) || (file.st_mode & 0111) == 0) return false;
    std::vector<std::string> processes;
    if (!ReadFolderNames("/proc", processes)) return false;
    for (const std::string& process : processes) {
        if (process.find_first_not_of("0123456789") != std::string::npos) continue;
        struct stat image;
        if (stat(("/proc/" + process + "/exe").c_str(), &image) == 0 && SameFile(image, file)) {
            return true;
        }
    }
    return false;
}

// The cached pages of a file about to be replaced are of no further use; let
// go of them before the copy, so that the copy can take that memory instead
// of as much again (which on a virtual machine may first have to be had back
// from the host).
void ReleaseCachedPages(const std::string& path) {
    UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.Valid()) posix_fadvise(file.Get(), 0, 0, POSIX_FADV_DONTNEED);
}

}  // namespace

void SetCopyFailAfter(long long bytes, int error) {
    failAfterBytes = bytes;
    failError = error;
}

bool CopyOneFile(const char* source, const char* destination) {
    std::string from;
    std::string to;
    if (!MapHostFilePath(source, from) || !MapHostFilePath(destination, to)) return false;

    UniqueFd in;
    struct stat sourceInfo;
    if (!OpenSource(from, in, sourceInfo)) return false;

    bool replacing = false;
    struct stat old;
    if (!ResolveDestination(to, replacing, old)) return false;
    if (!RehearsalMayWrite(to)) return NoteFailure("write outside the rehearsal's copies", to.c_str(), EACCES);
    if (replacing) {
        // A copy onto the source itself, under whatever name, would destroy
        // it; a folder or a read-only file is not replaced.
        if (SameFile(old, sourceInfo)) return NoteFailure("destination is the source", to.c_str(), EINVAL);
        if (!S_ISREG(old.st_mode)) return NoteFailure("destination is no regular file", to.c_str(), EISDIR);
        if (IsReadOnlyMode(old.st_mode)) return NoteFailure("destination is read-only", to.c_str(), EACCES);
        if (IsRunningProgramFile(old)) return NoteFailure("destination is a running program", to.c_str(), ETXTBSY);
    }

    const size_t slash = to.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : to.substr(0, slash));
    const std::string name = slash == std::string::npos ? to : to.substr(slash + 1);
    if (name.empty()) return NoteFailure("destination names a folder", to.c_str(), EISDIR);

    if (replacing) ReleaseCachedPages(to);
    TempFile temp;
    if (!temp.Create(folder, name)) return NoteFailure("create a file in the folder", folder.c_str(), errno);
    if (!Transfer(in.Get(), temp.Fd(), to)) return false;

    // The replaced file's owner keeps it where the process may give it
    // away (the superuser); elsewhere the copy belongs to the process.
    if (replacing && (old.st_uid != geteuid() || old.st_gid != getegid())) {
        if (fchown(temp.Fd(), old.st_uid, old.st_gid) != 0) {
            // Not permitted: the copy stays the process's own.
        }
    }
    const struct timespec times[2] = {{0, UTIME_OMIT}, sourceInfo.st_mtim};
    if (fchmod(temp.Fd(), sourceInfo.st_mode & 0777) != 0 || futimens(temp.Fd(), times) != 0) {
        return NoteFailure("set the copy's mode and time", to.c_str(), errno);
    }
    // When a file is replaced, its new content must be on the disk before
    // the name points at it, or a power cut could leave neither version.
    if (replacing && fsync(temp.Fd()) != 0) return NoteFailure("fsync", to.c_str(), errno);
    if (!temp.Close()) return NoteFailure("close", to.c_str(), errno);
    if (!temp.RenameTo(to)) return NoteFailure("rename", to.c_str(), errno);
    if (HostActionsHeard()) {
        HostAction done{"copy", destination, to, replacing ? "replaced" : "created"};
        done.from = source;
        done.size = static_cast<long long>(sourceInfo.st_size);
        TellHostAction(done);
    }
    return true;
}

bool DeleteOneFile(const char* path) {
    std::string host;
    if (!MapHostFilePath(path, host)) return false;
    struct stat info;
    if (lstat(host.c_str(), &info) != 0) return NoteFailure("lstat", host.c_str(), errno);
    if (S_ISLNK(info.st_mode)) {
        // A link is removed itself, unless it stands for a folder.
        struct stat target;
        if (stat(host.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
            return NoteFailure("a link to a folder", host.c_str(), EISDIR);
        }
    } else if (S_ISDIR(info.st_mode)) {
        return NoteFailure("a folder", host.c_str(), EISDIR);
    } else if (IsReadOnlyMode(info.st_mode)) {
        return NoteFailure("file is read-only", host.c_str(), EACCES);
    } else if (IsRunningProgramFile(info)) {
        return NoteFailure("file is a running program", host.c_str(), ETXTBSY);
    }
    if (!RehearsalMayWrite(host)) return NoteFailure("write outside the rehearsal's copies", host.c_str(), EACCES);
    if (unlink(host.c_str()) != 0) return NoteFailure("unlink", host.c_str(), errno);
    if (HostActionsHeard()) TellHostAction({"delete", path, host, "removed"});
    return true;
}

bool MakeOneDirectory(const char* path) {
    std::string host;
    if (!MapHostPath(path, host)) return false;
    if (!RehearsalMayWrite(host)) return NoteFailure("write outside the rehearsal's copies", host.c_str(), EACCES);
    if (mkdir(host.c_str(), 0777) != 0) return NoteFailure("mkdir", host.c_str(), errno);
    if (HostActionsHeard()) TellHostAction({"makedir", path, host, "made"});
    return true;
}

bool SetAttributes(const char* path, uint32_t attributes) {
    std::string host;
    if (!MapHostPath(path, host)) return false;
    struct stat info;
    if (stat(host.c_str(), &info) != 0) return NoteFailure("stat", host.c_str(), errno);
    // A folder's read-only flag does not keep anyone from writing into it,
    // so a folder's bits are left alone.
    if (S_ISDIR(info.st_mode)) return true;
    if (EndsWithSeparator(path)) return NoteFailure("a file named as a folder", host.c_str(), ENOTDIR);
    const mode_t mode = info.st_mode & 07777;
    mode_t wanted;
    if ((attributes & kAttrReadOnly) != 0) {
        wanted = ReadOnlyMode(mode);
    } else {
        wanted = WritableMode(mode, CurrentUmask());
    }
    if (wanted != mode) {
        // The bits of the file a link leads to change.
        if (Rehearsing() && !RehearsalMayWrite(ResolvedHostPath(host))) {
            return NoteFailure("write outside the rehearsal's copies", host.c_str(), EACCES);
        }
        if (!UnshareForRehearsal(host)) return false;
        if (chmod(host.c_str(), wanted) != 0) return NoteFailure("chmod", host.c_str(), errno);
    }
    if (HostActionsHeard()) {
        const char* change = wanted == mode                     ? "unchanged"
                             : (attributes & kAttrReadOnly) != 0 ? "read-only set"
                                                                 : "read-only cleared";
        TellHostAction({"attr", path, host, change});
    }
    return true;
}
