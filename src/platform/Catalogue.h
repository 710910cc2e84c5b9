// Access to the message catalogue stored with the program.
#pragma once

// Copies catalogue text `id` in the ANSI code page into `buffer` (at most
// size - 1 bytes and a NUL). Returns the number of bytes copied; 0 and an
// empty buffer for an id that is not in the catalogue.
int LoadCatalogueText(unsigned id, char* buffer, int size);
