// What 64-bit Windows changes for this module: the registry has two views,
// and a 32-bit process's System32 is redirected to the 32-bit system folder.
// Every call these need is looked up at run time, so the module still loads
// on systems that have none of them.
#pragma once

#include <windows.h>

// The access flag that opens the registry view other than the process's own:
// KEY_WOW64_64KEY in a 32-bit process on 64-bit Windows, KEY_WOW64_32KEY in a
// 64-bit process, 0 where there is one view (32-bit Windows, where Windows
// 2000 even refuses the flags).
REGSAM OtherRegistryView();

// Whether two open keys are one and the same key. False also when that
// cannot be told: a key listed twice loses nothing, a key skipped would.
bool IsSameKey(HKEY first, HKEY second);

// Deletes the one key at path below root in the view that view (0 for the
// process's own, or a flag from OtherRegistryView) opens: the platform's
// answer, ERROR_CALL_NOT_IMPLEMENTED where it cannot delete in another view.
LONG DeleteKeyInView(HKEY root, const wchar_t* path, REGSAM view);

// The bitness of the programs the machine's key in view (0, or a flag from
// OtherRegistryView) lists: 32 or 64; 0 on a system with one view.
int RegistryViewBits(REGSAM view);

// Whether view is the 64-bit one while the process is 32-bit on 64-bit
// Windows: its programs are started with file-system redirection off.
bool ViewIsNative(REGSAM view);

// The option that makes the system's reg.exe work in view, whatever its own
// bitness: "/reg:64" or "/reg:32", or "" on a system with one view.
const wchar_t* RegToolViewOption(REGSAM view);

// While it lives, and only when asked for, a 32-bit process on 64-bit
// Windows sees the native System32 rather than the 32-bit system folder.
// Elsewhere, or when not asked for, it changes nothing.
class NativeFileSystem {
public:
    explicit NativeFileSystem(bool wanted);
    ~NativeFileSystem();
    NativeFileSystem(const NativeFileSystem&) = delete;
    NativeFileSystem& operator=(const NativeFileSystem&) = delete;

private:
    bool Off;
    void* Saved;
};
