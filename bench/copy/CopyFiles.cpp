// Copies files with the host edition's copy, for timing it against cp.
//
//   copy-files SOURCE DESTINATION [SOURCE DESTINATION ...]    (host paths)
//
// The paths are handed to the copy in their Windows form, as a script would
// name them. Stops at the first copy that fails; exit status 0 when every
// copy succeeded.
#include <cstdio>
#include <string>

#include "platform/FileOps.h"
#include "platform/posix/HostPath.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: %s SOURCE DESTINATION [SOURCE DESTINATION ...]\n", argv[0]);
        return 2;
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string source = ToWindowsPath(argv[i]);
        const std::string destination = ToWindowsPath(argv[i + 1]);
        if (!CopyOneFile(source.c_str(), destination.c_str())) {
            std::fprintf(stderr, "copy failed: %s -> %s\n", source.c_str(), destination.c_str());
            return 1;
        }
    }
    return 0;
}
