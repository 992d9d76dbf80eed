#include "BenchRegistry.h"

#include <stdio.h>

static const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
static const DWORD NameSize = 256;
static const DWORD ValueSize = 256;

static bool SetText(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, lstrlenA(text) + 1) ==
           ERROR_SUCCESS;
}

static bool SetNumber(HKEY key, const char* name, DWORD number) {
    return RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&number, sizeof(number)) ==
           ERROR_SUCCESS;
}

// The program key names of one filling: tagged, so that a filling of the
// machine's own registry can be told from, and removed without, the rest.
static void ProgramName(char* name, size_t size, const char* tag, int i) {
    snprintf(name, size, "{%08X-1234-5678-9ABC-%012d}%s", (unsigned)(i * 2654435761u), i, tag);
}

// Adds the programs to uninstall (opened in view). Every key is volatile: the
// sandbox's root is, and in the machine's registry nothing may outlive the run.
static bool AddPrograms(HKEY uninstall, REGSAM view, const char* tag, int qualifying) {
    bool ok = true;
    int total = qualifying + qualifying / 5;
    for (int i = 0; i < total && ok; i++) {
        char name[96], displayName[96], command[160], date[16];
        ProgramName(name, sizeof(name), tag, i);
        // Names in scrambled order, so the sort has work to do.
        snprintf(displayName, sizeof(displayName), "Program %08X version %d.%d",
                 (unsigned)(i * 2246822519u), i % 7, i % 13);
        snprintf(command, sizeof(command),
                 "\"C:\\Program Files\\Vendor %d\\Program %d\\uninstall.exe\" /remove", i % 50, i);
        // Dates and sizes scrambled too, and every date a real one, so that the
        // date order never falls back on the key's last-write time.
        snprintf(date, sizeof(date), "%04d%02d%02d", 2000 + (int)(i * 2654435761u % 25),
                 1 + i % 12, 1 + i % 28);
        HKEY program;
        ok = RegCreateKeyExA(uninstall, name, 0, NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS | view,
                             NULL, &program, NULL) == ERROR_SUCCESS;
        if (!ok)
            break;
        ok = SetText(program, "DisplayName", displayName) &&
             (i >= qualifying || SetText(program, "UninstallString", command)) &&
             SetText(program, "Publisher", "Vendor") && SetText(program, "InstallDate", date) &&
             SetNumber(program, "EstimatedSize", (DWORD)(i * 2246822519u % 4000000));
        RegCloseKey(program);
    }
    return ok;
}

bool FillUninstallKey(HKEY root, int qualifying) {
    RegDeleteTreeA(root, UninstallKey);
    HKEY uninstall;
    if (RegCreateKeyExA(root, UninstallKey, 0, NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL,
                        &uninstall, NULL) != ERROR_SUCCESS)
        return false;
    bool ok = AddPrograms(uninstall, 0, "", qualifying);
    RegCloseKey(uninstall);
    return ok;
}

bool FillMachineView(REGSAM view, const char* tag, int qualifying) {
    HKEY uninstall;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, UninstallKey, 0, NULL, 0, KEY_ALL_ACCESS | view, NULL,
                        &uninstall, NULL) != ERROR_SUCCESS)
        return false;
    bool ok = AddPrograms(uninstall, view, tag, qualifying);
    RegCloseKey(uninstall);
    return ok;
}

void EmptyMachineView(REGSAM view, const char* tag, int qualifying) {
    char name[96], path[2 * NameSize];
    for (int i = 0; i < qualifying + qualifying / 5; i++) {
        ProgramName(name, sizeof(name), tag, i);
        snprintf(path, sizeof(path), "%s\\%s", UninstallKey, name);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path, view, 0);
    }
}

int ReadUninstallFloor(REGSAM view, const wchar_t* figure) {
    // The registry's own UTF-16 calls, as the module makes them.
    static const wchar_t WideUninstallKey[] =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    HKEY uninstall;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WideUninstallKey, 0, KEY_READ | view, &uninstall) !=
        ERROR_SUCCESS)
        return -1;
    int found = 0;
    wchar_t name[NameSize], path[2 * NameSize], value[ValueSize];
    for (DWORD index = 0;; index++) {
        DWORD nameLength = NameSize;
        if (RegEnumKeyExW(uninstall, index, name, &nameLength, NULL, NULL, NULL, NULL) !=
            ERROR_SUCCESS)
            break;
        lstrcpyW(path, WideUninstallKey);
        lstrcatW(path, L"\\");
        lstrcatW(path, name);
        HKEY program;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, &program) !=
            ERROR_SUCCESS)
            continue;
        DWORD size = sizeof(value);
        bool both = RegQueryValueExW(program, L"DisplayName", NULL, NULL, (BYTE*)value, &size) ==
                    ERROR_SUCCESS;
        size = sizeof(value);
        both = both && RegQueryValueExW(program, L"UninstallString", NULL, NULL, (BYTE*)value,
                                        &size) == ERROR_SUCCESS;
        found += both;
        // An order's one value, read as any lister has to: once, and only
        // for a program it lists.
        size = sizeof(value);
        if (both && figure)
            RegQueryValueExW(program, figure, NULL, NULL, (BYTE*)value, &size);
        RegCloseKey(program);
    }
    RegCloseKey(uninstall);
    return found;
}
