// The host's Windows-like root and the mapping between Windows paths and
// host paths.
#include "platform/posix/HostPath.h"

#include <dirent.h>
#include <errno.h>
#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "winlike/CodePage.h"
#include "winlike/Conversion.h"
#include "winlike/FullPath.h"

namespace {

const char kDefaultRootBelowHome[] = "/.local/share/nemuria-updater";
const char kDriveC[] = "drive_c";

// ---- Host folders --------------------------------------------------------

std::string CurrentHostFolder() {
    char buffer[PATH_MAX];
    if (getcwd(buffer, sizeof buffer) == nullptr) return std::string();
    return buffer;
}

std::string AbsoluteHostPath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    const std::string current = CurrentHostFolder();
    return current.empty() ? path : JoinHostPath(current, path);
}

// The entry of `folder` equal to `name` without regard to ASCII case (the
// first in byte order), or `name` unchanged when there is none.
std::string FindNameNoCase(const std::string& folder, const std::string& name) {
    std::vector<std::string> names;
    if (!ReadFolderNames(folder, names)) return name;
    std::string found;
    for (const std::string& entry : names) {
        if (EqualsAsciiNoCase(entry, name) && (found.empty() || entry < found)) found = entry;
    }
    return found.empty() ? name : found;
}

// The entry of `folder` that `name` stands for: `name` itself when it exists
// as written, else the first entry (in byte order) equal to it without
// regard to ASCII case, else `name` unchanged.
std::string ResolveName(const std::string& folder, const std::string& name) {
    struct stat info;
    if (lstat(JoinHostPath(folder, name).c_str(), &info) == 0) return name;
    return FindNameNoCase(folder, name);
}

// Joins `path` and the entry of that folder that `name` stands for, as
// JoinHostPath(path, ResolveName(path, name)) does, building the path in
// place: every path the updater touches goes through here, once for each of
// its folders.
void AppendResolvedName(std::string& path, const std::string& name) {
    const size_t folderLength = path.size();
    if (!path.empty() && path.back() != '/') path += '/';
    const size_t nameStart = path.size();
    path += name;
    struct stat info;
    if (lstat(path.c_str(), &info) == 0) return;
    const std::string found = FindNameNoCase(path.substr(0, folderLength), name);
    path.resize(nameStart);
    path += found;
}

// A folder that cannot be made is not reported here: what is later done in
// it fails as it would for any missing folder.
void MakeFolder(const std::string& path) { mkdir(path.c_str(), 0777); }

// Creates every folder of an absolute host path, as mkdir -p does.
void MakeHostFolders(const std::string& path) {
    std::string prefix;
    for (const std::string& part : SplitComponents(path, '/')) {
        prefix += "/" + part;
        MakeFolder(prefix);
    }
}

// Creates the folders of a path below `base`, each level matched without
// regard to case first, so that a folder the user made as "windows" serves
// for "WINDOWS".
void MakeFoldersBelow(const std::string& base, const std::string& relative) {
    std::string folder = base;
    for (const std::string& part : SplitComponents(relative, '/')) {
        folder = JoinHostPath(folder, ResolveName(folder, part));
        MakeFolder(folder);
    }
}

std::string HomeFolder() {
    const char* home = getenv("HOME");
    if (home != nullptr && home[0] != '\0') return home;
    const passwd* user = getpwuid(getuid());
    if (user != nullptr && user->pw_dir != nullptr && user->pw_dir[0] != '\0') return user->pw_dir;
    return "/tmp";
}

// Where the root is to be, as configured, made absolute.
std::string ConfiguredRoot() {
    const char* root = getenv("NEMURIA_ROOT");
    if (root != nullptr && root[0] != '\0') return AbsoluteHostPath(root);
    return AbsoluteHostPath(HomeFolder() + kDefaultRootBelowHome);
}

