#include <stdio.h>
#include <string.h>

#include "../runner/Elevation.h"
#include "../wow64/Wow64.h"
#include "Registry.h"

// "delete "HKLM\<path>" /f /reg:64": a key path of at most 255 characters
// and the longest view option fit with room to spare.
const size_t RegToolParametersSize = 320;

// Deletes the machine's key at path with administrator rights: the system's
// own reg.exe, started through the shell, which shows the consent prompt.
// reg.exe deletes a whole tree, so the caller asks only for a key it found
// without subkeys. Waits for it; nothing is reported here, the caller looks
// at the key afterwards.
static void DeleteWithRights(KeyLocation where, const char* path) {
    // A quote would end the key's name early on reg.exe's command line.
    if (strchr(path, '"'))
        return;
    char parameters[RegToolParametersSize];
    int length = snprintf(parameters, sizeof(parameters), "delete \"HKLM\\%s\" /f %s", path,
                          RegToolViewOption(where.View));
    if (length < 0 || (size_t)length >= sizeof(parameters))
        return;
    // By its full path: the shell would look in the current folder first.
    char program[MAX_PATH];
    UINT folder = GetSystemDirectoryA(program, MAX_PATH);
    const char tool[] = "\\reg.exe";
    if (folder == 0 || folder + sizeof(tool) > MAX_PATH)
        return;
    memcpy(program + folder, tool, sizeof(tool));
    HANDLE process = StartProgramElevated(program, parameters, SW_HIDE);
    if (!process)
        return;
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
}

bool RemoveKey(KeyLocation where, const char* path) {
    // The registry refuses a key that still has subkeys with the same answer
    // as one the user lacks the rights for; only the subkey count tells them
    // apart, and it needs no more than reading. The current user's keys are
    // the user's own: a refusal there is never for want of rights.
    if (DeleteKey(where, path) == ERROR_ACCESS_DENIED && !IsPerUser(where) &&
        CountSubkeys(where, path) == 0)
        DeleteWithRights(where, path);
    return !KeyExists(where, path);
}
