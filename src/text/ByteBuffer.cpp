// ByteBuffer: one owned heap block of exactly the size of its content.
//
// Every change of content releases the old block before it obtains the new
// one, so an operation that combines old and new bytes works from a
// temporary copy. After a failed allocation the buffer holds no block
// (data null, size 0) and false is returned where the operation has a
// result.
//
// Beyond the ranges the program itself uses:
// - A source that lies inside this buffer's own block (Set or Append from
//   its own bytes, appending a buffer to itself) is supported: the bytes are
//   read from a temporary copy. Assigning a buffer to itself changes nothing.
// - Slice clamps an offset past the end to the end and a count to the bytes
//   that remain; a buffer without a block slices to a buffer without one.
// - Remove with count 0 or an offset at or past the end changes nothing; a
//   range reaching past the end is cut at the end.
// - Equals against a larger buffer is false (this block lacks the bytes).
#include "text/ByteBuffer.h"

#include <cstdint>
#include <cstring>

#include "text/Heap.h"

namespace {

// Whether `p` points into the `size` bytes at `block`. Compared as integers
// because the pointers may belong to unrelated objects.
bool PointsInto(const void* p, const void* block, unsigned size) {
    if (p == nullptr || block == nullptr) return false;
    const uintptr_t at = reinterpret_cast<uintptr_t>(p);
    const uintptr_t start = reinterpret_cast<uintptr_t>(block);
    return at >= start && at - start < size;
}

}  // namespace

ByteBuffer::ByteBuffer() { Init(); }

ByteBuffer::ByteBuffer(const ByteBuffer& other) {
    Init();
    Assign(other);
}

ByteBuffer::~ByteBuffer() { Clear(); }

void ByteBuffer::Init() {
    data_ = nullptr;
    size_ = 0;
}

void ByteBuffer::Clear() {
    if (data_ != nullptr) TextFree(data_);
    data_ = nullptr;
    size_ = 0;
}

bool ByteBuffer::Allocate(unsigned size) {
    Clear();
    void* block = TextAlloc(size);
    if (block == nullptr) return false;
    std::memset(block, 0, size);
    data_ = static_cast<unsigned char*>(block);
    size_ = size;
    return true;
}

bool ByteBuffer::Set(const void* src, unsigned size) {
    if (PointsInto(src, data_, size_)) {
        // The source would be released by Allocate: copy it out first.
        ByteBuffer copy;
        if (!copy.Set(src, size)) {
            Clear();
            return false;
        }
        return Set(copy.data_, copy.size_);
    }
    if (!Allocate(size)) return false;
    if (size > 0) std::memcpy(data_, src, size);
    return true;
}

bool ByteBuffer::Append(const void* src, unsigned n) {
    if (n > UINT32_MAX - size_) {
        // A size that cannot exist: the same outcome as an exhausted heap.
        Clear();
        return false;
    }
    const ByteBuffer old(*this);
    if (data_ != nullptr && old.data_ == nullptr) {
        Clear();
        return false;
    }
    // Bytes of this buffer itself are read from the copy.
    if (PointsInto(src, data_, size_)) {
        src = old.data_ + (static_cast<const unsigned char*>(src) - data_);
    }
    if (!Allocate(old.size_ + n)) return false;
    if (old.size_ > 0) std::memcpy(data_, old.data_, old.size_);
    if (n > 0) std::memcpy(data_ + old.size_, src, n);
    return true;
}

const void* ByteBuffer::Data() const { return data_; }

void* ByteBuffer::Buffer() { return data_; }

ByteBuffer& ByteBuffer::Assign(const ByteBuffer& other) {
    if (&other != this) Set(other.Data(), other.size_);
    return *this;
}

ByteBuffer& ByteBuffer::Append(const ByteBuffer& other) {
    Append(other.Data(), other.size_);
    return *this;
}

ByteBuffer ByteBuffer::Concat(const ByteBuffer& other) const {
    ByteBuffer result(*this);
    result.Append(other);
    return result;
}

bool ByteBuffer::Equals(const ByteBuffer& other) const {
    if (other.size_ == 0) return true;
    if (other.size_ > size_) return false;
    return std::memcmp(data_, other.data_, other.size_) == 0;
}

bool ByteBuffer::Differs(const ByteBuffer& other) const { return !Equals(other); }

ByteBuffer ByteBuffer::Slice(unsigned offset, unsigned count) const {
    ByteBuffer result;
    if (data_ == nullptr) return result;
    if (offset > size_) offset = size_;
    if (count > size_ - offset) count = size_ - offset;
    result.Set(data_ + offset, count);
    return result;
}

void ByteBuffer::Remove(unsigned offset, unsigned count) {
    if (count == 0 || offset >= size_) return;
    // From here size_ >= 1, and a range past the end is cut at the end.
    const unsigned lastByte = size_ - 1;
    const unsigned last = count - 1 > lastByte - offset ? lastByte : offset + count - 1;
    if (offset == 0 && last == lastByte) {
        Clear();
        return;
    }
    const unsigned newSize = size_ - (last - offset + 1);
    const ByteBuffer rest = offset == 0        ? Slice(last + 1, lastByte - last)
                            : last == lastByte ? Slice(0, offset)
                                               : Slice(0, offset).Concat(Slice(last + 1, lastByte - last));
    if (rest.Data() == nullptr || rest.size_ != newSize) {
        // The heap ran out while the new content was being put together.
        Clear();
        return;
    }
    Assign(rest);
}
