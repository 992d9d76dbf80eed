// The programs Windows lists for removal, read from the registry into an
// array sorted by display name: the machine's, in both registry views on
// 64-bit Windows (one for 32-bit and one for 64-bit programs), and the
// current user's own.
#pragma once

#include <windows.h>

#include "../registry/Registry.h"

// One program. Each string is an owned heap copy.
struct UninstallEntry {
    wchar_t* KeyPath;          // the program's key below its root, by its real name
    wchar_t* DisplayName;      // as stored
    wchar_t* SortKey;          // the host's form of DisplayName for ordering (HostSortKey)
    wchar_t* UninstallString;  // as stored, environment references unexpanded
    KeyLocation Location;      // where KeyPath is: its root and registry view
};

// The key, under the machine's root and under the current user's, that holds
// one subkey per program.
extern const wchar_t UninstallKeyPath[];

// Reads every subkey that has both a "DisplayName" and an "UninstallString"
// value, from the machine's key in the process's own registry view, then in
// the other one where the system has two, then from the current user's key,
// into one array sorted by CompareByDisplayName. Returns the array, or null
// when the machine's key cannot be opened in the process's own view (a
// warning box is shown and *count is left untouched) or when no subkey
// qualifies (*count is 0). count may be null. A key the other view lacks, or
// a current user's key that is missing or unreadable, adds nothing; a key
// both views open is read once.
// The caller releases the array with FreeUninstallList.
UninstallEntry* LoadUninstallList(int* count);

// Releases the strings of count entries, then the array itself.
void FreeUninstallList(UninstallEntry* entries, int count);

// Orders two UninstallEntry by their SortKey, ignoring the case of A to Z
// only and comparing every other 16-bit code unit by its unsigned value; a
// proper prefix comes first: -1, 0 or 1.
int CompareByDisplayName(const void* a, const void* b);
