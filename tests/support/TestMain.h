// How the test programs, and the child they start, end once their report is
// written. Under the suite's load the 32-bit programs were seen to print
// GoogleTest's "[  PASSED  ]" and then be killed by SIGSEGV. A fault in a
// Windows program's own code Wine turns into an exception, which ends the
// process with a status (5 for an access violation); a process killed by the
// signal itself faulted where Wine could not catch it, in Wine's own code on
// the way out. Returning from main takes ExitProcess, which has the server
// end the process's other threads, runs every DLL's detach and then Unix
// exit(), with the libraries' destructors, while those threads may still be
// ending. TerminateProcess on the process itself ends it with _exit() as
// soon as the server has recorded the status, and runs none of that. Every
// check is done by then: fixtures and GoogleTest's global environment are
// torn down inside RUN_ALL_TESTS, and no static object of ours checks
// anything as it goes; what is skipped is the run-time's and the system's
// clean-up of a process about to go.
#pragma once

#include <stdio.h>
#include <windows.h>

// Flushes every stream and ends the process with status at once.
inline int EndTestProgram(int status) {
    fflush(NULL);
    TerminateProcess(GetCurrentProcess(), (UINT)status);
    return status;  // only should the system refuse to end the process
}
