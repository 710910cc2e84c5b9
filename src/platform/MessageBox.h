// The platform's modal message box.
#pragma once

// Shows a modal box with no owner window and returns the answer (kAnswerOk,
// kAnswerYes, kAnswerNo, ...) or 0 when no box could be shown. `style` takes
// the kBox* values of text/Messages.h.
int ShowMessageBox(const char* text, const char* caption, unsigned style);

// Replaces the box with a function of the caller's, so that tests can record
// every box and script its answers. Null restores the platform's box.
using MessageBoxHook = int (*)(const char* text, const char* caption, unsigned style);
void SetMessageBoxHook(MessageBoxHook hook);
