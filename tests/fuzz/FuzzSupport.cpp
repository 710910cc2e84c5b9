#include "FuzzSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/Catalogue.h"
#include "platform/posix/HostPath.h"
#include "text/Catalogue.h"

namespace {

// The targets read the catalogue from the program's own store, as the
// program does.
const bool kCatalogueReaderSet = (SetCatalogueReader(ReadCatalogueEntry), true);

}  // namespace

void FuzzCheckFailed(const char* file, int line, const char* condition, const char* what) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s (%s)\n", file, line, what, condition);
    std::fflush(stderr);
    std::abort();
}

std::string InputReader::Text(size_t limit) {
    size_t length = Byte() % (limit + 1);
    std::string text;
    while (length-- > 0 && !AtEnd()) {
        const char c = static_cast<char>(Byte());
        if (c != '\0') text += c;
    }
    return text;
}

namespace {

struct ScratchState {
    std::string path;
    ~ScratchState() {
        if (!path.empty() && getpid() == owner) RemoveTree(path);
    }
    pid_t owner = 0;
};

ScratchState& Scratch() {
    static ScratchState state;
    return state;
}

}  // namespace

const std::string& ScratchFolder() {
    ScratchState& state = Scratch();
    if (state.path.empty()) {
        struct stat info;
        const std::string base = stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) &&
                                         access("/dev/shm", W_OK) == 0
                                     ? "/dev/shm"
                                     : std::filesystem::temp_directory_path().string();
        const std::string path = base + "/nemuria-fuzz-" + std::to_string(getpid());
        RemoveTree(path);
        std::filesystem::create_directories(path);
        state.owner = getpid();
        state.path = std::filesystem::canonical(path).string();
    }
    return state.path;
}

std::string WindowsFormOf(const std::string& hostPath) {
    std::string text = "Z:" + hostPath;
    for (char& c : text) {
        if (c == '/') c = '\\';
    }
    return text;
}

bool WriteHostFile(const std::string& path, const std::string& content, unsigned mode) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t written = write(fd, content.data() + done, content.size() - done);
        if (written <= 0) break;
        done += static_cast<size_t>(written);
    }
    fchmod(fd, mode);
    close(fd);
    return done == content.size();
}

void RemoveTree(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

void UseHostRoot(const std::string& folder) {
    setenv("NEMURIA_ROOT", folder.c_str(), 1);
    EnsureHostRoot();
}
