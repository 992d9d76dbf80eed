// How the test programs, and the child they start, end once their report is
// written. Returning from main takes ExitProcess, which runs every DLL's
// detach and then Unix exit(), with the libraries' destructors, while the
// other threads may still be ending. TerminateProcess on the process itself
// ends it with _exit() as soon as the server has recorded the status, and
// runs none of that. Every check is done by then: fixtures and GoogleTest's
// global environment are torn down inside RUN_ALL_TESTS, and no static
// object of ours checks anything as it goes; what is skipped is the
// run-time's and the system's clean-up of a process about to go. Either way
// the other threads must have left their start-up first
// (../../programs/EndProgram.h says why).
#pragma once

#include "../../programs/EndProgram.h"

// Flushes every stream and ends the process with status at once.
inline int EndTestProgram(int status) {
    fflush(NULL);
    SettleOtherThreads();
    TerminateProcess(GetCurrentProcess(), (UINT)status);
    return status;  // only should the system refuse to end the process
}
