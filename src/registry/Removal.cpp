#include <string.h>
#include <wchar.h>

#include "../elevation/Elevation.h"
#include "../wow64/Wow64.h"
#include "Registry.h"

// delete "HKLM\<path>" /f /reg:64 : a key path of at most 255 characters
// and the longest view option fit with room to spare.
const size_t RegToolParametersSize = 320;

// Joins the pieces into parameters, of RegToolParametersSize characters;
// false when they do not fit.
static bool JoinParameters(const wchar_t* const* pieces, size_t count, wchar_t* parameters) {
    size_t length = 0;
    for (size_t i = 0; i < count; i++) {
        size_t piece = wcslen(pieces[i]);
        if (length + piece >= RegToolParametersSize)
            return false;
        memcpy(parameters + length, pieces[i], piece * sizeof(wchar_t));
        length += piece;
    }
    parameters[length] = L'\0';
    return true;
}

// Deletes the machine's key at path with administrator rights: the system's
// own reg.exe, started through the shell, which shows the consent prompt.
// reg.exe deletes a whole tree, so the caller asks only for a key it found
// without subkeys. Waits for it; nothing is reported here, the caller looks
// at the key afterwards.
static void DeleteWithRights(KeyLocation where, const wchar_t* path) {
    // A quote would end the key's name early on reg.exe's command line.
    if (wcschr(path, L'"'))
        return;
    const wchar_t* pieces[] = {L"delete \"HKLM\\", path, L"\" /f ", RegToolViewOption(where.View)};
    wchar_t parameters[RegToolParametersSize];
    if (!JoinParameters(pieces, sizeof(pieces) / sizeof(pieces[0]), parameters))
        return;
    // By its full path: the shell would look in the current folder first.
    wchar_t program[MAX_PATH];
    UINT folder = GetSystemDirectoryW(program, MAX_PATH);
    const wchar_t tool[] = L"\\reg.exe";
    if (folder == 0 || folder + sizeof(tool) / sizeof(tool[0]) > MAX_PATH)
        return;
    memcpy(program + folder, tool, sizeof(tool));
    HANDLE process = StartProgramElevated(program, parameters, SW_HIDE);
    if (!process)
        return;
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
}

bool RemoveKey(KeyLocation where, const wchar_t* path) {
    // The registry refuses a key that still has subkeys with the same answer
    // as one the user lacks the rights for; only the subkey count tells them
    // apart, and it needs no more than reading. The current user's keys are
    // the user's own: a refusal there is never for want of rights.
    if (DeleteKey(where, path) == ERROR_ACCESS_DENIED && !IsPerUser(where) &&
        CountSubkeys(where, path) == 0)
        DeleteWithRights(where, path);
    return !KeyExists(where, path);
}
