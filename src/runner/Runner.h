// Running one command line as a child process in the host's console.
#pragma once

#include <windows.h>

// Runs CommandLine, with its environment references expanded, and waits for
// it to end. With CaptureOutput the child's output and errors are drawn off
// through a pipe and thrown away while a notice (message NoticeNumber) stands
// on the top screen row (TopLineNotice) or in a box; without it the child
// writes into a blanked console that the host then adopts as its user
// screen, through Control(hPlugin, ...). With SetTitle the console's title
// shows the command while it runs. The console's input mode, title and the
// process's standard handles are as they were when it returns.
// Returns the child's exit code, or -1 when it could not be started.
int RunCommand(HANDLE hPlugin, const char* CommandLine, int CaptureOutput, int TopLineNotice,
               int SetTitle, int NoticeNumber);
