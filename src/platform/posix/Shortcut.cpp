// Shortcut files on the host: genuine shell link files (ShellLink.h), with
// the Windows paths the script used inside them.
//
// The contract is the one of the Windows edition: the target, its folder as
// working directory, the arguments, the window state (the shell's default,
// normal, when the show number sets none), and a file written under the
// given name only when everything succeeded. A name longer than MAX_PATH - 1
// wide characters is refused before anything is written. The file goes to a
// temporary name in the destination folder and is renamed into place when
// complete, so that a failure leaves neither a partial shortcut nor a stray
// file; a missing folder fails at once, and a read-only file of the same
// name is not replaced.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/Failure.h"
#include "platform/Shortcut.h"
#include "platform/posix/FileIo.h"
#include "platform/posix/FileModes.h"
#include "platform/posix/HostActions.h"
#include "platform/posix/HostFilePath.h"
#include "platform/posix/Rehearsal.h"
#include "platform/posix/TempFile.h"
#include "platform/posix/UniqueFd.h"
#include "winlike/Conversion.h"
#include "winlike/ShellLink.h"
#include "winlike/WindowsPath.h"

namespace {

constexpr size_t kMaxNameChars = 259;  // MAX_PATH less the terminator

// Window states of the show numbers 1 to 3; others leave the default.
uint32_t ShowCommandOf(int showNumber) {
    switch (showNumber) {
    case 2: return 7;  // SW_SHOWMINNOACTIVE
    case 3: return 3;  // SW_SHOWMAXIMIZED
    default: return 1;  // SW_SHOWNORMAL
    }
}


// Windows refuses to write over a read-only file; so does the host.
bool IsReadOnlyFile(const std::string& hostPath) {
    struct stat info;
    return lstat(hostPath.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           IsReadOnlyMode(info.st_mode);
}

bool WriteFileInPlace(const std::string& hostPath, const std::vector<unsigned char>& bytes) {
    if (IsReadOnlyFile(hostPath)) return NoteFailure("shortcut file is read-only", hostPath.c_str(), EACCES);
    const size_t slash = hostPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0                ? "/"
                                                           : hostPath.substr(0, slash);
    const std::string name = hostPath.substr(slash + 1);
    TempFile temp;
    if (!temp.Create(folder, name)) return NoteFailure("create a file in the folder", folder.c_str(), errno);
    // A shortcut gets the usual mode of a new file.
    const bool written = fchmod(temp.Fd(), 0666 & ~CurrentUmask()) == 0 &&
                         WriteAll(temp.Fd(), bytes.data(), bytes.size()) && fsync(temp.Fd()) == 0 &&
                         temp.Close();
    if (!written) return NoteFailure("write the shortcut", hostPath.c_str(), errno);
    return temp.RenameTo(hostPath) || NoteFailure("rename", hostPath.c_str(), errno);
}

}  // namespace

bool CreateShortcut(const char* target, const char* linkFile, const char* arguments,
                    int showNumber) {
    if (WideFromAnsi(linkFile).size() > kMaxNameChars) return NoteFailure("name too long", linkFile, ENAMETOOLONG);
    std::string hostLink;
    if (!MapHostFilePath(linkFile, hostLink)) return false;

    ShellLinkContent content;
    content.targetAnsi = target;
    content.target = WideFromAnsi(target);
    TextString folder;
    if (DirectoryOfPath(target, folder)) content.workingDirectory = WideFromAnsi(folder.CStr());
    if (arguments != nullptr) content.arguments = WideFromAnsi(arguments);
    content.showCommand = ShowCommandOf(showNumber);

    std::vector<unsigned char> bytes;
    if (!EncodeShellLink(content, bytes)) return NoteFailure("encode the shortcut", linkFile, EOVERFLOW);
    if (!RehearsalMayWrite(hostLink)) {
        return NoteFailure("write outside the rehearsal's copies", hostLink.c_str(), EACCES);
    }
    struct stat before;
    const bool replacing = lstat(hostLink.c_str(), &before) == 0;
    if (!WriteFileInPlace(hostLink, bytes)) return false;
    if (HostActionsHeard()) {
        HostAction done{"link", linkFile, hostLink, replacing ? "replaced" : "created"};
        done.from = target;
        done.size = static_cast<long long>(bytes.size());
        done.arguments = arguments;
        TellHostAction(done);
    }
    return true;
}
