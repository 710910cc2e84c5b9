// Encoding of shell link files.
//
// The file holds no item ID list, which the format leaves optional: the
// target is named by the link information, a local base path on a fixed
// drive, the form the shell keeps for a local file. The strings are stored in Unicode, so that
// a Japanese path reads the same on a Windows of any code page; the local
// base path is stored twice, in the ANSI form every reader knows and in the
// Unicode form that readers since Windows XP prefer.
#include "winlike/ShellLink.h"

namespace {

using namespace shell_link;

// The class identifier of a shell link, {00021401-0000-0000-C000-000000000046},
// in its stored byte order.
constexpr unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

constexpr uint32_t kLinkInfoHeaderSize = 0x24;  // with the Unicode path offsets
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x01;
constexpr uint32_t kVolumeIdSize = 0x11;        // four fields and an empty label
constexpr uint32_t kDriveFixed = 3;
constexpr size_t kMaxStringChars = 0xFFFF;

class ByteWriter {
public:
    explicit ByteWriter(std::vector<unsigned char>& bytes) : bytes_(bytes) {}
    void Put8(unsigned value) { bytes_.push_back(static_cast<unsigned char>(value)); }
    void Put16(unsigned value) {
        Put8(value & 0xFF);
        Put8((value >> 8) & 0xFF);
    }
    void Put32(uint32_t value) {
        Put16(value & 0xFFFF);
        Put16(value >> 16);
    }
    void Put64(uint64_t value) {
        Put32(static_cast<uint32_t>(value));
        Put32(static_cast<uint32_t>(value >> 32));
    }
    void PutBytes(const unsigned char* data, size_t size) { bytes_.insert(bytes_.end(), data, data + size); }
    // A NUL-terminated ANSI string.
    void PutAnsiZ(const std::string& text) {
        PutBytes(reinterpret_cast<const unsigned char*>(text.data()), text.size());
        Put8(0);
    }
    // A NUL-terminated UTF-16 string.
    void PutWideZ(const std::u16string& text) {
        for (char16_t unit : text) Put16(unit);
        Put16(0);
    }
    // A StringData entry: the count of UTF-16 units, then the units.
    void PutCountedWide(const std::u16string& text) {
        Put16(static_cast<unsigned>(text.size()));
        for (char16_t unit : text) Put16(unit);
    }

private:
    std::vector<unsigned char>& bytes_;
};

}  // namespace

bool EncodeShellLink(const ShellLinkContent& content, std::vector<unsigned char>& bytes) {
    const std::u16string& target = content.target;
    const std::u16string& workingDirectory = content.workingDirectory;
    const std::u16string& arguments = content.arguments;
    if (workingDirectory.size() > kMaxStringChars || arguments.size() > kMaxStringChars) {
        return false;
    }

    uint32_t flags = kHasLinkInfo | kIsUnicode;
    if (!workingDirectory.empty()) flags |= kHasWorkingDir;
    if (!arguments.empty()) flags |= kHasArguments;

    bytes.clear();
    ByteWriter out(bytes);
    out.Put32(kHeaderSize);
    out.PutBytes(kLinkClsid, sizeof kLinkClsid);
    out.Put32(flags);
    // The target's attributes, times and size: zero, which says that they
    // are not known.
    out.Put32(0);
    out.Put64(0);
    out.Put64(0);
    out.Put64(0);
    out.Put32(0);
    out.Put32(0);  // icon index
    out.Put32(content.showCommand);
    out.Put16(0);  // no hot key
    out.Put16(0);  // reserved
    out.Put32(0);
    out.Put32(0);

    // The link information: header, volume, the target as local base path
    // with an empty common suffix, then both again in Unicode.
    const uint32_t volumeOffset = kLinkInfoHeaderSize;
    const uint32_t basePathOffset = volumeOffset + kVolumeIdSize;
    const uint32_t suffixOffset = basePathOffset + static_cast<uint32_t>(content.targetAnsi.size()) + 1;
    const uint32_t basePathWideOffset = suffixOffset + 1;
    const uint32_t suffixWideOffset =
        basePathWideOffset + 2 * (static_cast<uint32_t>(target.size()) + 1);
    const uint32_t linkInfoSize = suffixWideOffset + 2;
    out.Put32(linkInfoSize);
    out.Put32(kLinkInfoHeaderSize);
    out.Put32(kVolumeIdAndLocalBasePath);
    out.Put32(volumeOffset);
    out.Put32(basePathOffset);
    out.Put32(0);  // no network location
    out.Put32(suffixOffset);
    out.Put32(basePathWideOffset);
    out.Put32(suffixWideOffset);
    out.Put32(kVolumeIdSize);
    out.Put32(kDriveFixed);
    out.Put32(0);     // serial number unknown
    out.Put32(0x10);  // the label follows the four fields
    out.Put8(0);      // empty label
    out.PutAnsiZ(content.targetAnsi);
    out.Put8(0);  // empty common path suffix
    out.PutWideZ(target);
    out.Put16(0);  // empty common path suffix

    if (!workingDirectory.empty()) out.PutCountedWide(workingDirectory);
    if (!arguments.empty()) out.PutCountedWide(arguments);
    out.Put32(0);  // terminal block: no extra data
    return true;
}
