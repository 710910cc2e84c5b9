// The message catalogue of the host edition: a table compiled into the
// program, generated at build time from resources/messages.txt with the
// texts already in Shift-JIS, the code page the logic works in.
#include "platform/Catalogue.h"

#include <cstring>

namespace {

struct CatalogueEntry {
    unsigned id;
    const char* text;
};

const CatalogueEntry kCatalogue[] = {
#include "CatalogueTable.inc"
};

}  // namespace

int ReadCatalogueEntry(unsigned id, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = '\0';
    for (const CatalogueEntry& entry : kCatalogue) {
        if (entry.id != id) continue;
        size_t length = std::strlen(entry.text);
        if (length > static_cast<size_t>(size - 1)) length = static_cast<size_t>(size - 1);
        std::memcpy(buffer, entry.text, length);
        buffer[length] = '\0';
        return static_cast<int>(length);
    }
    return 0;
}
