#include <string.h>

#include "../menu/Menu.h"
#include "Far1.h"

PluginStartupInfo Info;
PluginListsState PluginLists;

const char* GetMsgText(int number) {
    return Info.GetMsg(Info.ModuleNumber, number);
}

void AddPluginMenuString(const char* text) {
    PluginLists.PluginMenuStringsNumber++;
    PluginLists.PluginMenuStrings = (char**)ResizeBlock(
        PluginLists.PluginMenuStrings, PluginLists.PluginMenuStringsNumber * sizeof(char*));
    PluginLists.PluginMenuStrings[PluginLists.PluginMenuStringsNumber - 1] = CopyString(text);
}

static void FreeStringList(char** strings, int count) {
    for (int i = 0; i < count; i++)
        FreeBlock(strings[i]);
    FreeBlock(strings);
}

extern "C" {

void WINAPI SetStartupInfo(const PluginStartupInfo* info) {
    // The host's record may be larger (a newer host) or claim another size;
    // only the part this module knows is taken.
    memcpy(&Info, info, sizeof(Info));
    AddPluginMenuString(GetMsgText(MsgPluginTitle));
}

void WINAPI GetPluginInfo(PluginInfo* pi) {
    pi->StructSize = sizeof(PluginInfo);
    pi->Flags = PluginLists.Flags;
    pi->DiskMenuStrings = PluginLists.DiskMenuStrings;
    pi->DiskMenuNumbers = PluginLists.DiskMenuNumbers;
    pi->DiskMenuStringsNumber = PluginLists.DiskMenuStringsNumber;
    pi->PluginMenuStrings = PluginLists.PluginMenuStrings;
    pi->PluginMenuStringsNumber = PluginLists.PluginMenuStringsNumber;
    pi->PluginConfigStrings = PluginLists.PluginConfigStrings;
    pi->PluginConfigStringsNumber = PluginLists.PluginConfigStringsNumber;
    pi->CommandPrefix = PluginLists.CommandPrefix;
}

void WINAPI ExitFAR(void) {
    if (PluginLists.DiskMenuStringsNumber > 0) {
        FreeStringList(PluginLists.DiskMenuStrings, PluginLists.DiskMenuStringsNumber);
        FreeBlock(PluginLists.DiskMenuNumbers);
    }
    if (PluginLists.PluginMenuStringsNumber > 0)
        FreeStringList(PluginLists.PluginMenuStrings, PluginLists.PluginMenuStringsNumber);
    if (PluginLists.PluginConfigStringsNumber > 0)
        FreeStringList(PluginLists.PluginConfigStrings, PluginLists.PluginConfigStringsNumber);
    FreeBlock(PluginLists.CommandPrefix);
    // Back to the load-time state, so nothing released can be lent again.
    memset(&PluginLists, 0, sizeof(PluginLists));
}

HANDLE WINAPI OpenPlugin(int OpenFrom, INT_PTR Item) {
    (void)OpenFrom;
    (void)Item;
    RunUninstallMenu();
    // The module opens no panel of its own.
    return INVALID_HANDLE_VALUE;
}

}  // extern "C"
