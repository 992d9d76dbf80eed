#include <wchar.h>

#include "../heap/Heap.h"
#include "EntryCommand.h"

static bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// Whether the program named from start to end (a path or a bare name) is
// Windows Installer's own, msiexec with or without its extension.
static bool IsWindowsInstaller(const wchar_t* start, const wchar_t* end) {
    for (const wchar_t* p = start; p < end; p++)
        if (*p == L'\\' || *p == L'/')
            start = p + 1;
    size_t length = (size_t)(end - start);
    return (length == 7 || length == 11) && _wcsnicmp(start, L"msiexec.exe", length) == 0;
}

// The letter of the /I option in command when the command is Windows
// Installer's own form for the product whose key is keyName; else null.
static wchar_t* InstallOption(wchar_t* command, const wchar_t* keyName) {
    wchar_t* p = command;
    while (IsBlank(*p))
        p++;
    const wchar_t* program = p;
    const wchar_t* programEnd;
    if (*p == L'"') {
        program = p + 1;
        programEnd = wcschr(program, L'"');
        if (!programEnd)
            return NULL;
        p = (wchar_t*)programEnd + 1;
    } else {
        while (*p && !IsBlank(*p))
            p++;
        programEnd = p;
    }
    if (!IsWindowsInstaller(program, programEnd))
        return NULL;
    while (IsBlank(*p))
        p++;
    if (p[0] != L'/' || (p[1] != L'I' && p[1] != L'i'))
        return NULL;
    wchar_t* option = p + 1;
    p += 2;
    if (*p == L' ')
        p++;
    // Windows Installer names the key after the product code, braces and all.
    size_t keyLength = wcslen(keyName);
    if (keyLength < 2 || keyName[0] != L'{' || keyName[keyLength - 1] != L'}' ||
        _wcsnicmp(p, keyName, keyLength) != 0)
        return NULL;
    p += keyLength;
    while (IsBlank(*p))
        p++;
    return *p ? NULL : option;
}

wchar_t* CommandToRun(const wchar_t* stored, const wchar_t* keyName) {
    wchar_t* command = CopyWideString(stored);
    if (command) {
        wchar_t* option = InstallOption(command, keyName);
        if (option)
            *option = L'X';
    }
    return command;
}
