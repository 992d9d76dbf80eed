// Where a program's key lives, and what the module does to a key there. The
// programs Windows lists for removal are under the machine's key, in either
// registry view on 64-bit Windows, and under the current user's own key.
#pragma once

#include <windows.h>

// A root and a registry view: with a path below the root, one key.
struct KeyLocation {
    HKEY Root;    // HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER
    REGSAM View;  // 0 for the process's own view, else the KEY_WOW64_* flag
                  // that opens the other
};

// The machine's keys in view (0, or a flag from OtherRegistryView).
KeyLocation MachineKeys(REGSAM view);
// The current user's keys. 32-bit and 64-bit programs share them, so they
// are read in the process's own view.
KeyLocation UserKeys();
bool IsPerUser(KeyLocation where);

// Paths are the registry's own UTF-16 text, so that a key named beyond the
// ANSI code page is found by its real name.

// Opens path at where for reading; the platform's answer. *key is set only
// on success.
LONG OpenKeyForReading(KeyLocation where, const wchar_t* path, HKEY* key);
// Whether the key exists there. A key that cannot be opened for a reason
// other than its absence counts as existing, so a removal is never claimed
// for it.
bool KeyExists(KeyLocation where, const wchar_t* path);
// The number of subkeys of the key, or -1 when that cannot be read.
int CountSubkeys(KeyLocation where, const wchar_t* path);
// Deletes the one key at path, never a tree: the platform's answer.
// ERROR_CALL_NOT_IMPLEMENTED where the platform cannot delete in another view.
LONG DeleteKey(KeyLocation where, const wchar_t* path);

// Whether a 32-bit process starts the programs listed there with
// file-system redirection off: those of the machine's 64-bit view.
bool StartsNatively(KeyLocation where);

// Removes the one key at path: deletes it and, where the machine's key is
// refused for want of rights and has no subkeys, deletes it again with the
// administrator rights that Windows asks the user for, and waits for that.
// True when the key is gone afterwards, whatever the reason it stayed.
bool RemoveKey(KeyLocation where, const wchar_t* path);
