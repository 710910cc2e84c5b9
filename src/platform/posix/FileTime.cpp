// Host body of the file date: the last modification time of the file in
// local time, as the TZ environment variable gives it.
#include "platform/FileTime.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <string>

#include "platform/Failure.h"
#include "platform/posix/HostFilePath.h"
#include "platform/posix/UniqueFd.h"

bool FileLocalDate(const char* path, CalendarDate& date) {
    std::string host;
    if (!MapHostFilePath(path, host)) return false;
    struct stat info;
    {
        // The file is opened, as the Windows edition opens it, and closed
        // right after its time has been read. A pipe must not block the open.
        UniqueFd file(open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (!file.Valid() || fstat(file.Get(), &info) != 0) return NoteFailure("open", host.c_str(), errno);
    }
    // A folder cannot be opened as a file on Windows.
    if (S_ISDIR(info.st_mode)) return NoteFailure("a folder", host.c_str(), EISDIR);

    // localtime_r need not look at TZ again by itself; tzset makes a change
    // of the variable during the run count.
    tzset();
    const time_t written = info.st_mtime;
    struct tm local;
    if (localtime_r(&written, &local) == nullptr) return NoteFailure("localtime_r", host.c_str(), errno);
    date.year = static_cast<uint16_t>(local.tm_year + 1900);
    date.month = static_cast<uint16_t>(local.tm_mon + 1);
    date.day = static_cast<uint16_t>(local.tm_mday);
    return true;
}
