#include <string.h>
#include <wchar.h>

#include "Heap.h"

wchar_t* CopyWideString(const wchar_t* text) {
    size_t size = (wcslen(text) + 1) * sizeof(wchar_t);
    wchar_t* copy = (wchar_t*)AllocBlock(size);
    if (copy)
        memcpy(copy, text, size);
    return copy;
}
