// The C run-time's heap, with every block a module holds counted and a guard
// past its end, checked when the block is released: a write even one byte
// past a block is seen, which the heap lets through when it falls within the
// block's alignment.
#pragma once

#include <stdlib.h>
#include <string.h>

#include <map>

class CountedHeap {
public:
    void* Allocate(size_t size) { return Guarded(malloc(size + GuardSize), size); }
    void* Resize(void* block, size_t size) {
        Forget(block);
        return Guarded(realloc(block, size + GuardSize), size);
    }
    // A block not held (released twice, say) is counted and not passed on,
    // so the run-time's heap is never handed it again.
    void Release(void* block) {
        if (Forget(block))
            free(block);
    }

    // Blocks allocated and not yet released.
    int LiveBlocks() const { return (int)Live.size(); }
    // Releases of blocks not held.
    int StrayFrees() const { return Strays; }
    // Released blocks that were written past the end of.
    int WritesPastABlock() const { return Overruns; }

private:
    static const size_t GuardSize = 8;
    static const unsigned char GuardByte = 0xFD;

    void* Guarded(void* block, size_t size) {
        if (!block)
            return NULL;
        memset((char*)block + size, GuardByte, GuardSize);
        Live[block] = size;
        return block;
    }
    // False for a block not held; null is held by everyone.
    bool Forget(void* block) {
        if (!block)
            return true;
        std::map<void*, size_t>::iterator live = Live.find(block);
        if (live == Live.end()) {
            Strays++;
            return false;
        }
        const unsigned char* guard = (const unsigned char*)block + live->second;
        for (size_t i = 0; i < GuardSize; i++)
            if (guard[i] != GuardByte) {
                Overruns++;
                break;
            }
        Live.erase(live);
        return true;
    }

    std::map<void*, size_t> Live;
    int Strays = 0;
    int Overruns = 0;
};
