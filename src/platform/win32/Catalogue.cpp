// The message catalogue of the Windows program: the string table among the
// program's resources, loaded in the system's ANSI code page.
#include "platform/Catalogue.h"

#include <windows.h>

int ReadCatalogueEntry(unsigned id, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = '\0';
    const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, size);
    if (length <= 0) {
        buffer[0] = '\0';
        return 0;
    }
    return length;
}
