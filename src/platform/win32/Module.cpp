// The program's own file and COM on the calling thread.
#include "platform/Module.h"

#include <windows.h>
#include <objbase.h>

unsigned ModuleFilePath(char* buffer, unsigned size) {
    if (size == 0) return 0;
    const DWORD length = GetModuleFileNameA(nullptr, buffer, size);
    // Windows XP leaves a cut path without its NUL; end it in every case.
    if (length >= size) {
        buffer[size - 1] = '\0';
        return size;
    }
    return static_cast<unsigned>(length);
}

void ComInitialize() { CoInitialize(nullptr); }

void ComUninitialize() { CoUninitialize(); }
