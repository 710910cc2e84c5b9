// The INI reader of the Windows edition: the platform's profile calls.
#include "platform/Profile.h"

#include <windows.h>

unsigned ProfileString(const char* section, const char* key, const char* fallback,
                       char* buffer, unsigned size, const char* file) {
    return GetPrivateProfileStringA(section, key, fallback, buffer, size, file);
}

unsigned ProfileSection(const char* section, char* buffer, unsigned size, const char* file) {
    return GetPrivateProfileSectionA(section, buffer, size, file);
}
