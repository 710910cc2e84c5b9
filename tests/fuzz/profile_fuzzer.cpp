// The host's INI reader on arbitrary files, names and buffer sizes.
//
// Input: a flags byte (bit 0: no section name, bit 1: no key name, bit 2:
// no fallback), the block size of the value read and that of the section
// read (16 bits each, little-endian), the section name, the key name and
// the fallback (each up to a NUL), and then the file's bytes.
//
// Every read goes into a heap block of exactly the size the reader is
// told, so that a byte written or read past it stops the run. Beyond that:
// - a value read returns its length, and the text in the block has it;
// - a smaller block gets the first bytes of what a large block gets;
// - a section read ends in the block: a walk over its lines stops at an
//   empty one before the block ends;
// - every key that a section read lists, once, is found by a value read of
//   that section and key with the value the section read shows.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/Profile.h"

namespace {

// A block that holds anything the reader can make of the input: a file is
// at most twice as long once read (an unreadable lead byte becomes a
// two-byte character), and a value or a section no longer than that.
unsigned largeBlock = 64;

struct Setup {
    std::string file;     // host path
    std::string windows;  // the path the reader is given
};

const Setup& TheSetup() {
    static const Setup setup = [] {
        Setup s;
        UseHostRoot(ScratchFolder() + "/root");
        s.file = ScratchFolder() + "/script.ini";
        s.windows = WindowsFormOf(s.file);
        return s;
    }();
    return setup;
}

// A heap block of exactly `size` bytes (a distinct block also for 0).
std::unique_ptr<char[]> Block(unsigned size) {
    std::unique_ptr<char[]> block(new char[size]);
    std::memset(block.get(), 0x5A, size);
    return block;
}

std::string ReadValue(const char* section, const char* key, const char* fallback, unsigned size,
                      unsigned* length) {
    const std::string& file = TheSetup().windows;
    std::unique_ptr<char[]> block = Block(size);
    *length = ProfileString(section, key, fallback, size == 0 ? nullptr : block.get(), size, file.c_str());
    if (size == 0) {
        FUZZ_CHECK(*length == 0, "a value read without a block returns 0");
        return std::string();
    }
    FUZZ_CHECK(*length < size, "a value read stays within its block");
    FUZZ_CHECK(block[*length] == '\0', "the value ends where its length says");
    FUZZ_CHECK(std::strlen(block.get()) == *length, "the value holds no NUL");
    return std::string(block.get(), *length);
}

// The section's lines as the reader leaves them in a block of `size` bytes.
std::vector<std::string> ReadSection(const char* section, unsigned size, std::string* raw) {
    const std::string& file = TheSetup().windows;
    std::unique_ptr<char[]> block = Block(size);
    const unsigned length = ProfileSection(section, size == 0 ? nullptr : block.get(), size, file.c_str());
    std::vector<std::string> lines;
    if (size == 0) {
        FUZZ_CHECK(length == 0, "a section read without a block returns 0");
        return lines;
    }
    if (size == 1) {
        FUZZ_CHECK(length == 0 && block[0] == '\0', "a one-byte section block holds only its end");
        return lines;
    }
    FUZZ_CHECK(length <= size - 2, "a section read leaves room for its two NULs");
    FUZZ_CHECK(block[length] == '\0', "the section's lines end where its length says");
    size_t at = 0;
    for (;;) {
        FUZZ_CHECK(at < size, "the walk over the section's lines stays in the block");
        const void* nul = std::memchr(block.get() + at, '\0', size - at);
        FUZZ_CHECK(nul != nullptr, "every line of a section read ends in the block");
        const size_t lineLength = static_cast<size_t>(static_cast<const char*>(nul) - (block.get() + at));
        if (lineLength == 0) break;
        lines.emplace_back(block.get() + at, lineLength);
        at += lineLength + 1;
    }
    FUZZ_CHECK(at == length || at == length + 1, "the walk ends at the section's end");
    raw->assign(block.get(), length);
    return lines;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameFolded(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i])) return false;
    }
    return true;
}

std::string WithoutQuotes(const std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Every key the section read lists under a name that no other listed line
// shares (even with other letter case) has the value the section read shows.
void CheckKeysOfSection(const std::string& section, const std::vector<std::string>& lines) {
    std::vector<std::string> names(lines.size());
    std::vector<bool> hasValue(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t equals = lines[i].find('=');
        hasValue[i] = equals != std::string::npos;
        names[i] = lines[i].substr(0, equals);
    }
    unsigned checked = 0;
    for (size_t i = 0; i < lines.size() && checked < 8; ++i) {
        if (!hasValue[i]) continue;
        // A name with spaces at either end, or a line break in it, is not
        // asked for as written; such a name cannot be a key anyway.
        const std::string& name = names[i];
        if (!name.empty() && (name.front() == ' ' || name.back() == ' ')) continue;
        bool shared = false;
        for (size_t j = 0; j < lines.size() && !shared; ++j) {
            shared = j != i && SameFolded(names[j], name);
        }
        if (shared) continue;
        ++checked;
        unsigned length = 0;
        const std::string value =
            ReadValue(section.c_str(), name.c_str(), "\x01missing", largeBlock, &length);
        FUZZ_CHECK(value == WithoutQuotes(lines[i].substr(names[i].size() + 1)),
                   "a listed key reads as the section read shows it");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    largeBlock = static_cast<unsigned>(2 * size + 64);
    InputReader input(data, size);
    const uint8_t flags = input.Byte();
    const unsigned valueBlock = input.Word();
    const unsigned sectionBlock = input.Word();
    const std::string section = input.Terminated();
    const std::string key = input.Terminated();
    const std::string fallback = input.Terminated();
    if (!WriteHostFile(TheSetup().file, input.Rest())) return 0;

    const char* sectionName = (flags & 1) ? nullptr : section.c_str();
    const char* keyName = (flags & 2) ? nullptr : key.c_str();
    const char* fallbackText = (flags & 4) ? nullptr : fallback.c_str();

    // A value read, in the block the input asks for and in a large one.
    unsigned length = 0;
    unsigned fullLength = 0;
    const std::string value = ReadValue(sectionName, keyName, fallbackText, valueBlock, &length);
    const std::string full = ReadValue(sectionName, keyName, fallbackText, largeBlock, &fullLength);
    if (valueBlock > 0) {
        FUZZ_CHECK(value == full.substr(0, valueBlock - 1), "a small block gets the start of the value");
    }

    // The section read, in the block the input asks for and in a large one.
    std::string raw;
    std::string fullRaw;
    ReadSection(sectionName, sectionBlock, &raw);
    const std::vector<std::string> lines = ReadSection(sectionName, largeBlock, &fullRaw);
    FUZZ_CHECK(fullRaw.compare(0, raw.size(), raw) == 0, "a small block gets the start of the section");
    if (sectionName != nullptr && !section.empty() && section.front() != ' ' && section.back() != ' ') {
        CheckKeysOfSection(section, lines);
    }
    return 0;
}
