// The module's binding to its host: the service table kept from start-up,
// the menu strings lent to the host, the warning box, and the heap calls
// through which every owned copy is made and released.
#pragma once

#include <stddef.h>

#include "Host.h"

// Texts of the module's language file, fetched from the host by number.
enum MessageNumber {
    MsgWarningTitle = 0,
    MsgWarningButton = 1,
    MsgDeleteDecline = 2,
    MsgPluginTitle = 3,
    MsgMenuBottom = 4,
    MsgRunning = 5,
    MsgDeleteTitle = 6,
    MsgDeleteQuestion = 7,
    MsgKeyOpenFailed = 8,
    MsgRunFailed = 9,
    MsgDeleteFailed = 10,
};

// The host's services; all zero until SetStartupInfo.
extern PluginStartupInfo Info;

// What GetPluginInfo lends the host. Every array and string is owned here
// and lives until ExitFAR.
struct PluginListsState {
    DWORD Flags;
    char** DiskMenuStrings;
    int* DiskMenuNumbers;
    int DiskMenuStringsNumber;
    char** PluginMenuStrings;
    int PluginMenuStringsNumber;
    char** PluginConfigStrings;
    int PluginConfigStringsNumber;
    char* CommandPrefix;
};
extern PluginListsState PluginLists;

// Appends a private copy of text to the plug-ins menu list.
void AddPluginMenuString(const char* text);

// The text of a message from the host's language file; owned by the host.
const char* GetMsgText(int number);

// A warning box with one line and one button; the result is not needed.
void ShowError(const char* text);
void ShowErrorMsg(int number);

// Heap blocks. Every owned copy the module keeps is made and released here,
// so that the test build can count what is live. A null block is a no-op for
// FreeBlock and a fresh allocation for ResizeBlock.
void* AllocBlock(size_t size);
void* ResizeBlock(void* block, size_t size);
void FreeBlock(void* block);
// A heap copy of text (its length plus one byte), released with FreeBlock.
char* CopyString(const char* text);
// The same for the registry's and the system's UTF-16 text.
wchar_t* CopyWideString(const wchar_t* text);
// A heap copy of text in code page (CP_ACP or CP_OEMCP), each character
// the code page lacks in its best form or as '?', released with FreeBlock;
// null when it cannot be converted.
char* CopyInCodePage(const wchar_t* text, UINT codePage);
