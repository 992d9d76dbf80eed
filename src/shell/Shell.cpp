#include <string.h>
#include <wchar.h>

#include "Shell.h"

PluginStartupInfo Info;
PluginListsState PluginLists;

char* CopyString(const char* text) {
    size_t size = strlen(text) + 1;
    char* copy = (char*)AllocBlock(size);
    if (copy)
        memcpy(copy, text, size);
    return copy;
}

wchar_t* CopyWideString(const wchar_t* text) {
    size_t size = (wcslen(text) + 1) * sizeof(wchar_t);
    wchar_t* copy = (wchar_t*)AllocBlock(size);
    if (copy)
        memcpy(copy, text, size);
    return copy;
}

char* CopyInCodePage(const wchar_t* text, UINT codePage) {
    int size = WideCharToMultiByte(codePage, 0, text, -1, NULL, 0, NULL, NULL);
    char* copy = size > 0 ? (char*)AllocBlock(size) : NULL;
    if (copy && WideCharToMultiByte(codePage, 0, text, -1, copy, size, NULL, NULL) != size) {
        FreeBlock(copy);
        copy = NULL;
    }
    return copy;
}

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

void ShowError(const char* text) {
    const char* items[3] = {GetMsgText(MsgWarningTitle), text, GetMsgText(MsgWarningButton)};
    Info.Message(Info.ModuleNumber, FMSG_WARNING, NULL, items, 3, 1);
}

void ShowErrorMsg(int number) {
    ShowError(GetMsgText(number));
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

}  // extern "C"
