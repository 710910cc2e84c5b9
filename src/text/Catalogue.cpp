// The reader of the message catalogue, as the program set it.
#include "text/Catalogue.h"

namespace {

CatalogueReader activeReader = nullptr;

}  // namespace

void SetCatalogueReader(CatalogueReader reader) { activeReader = reader; }

int LoadCatalogueText(unsigned id, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = '\0';
    if (activeReader == nullptr) return 0;
    const int length = activeReader(id, buffer, size);
    if (length <= 0) {
        buffer[0] = '\0';
        return 0;
    }
    buffer[size - 1] = '\0';
    return length;
}
