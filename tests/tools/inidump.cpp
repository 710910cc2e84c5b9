// inidump: performs a list of INI reads through ProfileString and
// ProfileSection and prints every result in an escaped, unambiguous form.
//
// The same source is built twice: for Windows, where ProfileString and
// ProfileSection are GetPrivateProfileStringA and GetPrivateProfileSectionA,
// and for the host, where they are our own reader. Comparing the two outputs
// shows every way in which our reader departs from the platform's.
//
// Usage: inidump READS_DIR INI_DIR CASE...
//   For each CASE, the reads listed in READS_DIR/CASE.reads are made on the
//   file INI_DIR/CASE.ini (INI_DIR may be a Windows path such as Z:\dir).
//
// A .reads file holds one directive a line; blank lines and lines that start
// with '#' are ignored:
//   string SIZE SECTION KEY DEFAULT   one ProfileString read
//   section SIZE SECTION              one ProfileSection read
//   expect RESULT                     what Windows gives for the next read
//   because TEXT                      why Wine gives something else
// Arguments are separated by blanks; within one, \s is a space, \t a tab,
// \xNN any byte, \\ a backslash, and \e alone stands for the empty text.
//
// Each read prints one line: the read as written, "=>", then
// "ret=N data=BYTES", where BYTES are the buffer's bytes from its start up
// to the last byte that the call changed, printable ASCII as is, everything
// else as \xNN (a NUL as \0). "expect" takes a result in that form: when
// the program runs under Wine, it prints the expected result in place of
// Wine's own and reports Wine's on standard error, so the outputs of the
// two builds compare equal exactly when our reader matches Windows.
#include <cstdio>
#include <string>
#include <vector>

#include "IniReads.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: inidump READS_DIR INI_DIR CASE...\n");
        return 2;
    }
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);  // the same line ends as the host build
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const bool underWine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    const bool underWine = false;
#endif
    std::string notes;
    bool ok = true;
    const std::string out = RunIniCases(argv[1], argv[2], std::vector<std::string>(argv + 3, argv + argc),
                                        underWine, notes, ok);
    std::fputs(out.c_str(), stdout);
    // Each note on a line of its own, as "inidump: ..." on standard error.
    size_t start = 0;
    for (size_t end; (end = notes.find('\n', start)) != std::string::npos; start = end + 1) {
        std::fprintf(stderr, "inidump: %s\n", notes.substr(start, end - start).c_str());
    }
    return ok ? 0 : 1;
}
