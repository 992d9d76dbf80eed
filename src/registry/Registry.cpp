#include "../wow64/Wow64.h"
#include "Registry.h"

KeyLocation MachineKeys(REGSAM view) {
    KeyLocation where = {HKEY_LOCAL_MACHINE, view};
    return where;
}

KeyLocation UserKeys() {
    KeyLocation where = {HKEY_CURRENT_USER, 0};
    return where;
}

bool IsPerUser(KeyLocation where) {
    return where.Root == HKEY_CURRENT_USER;
}

LONG OpenKeyForReading(KeyLocation where, const wchar_t* path, HKEY* key) {
    return RegOpenKeyExW(where.Root, path, 0, KEY_READ | where.View, key);
}

bool KeyExists(KeyLocation where, const wchar_t* path) {
    HKEY key;
    LONG result = OpenKeyForReading(where, path, &key);
    if (result == ERROR_SUCCESS)
        RegCloseKey(key);
    return result != ERROR_FILE_NOT_FOUND;
}

int CountSubkeys(KeyLocation where, const wchar_t* path) {
    HKEY key;
    if (OpenKeyForReading(where, path, &key) != ERROR_SUCCESS)
        return -1;
    DWORD subkeys = 0;
    LONG result =
        RegQueryInfoKeyW(key, NULL, NULL, NULL, &subkeys, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? (int)subkeys : -1;
}

LONG DeleteKey(KeyLocation where, const wchar_t* path) {
    return DeleteKeyInView(where.Root, path, where.View);
}

bool StartsNatively(KeyLocation where) {
    return !IsPerUser(where) && ViewIsNative(where.View);
}
