// The helper program the runner's tests start as a child process. Its
// arguments are steps, carried out in order:
//   --out N                 write N bytes to standard output
//   --err N                 write N bytes to standard error
//   --print TEXT            write TEXT and a line end to standard output
//   --record FILE           write its own command line into FILE
//   --record-env NAME FILE  write the value of environment variable NAME into FILE
//   --record-console FILE   write the console's title and input mode and the
//                           kinds of its standard handles into FILE, one
//                           "name=value" line each
//   --record-handle VALUE FILE
//                           write "pipe N" into FILE when handle VALUE is a
//                           pipe of N bytes in this process, else "none"
//   --grandchild ARGS       start this program again with ARGS (one argument),
//                           inheriting every inheritable handle, without waiting
//   --hand-off ARGS         start this program again with ARGS (one argument),
//                           detached and inheriting nothing, not even standard
//                           handles, as an uninstaller hands off to its copy
//   --record-pid FILE       write its own process id into FILE
//   --sleep MS              sleep
//   --touch FILE            create FILE, empty
//   --delete-key PATH       delete PATH under HKEY_CURRENT_USER with its subkeys
//   --add-program VIEW NAME make the volatile program key NAME in the machine's
//                           Uninstall key, in registry view VIEW (32 or 64),
//                           listed as "NAME, VIEW-bit"
//   --remove-program VIEW NAME
//                           delete that key
//   --has-program VIEW NAME fail unless that key exists
//   --record-programs VIEW FILE
//                           write the names of the program keys in that view's
//                           Uninstall key into FILE, one a line
//   --pad TEXT              nothing: makes a command line as long as wanted
//   --start-threads N       start N threads that wait for ever, and go on at
//                           once: a program that ends while threads of its
//                           own are still starting
//   --exit N                end at once with exit code N (decimal or 0x...)
// Without --exit it ends with 0. A step that fails ends it with one of the
// codes below, so a test can tell a failed step from the code it asked for;
// one that runs past the time limit the tests set in its environment ends
// with ChildOutOfTime (see ../support/TestChild.h).
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "../support/TestChild.h"
#include "../support/TestMain.h"

enum Failure {
    WriteFailed = 90,
    RecordFailed = 91,
    GrandchildFailed = 92,
    DeleteFailed = 93,
    BadArguments = 94,
    ProgramMissing = 95,
    ThreadFailed = 96,
};

static const char MachineUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The program key NAME of the machine's Uninstall key in view (32 or 64).
static bool OpenProgram(const char* view, const char* name, bool create, HKEY* key) {
    REGSAM flag = strcmp(view, "32") == 0 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    std::string path = std::string(MachineUninstallKey) + name;
    if (!create)
        return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | flag, key) ==
               ERROR_SUCCESS;
    // The Uninstall key itself is made lasting, as Windows has it: a fresh
    // prefix may lack it, and made volatile with the program's key it would
    // refuse a real installer's lasting keys (ERROR_CANTWRITE) for the rest
    // of the run.
    HKEY parent;
    std::string parentPath(MachineUninstallKey, sizeof(MachineUninstallKey) - 2);
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, parentPath.c_str(), 0, NULL, 0,
                        KEY_CREATE_SUB_KEY | flag, NULL, &parent, NULL) != ERROR_SUCCESS)
        return false;
    RegCloseKey(parent);
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS | flag, NULL, key, NULL) != ERROR_SUCCESS)
        return false;
    std::string shown = std::string(name) + ", " + view + "-bit";
    std::string command = std::string(name) + ".exe";
    RegSetValueExA(*key, "DisplayName", 0, REG_SZ, (const BYTE*)shown.c_str(),
                   (DWORD)shown.size() + 1);
    RegSetValueExA(*key, "UninstallString", 0, REG_SZ, (const BYTE*)command.c_str(),
                   (DWORD)command.size() + 1);
    return true;
}

// The program key names of the machine's Uninstall key in view, one a line.
static std::string ProgramNames(const char* view) {
    REGSAM flag = strcmp(view, "32") == 0 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    std::string names;
    HKEY uninstall;
    std::string path(MachineUninstallKey, sizeof(MachineUninstallKey) - 2);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | flag, &uninstall) !=
        ERROR_SUCCESS)
        return names;
    char name[256];
    for (DWORD index = 0;; index++) {
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(uninstall, index, name, &length, NULL, NULL, NULL, NULL) !=
            ERROR_SUCCESS)
            break;
        names += std::string(name, length) + "\n";
    }
    RegCloseKey(uninstall);
    return names;
}

