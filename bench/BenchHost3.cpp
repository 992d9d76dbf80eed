#include "BenchHost3.h"

#include <string.h>

#include "BenchClock.h"

using namespace Far3;

static double MenuCalledAt;

static INT_PTR WINAPI QuietMenu(const GUID*, const GUID*, INT_PTR, INT_PTR, INT_PTR, FarFlags,
                                const wchar_t*, const wchar_t*, const wchar_t*, const FarKey*,
                                INT_PTR* breakCode, const FarMenuItem*, size_t) {
    MenuCalledAt = NowMs();
    if (breakCode)
        *breakCode = -1;
    return -1;
}

static INT_PTR WINAPI QuietMessage(const GUID*, const GUID*, FarFlags, const wchar_t*,
                                   const wchar_t* const*, size_t, INT_PTR) {
    return -1;
}

static const wchar_t* WINAPI QuietGetMsg(const GUID*, INT_PTR) {
    return L"Uninstall programs";
}

static INT_PTR WINAPI QuietPanelControl(HANDLE, int, INT_PTR, void*) {
    return 1;
}

static HANDLE WINAPI QuietSaveScreen(INT_PTR, INT_PTR, INT_PTR, INT_PTR) {
    return (HANDLE)1;
}

static void WINAPI QuietRestoreScreen(HANDLE) {
}

static void WINAPI QuietText(INT_PTR, INT_PTR, const FarColor*, const wchar_t*) {
}

PluginStartupInfo BenchStartupInfo3() {
    // The host lends its standard functions for the call alone; the module
    // copies them, so one table for every start-up will do.
    static FarStandardFunctions standard;
    standard.StructSize = sizeof(standard);
    PluginStartupInfo info;
    memset(&info, 0, sizeof(info));
    info.StructSize = sizeof(info);
    info.ModuleName = L"UninstallMenu.dll";
    info.Menu = QuietMenu;
    info.Message = QuietMessage;
    info.GetMsg = QuietGetMsg;
    info.PanelControl = QuietPanelControl;
    info.SaveScreen = QuietSaveScreen;
    info.RestoreScreen = QuietRestoreScreen;
    info.Text = QuietText;
    info.FSF = &standard;
    return info;
}

double LastMenuMs() {
    return MenuCalledAt;
}
