// Script reading: a script of many procedure sections read key by key, the
// way the updater builds its lists, through the edition's INI reader (the
// host edition's own reader, or GetPrivateProfileStringA on Windows). Then
// the reader is put to the test of a script rewritten between two reads.
//
//   readbench SCRIPT FILE SECTIONS ROUNDS TRIALS
//
// SCRIPT is the script's path as the reader takes it (a Windows path), FILE
// the same file as this program writes it (a host path on the host). The
// program writes the script: SECTIONS sections [P0]... of two keys each.
//
// Timing: every key of every section is read ROUNDS times over; printed as
//   reads N ns_per_read X
// Freshness: TRIALS times, the script is rewritten with one value changed
// (the size stays the same) right after a read of that value, which is then
// read again; once with the file's time stamp set back to what it was, once
// left as the write made it. A read that gives the old value served a stale
// file. Printed as
//   stale_same_time S of TRIALS
//   stale_new_time S of TRIALS
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Profile.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace {

const char* scriptPath;
const char* filePath;

std::string Script(int sections, int version) {
    std::string text = "[UPDATER]\r\nNAME=Reading\r\nPROC=P0\r\n";
    char line[128];
    for (int i = 0; i < sections; ++i) {
        std::snprintf(line, sizeof line, "\r\n[P%d]\r\nMODE=EXIST\r\nFILE=<Src>\\data\\f%05d.%03d\r\n", i, i,
                      version % 1000);
        text += line;
    }
    return text;
}

// The file's last-write time, and setting it back.
struct Stamp {
#ifdef _WIN32
    FILETIME time;
#else
    struct timespec time;
#endif
};

bool ReadStamp(Stamp& stamp) {
#ifdef _WIN32
    HANDLE file = CreateFileA(filePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileTime(file, nullptr, nullptr, &stamp.time) != 0;
    CloseHandle(file);
    return ok;
#else
    struct stat info;
    if (stat(filePath, &info) != 0) return false;
    stamp.time = info.st_mtim;
    return true;
#endif
}

bool WriteStamp(const Stamp& stamp) {
#ifdef _WIN32
    HANDLE file = CreateFileA(filePath, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = SetFileTime(file, nullptr, nullptr, &stamp.time) != 0;
    CloseHandle(file);
    return ok;
#else
    const struct timespec times[2] = {{0, UTIME_OMIT}, stamp.time};
    return utimensat(AT_FDCWD, filePath, times, 0) == 0;
#endif
}

bool WriteScript(const std::string& text) {
    std::FILE* file = std::fopen(filePath, "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}

std::string Read(const char* section, const char* key) {
    char buffer[260];
    ProfileString(section, key, "NO_DATA", buffer, sizeof buffer, scriptPath);
    return buffer;
}

std::string Expected(int section, int version) {
    char value[64];
    std::snprintf(value, sizeof value, "<Src>\\data\\f%05d.%03d", section, version % 1000);
    return value;
}

// Counts the reads, out of `trials`, that gave the value from before a
// rewrite. The value is read right before each rewrite, so that whatever the
// reader keeps of the file is fresh from that read.
int StaleReads(int sections, int trials, bool keepStamp, int& version) {
    int stale = 0;
    for (int trial = 0; trial < trials; ++trial) {
        const int section = (trial * 7919) % sections;
        char name[16];
        std::snprintf(name, sizeof name, "P%d", section);
        Read(name, "FILE");
        Stamp stamp;
        if (!ReadStamp(stamp)) std::exit(2);
        ++version;
        if (!WriteScript(Script(sections, version))) std::exit(2);
        if (keepStamp && !WriteStamp(stamp)) std::exit(2);
        if (Read(name, "FILE") != Expected(section, version)) ++stale;
    }
    return stale;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: readbench SCRIPT FILE SECTIONS ROUNDS TRIALS\n");
        return 2;
    }
    scriptPath = argv[1];
    filePath = argv[2];
    const int sections = std::atoi(argv[3]);
    const int rounds = std::atoi(argv[4]);
    const int trials = std::atoi(argv[5]);
    int version = 0;
    if (sections <= 0 || !WriteScript(Script(sections, version))) return 2;

    char names[16];
    long long reads = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < sections; ++i) {
            std::snprintf(names, sizeof names, "P%d", i);
            if (Read(names, "MODE") != "EXIST" || Read(names, "FILE") != Expected(i, version)) {
                std::fprintf(stderr, "readbench: wrong value in section %s\n", names);
                return 1;
            }
            reads += 2;
        }
    }
    const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    std::printf("reads %lld ns_per_read %.0f\n", reads, ns / static_cast<double>(reads));

    std::printf("stale_same_time %d of %d\n", StaleReads(sections, trials, true, version), trials);
    std::printf("stale_new_time %d of %d\n", StaleReads(sections, trials, false, version), trials);
    return 0;
}
