#include <string.h>

#include "../shell/Shell.h"
#include "EntryCommand.h"

static bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Whether the program named from start to end (a path or a bare name) is
// Windows Installer's own, msiexec with or without its extension.
static bool IsWindowsInstaller(const char* start, const char* end) {
    for (const char* p = start; p < end; p++)
        if (*p == '\\' || *p == '/')
            start = p + 1;
    size_t length = (size_t)(end - start);
    return (length == 7 || length == 11) && _strnicmp(start, "msiexec.exe", length) == 0;
}

// The letter of the /I option in command when the command is Windows
// Installer's own form for the product whose key is keyName; else null.
static char* InstallOption(char* command, const char* keyName) {
    char* p = command;
    while (IsBlank(*p))
        p++;
    const char* program = p;
    const char* programEnd;
    if (*p == '"') {
        program = p + 1;
        programEnd = strchr(program, '"');
        if (!programEnd)
            return NULL;
        p = (char*)programEnd + 1;
    } else {
        while (*p && !IsBlank(*p))
            p++;
        programEnd = p;
    }
    if (!IsWindowsInstaller(program, programEnd))
        return NULL;
    while (IsBlank(*p))
        p++;
    if (p[0] != '/' || (p[1] != 'I' && p[1] != 'i'))
        return NULL;
    char* option = p + 1;
    p += 2;
    if (*p == ' ')
        p++;
    // Windows Installer names the key after the product code, braces and all.
    size_t keyLength = strlen(keyName);
    if (keyLength < 2 || keyName[0] != '{' || keyName[keyLength - 1] != '}' ||
        _strnicmp(p, keyName, keyLength) != 0)
        return NULL;
    p += keyLength;
    while (IsBlank(*p))
        p++;
    return *p ? NULL : option;
}

char* CommandToRun(const char* stored, const char* keyName) {
    char* command = CopyString(stored);
    if (command) {
        char* option = InstallOption(command, keyName);
        if (option)
            *option = 'X';
    }
    return command;
}
