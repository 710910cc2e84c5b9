// Helpers shared by the fuzz targets: reading an input as a stream of
// operands, a scratch folder of the process's own, and a check that stops
// the run with a message when an invariant does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Stops the process with `what` when `condition` is false. The fuzzer
// records the input that led here as a crash.
#define FUZZ_CHECK(condition, what) \
    ((condition) ? static_cast<void>(0) : FuzzCheckFailed(__FILE__, __LINE__, #condition, what))
[[noreturn]] void FuzzCheckFailed(const char* file, int line, const char* condition, const char* what);

// Reads operands from the front of an input. Past the end every read gives
// zero or empty text, so that any input decodes to some sequence.
class InputReader {
public:
    InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool AtEnd() const { return position_ >= size_; }

    uint8_t Byte() { return AtEnd() ? 0 : data_[position_++]; }
    uint16_t Word() {
        const uint16_t low = Byte();
        return static_cast<uint16_t>(low | Byte() << 8);
    }
    // A small signed index, mostly near the ends of a text: -8 to 23.
    int Index() { return static_cast<int>(Byte() % 32) - 8; }
    // A text without NUL bytes: a length byte (0 to `limit`) and the bytes.
    std::string Text(size_t limit = 15);

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// A folder of this process below the fastest temporary folder (/dev/shm
// when there is one), created empty on the first call and removed when the
// process ends.
const std::string& ScratchFolder();

// The Windows form (Z:\...) of a host path, as the program names it.
std::string WindowsFormOf(const std::string& hostPath);

// Writes `content` to a host file, replacing it; false when it cannot.
bool WriteHostFile(const std::string& path, const std::string& content, unsigned mode = 0644);

// Removes a folder and everything in it, read-only files included.
void RemoveTree(const std::string& path);

// Points NEMURIA_ROOT at `folder` and has the root's folders created there.
void UseHostRoot(const std::string& folder);
