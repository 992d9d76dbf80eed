#include <string.h>

#include "../shell/Shell.h"
#include "Elevation.h"

#include <shellapi.h>

static bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

void SplitCommandLine(char* command, const char** program, const char** parameters) {
    char* start = command;
    while (IsBlank(*start))
        start++;
    char* end;
    if (*start == '"') {
        start++;
        end = strchr(start, '"');
        if (!end)
            end = start + strlen(start);
    } else {
        end = start;
        while (*end && !IsBlank(*end))
            end++;
    }
    char* rest = *end ? end + 1 : end;
    *end = '\0';
    while (IsBlank(*rest))
        rest++;
    *program = start;
    *parameters = rest;
}

HANDLE StartProgramElevated(const char* program, const char* parameters, int show) {
    SHELLEXECUTEINFOA execute;
    memset(&execute, 0, sizeof(execute));
    execute.cbSize = sizeof(execute);
    // The warning box of the caller says what failed; the shell's own boxes
    // would say it twice.
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    execute.lpVerb = "runas";
    execute.lpFile = program;
    execute.lpParameters = parameters;
    execute.nShow = show;
    return ShellExecuteExA(&execute) ? execute.hProcess : NULL;
}

HANDLE StartElevated(const char* command) {
    char* copy = CopyString(command);
    if (!copy)
        return NULL;
    const char* program;
    const char* parameters;
    SplitCommandLine(copy, &program, &parameters);
    HANDLE process = StartProgramElevated(program, parameters, SW_SHOWNORMAL);
    FreeBlock(copy);
    return process;
}
