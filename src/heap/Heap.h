// The module's heap. Every owned copy the module keeps is made and released
// here, so that the test build can count what is live.
#pragma once

#include <stddef.h>

// A null block is a no-op for FreeBlock and a fresh allocation for
// ResizeBlock.
void* AllocBlock(size_t size);
void* ResizeBlock(void* block, size_t size);
void FreeBlock(void* block);

// A heap copy of the registry's or the system's UTF-16 text (its length plus
// one character), released with FreeBlock; null when there is no memory.
wchar_t* CopyWideString(const wchar_t* text);
