// The programs Windows lists for removal, read from the registry into an
// array sorted by display name.
#pragma once

// One program. Each string is an owned heap copy.
struct UninstallEntry {
    char* KeyPath;          // the program's key below HKEY_LOCAL_MACHINE
    char* DisplayName;      // in the console's OEM code page, as the host draws it
    char* UninstallString;  // as stored: ANSI, environment references unexpanded
};

// The key under HKEY_LOCAL_MACHINE that holds one subkey per program.
extern const char UninstallKeyPath[];

// Reads every subkey that has both a "DisplayName" and an "UninstallString"
// value, sorted by CompareByDisplayName. Returns the array, or null when the
// key cannot be opened (a warning box is shown and *count is left untouched)
// or when no subkey qualifies (*count is 0). count may be null.
// The caller releases the array with FreeUninstallList.
UninstallEntry* LoadUninstallList(int* count);

// Releases the strings of count entries, then the array itself.
void FreeUninstallList(UninstallEntry* entries, int count);

// Orders two UninstallEntry by DisplayName, ignoring the case of A to Z only
// and comparing every other byte by its unsigned value: -1, 0 or 1.
int CompareByDisplayName(const void* a, const void* b);
