// The heap of the text classes: malloc and free with a hook that lets tests
// make the heap run out at a chosen allocation.
#include "text/Heap.h"

#include <cstdlib>

namespace {

// Successful allocations left before the heap "runs out"; negative: never.
int allocationsLeft = -1;

}  // namespace

void* TextAlloc(unsigned size) {
    if (allocationsLeft == 0) return nullptr;
    // A block of 0 bytes is still a distinct, non-null block (an empty
    // ByteBuffer assigned from another holds one); malloc(0) may return null.
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr && allocationsLeft > 0) --allocationsLeft;
    return block;
}

void TextFree(void* block) { std::free(block); }

void SetTextAllocFailAfter(int count) { allocationsLeft = count < 0 ? -1 : count; }
