// An owned block of bytes with its size.
//
// The block always has the exact size of its content: every change obtains a
// new block. Every operation is virtual, and the order of the declarations is
// the layout of the class's table of virtual operations; the unit test
// VirtualOrder pins it, so that no change of the header moves an operation
// to another place of the table unnoticed.
#pragma once

#include <cstdint>

class ByteBuffer {
public:
    ByteBuffer();
    ByteBuffer(const ByteBuffer& other);
    ByteBuffer& operator=(const ByteBuffer& other) { return Assign(other); }

    virtual ~ByteBuffer();
    virtual void Init();
    virtual void Clear();
    virtual bool Allocate(unsigned size);
    virtual bool Set(const void* src, unsigned size);
    virtual bool Append(const void* src, unsigned n);
    virtual const void* Data() const;
    virtual void* Buffer();
    virtual ByteBuffer& Assign(const ByteBuffer& other);
    virtual ByteBuffer& Append(const ByteBuffer& other);
    virtual ByteBuffer Concat(const ByteBuffer& other) const;
    virtual bool Equals(const ByteBuffer& other) const;
    virtual bool Differs(const ByteBuffer& other) const;
    virtual ByteBuffer Slice(unsigned offset, unsigned count) const;
    virtual void Remove(unsigned offset, unsigned count);

    unsigned Size() const { return size_; }

    // Exchanges the blocks of two buffers without touching the heap, so that
    // new content prepared in another buffer can be installed even when no
    // memory is left.
    void Swap(ByteBuffer& other) {
        unsigned char* data = data_;
        data_ = other.data_;
        other.data_ = data;
        const uint32_t size = size_;
        size_ = other.size_;
        other.size_ = size;
    }

private:
    unsigned char* data_;
    uint32_t size_;
};
