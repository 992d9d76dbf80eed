#include "BenchRunner.h"

#include "BenchClock.h"

#include <stdio.h>
#include <windows.h>

#include <string>
#include <vector>

#include "../src/runner/Runner.h"
#include "../src/far1/Far1.h"

static const DWORD PipeSize = 0x8000;
static const DWORD ReadSize = 32768;
// What the drained child writes: large enough that the pipe fills long
// before the runner's first wait is over.
static const unsigned long long DrainedBytes = 64ull << 20;
// The runner waits this long before it starts reading a child that is still running.
static const double FirstWaitMs = 1000.0;

// The tests' helper program, which writes what its arguments ask for.
static std::string ChildCommand(const std::string& arguments) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string program(path, length);
    program = program.substr(0, program.find_last_of('\\')) + "\\..\\tests\\testchild.exe";
    return "\"" + program + "\" " + arguments;
}

// The least any tool can do to run a child with its output drawn off: one
// pipe, one process, read until the pipe is closed. -1 when it cannot start.
static double FloorRunMs(const std::string& command) {
    double start = NowMs();
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), NULL, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, PipeSize))
        return -1;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process;
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    BOOL started = CreateProcessA(NULL, line.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                                  &process);
    CloseHandle(writeEnd);
    if (started) {
        static char discard[ReadSize];
        DWORD got;
        while (ReadFile(readEnd, discard, sizeof(discard), &got, NULL)) {
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return started ? NowMs() - start : -1;
}

// The runner as the uninstall list calls it.
static double ModuleRunMs(const std::string& command) {
    double start = NowMs();
    std::wstring wide(command.begin(), command.end());
    int result = RunCommand(INVALID_HANDLE_VALUE, wide.c_str(), 1, 1, 0, MsgRunning);
    return result == -1 ? -1 : NowMs() - start;
}

// The process's own processor time so far, user and kernel, in milliseconds.
static double ProcessCpuMs() {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user))
        return 0;
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return (k.QuadPart + u.QuadPart) / 10000.0;
}

// How long the copy of a handing-off uninstaller works.
static const int HandOffMs = 2000;
// The processor time the host may spend following it.
static const double HandOffCpuLimitMs = 50.0;

// An uninstaller that hands off to a copy of itself and exits, the copy
// working for HandOffMs and leaving its program's key in place, as the menu
// runs it: the wait for the copy, its wall time and the host's processor
// time in *cpuMs. -1 when it cannot start.
static double HandOffRunMs(double* cpuMs) {
    const char KeyPath[] = "Software\\UninstallMenuBench\\Program";
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath, 0, NULL, REG_OPTION_VOLATILE, KEY_READ, NULL,
                        &key, NULL) != ERROR_SUCCESS)
        return -1;
    RegCloseKey(key);
    WatchedKey watched = {UserKeys(), L"Software\\UninstallMenuBench\\Program"};
    std::string command = ChildCommand("--hand-off \"--sleep " + std::to_string(HandOffMs) + "\"");
    std::wstring wide(command.begin(), command.end());
    double cpu = ProcessCpuMs();
    double start = NowMs();
    int result = RunCommand(INVALID_HANDLE_VALUE, wide.c_str(), 1, 1, 0, MsgRunning, 0, &watched);
    double took = NowMs() - start;
    *cpuMs = ProcessCpuMs() - cpu;
    RegDeleteKeyA(HKEY_CURRENT_USER, KeyPath);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\UninstallMenuBench");
    return result == -1 ? -1 : took;
}

struct RunnerFigures {
    double Module, Floor;
};

static bool Measure(const std::string& command, int runs, RunnerFigures* figures) {
    std::vector<double> module, floor;
    for (int run = 0; run < runs; run++) {
        double m = ModuleRunMs(command);
        double f = FloorRunMs(command);
        if (m < 0 || f < 0)
            return false;
        module.push_back(m);
        floor.push_back(f);
    }
    figures->Module = Median(module);
    figures->Floor = Median(floor);
    return true;
}

bool MeasureRunner() {
    RunnerFigures drain, quick;
    if (!Measure(ChildCommand("--exit 0"), 9, &quick) ||
        !Measure(ChildCommand("--out " + std::to_string(DrainedBytes)), 5, &drain)) {
        fprintf(stderr, "bench: cannot start the helper program (%s)\n",
                ChildCommand("").c_str());
        return false;
    }
    std::vector<double> handOff, handOffCpu;
    for (int run = 0; run < 3; run++) {
        double cpu;
        double took = HandOffRunMs(&cpu);
        if (took < 0) {
            fprintf(stderr, "bench: cannot start the helper program to hand off\n");
            return false;
        }
        handOff.push_back(took);
        handOffCpu.push_back(cpu);
    }
    printf("\n%-7s%-44s %11s %10s %8s\n", "build", "Command runner", "module ms", "floor ms", "");
    printf("%-7s%-44s %11.2f %10.2f %+7.1f ms added\n", BuildLabel, "child that exits at once", quick.Module,
           quick.Floor, quick.Module - quick.Floor);
    printf("%-7s%-44s %11.2f %10.2f %8.2f ratio\n", BuildLabel, "child writing 64 MB to its output", drain.Module,
           drain.Floor, drain.Module / drain.Floor);
    printf("%-7s%-44s %11s %10.2f %8.2f ratio\n", BuildLabel, "  against the floor plus the 1 s first wait", "",
           drain.Floor + FirstWaitMs, drain.Module / (drain.Floor + FirstWaitMs));
    char what[64];
    snprintf(what, sizeof(what), "uninstaller whose copy works %d s", HandOffMs / 1000);
    printf("%-7s%-44s %11.2f %10s %8.1f ms CPU (limit %.0f)\n", BuildLabel, what, Median(handOff),
           "", Median(handOffCpu), HandOffCpuLimitMs);
    return true;
}
