// Raw reads of an INI file through the platform's profile calls.
#include "engine/ScriptFile.h"

#include <cstdio>
#include <cstring>

#include "platform/Profile.h"
#include "text/Heap.h"

namespace {

const char kMissing[] = "NO_DATA";

// Reads one value into a 260-byte block; false when the key is missing or
// holds the missing-value text in any letter case.
bool ReadRawValue(const char* file, const char* section, const char* key,
                  char (&block)[kValueBlockSize]) {
    for (char& byte : block) byte = '\0';
    ProfileString(section, key, kMissing, block, kValueBlockSize - 1, file);
    return !TextString(block).EqualsNoCase(kMissing);
}

}  // namespace

bool ReadProfileText(const char* file, const char* section, const char* key, TextString& out) {
    char block[kValueBlockSize];
    if (!ReadRawValue(file, section, key, block)) return false;
    out.Assign(block);
    return true;
}

bool ReadProfileInt(const char* file, const char* section, const char* key, int& out) {
    char block[kValueBlockSize];
    if (!ReadRawValue(file, section, key, block)) return false;
    int value = 0;
    if (std::sscanf(block, "%d", &value) == 1) out = value;
    return true;
}

int ReadProfileSection(const char* file, const char* section, TextString& out) {
    // The section's lines, each ended by a NUL, and one more NUL at the end.
    char* block = static_cast<char*>(TextAlloc(kSectionBlockSize + 1));
    if (block == nullptr) return 0;
    for (unsigned i = 0; i <= kSectionBlockSize; ++i) block[i] = '\0';
    ProfileSection(section, block, kSectionBlockSize, file);

    int count = 0;
    for (const char* line = block; *line != '\0'; line += std::strlen(line) + 1) {
        if (*line == ';') continue;
        if (out.Length() != 0) out.Append("\n");
        out.Append(line);
        ++count;
    }
    TextFree(block);
    return count;
}
