#include "CountingMemory.h"

#include "../../src/heap/Heap.h"
#include "CountedHeap.h"

static CountedHeap& Heap() {
    static CountedHeap heap;
    return heap;
}

int LiveBlocks() {
    return Heap().LiveBlocks();
}

int StrayFrees() {
    return Heap().StrayFrees();
}

int WritesPastABlock() {
    return Heap().WritesPastABlock();
}

void* AllocBlock(size_t size) {
    return Heap().Allocate(size);
}

void* ResizeBlock(void* block, size_t size) {
    return Heap().Resize(block, size);
}

void FreeBlock(void* block) {
    Heap().Release(block);
}
