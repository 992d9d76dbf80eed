// The programs Windows lists for removal, read from the registry into an
// array sorted by display name. On 64-bit Windows the registry has two views,
// one for 32-bit and one for 64-bit programs, and both are read.
#pragma once

#include <windows.h>

// One program. Each string is an owned heap copy.
struct UninstallEntry {
    char* KeyPath;          // the program's key below HKEY_LOCAL_MACHINE
    char* DisplayName;      // in the console's OEM code page, as the host draws it
    char* UninstallString;  // as stored: ANSI, environment references unexpanded
    REGSAM ViewFlag;        // the view KeyPath is in: 0 for the process's own,
                            // else the KEY_WOW64_* flag that opens the other
};

// The key under HKEY_LOCAL_MACHINE that holds one subkey per program.
extern const char UninstallKeyPath[];

// Reads every subkey that has both a "DisplayName" and an "UninstallString"
// value, in the process's own registry view and then in the other one where
// the system has two, into one array sorted by CompareByDisplayName. Returns
// the array, or null when the key cannot be opened in the process's own view
// (a warning box is shown and *count is left untouched) or when no subkey
// qualifies (*count is 0). count may be null. A key the other view lacks
// adds nothing; a key both views open is read once.
// The caller releases the array with FreeUninstallList.
UninstallEntry* LoadUninstallList(int* count);

// Releases the strings of count entries, then the array itself.
void FreeUninstallList(UninstallEntry* entries, int count);

// Orders two UninstallEntry by DisplayName, ignoring the case of A to Z only
// and comparing every other byte by its unsigned value: -1, 0 or 1.
int CompareByDisplayName(const void* a, const void* b);
