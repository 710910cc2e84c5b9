// File search on the host, answering as FindFirstFileA does on Windows: the
// pattern's last component is matched as Windows' file-name expression
// (winlike/FindPattern.h). A folder's own entries "." and ".." come first,
// except in the root of a drive; the other entries follow in Windows' order.
//
// The whole answer is collected when the search begins, so no folder stays
// open between calls and changes made during the search do not disturb it.
#include "platform/FileSearch.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/posix/FileModes.h"
#include "platform/posix/HostPath.h"
#include "winlike/Conversion.h"
#include "winlike/FindPattern.h"

namespace {

const uint32_t kAttrHidden = 0x2;
const uint32_t kAttrArchive = 0x20;
const size_t kMaxNameBytes = sizeof(FoundEntry::name) - 1;

uint32_t AttributesOf(const struct stat& info, const std::string& name) {
    uint32_t attributes = S_ISDIR(info.st_mode) ? kAttrDirectory : kAttrArchive;
    if (IsReadOnlyMode(info.st_mode)) attributes |= kAttrReadOnly;
    if (name[0] == '.' && name != "." && name != "..") attributes |= kAttrHidden;
    return attributes;
}

// Collects at most `limit` entries that `pattern` finds.
void Collect(const char* pattern, size_t limit, std::vector<FoundEntry>& found) {
    HostSearchPath search;
    FindPattern expression;
    if (!ToHostSearchPath(pattern, search) || !expression.Compile(search.name)) return;
    std::vector<std::string> names;
    if (!ReadFolderNames(search.folder, names)) return;

    names.erase(std::remove_if(names.begin(), names.end(),
                               [&](const std::string& name) { return !expression.Matches(name); }),
                names.end());
    std::sort(names.begin(), names.end(), FoundBefore);
    if (!search.driveRoot) {
        for (const char* own : {"..", "."}) {
            if (expression.Matches(own)) names.insert(names.begin(), own);
        }
    }

    for (const std::string& name : names) {
        if (found.size() >= limit) break;
        struct stat info;
        // A link whose target is gone is not found, as on Wine.
        if (stat(JoinHostPath(search.folder, name).c_str(), &info) != 0) continue;
        const std::string windowsName = AnsiFromUtf8(name);
        // A longer name does not fit the entry; a cut name would name
        // another file, so it is left out.
        if (windowsName.size() > kMaxNameBytes) continue;
        FoundEntry entry;
        entry.attributes = AttributesOf(info, name);
        std::memset(entry.name, 0, sizeof entry.name);
        std::memcpy(entry.name, windowsName.data(), windowsName.size());
        found.push_back(entry);
    }
}

}  // namespace

struct FileSearch::State {
    std::vector<FoundEntry> entries;
    size_t next = 0;
};

bool FileExists(const char* path) {
    std::vector<FoundEntry> found;
    Collect(path, 1, found);
    return !found.empty();
}

FileSearch::FileSearch() : state_(nullptr) {}

FileSearch::~FileSearch() { Close(); }

bool FileSearch::First(const char* pattern, FoundEntry& entry) {
    Close();
    std::vector<FoundEntry> found;
    Collect(pattern, static_cast<size_t>(-1), found);
    if (found.empty()) return false;
    state_ = new (std::nothrow) State;
    if (state_ == nullptr) return false;
    state_->entries.swap(found);
    return Next(entry);
}

bool FileSearch::Next(FoundEntry& entry) {
    if (state_ == nullptr || state_->next >= state_->entries.size()) return false;
    entry = state_->entries[state_->next++];
    return true;
}

void FileSearch::Close() {
    delete state_;
    state_ = nullptr;
}
