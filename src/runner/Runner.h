// Running one command line as a child process in the host's console.
#pragma once

#include <windows.h>

#include "Family.h"

// Runs CommandLine, the registry's UTF-16 text, with its environment
// references expanded, and waits for it to end. With CaptureOutput the
// child's output and errors are drawn off through a pipe and thrown away
// while a notice (message NoticeNumber) stands on the top screen row
// (TopLineNotice) or in a box; without it the child writes into a blanked
// console that the host then adopts as its user screen, for hPlugin. With
// SetTitle the console's title shows the command while it runs. The console's input mode, title and the
// process's standard handles are as they were when it returns.
// A program that asks for administrator rights is started through the shell,
// which asks the user for them; its output is not drawn off, as such a
// process cannot inherit the pipe. With StartNatively, a 32-bit process on
// 64-bit Windows starts the command with System32 being the 64-bit system
// folder, as for a 64-bit program's own uninstaller.
// Once the child has ended, the run goes on while anything it started,
// directly or through others, still runs, until Watched (when not null), the
// program's key, is gone.
// Returns the child's exit code, or -1 when it could not be started.
int RunCommand(HANDLE hPlugin, const wchar_t* CommandLine, int CaptureOutput, int TopLineNotice,
               int SetTitle, int NoticeNumber, int StartNatively = 0,
               const WatchedKey* Watched = NULL);
