// How Windows makes a path full.
#include "winlike/FullPath.h"

#include <algorithm>

#include "winlike/CodePage.h"

namespace {

// The ANSI file calls of Windows take a path of at most MAX_PATH - 1
// characters, the last place being the terminator's; a longer path names
// nothing there. Characters are counted as Windows counts them, one for
// each character of the code page, which is one for each UTF-8 sequence of
// the converted text.
constexpr size_t kMaxPathCharacters = 259;

// Characters that Windows refuses in a file name (besides the separators),
// wildcards apart.
bool HasForbiddenCharacter(const std::string& name) {
    for (unsigned char c : name) {
        if (c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|') return true;
    }
    return false;
}

}  // namespace

std::vector<std::string> SplitComponents(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool ParseWindowsPath(std::string path, CurrentFolderSource current, char fallbackDrive,
                      WindowsPathParts& result) {
    if (path.empty() || Utf8CharacterCount(path) > kMaxPathCharacters) return false;
    std::replace(path.begin(), path.end(), '/', '\\');
    // Network and device paths ("\\server\share", "\\?\...") are not taken
    // apart here.
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return false;

    std::vector<std::string> parts;
    std::string rest;
    const char first = UpperAscii(path[0]);
    if (path.size() >= 2 && path[1] == ':' && first >= 'A' && first <= 'Z') {
        result.drive = first;
        rest = path.substr(2);
        if (rest.empty() || rest[0] != '\\') {
            // "C:name" is relative to the drive's current folder: the
            // process's own when it is on that drive, else the root.
            char currentDrive = 0;
            std::vector<std::string> folders;
            if (current(currentDrive, folders) && currentDrive == result.drive) parts = folders;
            if (rest.empty()) rest = "\\";
        }
    } else if (path[0] == '\\') {
        std::vector<std::string> ignored;
        if (!current(result.drive, ignored)) result.drive = fallbackDrive;
        rest = path;
    } else {
        if (!current(result.drive, parts)) return false;
        rest = path;
    }

    for (const std::string& part : SplitComponents(rest, '\\')) {
        if (part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    if (rest.back() != '\\' && !parts.empty()) {
        result.name = parts.back();
        parts.pop_back();
    }
    if (HasForbiddenCharacter(result.name)) return false;

    for (std::string& folder : parts) {
        if (HasForbiddenCharacter(folder) || HasWildcard(folder)) return false;
        if (folder.back() == '.') folder.pop_back();
        // "..." and longer runs of dots are no folder name.
        if (folder.find_first_not_of('.') == std::string::npos) return false;
    }
    result.folders = parts;
    return true;
}

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

std::string TrimTrailingDotsAndBlanks(std::string name) {
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    return name;
}
