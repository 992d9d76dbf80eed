// demo-uninstall [--user] KEY [/quiet]: the demo's pretend uninstaller. It
// shows progress for a moment (not with /quiet), then removes its program's
// entry KEY from plughost's scratch registry (with --user, from the scratch
// copy of the current user's key), so the list visibly loses it. Without that
// scratch key named in the environment it refuses: it must never touch a
// real Uninstall key.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "../programs/EndProgram.h"

// The variables plughost --sandbox names its scratch keys in: the machine's
// and the current user's.
static const char MachineSandboxVariable[] = "UNINSTALLMENU_SANDBOX";
static const char UserSandboxVariable[] = "UNINSTALLMENU_SANDBOX_USER";
static const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
static const int ProgressSteps = 10;
static const DWORD StepMilliseconds = 150;

static int Run(int argc, char** argv) {
    // Last, as the demo's quiet uninstall command has it.
    bool quiet = argc > 2 && strcmp(argv[argc - 1], "/quiet") == 0;
    if (quiet)
        argc--;
    bool user = argc == 3 && strcmp(argv[1], "--user") == 0;
    const char* name = argc > 1 ? argv[argc - 1] : "";
    // One entry's own name: an empty one would name the whole Uninstall key.
    if (argc != (user ? 3 : 2) || name[0] == '\0' || strchr(name, '\\')) {
        fprintf(stderr, "usage: demo-uninstall [--user] KEY [/quiet]\n");
        return 2;
    }
    const char* variable = user ? UserSandboxVariable : MachineSandboxVariable;
    char sandbox[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(variable, sandbox, sizeof(sandbox));
    if (length == 0 || length >= sizeof(sandbox)) {
        fprintf(stderr, "demo-uninstall: %s is not set; it runs only under plughost --sandbox\n",
                variable);
        return 3;
    }
    char path[1024];
    int size = snprintf(path, sizeof(path), "%s\\%s\\%s", sandbox, UninstallKey, name);
    if (size < 0 || size >= (int)sizeof(path)) {
        fprintf(stderr, "demo-uninstall: the key name is too long\n");
        return 2;
    }
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        fprintf(stderr, "demo-uninstall: no entry %s in the sandbox\n", name);
        return 1;
    }
    RegCloseKey(key);

    printf("Uninstalling %s\n", name);
    for (int step = 1; !quiet && step <= ProgressSteps; step++) {
        printf("  removing files... %d%%\n", step * 100 / ProgressSteps);
        fflush(stdout);
        Sleep(StepMilliseconds);
    }
    LONG rc = RegDeleteTreeA(HKEY_CURRENT_USER, path);
    if (rc != ERROR_SUCCESS) {
        fprintf(stderr, "demo-uninstall: cannot remove the entry (error %ld)\n", rc);
        return 1;
    }
    printf("Done.\n");
    return 0;
}

int main(int argc, char** argv) {
    return EndProgram(Run(argc, argv));
}
