// Starting a command whose program asks for administrator rights, which
// CreateProcess refuses with ERROR_ELEVATION_REQUIRED since Windows Vista.
#pragma once

#include <windows.h>

// ERROR_ELEVATION_REQUIRED, which the cross toolchain's headers lack.
const DWORD ElevationRequired = 740;

// Splits command in place the way CreateProcess reads a command line: the
// program is a quoted path, or else the first token; *parameters is what
// follows, past the blanks ("" when nothing does).
void SplitCommandLine(wchar_t* command, const wchar_t** program, const wchar_t** parameters);

// Starts program with parameters through the shell with the "runas" verb,
// which asks the user for elevation, its window shown as show (SW_*). The
// process's handle, for the caller to wait on and close; null when it did not
// start (the user declined, or the program is missing). The process inherits
// no handles.
HANDLE StartProgramElevated(const wchar_t* program, const wchar_t* parameters, int show);

// StartProgramElevated for a whole command line, split as CreateProcess
// reads it, its window shown normally.
HANDLE StartElevated(const wchar_t* command);
