#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "../shell/Shell.h"
#include "../wow64/Wow64.h"
#include "Catalogue.h"

const char UninstallKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Registry key names are at most 255 characters; with the base path and the
// separator, a path longer than this buffer holds is not opened at all.
const DWORD KeyNameSize = 256;
const size_t KeyPathSize = 256;
// Each value is taken as text of at most ValueSize - 1 characters.
const DWORD ValueSize = 256;

// Reads a value as text into a ValueSize buffer and ends it there. The
// registry adds a terminator only when there is room and leaves the buffer
// untouched for an empty value, so the end is set from the size it reports
// rather than trusted. A value that does not fit with its terminator is
// refused, never cut.
static bool ReadTextValue(HKEY key, const char* name, char* buffer) {
    DWORD size = ValueSize;
    if (RegQueryValueExA(key, name, NULL, NULL, (BYTE*)buffer, &size) != ERROR_SUCCESS)
        return false;
    if (size > 0 && buffer[size - 1] == '\0')
        return true;
    if (size >= ValueSize)
        return false;
    buffer[size] = '\0';
    return true;
}

// Reads the program under keyPath at where into *entry; false when the key
// cannot be opened or lacks either value.
static bool ReadEntry(const char* keyPath, KeyLocation where, UninstallEntry* entry) {
    HKEY key;
    if (OpenKeyForReading(where, keyPath, &key) != ERROR_SUCCESS)
        return false;
    char displayName[ValueSize];
    char command[ValueSize];
    bool found = ReadTextValue(key, "DisplayName", displayName);
    if (found) {
        CharToOemA(displayName, displayName);
        found = ReadTextValue(key, "UninstallString", command);
    }
    if (found) {
        entry->KeyPath = CopyString(keyPath);
        entry->DisplayName = CopyString(displayName);
        entry->UninstallString = CopyString(command);
        entry->Location = where;
    }
    RegCloseKey(key);
    return found;
}

// Appends the programs of uninstallKey, the Uninstall key opened at where, to
// the *count entries of *entries.
static void ReadPrograms(HKEY uninstallKey, KeyLocation where, UninstallEntry** entries,
                         int* count) {
    char name[KeyNameSize];
    char keyPath[KeyPathSize];
    for (DWORD index = 0;; index++) {
        DWORD nameLength = KeyNameSize;
        if (RegEnumKeyExA(uninstallKey, index, name, &nameLength, NULL, NULL, NULL, NULL) !=
            ERROR_SUCCESS)
            break;
        if (sizeof(UninstallKeyPath) + 1 + nameLength > KeyPathSize)
            continue;
        lstrcpyA(keyPath, UninstallKeyPath);
        lstrcatA(keyPath, "\\");
        lstrcatA(keyPath, name);

        UninstallEntry entry;
        if (!ReadEntry(keyPath, where, &entry))
            continue;
        *entries = (UninstallEntry*)ResizeBlock(*entries, (*count + 1) * sizeof(UninstallEntry));
        (*entries)[(*count)++] = entry;
    }
}

UninstallEntry* LoadUninstallList(int* count) {
    HKEY ownView;
    if (OpenKeyForReading(MachineKeys(0), UninstallKeyPath, &ownView) != ERROR_SUCCESS) {
        ShowErrorMsg(MsgKeyOpenFailed);
        return NULL;
    }
    UninstallEntry* entries = NULL;
    int entryCount = 0;
    ReadPrograms(ownView, MachineKeys(0), &entries, &entryCount);

    REGSAM other = OtherRegistryView();
    HKEY otherView;
    if (other &&
        OpenKeyForReading(MachineKeys(other), UninstallKeyPath, &otherView) == ERROR_SUCCESS) {
        if (!IsSameKey(ownView, otherView))
            ReadPrograms(otherView, MachineKeys(other), &entries, &entryCount);
        RegCloseKey(otherView);
    }
    RegCloseKey(ownView);

    HKEY user;
    if (OpenKeyForReading(UserKeys(), UninstallKeyPath, &user) == ERROR_SUCCESS) {
        ReadPrograms(user, UserKeys(), &entries, &entryCount);
        RegCloseKey(user);
    }

    if (entryCount > 0)
        qsort(entries, entryCount, sizeof(UninstallEntry), CompareByDisplayName);
    if (count)
        *count = entryCount;
    return entries;
}

void FreeUninstallList(UninstallEntry* entries, int count) {
    for (int i = 0; i < count; i++) {
        FreeBlock(entries[i].KeyPath);
        FreeBlock(entries[i].DisplayName);
        FreeBlock(entries[i].UninstallString);
    }
    FreeBlock(entries);
}

static unsigned char FoldCapital(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? (unsigned char)(c + ('a' - 'A')) : c;
}

int CompareByDisplayName(const void* a, const void* b) {
    const unsigned char* left = (const unsigned char*)((const UninstallEntry*)a)->DisplayName;
    const unsigned char* right = (const unsigned char*)((const UninstallEntry*)b)->DisplayName;
    for (;; left++, right++) {
        unsigned char l = FoldCapital(*left);
        unsigned char r = FoldCapital(*right);
        if (l != r)
            return l < r ? -1 : 1;
        if (l == '\0')
            return 0;
    }
}
