// The heap of the text classes: malloc and free with a hook that lets tests
// make the heap run out at a chosen allocation.
#include "text/Heap.h"

#include <cstdlib>

namespace {

// Successful allocations left before the heap "runs out"; negative: never.
int allocationsLeft = -1;
// Successful allocations left before the one allocation that fails while
// the heap goes on working; negative: none.
int allocationsBeforeOneFails = -1;

}  // namespace

void* TextAlloc(unsigned size) {
    if (allocationsLeft == 0) return nullptr;
    if (allocationsBeforeOneFails == 0) {
        allocationsBeforeOneFails = -1;
        return nullptr;
    }
    // A block of 0 bytes is still a distinct, non-null block (an empty
    // ByteBuffer assigned from another holds one); malloc(0) may return null.
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr && allocationsLeft > 0) --allocationsLeft;
    if (block != nullptr && allocationsBeforeOneFails > 0) --allocationsBeforeOneFails;
    return block;
}

void TextFree(void* block) { std::free(block); }

void SetTextAllocFailAfter(int count) { allocationsLeft = count < 0 ? -1 : count; }

int SetTextAllocFailOnce(int count) {
    const int left = allocationsBeforeOneFails;
    allocationsBeforeOneFails = count < 0 ? -1 : count;
    return left;
}
