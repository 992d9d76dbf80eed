#include <string.h>

#include "../elevation/Elevation.h"
#include "../heap/Heap.h"
#include "../hostcalls/HostCalls.h"
#include "../wow64/Wow64.h"
#include "Console.h"
#include "Runner.h"

// The pipe's buffer.
const DWORD PipeSize = 0x8000;
// Drawn-off output is read, and thrown away, in pieces of this size.
const DWORD DrainBufferSize = 32768;
// The expanded command when it fits; a longer one gets a heap block.
const DWORD ExpandedCommandSize = 260;
// The longest command line a process can be started with, in characters
// with the terminator; expansion works within the same bound.
const DWORD CommandLineLimit = 32767;
// A child that is done within this time has ended before reading starts;
// one that writes more than the pipe holds waits until reading starts.
const DWORD FirstWaitMs = 1000;

// The records handed to the platform are sized by the build's own types;
// the 32-bit product's must be the sizes the platform's 32-bit ABI gives.
#ifndef _WIN64
static_assert(sizeof(STARTUPINFOW) == 68, "startup record");
static_assert(sizeof(SECURITY_ATTRIBUTES) == 12, "security attributes");
#endif

// Expands the environment references of commandLine into fixed (of
// ExpandedCommandSize characters) or, when that is too small, into a heap block
// of the size the platform asks for, left in *block for the caller to
// release. A result of 0 or larger than the buffer means it did not fit, and
// the text then left in the buffer (cut short, or nothing) is never used.
// Null when the command cannot be expanded or is longer than a command line
// may be: beyond that bound the platform may also cut the text short while
// reporting success.
static wchar_t* ExpandCommand(const wchar_t* commandLine, wchar_t* fixed, wchar_t** block) {
    wchar_t* target = fixed;
    DWORD size = ExpandedCommandSize;
    for (;;) {
        DWORD result = ExpandEnvironmentStringsW(commandLine, target, size);
        if (result != 0 && result <= size)
            return result <= CommandLineLimit ? target : NULL;
        DWORD needed = result != 0 ? result : ExpandEnvironmentStringsW(commandLine, NULL, 0);
        // Some platforms ask for one character more than the text takes. A size
        // that does not grow would never fit.
        if (needed <= size || needed > CommandLineLimit + 1)
            return NULL;
        FreeBlock(*block);
        *block = (wchar_t*)AllocBlock(needed * sizeof(wchar_t));
        if (!*block)
            return NULL;
        target = *block;
        size = needed;
    }
}

// Reads until every holder of the write end has closed it, including
// anything the child started that inherited it. The buffer lives only
// while draining.
static void DrainPipe(HANDLE readEnd) {
    char discard[DrainBufferSize];
    DWORD got;
    while (ReadFile(readEnd, discard, sizeof(discard), &got, NULL)) {
    }
}

// Starts command as CreateProcessW would, or through the shell when its
// program asks for administrator rights. *process receives the process and
// thread handles (the thread null when started through the shell); false
// when it did not start.
static bool StartChild(wchar_t* command, bool inheritHandles, bool natively,
                       STARTUPINFOW* startup, PROCESS_INFORMATION* process) {
    // Redirection is off only while the program is found and started: the
    // host's own loading of system DLLs must not be affected.
    NativeFileSystem fileSystem(natively);
    if (CreateProcessW(NULL, command, NULL, NULL, inheritHandles ? TRUE : FALSE, 0, NULL, NULL,
                       startup, process))
        return true;
    if (GetLastError() != ElevationRequired)
        return false;
    process->hThread = NULL;
    process->hProcess = StartElevated(command);
    return process->hProcess != NULL;
}

int RunCommand(HANDLE hPlugin, const wchar_t* CommandLine, int CaptureOutput, int TopLineNotice,
               int SetTitle, int NoticeNumber, int StartNatively,
               const WatchedKey* Watched) {
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    HANDLE screen = NULL;
    HANDLE readEnd = NULL;
    HANDLE writeEnd = NULL;

    if (CaptureOutput) {
        SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), NULL, TRUE};
        if (CreatePipe(&readEnd, &writeEnd, &inheritable, PipeSize)) {
            // The startup record names no handles, so the child takes the
            // process's own: output and errors into the pipe, input from
            // the console.
            SetStdHandle(STD_OUTPUT_HANDLE, writeEnd);
            SetStdHandle(STD_ERROR_HANDLE, writeEnd);
            if (TopLineNotice) {
                screen = HostSaveTopRow();
                HostTopRowNotice(NoticeNumber);
            } else {
                screen = HostSaveScreen();
                const BoxLine notice[2] = {{LineName, 0, L""}, {LineMessage, NoticeNumber, NULL}};
                HostShowMessage(BoxNotice, notice, 2, NULL, 0);
            }
        } else {
            // The child writes into the console as it stands instead.
            readEnd = NULL;
            writeEnd = NULL;
            CaptureOutput = 0;
        }
    } else {
        BlankScreen(output);
    }

    ConsoleMemory console;
    RememberInputMode(input, &console);
    wchar_t fixedCommand[ExpandedCommandSize];
    wchar_t* heapCommand = NULL;
    wchar_t* command = ExpandCommand(CommandLine, fixedCommand, &heapCommand);
    RememberTitle(&console);
    if (SetTitle && command && console.TitleRead)
        SetConsoleTitleW(command);

    PROCESS_INFORMATION process;
    bool started = command && StartChild(command, CaptureOutput != 0, StartNatively != 0,
                                         &startup, &process);
    // A process started through the shell holds no end of the pipe.
    bool elevated = started && process.hThread == NULL;

    if (CaptureOutput) {
        SetStdHandle(STD_OUTPUT_HANDLE, output);
        SetStdHandle(STD_ERROR_HANDLE, error);
        // Only the child's copies may keep the pipe open now.
        CloseHandle(writeEnd);
    }
    DWORD exitCode = (DWORD)-1;
    if (started) {
        if (CaptureOutput) {
            if (!elevated) {
                WaitForSingleObject(process.hProcess, FirstWaitMs);
                DrainPipe(readEnd);
            }
            CloseHandle(readEnd);
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        WaitForFamily(process.hProcess, Watched);
        if (!GetExitCodeProcess(process.hProcess, &exitCode))
            exitCode = (DWORD)-1;
        if (process.hThread)
            CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else if (CaptureOutput) {
        CloseHandle(readEnd);
    }

    PutBackConsole(input, &console);
    if (!CaptureOutput) {
        ScrollUpTwoRows(output);
        HostAdoptUserScreen(hPlugin);
    }
    if (screen) {
        HostRestoreScreen(NULL);
        HostRestoreScreen(screen);
    }
    FreeBlock(heapCommand);
    return started ? (int)exitCode : -1;
}