// Creates the root and its folders; returns the root without symbolic links
// (as getcwd and /proc/self/exe report paths), or as configured when it
// cannot be resolved.
std::string CreateRoot(const std::string& root) {
    MakeHostFolders(root);
    const std::string login = HostLoginName();
    const std::string folders[] = {
        "drive_c/WINDOWS/system32",
        "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs",
        "drive_c/Users/Public/Desktop",
        "drive_c/Users/" + login + "/Desktop",
        "drive_c/Users/" + login + "/AppData/Roaming/Microsoft/Windows/Start Menu/Programs",
    };
    for (const std::string& folder : folders) MakeFoldersBelow(root, folder);

    char resolved[PATH_MAX];
    if (realpath(root.c_str(), resolved) == nullptr) return root;
    return resolved;
}

struct RootState {
    std::string configured;
    std::string resolved;
};

RootState& Root() {
    static RootState state;
    return state;
}

struct Redirect {
    std::string from;
    std::string to;
};

std::vector<Redirect>& Redirects() {
    static std::vector<Redirect> redirects;
    return redirects;
}

// `path` itself, or `to` when it is the folder `from` of a redirect.
void ApplyRedirect(std::string& path) {
    for (const Redirect& redirect : Redirects()) {
        if (path == redirect.from) {
            path = redirect.to;
            return;
        }
    }
}

// The redirected form of `path` when it lies at or below the folder `from`
// of a redirect; empty otherwise.
std::string RedirectedBelow(const std::string& path) {
    for (const Redirect& redirect : Redirects()) {
        const std::string& from = redirect.from;
        if (path == from) return redirect.to;
        if (path.size() > from.size() && path.compare(0, from.size(), from) == 0 && path[from.size()] == '/') {
            return redirect.to + path.substr(from.size());
        }
    }
    return std::string();
}

// ---- Windows paths -------------------------------------------------------

std::string DriveCFolder() { return JoinHostPath(HostRoot(), kDriveC); }

// Splits an absolute host path into its Windows drive and components.
void WindowsComponents(const std::string& hostPath, char& drive, std::vector<std::string>& parts) {
    parts.clear();
    for (const std::string& part : SplitComponents(hostPath, '/')) {
        if (part != ".") parts.push_back(part);
    }
    const std::vector<std::string> driveC = SplitComponents(DriveCFolder(), '/');
    if (parts.size() >= driveC.size() && std::equal(driveC.begin(), driveC.end(), parts.begin())) {
        drive = 'C';
        parts.erase(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(driveC.size()));
    } else {
        drive = 'Z';
    }
}

bool CurrentWindowsFolder(char& drive, std::vector<std::string>& parts) {
    const std::string current = CurrentHostFolder();
    if (current.empty()) return false;
    WindowsComponents(current, drive, parts);
    return true;
}

// A Windows path of the program's code page taken apart as Windows does;
// only drives C: and Z: name anything on the host.
bool ParseHostWindowsPath(const char* windowsPath, WindowsPathParts& path) {
    return ParseWindowsPath(Utf8FromAnsi(windowsPath), CurrentWindowsFolder, 'Z', path) &&
           (path.drive == 'C' || path.drive == 'Z');
}

// ToHostPathAsWritten's answer, worked out.
bool MapAsWritten(const char* windowsPath, std::string& hostPath) {
    WindowsPathParts path;
    if (!ParseHostWindowsPath(windowsPath, path) || HasWildcard(path.name)) return false;
    std::string result = path.drive == 'C' ? DriveCFolder() : std::string("/");
    for (const std::string& part : path.folders) {
        if (result.back() != '/') result += '/';
        result += part;
    }
    const std::string name = TrimTrailingDotsAndBlanks(path.name);
    if (!name.empty()) {
        if (result.back() != '/') result += '/';
        result += name;
    }
    const std::string redirected = RedirectedBelow(result);
    if (!redirected.empty()) result = redirected;
    hostPath.swap(result);
    return true;
}

}  // namespace

// ---- Interface -----------------------------------------------------------

const std::string& HostRoot() {
    RootState& root = Root();
    const std::string configured = ConfiguredRoot();
    if (root.resolved.empty() || configured != root.configured) {
        root.configured = configured;
        root.resolved = CreateRoot(configured);
    }
    return root.resolved;
}

void EnsureHostRoot() {
    RootState& root = Root();
    root.configured = ConfiguredRoot();
    root.resolved = CreateRoot(root.configured);
}

