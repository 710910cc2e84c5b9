// The message box of the Windows program.
#include "platform/MessageBox.h"

#include <windows.h>

namespace {
MessageBoxHook activeHook = nullptr;
}

void SetMessageBoxHook(MessageBoxHook hook) { activeHook = hook; }

int ShowMessageBox(const char* text, const char* caption, unsigned style) {
    if (activeHook != nullptr) return activeHook(text, caption, style);
    return MessageBoxA(nullptr, text, caption, style);
}
