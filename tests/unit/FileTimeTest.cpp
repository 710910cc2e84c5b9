// The file date test: a file's local last-write day against "year/month/day".
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "commands/Commands.h"
#include "platform/FileTime.h"

#ifdef _WIN32
#include <sys/utime.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>
#endif

namespace fs = std::filesystem;

namespace {

// Gives the file a last-write time; `when` counts seconds since 1970 (UTC).
void SetWritten(const fs::path& path, time_t when) {
#ifdef _WIN32
    struct _utimbuf times = {when, when};
    ASSERT_EQ(_utime(path.string().c_str(), &times), 0);
#else
    const struct utimbuf times = {when, when};
    ASSERT_EQ(utime(path.c_str(), &times), 0);
#endif
}

struct tm Fields(int year, int month, int day, int hour, int minute) {
    struct tm fields = {};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_isdst = -1;
    return fields;
}

TEST(FileTimeTest, DayAgainstTheGivenDate) {
    struct Case {
        const char* date;
        int year, month, day, hour, minute;
        bool atLeast;
    };
    const Case cases[] = {
        {"2002/10/15", 2002, 10, 15, 23, 59, true},
        {"2002/10/15", 2002, 10, 14, 23, 59, false},
        {"2002/10/15", 2002, 11, 1, 12, 0, true},      // the month decides before the day
        {"2002/10/15", 2003, 1, 1, 12, 0, true},       // the year before the month
        {"2002/10/15", 2001, 12, 31, 12, 0, false},
        {"2002/10", 2002, 10, 1, 12, 0, true},         // a missing day is 0
        {"2002", 2001, 12, 31, 12, 0, false},          // only a year
        {"", 1990, 1, 1, 12, 0, true},                 // every day is at least 0/0/0
        {"2002/01/05", 2002, 1, 4, 12, 0, false},      // leading zeros
        {" 2002/ 10 /15th", 2002, 10, 14, 12, 0, false},  // blanks before, text after
        {"67538/10/15", 2002, 10, 15, 12, 0, true},    // 67538 takes part as 2002
        {"2002/10/65551", 2002, 10, 14, 12, 0, false},  // 65551 as 15
        {"-1/1/1", 2002, 10, 15, 12, 0, false},        // -1 as 65535
    };
    ScratchDir dir;
    dir.Write("file.txt", "x");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "\"" << c.date << "\" against " << c.year << "-"
                                        << c.month << "-" << c.day);
        struct tm local = Fields(c.year, c.month, c.day, c.hour, c.minute);
        SetWritten(dir.at("file.txt"), mktime(&local));
        EXPECT_EQ(IsFileDateAtLeast(dir.windows("file.txt").c_str(), c.date), c.atLeast);
    }
}

// What cannot be opened as a file counts as older, whatever the date.
TEST(FileTimeTest, UnopenableCountsAsOlder) {
    ScratchDir dir;
    dir.Write("file.txt", "x");
    fs::create_directory(dir.at("folder"));
    const std::string paths[] = {
        dir.windows("missing.txt"),
        dir.windows("folder"),
        dir.windows("file.txt") + "\\",
        dir.windows("*.txt"),
        "",
    };
    EXPECT_TRUE(IsFileDateAtLeast(dir.windows("file.txt").c_str(), "1/1/1"));
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(IsFileDateAtLeast(path.c_str(), "1/1/1"));
    }
}

#ifdef _WIN32

// The file is opened without sharing, so a file held open elsewhere counts
// as older.
TEST(FileTimeTest, FileHeldOpenCountsAsOlder) {
    ScratchDir dir;
    dir.Write("held.txt", "x");
    const std::string path = dir.windows("held.txt");
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(IsFileDateAtLeast(path.c_str(), "1/1/1"));
    CloseHandle(held);
    EXPECT_TRUE(IsFileDateAtLeast(path.c_str(), "1/1/1"));
}

#else

// Sets TZ for the life of the object. The change is not announced with
// tzset: the program must see it anyway.
struct TimeZone {
    explicit TimeZone(const char* zone) : tz("TZ", zone) {}
    ~TimeZone() { tzset(); }
    ScopedEnv tz;
};

// The day is that of local time: east of UTC a file written late in the
// UTC day already belongs to the next one, west of it an early one still
// belongs to the day before.
TEST(FileTimeTest, DayOfTheLocalTimeZone) {
    struct Case {
        const char* zone;
        int day, hour;  // of October 2002, in UTC
        bool atLeast;   // against 2002/10/15
    };
    const Case cases[] = {
        {"UTC0", 14, 23, false}, {"JST-9", 14, 23, true}, {"UTC0", 15, 2, true}, {"EST5", 15, 2, false},
    };
    ScratchDir dir;
    dir.Write("file.txt", "x");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.zone << " " << c.day << " " << c.hour);
        struct tm utc = Fields(2002, 10, c.day, c.hour, 30);
        SetWritten(dir.at("file.txt"), timegm(&utc));
        TimeZone zone(c.zone);
        EXPECT_EQ(IsFileDateAtLeast(dir.windows("file.txt").c_str(), "2002/10/15"), c.atLeast);
    }
}

// A named pipe is opened without waiting for a writer.
TEST(FileTimeTest, PipeDoesNotBlock) {
    ScratchDir dir;
    ASSERT_EQ(mkfifo(dir.at("pipe").c_str(), 0644), 0);
    alarm(10);
    EXPECT_TRUE(IsFileDateAtLeast(dir.windows("pipe").c_str(), "1/1/1"));
    alarm(0);
}

#endif

}  // namespace
