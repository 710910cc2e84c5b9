// Whether a file was last written on or after a given calendar day.
#include "platform/FileTime.h"

#include "text/TextString.h"

namespace {

// One field of "year/month/day"; a missing or unreadable part is 0, and a
// number takes part by its low 16 bits, as a calendar field holds them.
uint16_t DateField(const TextString& text, int index) {
    return static_cast<uint16_t>(text.Item(index, "/").ToInt());
}

}  // namespace

bool IsFileDateAtLeast(const char* path, const char* dateText) {
    CalendarDate file;
    // A file whose date cannot be had counts as older, so that an update
    // that depends on the answer is not skipped.
    if (!FileLocalDate(path, file)) return false;
    const TextString text(dateText);
    const uint16_t year = DateField(text, 0);
    const uint16_t month = DateField(text, 1);
    const uint16_t day = DateField(text, 2);
    if (file.year != year) return file.year > year;
    if (file.month != month) return file.month > month;
    return file.day >= day;
}
