// Entry point of the Windows program: a GUI-subsystem program without a
// window of its own. Only the argument text of the command line is used.
#include <windows.h>

#include "platform/Entry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR argumentText, int) {
    return UpdaterMain(argumentText != nullptr ? argumentText : "");
}
