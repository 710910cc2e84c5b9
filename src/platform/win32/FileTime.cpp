// Windows body of the file date: the last-write time of the file, opened
// without sharing, converted to local time.
#include "platform/FileTime.h"

#include <windows.h>

#include "platform/Failure.h"

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    void Close() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

}  // namespace

bool FileLocalDate(const char* path, CalendarDate& date) {
    FileHandle file(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return NoteFailure("CreateFile", path, static_cast<int>(GetLastError()));
    FILETIME written;
    const BOOL read = GetFileTime(file.Get(), nullptr, nullptr, &written);
    // The file is held without sharing; let it go before anything else.
    file.Close();
    FILETIME local;
    SYSTEMTIME calendar;
    if (!read || !FileTimeToLocalFileTime(&written, &local) ||
        !FileTimeToSystemTime(&local, &calendar)) {
        return false;
    }
    date.year = calendar.wYear;
    date.month = calendar.wMonth;
    date.day = calendar.wDay;
    return true;
}
