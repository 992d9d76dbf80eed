// The product's heap: the C run-time's, nothing added.
#include <stdlib.h>

#include "Heap.h"

void* AllocBlock(size_t size) {
    return malloc(size);
}

void* ResizeBlock(void* block, size_t size) {
    return realloc(block, size);
}

void FreeBlock(void* block) {
    free(block);
}
