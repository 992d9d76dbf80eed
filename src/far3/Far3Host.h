// The host's Unicode plug-in interface (its 3.x versions), as far as this
// module uses it. Records have natural alignment, as the host declares them:
// the 64-bit flag types are 8-byte aligned on x86 too, which pads PluginInfo
// and FarMenuItem there, and unlike the 8-bit interface's records nothing is
// packed. Every size and offset the module relies on is asserted, so a
// mismatch fails the build rather than the host's memory.
#pragma once

#include <stddef.h>
#include <windows.h>

// In a namespace of its own: the 1.x interface has records of the same names,
// and the suite's stand-ins see both.
namespace Far3 {

typedef unsigned long long FarFlags;  // every flag type of this interface

struct VersionInfo {
    DWORD Major;
    DWORD Minor;
    DWORD Revision;
    DWORD Build;
    int Stage;
};

struct GlobalInfo {
    size_t StructSize;
    VersionInfo MinFarVersion;
    VersionInfo Version;
    GUID Guid;
    const wchar_t* Title;
    const wchar_t* Description;
    const wchar_t* Author;
    void* Instance;
};

struct FarKey {
    WORD VirtualKeyCode;
    DWORD ControlKeyState;
};

struct FarMenuItem {
    FarFlags Flags;
    const wchar_t* Text;
    FarKey AccelKey;
    INT_PTR UserData;
    INT_PTR Reserved[2];
};

struct FarColor {
    FarFlags Flags;
    DWORD ForegroundColor;
    DWORD BackgroundColor;
    DWORD UnderlineColor;
    DWORD Reserved;
};

typedef INT_PTR(WINAPI* Far3Menu)(const GUID* PluginId, const GUID* Id, INT_PTR X, INT_PTR Y,
                                  INT_PTR MaxHeight, FarFlags Flags, const wchar_t* Title,
                                  const wchar_t* Bottom, const wchar_t* HelpTopic,
                                  const FarKey* BreakKeys, INT_PTR* BreakCode,
                                  const FarMenuItem* Item, size_t ItemsNumber);
typedef INT_PTR(WINAPI* Far3Message)(const GUID* PluginId, const GUID* Id, FarFlags Flags,
                                     const wchar_t* HelpTopic, const wchar_t* const* Items,
                                     size_t ItemsNumber, INT_PTR ButtonsNumber);
typedef const wchar_t*(WINAPI* Far3GetMsg)(const GUID* PluginId, INT_PTR MsgId);
typedef INT_PTR(WINAPI* Far3PanelControl)(HANDLE hPanel, int Command, INT_PTR Param1,
                                          void* Param2);
typedef HANDLE(WINAPI* Far3SaveScreen)(INT_PTR X1, INT_PTR Y1, INT_PTR X2, INT_PTR Y2);
typedef void(WINAPI* Far3RestoreScreen)(HANDLE hScreen);
typedef void(WINAPI* Far3Text)(INT_PTR X, INT_PTR Y, const FarColor* Color, const wchar_t* Str);

// Services the module never calls; kept only to hold their places.
typedef void* Far3Unused;

// The host's standard functions: a size, then functions the module never
// calls, kept only because the host lends the table for the call alone.
struct FarStandardFunctions {
    size_t StructSize;
    Far3Unused Functions[49];
};

struct PluginStartupInfo {
    size_t StructSize;
    const wchar_t* ModuleName;
    Far3Menu Menu;
    Far3Message Message;
    Far3GetMsg GetMsg;
    Far3PanelControl PanelControl;
    Far3SaveScreen SaveScreen;
    Far3RestoreScreen RestoreScreen;
    Far3Unused GetDirList;
    Far3Unused GetPluginDirList;
    Far3Unused FreeDirList;
    Far3Unused FreePluginDirList;
    Far3Unused Viewer;
    Far3Unused Editor;
    Far3Text Text;
    Far3Unused EditorControl;
    FarStandardFunctions* FSF;
    Far3Unused ShowHelp;
    Far3Unused AdvControl;
    Far3Unused InputBox;
    Far3Unused ColorDialog;
    Far3Unused DialogInit;
    Far3Unused DialogRun;
    Far3Unused DialogFree;
    Far3Unused SendDlgMessage;
    Far3Unused DefDlgProc;
    Far3Unused ViewerControl;
    Far3Unused PluginsControl;
    Far3Unused FileFilterControl;
    Far3Unused RegExpControl;
    Far3Unused MacroControl;
    Far3Unused SettingsControl;
    const void* Private;
    void* Instance;
    Far3Unused FreeScreen;
};

struct PluginMenuItem {
    const GUID* Guids;
    const wchar_t* const* Strings;
    size_t Count;
};

struct PluginInfo {
    size_t StructSize;
    FarFlags Flags;
    PluginMenuItem DiskMenu;
    PluginMenuItem PluginMenu;
    PluginMenuItem PluginConfig;
    const wchar_t* CommandPrefix;
    void* Instance;
};

struct OpenInfo {
    size_t StructSize;
    int OpenFrom;
    const GUID* Guid;
    INT_PTR Data;
    void* Instance;
};

struct ExitInfo {
    size_t StructSize;
    void* Instance;
};

#ifdef _WIN64
#define FAR3_SIZE(x86, x64) (x64)
#else
#define FAR3_SIZE(x86, x64) (x86)
#endif
static_assert(sizeof(VersionInfo) == 20, "VersionInfo must match the host's record");
static_assert(sizeof(GlobalInfo) == FAR3_SIZE(76, 96), "GlobalInfo must match the host's record");
static_assert(offsetof(GlobalInfo, Guid) == FAR3_SIZE(44, 48), "GlobalInfo::Guid");
static_assert(offsetof(GlobalInfo, Title) == FAR3_SIZE(60, 64), "GlobalInfo::Title");
static_assert(sizeof(FarKey) == 8, "FarKey must match the host's record");
static_assert(sizeof(FarMenuItem) == FAR3_SIZE(32, 48), "FarMenuItem must match the host's");
static_assert(offsetof(FarMenuItem, Text) == 8, "FarMenuItem::Text");
static_assert(offsetof(FarMenuItem, AccelKey) == FAR3_SIZE(12, 16), "FarMenuItem::AccelKey");
static_assert(sizeof(FarColor) == 24, "FarColor must match the host's record");
static_assert(sizeof(PluginStartupInfo) == FAR3_SIZE(140, 280),
              "PluginStartupInfo must match the host's record");
static_assert(offsetof(PluginStartupInfo, Text) == FAR3_SIZE(56, 112), "Text's slot");
static_assert(offsetof(PluginStartupInfo, FreeScreen) == FAR3_SIZE(136, 272),
              "FreeScreen's slot");
static_assert(sizeof(FarStandardFunctions) == FAR3_SIZE(200, 400),
              "FarStandardFunctions must match the host's record");
static_assert(sizeof(PluginInfo) == FAR3_SIZE(64, 104), "PluginInfo must match the host's record");
static_assert(offsetof(PluginInfo, PluginMenu) == FAR3_SIZE(28, 40), "PluginInfo::PluginMenu");
static_assert(sizeof(OpenInfo) == FAR3_SIZE(20, 40), "OpenInfo must match the host's record");
static_assert(offsetof(OpenInfo, Guid) == FAR3_SIZE(8, 16), "OpenInfo::Guid");
static_assert(sizeof(ExitInfo) == FAR3_SIZE(8, 16), "ExitInfo must match the host's record");

// What FCTL_SETPANELDIRECTORY opens: a file-system folder (Name) when
// PluginId is all zero; Param and File stay null.
struct FarPanelDirectory {
    size_t StructSize;
    const wchar_t* Name;
    const wchar_t* Param;
    GUID PluginId;
    const wchar_t* File;
};
static_assert(sizeof(FarPanelDirectory) == FAR3_SIZE(32, 48),
              "FarPanelDirectory must match the host's record");
static_assert(offsetof(FarPanelDirectory, PluginId) == FAR3_SIZE(12, 24),
              "FarPanelDirectory::PluginId");
static_assert(offsetof(FarPanelDirectory, File) == FAR3_SIZE(28, 40), "FarPanelDirectory::File");
#undef FAR3_SIZE

// Flags and commands.
const FarFlags FMSG_WARNING = 0x1;
const FarFlags FMENU_AUTOHIGHLIGHT = 0x4;
const FarFlags FCF_FG_INDEX = 0x1;
const FarFlags FCF_BG_INDEX = 0x2;
const int OPEN_PLUGINSMENU = 1;
const int FCTL_REDRAWPANEL = 3;
const int FCTL_SETUSERSCREEN = 9;
// Opens the folder a FarPanelDirectory names in the panel given.
const int FCTL_SETPANELDIRECTORY = 10;
// Panel handles, as PanelControl takes them.
#define PANEL_ACTIVE ((HANDLE)(INT_PTR)-1)
#define PANEL_PASSIVE ((HANDLE)(INT_PTR)-2)
// A colour index with an opaque alpha, as FarColor holds it with the index flags.
const DWORD FarOpaqueIndex = 0xFF000000;

}  // namespace Far3

// The exported entry points the host calls, by these exact names.
extern "C" {
void WINAPI GetGlobalInfoW(Far3::GlobalInfo* info);
void WINAPI SetStartupInfoW(const Far3::PluginStartupInfo* info);
void WINAPI GetPluginInfoW(Far3::PluginInfo* info);
HANDLE WINAPI OpenW(const Far3::OpenInfo* info);
void WINAPI ExitFARW(const Far3::ExitInfo* info);
}
