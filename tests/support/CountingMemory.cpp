#include "CountingMemory.h"

#include <stdlib.h>

#include <set>

#include "../../src/shell/Shell.h"

static std::set<void*>& Live() {
    static std::set<void*> live;
    return live;
}
static int Strays;

int LiveBlocks() {
    return (int)Live().size();
}

int StrayFrees() {
    return Strays;
}

static void Forget(void* block) {
    if (Live().erase(block) == 0)
        Strays++;
}

void* AllocBlock(size_t size) {
    void* block = malloc(size);
    if (block)
        Live().insert(block);
    return block;
}

void* ResizeBlock(void* block, size_t size) {
    if (block)
        Forget(block);
    void* moved = realloc(block, size);
    if (moved)
        Live().insert(moved);
    return moved;
}

void FreeBlock(void* block) {
    if (block)
        Forget(block);
    free(block);
}
