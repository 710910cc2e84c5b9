// The error box.
#include "engine/ErrorBox.h"

#include <cstdarg>

#include "engine/RunState.h"
#include "platform/Failure.h"
#include "platform/MessageBox.h"
#include "text/Catalogue.h"
#include "text/Messages.h"

void ShowErrorBox(const RunState& run, unsigned id, ...) {
    // The steps of TextString::FormatMessageId, with the arguments that
    // follow the id here: the catalogue text in a 256-byte area, formatted.
    char format[kCatalogueTextArea];
    LoadCatalogueText(id, format, sizeof format);

    TextString text;
    va_list args;
    va_start(args, id);
    text.FormatV(format, args);
    va_end(args);

    if (run.Observer != nullptr) run.Observer->ErrorShown(id, text.CStr());
    TraceFailure();
    ShowMessageBox(text.CStr(), run.Caption.CStr(), kBoxIconError);
}
