// The floor of workload W1: the file actions of a W1 run, taken from a table
// compiled in (floor_ops.h, written by bench/w1/gen.py), performed with the
// same system calls in the same order as the host updater makes them, and
// nothing else: no script, no symbols, no lists. Its time is what the work
// itself costs, so that the updater's time over it is what running the work
// from a script costs.
//
// The host updater sees the disk as Windows would: it looks up every folder
// of a path by name (a name may differ in case), looks through a folder for
// a name that is not there as written, and lists a whole folder to test one
// path. Those calls are part of the work on the host and are made here too.
//
//   floor             works on tree/ beside the program, like the updater
//
// Built with no C++ library, so that it starts as fast as a program can.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

enum Kind { kExist, kMakeDir, kCopy, kAttr, kAttrFolder, kDate, kDelete };

struct Action {
    Kind kind;
    const char* first;   // relative to the program's folder
    const char* second;  // the destination of a copy
    unsigned value;      // the attribute mask
};

#include "floor_ops.h"

const unsigned kReadOnly = 0x1;
const int kMaxNames = 256;

char base[PATH_MAX];  // the program's folder

void Join(char* out, const char* relative) { snprintf(out, PATH_MAX, "%s/%s", base, relative); }

// The folder part of `path` (up to its last "/") and its last part.
void Split(const char* path, char* folder, const char** name) {
    const char* slash = strrchr(path, '/');
    const size_t length = static_cast<size_t>(slash - path);
    memcpy(folder, path, length);
    folder[length] = '\0';
    *name = slash + 1;
}

// One lookup of every folder from the root down to the parent of `path`.
void WalkFolders(const char* path) {
    char prefix[PATH_MAX];
    struct stat info;
    for (const char* slash = strchr(path + 1, '/'); slash != nullptr; slash = strchr(slash + 1, '/')) {
        const size_t length = static_cast<size_t>(slash - path);
        memcpy(prefix, path, length);
        prefix[length] = '\0';
        lstat(prefix, &info);
    }
}

// The names in `folder`, without "." and "..".
int ReadFolder(const char* folder, char names[][NAME_MAX + 1]) {
    DIR* dir = opendir(folder);
    if (dir == nullptr) return 0;
    int count = 0;
    while (const dirent* entry = readdir(dir)) {
        if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0) continue;
        if (count < kMaxNames) strcpy(names[count++], entry->d_name);
    }
    closedir(dir);
    return count;
}

// The path of a file named by the script: its folders looked up, then the
// name; a name that is not there is looked for in the folder in any case.
void MapName(const char* path) {
    WalkFolders(path);
    struct stat info;
    if (lstat(path, &info) == 0) return;
    char folder[PATH_MAX];
    const char* name;
    Split(path, folder, &name);
    static char names[kMaxNames][NAME_MAX + 1];
    ReadFolder(folder, names);
}

int CompareUpper(const void* a, const void* b) {
    return strcasecmp(static_cast<const char*>(a), static_cast<const char*>(b));
}

// The entries that `pattern` finds, in the order a search gives them: "."
// and ".." first where they match, then the rest by their upper-cased
// names. Each is looked at, up to `limit` of them.
int Search(const char* pattern, int limit, char found[][NAME_MAX + 1], unsigned* attributes) {
    char folder[PATH_MAX];
    const char* name;
    Split(pattern, folder, &name);
    // "*.*" finds every name, also one without a dot.
    if (strcmp(name, "*.*") == 0) name = "*";
    WalkFolders(pattern);
    static char names[kMaxNames][NAME_MAX + 1];
    const int count = ReadFolder(folder, names);
    static char sorted[kMaxNames + 2][NAME_MAX + 1];
    int total = 0;
    static const char* const kOwn[] = {".", ".."};
    for (const char* own : kOwn) {
        if (fnmatch(name, own, FNM_CASEFOLD) == 0) strcpy(sorted[total++], own);
    }
    const int first = total;
    for (int i = 0; i < count; ++i) {
        if (fnmatch(name, names[i], FNM_CASEFOLD) == 0) strcpy(sorted[total++], names[i]);
    }
    qsort(sorted[first], static_cast<size_t>(total - first), sizeof sorted[0], CompareUpper);
    int kept = 0;
    for (int i = 0; i < total && kept < limit; ++i) {
        char path[PATH_MAX];
        snprintf(path, sizeof path, "%s/%s", folder, sorted[i]);
        struct stat info;
        if (stat(path, &info) != 0) continue;
        if (found != nullptr) {
            strcpy(found[kept], sorted[i]);
            attributes[kept] = S_ISDIR(info.st_mode) ? 0x10 : 0x20;
        }
        ++kept;
    }
    return kept;
}

