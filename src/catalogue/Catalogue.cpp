#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "../heap/Heap.h"
#include "../hostcalls/HostCalls.h"
#include "../wow64/Wow64.h"
#include "Catalogue.h"

const wchar_t UninstallKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The registry's text is UTF-16 and is read as such, so that names and
// commands beyond the ANSI code page come whole. What qualifies is what the
// registry's ANSI calls would hand over into these buffers: the limits count
// the bytes of the ANSI form.

// Registry key names are at most 255 characters; with the base path and the
// separator, a path longer than this buffer holds is not opened at all.
const DWORD KeyNameSize = 256;
const size_t KeyPathSize = 256;
// Each value is taken as text whose ANSI form is at most ValueSize - 1
// bytes; a value buffer of as many UTF-16 characters holds any such text.
const DWORD ValueSize = 256;

static bool IsTextType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// A value of another type is taken as the ANSI calls take it: its bytes are
// the text, up to the first NUL. buffer holds size such bytes, and receives
// their text in UTF-16.
static bool BytesAsText(wchar_t* buffer, DWORD size) {
    char bytes[ValueSize];
    if (size > ValueSize)
        return false;
    memcpy(bytes, buffer, size);
    if (size == ValueSize && bytes[size - 1] != '\0')
        return false;
    int length = (int)strnlen(bytes, size);
    int characters = length > 0 ? MultiByteToWideChar(CP_ACP, 0, bytes, length, buffer,
                                                       (int)ValueSize - 1)
                                : 0;
    buffer[characters] = L'\0';
    return true;
}

// Reads a value as text into a ValueSize buffer and ends it there. The
// registry adds a terminator only when there is room and leaves the buffer
// untouched for an empty value, so the end is set from the size it reports
// rather than trusted. A value that does not fit with its terminator is
// refused, never cut.
static bool ReadTextValue(HKEY key, const wchar_t* name, wchar_t* buffer) {
    DWORD type;
    DWORD size = ValueSize * sizeof(wchar_t);
    if (RegQueryValueExW(key, name, NULL, &type, (BYTE*)buffer, &size) != ERROR_SUCCESS)
        return false;
    if (!IsTextType(type))
        return BytesAsText(buffer, size);
    DWORD count = size / sizeof(wchar_t);
    bool ended = count > 0 && buffer[count - 1] == L'\0';
    int ansiSize =
        count > 0 ? WideCharToMultiByte(CP_ACP, 0, buffer, (int)count, NULL, 0, NULL, NULL) : 0;
    if (ansiSize > (int)ValueSize || (!ended && (ansiSize == (int)ValueSize || count >= ValueSize)))
        return false;
    if (!ended)
        buffer[count] = L'\0';
    return true;
}

// Reads the program under keyPath at where into *entry; false when the key
// cannot be opened or lacks either value.
static bool ReadEntry(const wchar_t* keyPath, KeyLocation where, ListOrder order,
                      UninstallEntry* entry) {
    HKEY key;
    if (OpenKeyForReading(where, keyPath, &key) != ERROR_SUCCESS)
        return false;
    wchar_t displayName[ValueSize];
    wchar_t command[ValueSize];
    bool found = ReadTextValue(key, L"DisplayName", displayName) &&
                 ReadTextValue(key, L"UninstallString", command);
    if (found) {
        entry->KeyPath = CopyWideString(keyPath);
        entry->DisplayName = CopyWideString(displayName);
        entry->SortKey = HostSortKey(displayName);
        entry->UninstallString = CopyWideString(command);
        entry->Location = where;
        // Only what the order needs, and only in that order.
        entry->HasFigure = order == OrderByDate   ? ReadInstallDate(key, &entry->Figure)
                           : order == OrderBySize ? ReadSize(key, &entry->Figure)
                                                  : false;
    }
    RegCloseKey(key);
    return found;
}

// Builds the program's key path from its subkey name; false when the path,
// in UTF-16 or in its ANSI form, would not fit KeyPathSize.
static bool BuildKeyPath(const wchar_t* name, DWORD nameLength, wchar_t* keyPath) {
    const size_t baseLength = sizeof(UninstallKeyPath) / sizeof(wchar_t) - 1;
    int ansiLength =
        nameLength > 0 ? WideCharToMultiByte(CP_ACP, 0, name, (int)nameLength, NULL, 0, NULL, NULL)
                       : 0;
    if (baseLength + 1 + nameLength >= KeyPathSize || baseLength + 1 + ansiLength >= KeyPathSize)
        return false;
    memcpy(keyPath, UninstallKeyPath, baseLength * sizeof(wchar_t));
    keyPath[baseLength] = L'\\';
    memcpy(keyPath + baseLength + 1, name, nameLength * sizeof(wchar_t));
    keyPath[baseLength + 1 + nameLength] = L'\0';
    return true;
}

