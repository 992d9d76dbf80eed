// demo-uninstall KEY: the demo's pretend uninstaller. It shows progress for a
// moment, then removes its program's entry KEY from plughost's scratch
// registry, so the list visibly loses it. Without the scratch registry named
// in the environment it refuses: it must never touch a real Uninstall key.
#include <windows.h>

#include <stdio.h>
#include <string.h>

static const char SandboxVariable[] = "UNINSTALLMENU_SANDBOX";
static const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
static const int ProgressSteps = 10;
static const DWORD StepMilliseconds = 150;

int main(int argc, char** argv) {
    // One entry's own name: an empty one would name the whole Uninstall key.
    if (argc != 2 || argv[1][0] == '\0' || strchr(argv[1], '\\')) {
        fprintf(stderr, "usage: demo-uninstall KEY\n");
        return 2;
    }
    char sandbox[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(SandboxVariable, sandbox, sizeof(sandbox));
    if (length == 0 || length >= sizeof(sandbox)) {
        fprintf(stderr, "demo-uninstall: %s is not set; it runs only under plughost --sandbox\n",
                SandboxVariable);
        return 3;
    }
    char path[1024];
    int size = snprintf(path, sizeof(path), "%s\\%s\\%s", sandbox, UninstallKey, argv[1]);
    if (size < 0 || size >= (int)sizeof(path)) {
        fprintf(stderr, "demo-uninstall: the key name is too long\n");
        return 2;
    }
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        fprintf(stderr, "demo-uninstall: no entry %s in the sandbox\n", argv[1]);
        return 1;
    }
    RegCloseKey(key);

    printf("Uninstalling %s\n", argv[1]);
    for (int step = 1; step <= ProgressSteps; step++) {
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