static const DWORD ChunkSize = 65536;

static bool WriteBytes(DWORD which, unsigned long long count, char fill) {
    static char chunk[ChunkSize];
    memset(chunk, fill, sizeof(chunk));
    HANDLE handle = GetStdHandle(which);
    while (count > 0) {
        DWORD piece = count < ChunkSize ? (DWORD)count : ChunkSize;
        DWORD written = 0;
        if (!WriteFile(handle, chunk, piece, &written, NULL) || written != piece)
            return false;
        count -= piece;
    }
    return true;
}

static bool WriteText(DWORD which, const std::string& text) {
    DWORD written = 0;
    return WriteFile(GetStdHandle(which), text.data(), (DWORD)text.size(), &written, NULL) &&
           written == text.size();
}

static bool SaveFile(const char* path, const std::string& text) {
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    bool ok = fwrite(text.data(), 1, text.size(), file) == text.size();
    return fclose(file) == 0 && ok;
}

static const char* KindOf(HANDLE handle) {
    switch (GetFileType(handle)) {
    case FILE_TYPE_CHAR:
        return "char";
    case FILE_TYPE_PIPE:
        return "pipe";
    case FILE_TYPE_DISK:
        return "disk";
    default:
        return "none";
    }
}

static std::string ConsoleReport() {
    std::string report = "title=";
    static char title[65536];
    title[0] = '\0';
    SetLastError(ERROR_SUCCESS);
    DWORD length = GetConsoleTitleA(title, sizeof(title));
    bool read = length > 0 || GetLastError() == ERROR_SUCCESS;
    report += read ? std::string(title, strnlen(title, sizeof(title))) : "(none)";
    report += "\nmode=";
    DWORD mode;
    char number[32];
    if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) {
        snprintf(number, sizeof(number), "0x%lx", (unsigned long)mode);
        report += number;
    } else {
        report += "(none)";
    }
    report += std::string("\nstdin=") + KindOf(GetStdHandle(STD_INPUT_HANDLE));
    report += std::string("\nstdout=") + KindOf(GetStdHandle(STD_OUTPUT_HANDLE));
    report += std::string("\nstderr=") + KindOf(GetStdHandle(STD_ERROR_HANDLE));
    report += "\n";
    return report;
}

static std::string HandleReport(const char* value) {
    HANDLE handle = (HANDLE)(ULONG_PTR)strtoull(value, NULL, 0);
    DWORD flags, outSize, inSize, instances;
    if (!GetNamedPipeInfo(handle, &flags, &outSize, &inSize, &instances))
        return "none";
    return "pipe " + std::to_string(outSize);
}

