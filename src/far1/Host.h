// The host file manager's plug-in interface, as far as this module uses it.
// Records are laid out with natural alignment in the host's field order; the
// sizes asserted below are the host's own, so a mismatch fails the build
// rather than corrupting the host's memory at run time.
#pragma once

#include <windows.h>

struct FarMenuItem {
    char Text[128];
    int Selected;
    int Checked;
    int Separator;
};

struct PluginStartupInfo;

// The module number is pointer-sized, as the host declares it: a 64-bit host
// may hand over an address there, and takes back only the whole number.
typedef int(WINAPI* FarApiMenu)(INT_PTR ModuleNumber, int X, int Y, int MaxHeight,
                                unsigned Flags, const char* Title, const char* Bottom,
                                const char* HelpTopic, const int* BreakKeys, int* BreakCode,
                                const FarMenuItem* Items, int ItemsNumber);
typedef int(WINAPI* FarApiMessage)(INT_PTR ModuleNumber, unsigned Flags, const char* HelpTopic,
                                   const char* const* Items, int ItemsNumber, int ButtonsNumber);
typedef const char*(WINAPI* FarApiGetMsg)(INT_PTR ModuleNumber, int MsgId);
typedef int(WINAPI* FarApiControl)(HANDLE hPlugin, int Command, void* Param);
typedef HANDLE(WINAPI* FarApiSaveScreen)(int X1, int Y1, int X2, int Y2);
typedef void(WINAPI* FarApiRestoreScreen)(HANDLE hScreen);
typedef void(WINAPI* FarApiText)(int X, int Y, int Color, const char* Str);

// Services the module never calls; kept only to hold their places.
typedef void* FarApiUnused;

struct PluginStartupInfo {
    int StructSize;
    char ModuleName[MAX_PATH];
    INT_PTR ModuleNumber;
    const char* RootKey;
    FarApiMenu Menu;
    FarApiUnused Dialog;
    FarApiMessage Message;
    FarApiGetMsg GetMsg;
    FarApiControl Control;
    FarApiSaveScreen SaveScreen;
    FarApiRestoreScreen RestoreScreen;
    FarApiUnused GetDirList;
    FarApiUnused GetPluginDirList;
    FarApiUnused FreeDirList;
    FarApiUnused Viewer;
    FarApiUnused Editor;
    FarApiUnused CmpName;
    FarApiUnused CharTable;
    FarApiText Text;
    FarApiUnused EditorControl;
};

struct PluginInfo {
    int StructSize;
    DWORD Flags;
    const char* const* DiskMenuStrings;
    int* DiskMenuNumbers;
    int DiskMenuStringsNumber;
    const char* const* PluginMenuStrings;
    int PluginMenuStringsNumber;
    const char* const* PluginConfigStrings;
    int PluginConfigStringsNumber;
    const char* CommandPrefix;
};

static_assert(sizeof(FarMenuItem) == 140, "FarMenuItem must match the host's record");
#ifdef _WIN64
static_assert(sizeof(PluginStartupInfo) == 408, "PluginStartupInfo must match the host's record");
static_assert(sizeof(PluginInfo) == 72, "PluginInfo must match the host's record");
#else
static_assert(sizeof(PluginStartupInfo) == 336, "PluginStartupInfo must match the host's record");
static_assert(sizeof(PluginInfo) == 40, "PluginInfo must match the host's record");
#endif

// Message box flags.
const unsigned FMSG_WARNING = 1;
// Menu flags.
const unsigned FMENU_AUTOHIGHLIGHT = 4;
// Control commands.
const int FCTL_REDRAWPANEL = 5;
const int FCTL_REDRAWANOTHERPANEL = 6;
const int FCTL_SETUSERSCREEN = 15;
// Opens a folder, named in the OEM code page, in the active panel.
const int FCTL_SETPANELDIR = 16;
// A break key's modifiers, in the high word of its code: VK | (PKF_* << 16).
const int PKF_CONTROL = 0x1;

// The exported entry points the host calls, by these exact names.
extern "C" {
void WINAPI SetStartupInfo(const PluginStartupInfo* info);
void WINAPI GetPluginInfo(PluginInfo* pi);
HANDLE WINAPI OpenPlugin(int OpenFrom, INT_PTR Item);
void WINAPI ExitFAR(void);
}
