#include <string.h>
#include <wchar.h>

#include "../heap/Heap.h"
#include "Elevation.h"

#include <shellapi.h>

static bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

void SplitCommandLine(wchar_t* command, const wchar_t** program, const wchar_t** parameters) {
    wchar_t* start = command;
    while (IsBlank(*start))
        start++;
    wchar_t* end;
    if (*start == L'"') {
        start++;
        end = wcschr(start, L'"');
        if (!end)
            end = start + wcslen(start);
    } else {
        end = start;
        while (*end && !IsBlank(*end))
            end++;
    }
    wchar_t* rest = *end ? end + 1 : end;
    *end = L'\0';
    while (IsBlank(*rest))
        rest++;
    *program = start;
    *parameters = rest;
}

HANDLE StartProgramElevated(const wchar_t* program, const wchar_t* parameters, int show) {
    SHELLEXECUTEINFOW execute;
    memset(&execute, 0, sizeof(execute));
    execute.cbSize = sizeof(execute);
    // The warning box of the caller says what failed; the shell's own boxes
    // would say it twice.
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    execute.lpVerb = L"runas";
    execute.lpFile = program;
    execute.lpParameters = parameters;
    execute.nShow = show;
    return ShellExecuteExW(&execute) ? execute.hProcess : NULL;
}

HANDLE StartElevated(const wchar_t* command) {
    wchar_t* copy = CopyWideString(command);
    if (!copy)
        return NULL;
    const wchar_t* program;
    const wchar_t* parameters;
    SplitCommandLine(copy, &program, &parameters);
    HANDLE process = StartProgramElevated(program, parameters, SW_SHOWNORMAL);
    FreeBlock(copy);
    return process;
}
