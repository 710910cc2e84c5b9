// DATE: the result flag tells whether a listed file is older than the date
// (or cannot be opened).
#include "commands/Commands.h"
#include "engine/Records.h"
#include "platform/FileTime.h"

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

Command* CreateDate(RunState& run, const char* section) {
    static const TextKey keys[] = {
        Key("FILE", &DATE_INFO::files),
        Key("DATE", &DATE_INFO::date),
    };
    return CreateRecord<DATE_INFO>(run, section, "DATE_INFO", keys);
}

bool ExecuteDate(RunState& run, Command* command) {
    DATE_INFO* record = static_cast<DATE_INFO*>(command);
    const int count = CountDrivingItems(run, *record, record->files, "FILE");
    if (count == 0) return false;
    for (int i = 0; i < count; ++i) {
        if (!IsFileDateAtLeast(TrimmedItem(record->files, i).CStr(), record->date.CStr())) {
            record->result = 1;
            return true;
        }
    }
    return true;
}