bool Exists(const char* path) { return Search(path, 1, nullptr, nullptr) > 0; }

void MakeDir(const char* path) {
    if (Exists(path)) return;
    MapName(path);
    mkdir(path, 0777);
}

void Copy(const char* from, const char* to) {
    MapName(from);
    MapName(to);
    struct stat source;
    stat(from, &source);
    const int in = open(from, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    fstat(in, &source);
    struct stat old;
    lstat(to, &old);
    char folder[PATH_MAX];
    const char* name;
    Split(to, folder, &name);
    char temp[PATH_MAX];
    snprintf(temp, sizeof temp, "%s/.%s.XXXXXX", folder, name);
    const int out = mkostemp(temp, O_CLOEXEC);
    while (copy_file_range(in, nullptr, out, nullptr, size_t{1} << 30, 0) > 0) {
    }
    const struct timespec times[2] = {{0, UTIME_OMIT}, source.st_mtim};
    fchmod(out, source.st_mode & 0777);
    futimens(out, times);
    close(out);
    rename(temp, to);
    close(in);
}

void SetAttributes(const char* path, unsigned value) {
    MapName(path);
    struct stat info;
    if (stat(path, &info) != 0 || S_ISDIR(info.st_mode)) return;
    const mode_t mode = info.st_mode & 07777;
    const mode_t writeBits = S_IWUSR | S_IWGRP | S_IWOTH;
    mode_t wanted;
    if ((value & kReadOnly) != 0) {
        wanted = mode & ~writeBits;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        wanted = (mode & writeBits) != 0 ? mode : mode | S_IWUSR | ((((mode & (S_IRGRP | S_IROTH)) >> 1)) & ~mask);
    }
    if (wanted != mode) chmod(path, wanted);
}

void SetFolderAttributes(const char* pattern, unsigned value) {
    static char found[kMaxNames][NAME_MAX + 1];
    static unsigned attributes[kMaxNames];
    const int count = Search(pattern, kMaxNames, found, attributes);
    char folder[PATH_MAX];
    const char* name;
    Split(pattern, folder, &name);
    for (int i = 0; i < count; ++i) {
        if (attributes[i] & 0x10) continue;
        char path[PATH_MAX];
        snprintf(path, sizeof path, "%s/%s", folder, found[i]);
        SetAttributes(path, value);
    }
}

void FileDate(const char* path) {
    MapName(path);
    const int file = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat info;
    fstat(file, &info);
    close(file);
    tzset();
    struct tm local;
    localtime_r(&info.st_mtime, &local);
}

void Delete(const char* path) {
    MapName(path);
    struct stat info;
    lstat(path, &info);
    unlink(path);
}

// The question box of the run, on the console, answered by its default.
void Ask() {
    char folder[PATH_MAX];
    snprintf(folder, sizeof folder, "Z:%s", base);
    for (char* c = folder; *c != '\0'; ++c) {
        if (*c == '/') *c = '\\';
    }
    fputs("=== W1 ===\n", stderr);
    fprintf(stderr, "Update the files below %s?\n", folder);
    fputs("--- [Yes] No ---\n", stderr);
    isatty(fileno(stdin));
    fputs("> ", stderr);
    char* line = nullptr;
    size_t capacity = 0;
    getline(&line, &capacity, stdin);
    free(line);
    fputs("\n", stderr);
}

}  // namespace

int main() {
    const ssize_t length = readlink("/proc/self/exe", base, sizeof base - 1);
    if (length <= 0) return 1;
    base[length] = '\0';
    *strrchr(base, '/') = '\0';

    Ask();
    for (const Action& action : kActions) {
        char first[PATH_MAX];
        char second[PATH_MAX];
        Join(first, action.first);
        Join(second, action.second);
        switch (action.kind) {
        case kExist: Exists(first); break;
        case kMakeDir: MakeDir(first); break;
        case kCopy: Copy(first, second); break;
        case kAttr: SetAttributes(first, action.value); break;
        case kAttrFolder: SetFolderAttributes(first, action.value); break;
        case kDate: FileDate(first); break;
        case kDelete: Delete(first); break;
        }
    }
    return 0;
}
