// platformrun: calls one platform operation of the program with the given
// texts and reports its result, so that the operations of either edition can
// be exercised from a script (the Windows build under Wine included).
//
// Usage:
//   platformrun link TARGET LINKFILE ARGUMENTS SHOWNUMBER
//   platformrun launch PROGRAM PARAMETERS WAIT
//
// Prints "result=1" or "result=0"; the exit code is 0 exactly when the
// operation returned true, 2 for a usage error.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <objbase.h>
#endif

#include "platform/Process.h"
#include "platform/Shortcut.h"

int main(int argc, char** argv) {
    bool result = false;
#ifdef _WIN32
    // The program itself initialises COM at its start; so does this driver.
    if (FAILED(CoInitialize(nullptr))) return 2;
#endif
    if (argc == 6 && std::strcmp(argv[1], "link") == 0) {
        result = CreateShortcut(argv[2], argv[3], argv[4], std::atoi(argv[5]));
    } else if (argc == 5 && std::strcmp(argv[1], "launch") == 0) {
        result = LaunchProgram(argv[2], argv[3], std::atoi(argv[4]) != 0);
    } else {
        std::fprintf(stderr, "usage: platformrun link TARGET LINKFILE ARGUMENTS SHOWNUMBER\n"
                             "       platformrun launch PROGRAM PARAMETERS WAIT\n");
        return 2;
    }
    std::printf("result=%d\n", result ? 1 : 0);
#ifdef _WIN32
    CoUninitialize();
#endif
    return result ? 0 : 1;
}