// Appends the programs of uninstallKey, the Uninstall key opened at where, to
// the *count entries of *entries.
static void ReadPrograms(HKEY uninstallKey, KeyLocation where, ListOrder order,
                         UninstallEntry** entries, int* count) {
    wchar_t name[KeyNameSize];
    wchar_t keyPath[KeyPathSize];
    for (DWORD index = 0;; index++) {
        DWORD nameLength = KeyNameSize;
        if (RegEnumKeyExW(uninstallKey, index, name, &nameLength, NULL, NULL, NULL, NULL) !=
            ERROR_SUCCESS)
            break;
        if (!BuildKeyPath(name, nameLength, keyPath))
            continue;
        UninstallEntry entry;
        if (!ReadEntry(keyPath, where, order, &entry))
            continue;
        *entries = (UninstallEntry*)ResizeBlock(*entries, (*count + 1) * sizeof(UninstallEntry));
        (*entries)[(*count)++] = entry;
    }
}

UninstallEntry* LoadUninstallList(int* count, ListOrder order) {
    HKEY ownView;
    if (OpenKeyForReading(MachineKeys(0), UninstallKeyPath, &ownView) != ERROR_SUCCESS) {
        ShowWarning(MsgKeyOpenFailed, NULL);
        return NULL;
    }
    UninstallEntry* entries = NULL;
    int entryCount = 0;
    ReadPrograms(ownView, MachineKeys(0), order, &entries, &entryCount);

    REGSAM other = OtherRegistryView();
    HKEY otherView;
    if (other &&
        OpenKeyForReading(MachineKeys(other), UninstallKeyPath, &otherView) == ERROR_SUCCESS) {
        if (!IsSameKey(ownView, otherView))
            ReadPrograms(otherView, MachineKeys(other), order, &entries, &entryCount);
        RegCloseKey(otherView);
    }
    RegCloseKey(ownView);

    HKEY user;
    if (OpenKeyForReading(UserKeys(), UninstallKeyPath, &user) == ERROR_SUCCESS) {
        ReadPrograms(user, UserKeys(), order, &entries, &entryCount);
        RegCloseKey(user);
    }

    if (entryCount > 0)
        qsort(entries, entryCount, sizeof(UninstallEntry),
              order == OrderByName ? CompareByDisplayName : CompareByFigure);
    if (count)
        *count = entryCount;
    return entries;
}

void FreeUninstallList(UninstallEntry* entries, int count) {
    for (int i = 0; i < count; i++) {
        FreeBlock(entries[i].KeyPath);
        FreeBlock(entries[i].DisplayName);
        FreeBlock(entries[i].SortKey);
        FreeBlock(entries[i].UninstallString);
    }
    FreeBlock(entries);
}

// Code units compare as unsigned 16-bit values.
static_assert(sizeof(wchar_t) == 2 && (wchar_t)-1 > 0, "wchar_t is an unsigned 16-bit unit");

static wchar_t FoldCapital(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? (wchar_t)(c + (L'a' - L'A')) : c;
}

int CompareByDisplayName(const void* a, const void* b) {
    const wchar_t* left = ((const UninstallEntry*)a)->SortKey;
    const wchar_t* right = ((const UninstallEntry*)b)->SortKey;
    for (;; left++, right++) {
        wchar_t l = FoldCapital(*left);
        wchar_t r = FoldCapital(*right);
        if (l != r)
            return l < r ? -1 : 1;
        if (l == L'\0')
            return 0;
    }
}

int CompareByFigure(const void* a, const void* b) {
    const UninstallEntry* left = (const UninstallEntry*)a;
    const UninstallEntry* right = (const UninstallEntry*)b;
    if (left->HasFigure != right->HasFigure)
        return left->HasFigure ? -1 : 1;
    if (left->HasFigure && left->Figure != right->Figure)
        return left->Figure > right->Figure ? -1 : 1;
    return CompareByDisplayName(a, b);
}