static bool StartGrandchild(const char* arguments, bool handOff) {
    char self[MAX_PATH];
    if (!GetModuleFileNameA(NULL, self, sizeof(self)))
        return false;
    std::string command = std::string("\"") + self + "\" " + arguments;
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    if (handOff) {
        // Under Wine the standard handles are passed on even without
        // inheritance unless the startup record names others.
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = NULL;
    }
    if (!CreateProcessA(NULL, &command[0], NULL, NULL, handOff ? FALSE : TRUE,
                        handOff ? DETACHED_PROCESS : 0, NULL, NULL, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

struct Step {
    const char* Name;
    int Operands;
};
static const Step Steps[] = {
    {"--out", 1},        {"--err", 1},           {"--print", 1},      {"--record", 1},
    {"--record-env", 2}, {"--record-console", 1}, {"--grandchild", 1}, {"--sleep", 1},
    {"--touch", 1},      {"--delete-key", 1},    {"--pad", 1},        {"--exit", 1},
    {"--record-handle", 2}, {"--add-program", 2}, {"--remove-program", 2}, {"--has-program", 2},
    {"--record-programs", 2}, {"--hand-off", 1}, {"--record-pid", 1},
    {"--start-threads", 1},
};

static int OperandsOf(const std::string& step) {
    for (const Step& known : Steps)
        if (step == known.Name)
            return known.Operands;
    return -1;
}

// Ends the process after the time in milliseconds, even while its main
// thread is blocked writing into a pipe nobody reads.
static DWORD WINAPI EndWhenOutOfTime(void* milliseconds) {
    Sleep((DWORD)(ULONG_PTR)milliseconds);
    TerminateProcess(GetCurrentProcess(), ChildOutOfTime);
    return 0;
}

static DWORD WINAPI WaitForEver(void*) {
    Sleep(INFINITE);
    return 0;
}

static int RunSteps(int argc, char** argv) {
    char limit[16];
    DWORD length = GetEnvironmentVariableA(ChildTimeLimitVariable, limit, sizeof(limit));
    if (length > 0 && length < sizeof(limit)) {
        ULONG_PTR milliseconds = strtoul(limit, NULL, 10) * 1000;
        CloseHandle(CreateThread(NULL, 0, EndWhenOutOfTime, (void*)milliseconds, 0, NULL));
    }
    for (int i = 1; i < argc; i++) {
        std::string step = argv[i];
        int operands = OperandsOf(step);
        if (operands < 0 || i + operands >= argc) {
            fprintf(stderr, "testchild: cannot read step %s\n", step.c_str());
            return BadArguments;
        }
        const char* operand = argv[i + 1];
        const char* second = operands > 1 ? argv[i + 2] : NULL;
        i += operands;
        if (step == "--out" || step == "--err") {
            bool out = step == "--out";
            if (!WriteBytes(out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE,
                            strtoull(operand, NULL, 0), out ? 'o' : 'e'))
                return WriteFailed;
        } else if (step == "--print") {
            if (!WriteText(STD_OUTPUT_HANDLE, std::string(operand) + "\r\n"))
                return WriteFailed;
        } else if (step == "--record") {
            if (!SaveFile(operand, GetCommandLineA()))
                return RecordFailed;
        } else if (step == "--record-env") {
            static char value[65536];
            DWORD length = GetEnvironmentVariableA(operand, value, sizeof(value));
            if (length >= sizeof(value) || !SaveFile(second, std::string(value, length)))
                return RecordFailed;
        } else if (step == "--record-console") {
            if (!SaveFile(operand, ConsoleReport()))
                return RecordFailed;
        } else if (step == "--record-handle") {
            if (!SaveFile(second, HandleReport(operand)))
                return RecordFailed;
        } else if (step == "--grandchild" || step == "--hand-off") {
            if (!StartGrandchild(operand, step == "--hand-off"))
                return GrandchildFailed;
        } else if (step == "--record-pid") {
            if (!SaveFile(operand, std::to_string(GetCurrentProcessId())))
                return RecordFailed;
        } else if (step == "--sleep") {
            Sleep((DWORD)strtoul(operand, NULL, 0));
        } else if (step == "--touch") {
            if (!SaveFile(operand, ""))
                return RecordFailed;
        } else if (step == "--delete-key") {
            if (RegDeleteTreeA(HKEY_CURRENT_USER, operand) != ERROR_SUCCESS)
                return DeleteFailed;
        } else if (step == "--add-program" || step == "--has-program") {
            HKEY key;
            if (!OpenProgram(operand, second, step == "--add-program", &key))
                return ProgramMissing;
            RegCloseKey(key);
        } else if (step == "--record-programs") {
            if (!SaveFile(second, ProgramNames(operand)))
                return RecordFailed;
        } else if (step == "--remove-program") {
            REGSAM flag = strcmp(operand, "32") == 0 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
            if (RegDeleteKeyExA(HKEY_LOCAL_MACHINE,
                                (std::string(MachineUninstallKey) + second).c_str(), flag,
                                0) != ERROR_SUCCESS)
                return DeleteFailed;
        } else if (step == "--start-threads") {
            for (unsigned long n = strtoul(operand, NULL, 0); n > 0; n--) {
                HANDLE thread = CreateThread(NULL, 0, WaitForEver, NULL, 0, NULL);
                if (thread == NULL)
                    return ThreadFailed;
                CloseHandle(thread);
            }
        } else if (step == "--exit") {
            return (int)strtoul(operand, NULL, 0);
        }
    }
    return 0;
}

// The watchdog may still be starting when a child that has little to do is
// done: the child ends as the test programs do (../support/TestMain.h).
int main(int argc, char** argv) {
    return EndTestProgram(RunSteps(argc, argv));
}
