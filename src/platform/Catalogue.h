// The message catalogue stored with the program: the reader the program
// hands to the text classes (text/Catalogue.h).
#pragma once

// Copies catalogue text `id` in the ANSI code page into `buffer` (at most
// size - 1 bytes and a NUL). Returns the number of bytes copied; 0 and an
// empty buffer for an id that is not in the catalogue.
int ReadCatalogueEntry(unsigned id, char* buffer, int size);
