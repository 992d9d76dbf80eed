// How every program of ours ends: the stand-in host, the test programs and
// the child they start, the bench, the version reader, the demo's
// uninstaller. The product itself, a DLL, never ends a process.
//
// The 32-bit programs were seen to be killed by SIGSEGV after their work was
// done and their status given: cores of the 32-bit Wine loader, in most full
// 32-bit runs, of the test programs and of testchild alike. The thread that
// faulted was never the one ending the process, but one the process had just
// created and that was still inside Wine's start-up of it (its TEB held no
// %gs yet): GoogleTest's watcher, which it starts the first time a thread
// uses its thread-local state (SCOPED_TRACE does), or testchild's watchdog.
// Ending a process, by ExitProcess or TerminateProcess alike, has the Wine
// server send SIGQUIT to every other thread; a thread still starting takes
// the signal in Wine's 32-bit handler, which reloads %gs from the TEB, gets
// 0, faults again in the C library, and the kernel ends the whole process.
// The server's trace shows the order: the new thread initialised, at once
// the process terminated, the thread killed by signal 3, the process ended
// by SIGSEGV. So a program ends only once every other thread of it has left
// that start-up: Wine answers a thread's context only then.
#pragma once

#include <stdio.h>
#include <string.h>
#include <windows.h>
#include <tlhelp32.h>

// Returns once every other thread of this process has left the system's
// start-up of it, or has ended. Each thread is left running as it was.
inline void SettleOtherThreads() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    DWORD process = GetCurrentProcessId();
    DWORD self = GetCurrentThreadId();
    THREADENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more;
         more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != process || entry.th32ThreadID == self)
            continue;
        HANDLE thread =
            OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, entry.th32ThreadID);
        if (thread == NULL)
            continue;  // already gone
        if (SuspendThread(thread) != (DWORD)-1) {
            CONTEXT context;
            memset(&context, 0, sizeof(context));
            context.ContextFlags = CONTEXT_CONTROL;
            GetThreadContext(thread, &context);
            ResumeThread(thread);
        }
        CloseHandle(thread);
        entry.dwSize = sizeof(entry);
    }
    CloseHandle(snapshot);
}

// Flushes every stream and ends the process with status through
// ExitProcess, once its other threads are settled. For main's last word:
// main's locals are gone by then, as they must be (a sandbox's keys are
// removed by its destructor): return EndProgram(Run(argc, argv));
inline int EndProgram(int status) {
    fflush(NULL);
    SettleOtherThreads();
    ExitProcess((UINT)status);
    return status;  // never: ExitProcess does not return
}
