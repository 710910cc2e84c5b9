// The local calendar date of a file's last write.
#pragma once

#include <cstdint>

struct CalendarDate {
    uint16_t year;
    uint16_t month;
    uint16_t day;
};

// Opens the file without sharing and reads its last-write date in local time.
// False when the file cannot be opened or its time cannot be read.
bool FileLocalDate(const char* path, CalendarDate& date);
