// The INI reader of the host edition: the file read whole at every call,
// then read as Windows' profile calls read it (winlike/IniFile.h, whose
// rules the corpus in tests/ini checks against Windows and Wine).
//
// Every read opens the file, reads it whole and closes it again, so a
// changed file is always seen as it is now. Only when its bytes are exactly
// those of the previous read is the file as parsed then taken over, which
// spares a script read key by key from being converted and parsed afresh
// every time. A file that is missing or cannot be read has no sections.
#include "platform/Profile.h"

#include <string>

#include "platform/posix/FileIo.h"
#include "platform/posix/HostFilePath.h"
#include "platform/posix/ProfileFile.h"
#include "platform/posix/UniqueFd.h"
#include "winlike/Conversion.h"
#include "winlike/IniFile.h"

namespace {

// A larger file is taken as unreadable rather than read into memory whole.
const size_t kLargestScript = size_t(1) << 30;

// The bytes of the whole file; false when it is missing or cannot be read.
// The file is opened under its path as written first: wherever that opens,
// it is the file that looking the path up folder by folder would find, and
// the lookup, one system call for each folder, is spared to a script read
// key by key. Only when it does not open is the path looked up.
bool ReadWholeFile(const char* file, std::string& bytes) {
    if (file == nullptr || *file == '\0' || EndsWithSeparator(file)) return false;
    std::string hostPath;
    UniqueFd in;
    if (ToHostPathAsWritten(file, hostPath)) in.Reset(OpenRegularFile(hostPath));
    if (!in.Valid()) {
        if (!MapHostFilePath(file, hostPath)) return false;
        in.Reset(OpenRegularFile(hostPath));
        if (!in.Valid()) return false;
    }
    return ReadToEnd(in.Get(), bytes, kLargestScript);
}

// The file as it is now. The result stays valid until the next call.
const IniFile& LoadScript(const char* file) {
    struct Last {
        std::string bytes;
        IniFile parsed;
    };
    static Last last;
    std::string bytes;
    if (!ReadWholeFile(file, bytes)) bytes.clear();
    if (bytes == last.bytes) return last.parsed;
    last.parsed = IniFile(IniTextOf(bytes));
    last.bytes.swap(bytes);
    return last.parsed;
}

// A name the program asks for, as Windows reads it in the code page.
std::string AsRead(const char* name) { return name != nullptr ? WindowsAnsiText(name) : std::string(); }

}  // namespace

const IniFile& ProfileFileAsRead(const char* file) { return LoadScript(file); }

unsigned ProfileString(const char* section, const char* key, const char* fallback,
                       char* buffer, unsigned size, const char* file) {
    const std::string sectionText = AsRead(section);
    const std::string keyText = AsRead(key);
    const std::string fallbackText = AsRead(fallback);
    return ProfileStringOf(LoadScript(file), section != nullptr ? sectionText.c_str() : nullptr,
                           key != nullptr ? keyText.c_str() : nullptr, fallbackText.c_str(), buffer, size);
}

unsigned ProfileSection(const char* section, char* buffer, unsigned size, const char* file) {
    const std::string sectionText = AsRead(section);
    return ProfileSectionOf(LoadScript(file), section != nullptr ? sectionText.c_str() : nullptr, buffer,
                            size);
}
