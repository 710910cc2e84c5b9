// The INI reader: the platform's profile-string calls.
#pragma once

// Reads `key` of `section` from `file` into `buffer` of `size` bytes, as
// GetPrivateProfileStringA does: `fallback` when the key or section is
// missing; a value that does not fit is cut to size - 1 bytes. Returns the
// number of bytes copied, without the NUL.
unsigned ProfileString(const char* section, const char* key, const char* fallback,
                       char* buffer, unsigned size, const char* file);

// Reads every line of `section` from `file` into `buffer` of `size` bytes, as
// GetPrivateProfileSectionA does: each line ended by a NUL and one more NUL
// after the last. Returns the number of bytes copied, without the final NUL.
unsigned ProfileSection(const char* section, char* buffer, unsigned size, const char* file);
