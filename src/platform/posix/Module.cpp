// The program's own file on the host: /proc/self/exe, named the way Wine
// names a host path (Z:\opt\app\updater). There is no COM on the host.
#include "platform/Module.h"

#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/HostPath.h"

namespace {

std::string ExecutablePath() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return std::string();
        if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

unsigned ModuleFilePath(char* buffer, unsigned size) {
    if (size == 0) return 0;
    const std::string hostPath = ExecutablePath();
    const std::string path = hostPath.empty() ? std::string() : ToWindowsPath(hostPath);
    // As GetModuleFileNameA does: a path that does not fit is cut to
    // size - 1 bytes and a NUL, and the whole size is returned.
    if (path.size() >= size) {
        std::memcpy(buffer, path.data(), size - 1);
        buffer[size - 1] = '\0';
        return size;
    }
    std::memcpy(buffer, path.data(), path.size());
    buffer[path.size()] = '\0';
    return static_cast<unsigned>(path.size());
}

void ComInitialize() {}

void ComUninitialize() {}
