// Shell link (.LNK) files in the Shell Link Binary File Format, so that a
// shortcut made by the host edition opens on Windows like one made by the
// shell itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What one shortcut holds: Windows paths and texts in Unicode, and the
// target once more in the program's code page (CP932), the form the link
// information keeps for readers that know no Unicode.
struct ShellLinkContent {
    std::string targetAnsi;
    std::u16string target;
    std::u16string workingDirectory;  // empty: none stored
    std::u16string arguments;         // empty: none stored
    uint32_t showCommand = 1;         // window state, SW_SHOWNORMAL unless set
};

// The bytes of the file: the header, the link information with the target
// as a local path on a fixed drive, the working directory and the arguments
// as Unicode strings, and the terminal block. False when a text is longer
// than its field can say.
bool EncodeShellLink(const ShellLinkContent& content, std::vector<unsigned char>& bytes);

// Values of the format.
namespace shell_link {
constexpr uint32_t kHeaderSize = 0x4C;
constexpr size_t kShowCommandOffset = 0x3C;
constexpr uint32_t kHasLinkInfo = 0x02;
constexpr uint32_t kHasWorkingDir = 0x10;
constexpr uint32_t kHasArguments = 0x20;
constexpr uint32_t kIsUnicode = 0x80;
}  // namespace shell_link
