#include <string.h>

#include "../menu/Menu.h"
#include "Far3.h"

using namespace Far3;

PluginStartupInfo Info;
static FarStandardFunctions StandardFunctions;

// {A5DE2FCC-EF99-49D7-AC8B-6284CC4058A2}
const GUID PluginGuid = {0xa5de2fcc, 0xef99, 0x49d7, {0xac, 0x8b, 0x62, 0x84, 0xcc, 0x40, 0x58, 0xa2}};
// {76A85AD7-7F7E-444F-BEA9-A9624B5E0414}
const GUID PluginMenuItemGuid = {0x76a85ad7, 0x7f7e, 0x444f,
                                 {0xbe, 0xa9, 0xa9, 0x62, 0x4b, 0x5e, 0x04, 0x14}};
// {08757FB4-55C7-41EE-9D8D-6A3A2C289471}
const GUID ListGuid = {0x08757fb4, 0x55c7, 0x41ee, {0x9d, 0x8d, 0x6a, 0x3a, 0x2c, 0x28, 0x94, 0x71}};
// {66E0422E-9BDB-4506-B145-8B19AEDEB784}
const GUID ConfirmationGuid = {0x66e0422e, 0x9bdb, 0x4506,
                               {0xb1, 0x45, 0x8b, 0x19, 0xae, 0xde, 0xb7, 0x84}};
// {13269BF0-FB14-417F-914B-45C73A1E9CB2}
const GUID WarningGuid = {0x13269bf0, 0xfb14, 0x417f,
                          {0x91, 0x4b, 0x45, 0xc7, 0x3a, 0x1e, 0x9c, 0xb2}};
// {3FA64A1D-4E6B-42DB-86CC-DE3DD2C1C127}
const GUID NoticeGuid = {0x3fa64a1d, 0x4e6b, 0x42db, {0x86, 0xcc, 0xde, 0x3d, 0xd2, 0xc1, 0xc1, 0x27}};
// {5C2E8F41-9D3A-4B76-A1E5-7F08C4B92D63}
const GUID DetailsGuid = {0x5c2e8f41, 0x9d3a, 0x4b76, {0xa1, 0xe5, 0x7f, 0x08, 0xc4, 0xb9, 0x2d, 0x63}};

// The first build of the host whose startup record ends with FreeScreen, as
// the module's record does: an older host hands a shorter one.
static const VersionInfo MinFarVersion = {3, 0, 0, 5552, 0};

// The plug-ins menu's one string, a copy of the title lent to the host from
// one GetPluginInfoW to the next: the host's own text goes when the user
// changes the interface language.
static wchar_t* MenuString;

extern "C" {

void WINAPI GetGlobalInfoW(GlobalInfo* info) {
    info->StructSize = sizeof(GlobalInfo);
    info->MinFarVersion = MinFarVersion;
    VersionInfo version = {UNINSTALLMENU_VERSION_MAJOR, UNINSTALLMENU_VERSION_MINOR,
                           UNINSTALLMENU_VERSION_PATCH, 0, 0};
    info->Version = version;
    info->Guid = PluginGuid;
    info->Title = L"UninstallMenu";
    // A few words: the host's information box cuts a longer one.
    info->Description = L"Uninstall programs";
    info->Author = L"The UninstallMenu developers";
}

void WINAPI SetStartupInfoW(const PluginStartupInfo* info) {
    // The record and the standard functions live in the host's stack frame:
    // both are copied, never more of either than the host says it gave.
    memset(&Info, 0, sizeof(Info));
    size_t size = info->StructSize < sizeof(Info) ? info->StructSize : sizeof(Info);
    memcpy(&Info, info, size);
    memset(&StandardFunctions, 0, sizeof(StandardFunctions));
    if (size >= offsetof(PluginStartupInfo, FSF) + sizeof(info->FSF) && info->FSF) {
        size_t tableSize = info->FSF->StructSize < sizeof(StandardFunctions)
                               ? info->FSF->StructSize
                               : sizeof(StandardFunctions);
        memcpy(&StandardFunctions, info->FSF, tableSize);
        Info.FSF = &StandardFunctions;
    }
}

void WINAPI GetPluginInfoW(PluginInfo* info) {
    FreeBlock(MenuString);
    MenuString = CopyWideString(GetMsgText(MsgPluginTitle));
    static const wchar_t* strings[1];
    strings[0] = MenuString ? MenuString : L"";
    memset(info, 0, sizeof(*info));
    info->StructSize = sizeof(PluginInfo);
    info->PluginMenu.Guids = &PluginMenuItemGuid;
    info->PluginMenu.Strings = strings;
    info->PluginMenu.Count = 1;
}

HANDLE WINAPI OpenW(const OpenInfo* info) {
    (void)info;
    RunUninstallMenu();
    // The module opens no panel of its own: anything but null would be taken
    // for one.
    return NULL;
}

void WINAPI ExitFARW(const ExitInfo* info) {
    (void)info;
    FreeBlock(MenuString);
    MenuString = NULL;
}

}  // extern "C"
