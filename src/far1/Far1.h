// The module's binding to the host's 1.x interface, whose texts are 8-bit:
// the service table kept from start-up, the menu strings lent to the host,
// the conversions of the module's UTF-16 text, and the builders of the
// host's message boxes and menus. The entry points are declared with the
// host's records in Host.h; the core's calls (HostCalls.h) are defined here
// for this interface.
#pragma once

#include <windows.h>

#include "../heap/Heap.h"
#include "../hostcalls/HostCalls.h"
#include "Host.h"

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

// A heap copy of text (its length plus one byte), released with FreeBlock.
char* CopyString(const char* text);
// A heap copy of text in code page (CP_ACP or CP_OEMCP), each character
// the code page lacks in its best form or as '?', released with FreeBlock;
// null when it cannot be converted.
char* CopyInCodePage(const wchar_t* text, UINT codePage);
// A program's name as the host draws it, in the console's OEM code page:
// CopyInCodePage(name, CP_OEMCP).
char* NameAsShown(const wchar_t* name);

// Builders for the host's message boxes and menus. Each owns copies of all
// its strings and makes the one host call that shows it; use one as a local
// object: construct, add, show, let it go.
class MessageBuilder {
public:
    // helpTopic may be null; it is copied.
    MessageBuilder(unsigned flags, const char* helpTopic);
    ~MessageBuilder();
    MessageBuilder(const MessageBuilder&) = delete;
    MessageBuilder& operator=(const MessageBuilder&) = delete;

    // Adds a line after the lines so far and before every button; the first
    // line added is the box's title.
    void AddLine(const char* text);
    void AddLineMsg(int number);
    // Adds a button after the buttons so far; returns its index among the
    // buttons, which is what Show returns when it is chosen.
    int AddButton(const char* text);
    int AddButtonMsg(int number);

    // The chosen button's index from 0, or the host's answer for a cancelled
    // box. A box without buttons is drawn and left on the screen.
    int Show();

private:
    DWORD Flags;
    char* HelpTopic;
    char** Items;  // the lines, then the buttons
    int ItemsNumber;
    int ButtonsNumber;
};

class MenuBuilder {
public:
    // The title is the text of message titleNumber; helpTopic may be null.
    MenuBuilder(int titleNumber, unsigned flags, const char* helpTopic);
    ~MenuBuilder();
    MenuBuilder(const MenuBuilder&) = delete;
    MenuBuilder& operator=(const MenuBuilder&) = delete;

    // Appends an item, its text cut to what the host's item holds; returns
    // the item's index.
    int AddItem(const char* text, int selected, int checked, int separator);
    // Replaces the bottom line.
    void SetBottom(const char* text);
    void SetBottomMsg(int number);

    // The chosen item's index, or -1 when the menu was cancelled. When a
    // break key closed it, BreakCode is that key's index in BreakKeys.
    int Show();

private:
    char* Title;
    DWORD Flags;
    char* HelpTopic;
    char* Bottom;

public:
    // Zero-terminated key codes that close the menu, owned by the caller; or null.
    const int* BreakKeys;
    // Written by the host; -1 until a break key closes the menu.
    int BreakCode;

private:
    int X, Y;
    int MaxHeight;
    FarMenuItem* Items;
    int ItemsNumber;
};
