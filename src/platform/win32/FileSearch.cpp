// File search through FindFirstFileA, FindNextFileA and FindClose. Every
// search handle is closed on every path: by FileExists at once, by a
// FileSearch when it is closed, restarted or destroyed.
#include "platform/FileSearch.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

void CopyEntry(const WIN32_FIND_DATAA& data, FoundEntry& entry) {
    static_assert(sizeof entry.name == sizeof data.cFileName, "the entry holds any name Windows gives");
    entry.attributes = data.dwFileAttributes;
    std::memcpy(entry.name, data.cFileName, sizeof entry.name);
    entry.name[sizeof entry.name - 1] = '\0';
}

}  // namespace

struct FileSearch::State {
    HANDLE handle;
};

bool FileExists(const char* path) {
    if (path == nullptr) return false;
    WIN32_FIND_DATAA data;
    const HANDLE handle = FindFirstFileA(path, &data);
    if (handle == INVALID_HANDLE_VALUE) return false;
    FindClose(handle);
    return true;
}

FileSearch::FileSearch() : state_(nullptr) {}

FileSearch::~FileSearch() { Close(); }

bool FileSearch::First(const char* pattern, FoundEntry& entry) {
    Close();
    if (pattern == nullptr) return false;
    WIN32_FIND_DATAA data;
    const HANDLE handle = FindFirstFileA(pattern, &data);
    if (handle == INVALID_HANDLE_VALUE) return false;
    // Plain C heap: the program carries no C++ allocator of its own.
    state_ = static_cast<State*>(std::malloc(sizeof(State)));
    if (state_ == nullptr) {
        FindClose(handle);
        return false;
    }
    state_->handle = handle;
    CopyEntry(data, entry);
    return true;
}

bool FileSearch::Next(FoundEntry& entry) {
    if (state_ == nullptr) return false;
    WIN32_FIND_DATAA data;
    if (!FindNextFileA(state_->handle, &data)) return false;
    CopyEntry(data, entry);
    return true;
}

void FileSearch::Close() {
    if (state_ == nullptr) return;
    FindClose(state_->handle);
    std::free(state_);
    state_ = nullptr;
}
