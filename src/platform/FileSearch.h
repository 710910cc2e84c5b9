// File existence and directory search.
#pragma once

#include <cstdint>

enum : uint32_t { kAttrReadOnly = 0x1, kAttrDirectory = 0x10 };

// One entry found by a search: its attributes and its name without folder.
struct FoundEntry {
    uint32_t attributes;
    char name[260];
};

// True when the platform's search finds at least one entry for `path`
// (a file, a folder, or a pattern with wildcards in its last component).
bool FileExists(const char* path);

// A search in progress, closed when the object goes away.
class FileSearch {
public:
    FileSearch();
    ~FileSearch();
    FileSearch(const FileSearch&) = delete;
    FileSearch& operator=(const FileSearch&) = delete;

    // Starts a search; true and the first entry when something matched.
    bool First(const char* pattern, FoundEntry& entry);
    // The next entry; false at the end.
    bool Next(FoundEntry& entry);
    // Closes the search; harmless when none is open.
    void Close();

private:
    struct State;
    State* state_;
};
