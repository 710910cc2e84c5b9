// The heap of the text classes.
#pragma once

// Heap hook for the text classes. Every block of ByteBuffer and TextString is
// obtained through TextAlloc and released through TextFree, so that tests can
// make the heap run out at a chosen allocation.
void* TextAlloc(unsigned size);
void TextFree(void* block);
// After `count` more successful allocations every further one fails, until
// the hook is reset with a negative count (the default).
void SetTextAllocFailAfter(int count);
// After `count` more successful allocations the next one fails, and the
// heap works again after it; a negative count turns it off. Returns how many
// allocations were still to succeed before the refusal set earlier, or a
// negative number when that refusal has happened (or none was set).
int SetTextAllocFailOnce(int count);
