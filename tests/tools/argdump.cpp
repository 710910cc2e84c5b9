// argdump: a program to be started by the launch tests. It records what it
// was given in the file argdump.txt of its current folder:
//
//   folder=<current folder>
//   argc=<count>
//   arg0=<argv[0]> ... one line per argument
//   fds=<open descriptors above 2, comma-separated>   (host only)
//   blocked=<the mask of blocked signals, in hex>      (host only)
//   line=<the command line as the system gave it>   (Windows only)
//
// Bytes below 0x20 and the backslash itself are written as \xNN, so that
// every record is one line; on Windows a double-byte character of the code
// page is written as it is. The record is written to a temporary file and
// renamed, so a reader never sees half of it. When the environment variable
// ARGDUMP_DELAY_MS is set, the program first sleeps that long, so that a
// test can tell whether its starter waited for the end.
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <unistd.h>
#endif

namespace {

std::string Escaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
#ifdef _WIN32
        // A double-byte character of the code page is kept whole: its
        // second byte may be 0x5C.
        if (IsDBCSLeadByte(c) && i + 1 < text.size()) {
            out += text.substr(i, 2);
            ++i;
            continue;
        }
#endif
        if (c < 0x20 || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void Pause(long milliseconds) {
#ifdef _WIN32
    Sleep(static_cast<DWORD>(milliseconds));
#else
    usleep(static_cast<useconds_t>(milliseconds) * 1000);
#endif
}

std::string CurrentFolder() {
#ifdef _WIN32
    char buffer[MAX_PATH * 2];
    const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    return std::string(buffer, length < sizeof buffer ? length : 0);
#else
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
#endif
}

#ifndef _WIN32
std::string OpenDescriptors() {
    std::string list;
    DIR* folder = opendir("/proc/self/fd");
    if (folder == nullptr) return "?";
    while (const dirent* entry = readdir(folder)) {
        if (entry->d_name[0] == '.') continue;
        const int fd = std::atoi(entry->d_name);
        if (fd <= 2 || fd == dirfd(folder)) continue;
        if (!list.empty()) list += ',';
        list += entry->d_name;
    }
    closedir(folder);
    return list;
}

std::string BlockedSignals() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return "?";
    char line[256];
    std::string mask = "?";
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::string(line).rfind("SigBlk:", 0) == 0) mask = std::to_string(std::strtoull(line + 7, nullptr, 16));
    }
    std::fclose(status);
    return mask;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (const char* delay = std::getenv("ARGDUMP_DELAY_MS")) Pause(std::atol(delay));

    std::string record = "folder=" + Escaped(CurrentFolder()) + "\n";
    record += "argc=" + std::to_string(argc) + "\n";
    for (int i = 0; i < argc; ++i) {
        record += "arg" + std::to_string(i) + "=" + Escaped(argv[i]) + "\n";
    }
#ifdef _WIN32
    record += "line=" + Escaped(GetCommandLineA()) + "\n";
#else
    record += "fds=" + OpenDescriptors() + "\n";
    record += "blocked=" + BlockedSignals() + "\n";
#endif

    FILE* out = std::fopen("argdump.tmp", "wb");
    if (out == nullptr) return 1;
    const bool written = std::fwrite(record.data(), 1, record.size(), out) == record.size();
    if (std::fclose(out) != 0 || !written) return 1;
#ifdef _WIN32
    return MoveFileExA("argdump.tmp", "argdump.txt", MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
#else
    return std::rename("argdump.tmp", "argdump.txt") == 0 ? 0 : 1;
#endif
}
