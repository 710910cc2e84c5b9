// Entry point of the host edition. The argument text is rebuilt from the
// arguments the way a Windows program receives its command line, so that
// the caption comes out the same on both editions.
#include <string>

#include "platform/Entry.h"
#include "platform/posix/HostPath.h"

namespace {

std::string ArgumentText(int argc, char** argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (i > 1) text += ' ';
        if (argument.empty() || argument.find(' ') != std::string::npos) {
            text += '"' + argument + '"';
        } else {
            text += argument;
        }
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    EnsureHostRoot();
    return UpdaterMain(ArgumentText(argc, argv).c_str());
}
