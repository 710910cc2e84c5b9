// ByteBuffer: the storage of ProcListArray.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "text/ByteBuffer.h"
#include "text/Heap.h"

namespace {

using Entries = std::vector<uint32_t>;

// A buffer of 4-byte entries 1, 2, 3, ... as ProcListArray appends them.
ByteBuffer Numbered(uint32_t count) {
    ByteBuffer buffer;
    for (uint32_t value = 1; value <= count; ++value) buffer.Append(&value, 4);
    return buffer;
}

Entries Values(const ByteBuffer& buffer) {
    const auto* words = static_cast<const uint32_t*>(buffer.Data());
    return words == nullptr ? Entries() : Entries(words, words + buffer.Size() / 4);
}

TEST(ByteBuffer, AppendsKeepOrderAndCopiesAreOwn) {
    const ByteBuffer buffer = Numbered(3);
    EXPECT_EQ(buffer.Size(), 12u);
    ByteBuffer twice(buffer);
    twice.Append(twice);  // appending a buffer to itself
    EXPECT_EQ(Values(twice), (Entries{1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(Values(buffer.Concat(buffer.Slice(8, 4))), (Entries{1, 2, 3, 3}));
    EXPECT_EQ(Values(buffer), (Entries{1, 2, 3}));
    const ByteBuffer empty;
    const ByteBuffer copyOfEmpty(empty);
    EXPECT_NE(copyOfEmpty.Data(), nullptr);  // a block of 0 bytes
    EXPECT_EQ(buffer.Slice(8, 100).Size(), 4u);
    EXPECT_EQ(buffer.Slice(50, 4).Size(), 0u);
    const unsigned char byte = 0xA5;
    ByteBuffer one;
    ASSERT_TRUE(one.Set(&byte, 1));
    EXPECT_EQ(*static_cast<const unsigned char*>(one.Data()), 0xA5);
}

TEST(ByteBuffer, RemoveCasesAndOutOfRange) {
    const struct {
        unsigned offset, count;
        Entries expected;
    } cases[] = {
        {4, 4, {1, 3}}, {0, 4, {2, 3}},       {8, 4, {1, 2}},       {4, 100, {1}},         {4, 0xFFFFFFFFu, {1}},
        {0, 12, {}},    {12, 4, {1, 2, 3}},   {4, 0, {1, 2, 3}},    {40, 0xFFFFFFFFu, {1, 2, 3}},
    };
    for (const auto& c : cases) {
        ByteBuffer buffer = Numbered(3);
        buffer.Remove(c.offset, c.count);
        EXPECT_EQ(Values(buffer), c.expected) << c.offset << "+" << c.count;
    }
    ByteBuffer single = Numbered(1);
    single.Remove(0, 4);
    EXPECT_EQ(single.Data(), nullptr);  // no block remains
}

TEST(ByteBuffer, EqualsComparesTheOtherSizeOnly) {
    const ByteBuffer three = Numbered(3);
    EXPECT_TRUE(three.Equals(ByteBuffer()));
    EXPECT_TRUE(three.Equals(Numbered(2)));   // a prefix: sizes are not compared
    EXPECT_TRUE(three.Equals(Numbered(3)));
    EXPECT_FALSE(Numbered(2).Equals(three));  // this block lacks the bytes
    EXPECT_TRUE(three.Differs(three.Slice(4, 4)));
}

TEST(ByteBuffer, FailedAllocationLeavesNoBlock) {
    ByteBuffer buffer = Numbered(2);
    ByteBuffer three = Numbered(3);
    ByteBuffer own = Numbered(2);
    SetTextAllocFailAfter(1);  // the temporary copy succeeds, the new block not
    const uint32_t value = 9;
    EXPECT_FALSE(buffer.Append(&value, 4));
    EXPECT_EQ(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.Size(), 0u);
    SetTextAllocFailAfter(0);
    three.Remove(4, 4);  // the new content cannot be put together
    EXPECT_EQ(three.Data(), nullptr);
    EXPECT_EQ(three.Size(), 0u);
    // Set from its own bytes: the copy made first is refused.
    EXPECT_FALSE(own.Set(static_cast<const char*>(own.Data()) + 4, 4));
    EXPECT_EQ(own.Data(), nullptr);
    EXPECT_EQ(own.Size(), 0u);
    SetTextAllocFailAfter(-1);
    EXPECT_TRUE(three.Allocate(8));
    // A size past 4 GiB fails as an exhausted heap does.
    EXPECT_FALSE(three.Append(&value, UINT32_MAX));
    EXPECT_EQ(three.Data(), nullptr);
    EXPECT_EQ(three.Size(), 0u);
}

TEST(ByteBuffer, HeapHookFailsAfterCountUntilReset) {
    SetTextAllocFailAfter(2);
    void* blocks[] = {TextAlloc(1), TextAlloc(0), TextAlloc(1)};
    SetTextAllocFailAfter(-1);
    EXPECT_NE(blocks[0], nullptr);
    EXPECT_NE(blocks[1], nullptr);
    EXPECT_EQ(blocks[2], nullptr);
    blocks[2] = TextAlloc(1);
    EXPECT_NE(blocks[2], nullptr);
    for (void* block : blocks) TextFree(block);
}

}  // namespace
