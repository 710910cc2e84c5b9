// The default caption and the error box.
#include "text/Messages.h"

#include <cstdarg>

#include "platform/Catalogue.h"
#include "platform/MessageBox.h"

// "ネムリア アップデータ": two katakana words and one ASCII space.
const char kDefaultCaption[] =
    "\x83\x6C\x83\x80\x83\x8A\x83\x41"
    " "
    "\x83\x41\x83\x62\x83\x76\x83\x66\x81\x5B\x83\x5E";

void ShowErrorBox(unsigned id, ...) {
    // The same steps as TextString::FormatMessageId: the catalogue text in a
    // 256-byte area, formatted with the arguments that follow the id.
    char format[256];
    LoadCatalogueText(id, format, sizeof format);

    TextString text;
    va_list args;
    va_start(args, id);
    text.FormatV(format, args);
    va_end(args);

    ShowMessageBox(text.CStr(), Caption.CStr(), kBoxIconError);
}
