#include <string.h>

#include "../heap/Heap.h"
#include "Wow64.h"

typedef BOOL(WINAPI* IsWow64ProcessCall)(HANDLE process, BOOL* wow64);
typedef LONG(WINAPI* RegDeleteKeyExWCall)(HKEY key, const wchar_t* subKey, REGSAM view,
                                          DWORD reserved);
typedef BOOL(WINAPI* RedirectionOffCall)(void** saved);
typedef BOOL(WINAPI* RedirectionBackCall)(void* saved);
typedef LONG(WINAPI* NtQueryKeyCall)(HANDLE key, int infoClass, void* info, ULONG length,
                                     ULONG* resultLength);

// The key's full name, as the kernel knows it.
const int KeyNameInformation = 3;

static void* SystemCall(const char* dll, const char* name) {
    HMODULE module = GetModuleHandleA(dll);
    return module ? (void*)GetProcAddress(module, name) : NULL;
}

// True in a 32-bit process on 64-bit Windows.
static bool RunsUnderWow64() {
#ifdef _WIN64
    return false;
#else
    IsWow64ProcessCall isWow64 = (IsWow64ProcessCall)SystemCall("kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
#endif
}

REGSAM OtherRegistryView() {
#ifdef _WIN64
    return KEY_WOW64_32KEY;
#else
    return RunsUnderWow64() ? KEY_WOW64_64KEY : 0;
#endif
}

int RegistryViewBits(REGSAM view) {
    if (OtherRegistryView() == 0)
        return 0;
    if (view == KEY_WOW64_32KEY)
        return 32;
    if (view == KEY_WOW64_64KEY)
        return 64;
    return sizeof(void*) == 8 ? 64 : 32;
}

// The key's kernel name in a heap block of *size bytes, or null.
static void* KeyName(NtQueryKeyCall query, HKEY key, ULONG* size) {
    ULONG needed = 0;
    query(key, KeyNameInformation, NULL, 0, &needed);
    if (needed == 0)
        return NULL;
    void* name = AllocBlock(needed);
    if (name && query(key, KeyNameInformation, name, needed, size) != 0) {
        FreeBlock(name);
        name = NULL;
    }
    return name;
}

// Each key has one full name in the kernel's registry, whichever view or
// override led to it, so two handles with the same name are the same key:
// the two views of one key under a registry override, or a key that the
// system shares between the views.
bool IsSameKey(HKEY first, HKEY second) {
    NtQueryKeyCall query = (NtQueryKeyCall)SystemCall("ntdll.dll", "NtQueryKey");
    if (!query)
        return false;
    ULONG firstSize = 0, secondSize = 0;
    void* firstName = KeyName(query, first, &firstSize);
    void* secondName = KeyName(query, second, &secondSize);
    bool same = firstName && secondName && firstSize == secondSize &&
                memcmp(firstName, secondName, firstSize) == 0;
    FreeBlock(firstName);
    FreeBlock(secondName);
    return same;
}

LONG DeleteKeyInView(HKEY root, const wchar_t* path, REGSAM view) {
    if (view == 0)
        return RegDeleteKeyW(root, path);
    RegDeleteKeyExWCall deleteInView =
        (RegDeleteKeyExWCall)SystemCall("advapi32.dll", "RegDeleteKeyExW");
    return deleteInView ? deleteInView(root, path, view, 0) : ERROR_CALL_NOT_IMPLEMENTED;
}

bool ViewIsNative(REGSAM view) {
    return view == KEY_WOW64_64KEY && RunsUnderWow64();
}

const wchar_t* RegToolViewOption(REGSAM view) {
    if (view == KEY_WOW64_64KEY)
        return L"/reg:64";
    if (view == KEY_WOW64_32KEY)
        return L"/reg:32";
#ifdef _WIN64
    return L"/reg:64";
#else
    return RunsUnderWow64() ? L"/reg:32" : L"";
#endif
}

NativeFileSystem::NativeFileSystem(bool wanted) : Off(false), Saved(NULL) {
    if (!wanted)
        return;
    RedirectionOffCall off =
        (RedirectionOffCall)SystemCall("kernel32.dll", "Wow64DisableWow64FsRedirection");
    Off = off && off(&Saved);
}

NativeFileSystem::~NativeFileSystem() {
    if (!Off)
        return;
    RedirectionBackCall back =
        (RedirectionBackCall)SystemCall("kernel32.dll", "Wow64RevertWow64FsRedirection");
    if (back)
        back(Saved);
}