std::string ConfiguredHostRoot() { return ConfiguredRoot(); }

void RedirectHostFolder(const std::string& from, const std::string& to) {
    Redirects().push_back({from, to});
}

std::string HostLoginName() {
    std::string login;
    const passwd* user = getpwuid(getuid());
    if (user != nullptr && user->pw_name != nullptr) login = user->pw_name;
    if (login.empty()) {
        const char* variable = getenv("USER");
        if (variable != nullptr) login = variable;
    }
    // The name becomes a folder name: it must stay one folder.
    if (login.empty() || login == "." || login == ".." || login.find('/') != std::string::npos) {
        login = "user";
    }
    return login;
}

bool ToHostSearchPath(const char* windowsPath, HostSearchPath& search) {
    if (windowsPath == nullptr || windowsPath[0] == '\0') return false;
    WindowsPathParts path;
    if (!ParseHostWindowsPath(windowsPath, path)) return false;
    std::string folder = path.drive == 'C' ? DriveCFolder() : std::string("/");
    const bool redirecting = !Redirects().empty();
    for (const std::string& part : path.folders) {
        AppendResolvedName(folder, part);
        if (redirecting) ApplyRedirect(folder);
    }
    search.folder.swap(folder);
    search.name = path.name;
    search.driveRoot = path.folders.empty();
    return true;
}

bool ToHostPath(const char* windowsPath, std::string& hostPath) {
    HostSearchPath search;
    if (!ToHostSearchPath(windowsPath, search) || HasWildcard(search.name)) return false;
    const std::string name = TrimTrailingDotsAndBlanks(search.name);
    hostPath.swap(search.folder);
    if (!name.empty()) AppendResolvedName(hostPath, name);
    if (!Redirects().empty()) ApplyRedirect(hostPath);
    return true;
}

bool ToHostPathAsWritten(const char* windowsPath, std::string& hostPath) {
    if (windowsPath == nullptr || windowsPath[0] == '\0') return false;
    // A full path on drive Z: names the same host path whatever the current
    // folder and the root: the answer depends on the text alone. The last
    // one is kept, for the script read under one path key after key.
    struct Answer {
        std::string windowsPath;
        std::string hostPath;
        bool mapped = false;
    };
    static Answer last;
    const bool onDriveZ = (windowsPath[0] == 'Z' || windowsPath[0] == 'z') && windowsPath[1] == ':' &&
                          (windowsPath[2] == '\\' || windowsPath[2] == '/');
    if (onDriveZ && last.windowsPath == windowsPath) {
        hostPath = last.hostPath;
        return last.mapped;
    }
    const bool mapped = MapAsWritten(windowsPath, hostPath);
    if (onDriveZ) {
        last.windowsPath = windowsPath;
        last.hostPath = mapped ? hostPath : std::string();
        last.mapped = mapped;
    }
    return mapped;
}

std::string ToWindowsPath(const std::string& hostPath) {
    if (hostPath.empty()) return std::string();
    std::string absolute = AbsoluteHostPath(hostPath);
    // A redirected folder keeps the name a real run gives it: the program's
    // folder stays on Z:, and the real root's drive C: is the copy's C:.
    const std::string redirected = RedirectedBelow(absolute);
    if (!redirected.empty()) {
        char onDrive = 'Z';
        std::vector<std::string> ignored;
        WindowsComponents(redirected, onDrive, ignored);
        if (onDrive == 'C') absolute = redirected;
    }
    char drive = 'Z';
    std::vector<std::string> parts;
    WindowsComponents(absolute, drive, parts);
    std::string text(1, drive);
    text += ":\\";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) text += '\\';
        text += parts[i];
    }
    if (!parts.empty() && absolute.back() == '/') text += '\\';
    return AnsiFromUtf8(text);
}

bool ReadFolderNames(const std::string& folder, std::vector<std::string>& names) {
    struct DirCloser {
        void operator()(DIR* dir) const { closedir(dir); }
    };
    const std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir) return false;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    return true;
}

std::string JoinHostPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}
