#include "BenchHost.h"

#include <string.h>

static int WINAPI QuietMenu(INT_PTR, int, int, int, unsigned, const char*, const char*, const char*,
                            const int*, int*, const FarMenuItem*, int) {
    return -1;
}

static int WINAPI QuietMessage(INT_PTR, unsigned, const char*, const char* const*, int, int) {
    return -1;
}

static const char* WINAPI QuietGetMsg(INT_PTR, int msgId) {
    static const char* const texts[] = {"Warning", "OK", "Cancel", "Uninstall programs",
                                        "Enter, Del, Esc", "Running...", "Remove entry",
                                        "Remove?", "Cannot open", "Cannot start"};
    return msgId >= 0 && msgId < 10 ? texts[msgId] : "";
}

static int WINAPI QuietControl(HANDLE, int, void*) {
    return 1;
}

static HANDLE WINAPI QuietSaveScreen(int, int, int, int) {
    return (HANDLE)1;
}

static void WINAPI QuietRestoreScreen(HANDLE) {
}

static void WINAPI QuietText(int, int, int, const char*) {
}

PluginStartupInfo BenchStartupInfo() {
    PluginStartupInfo info;
    memset(&info, 0, sizeof(info));
    info.StructSize = sizeof(info);
    info.Menu = QuietMenu;
    info.Message = QuietMessage;
    info.GetMsg = QuietGetMsg;
    info.Control = QuietControl;
    info.SaveScreen = QuietSaveScreen;
    info.RestoreScreen = QuietRestoreScreen;
    info.Text = QuietText;
    return info;
}
