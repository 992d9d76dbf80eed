#include "BenchRunner.h"

#include "BenchClock.h"

#include <stdio.h>
#include <windows.h>

#include <string>
#include <vector>

#include "../src/runner/Runner.h"
#include "../src/shell/Shell.h"

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
    int result = RunCommand(INVALID_HANDLE_VALUE, command.c_str(), 1, 1, 0, MsgRunning);
    return result == -1 ? -1 : NowMs() - start;
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
    printf("\n%-7s%-44s %11s %10s %8s\n", "build", "Command runner", "module ms", "floor ms", "");
    printf("%-7s%-44s %11.2f %10.2f %+7.1f ms added\n", BuildLabel, "child that exits at once", quick.Module,
           quick.Floor, quick.Module - quick.Floor);
    printf("%-7s%-44s %11.2f %10.2f %8.2f ratio\n", BuildLabel, "child writing 64 MB to its output", drain.Module,
           drain.Floor, drain.Module / drain.Floor);
    printf("%-7s%-44s %11s %10.2f %8.2f ratio\n", BuildLabel, "  against the floor plus the 1 s first wait", "",
           drain.Floor + FirstWaitMs, drain.Module / (drain.Floor + FirstWaitMs));
    return true;
}
