// Where the message catalogue's texts come from.
//
// The texts are stored with the program (a string table among the Windows
// program's resources, a table compiled into the host program), which only
// the platform can read. The program hands the platform's reader to the text
// classes once at start; until then every text is empty.
#pragma once

// Size of the area a catalogue text is loaded into: at most 255 bytes and a
// NUL.
enum : int { kCatalogueTextArea = 256 };

// Copies catalogue text `id` (ANSI code page) into `buffer`, at most
// size - 1 bytes and a NUL; returns the bytes copied, 0 and an empty buffer
// for an id the catalogue does not hold.
using CatalogueReader = int (*)(unsigned id, char* buffer, int size);

void SetCatalogueReader(CatalogueReader reader);

// Reads catalogue text `id` through the reader that was set.
int LoadCatalogueText(unsigned id, char* buffer, int size);
