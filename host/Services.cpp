// The services handed to a 1.x plug-in in its startup record. They have no
// context argument, so they work on the session bound last.
#include <string.h>

#include "PlugHost.h"

static HostSession* Session;

// The module number plughost hands the plug-in is the address of one of its
// own objects, as the file manager's is: in a 64-bit plughost it lies above
// 4 GB, so a plug-in that keeps only 32 bits of it hands back another number,
// which the file manager would take for its record and crash on. Here the
// fault is said instead (Main.cpp).
static INT_PTR ModuleNumber() {
    return (INT_PTR)&Session;
}

static void CheckModuleNumber(INT_PTR number) {
    if (number == ModuleNumber())
        return;
    ULONG_PTR numbers[2] = {(ULONG_PTR)number, (ULONG_PTR)ModuleNumber()};
    RaiseException(WrongModuleNumberFault, EXCEPTION_NONCONTINUABLE, 2, numbers);
}

// Where the plug-in may keep settings; the module keeps none.
static const char PluginsRootKey[] = "Software\\plughost\\Plugins";

// The longest break-key list read.
static const int MaxBreakKeys = 64;

static std::wstring Oem(const char* text) {
    return text ? OemText(text, lstrlenA(text)) : std::wstring();
}

static int ItemLength(const FarMenuItem& item) {
    int length = 0;
    while (length < (int)sizeof(item.Text) && item.Text[length])
        length++;
    return length;
}

static int WINAPI HostMenu(INT_PTR moduleNumber, int x, int y, int maxHeight, unsigned flags,
                           const char* title, const char* bottom, const char* helpTopic,
                           const int* breakKeys, int* breakCode, const FarMenuItem* items,
                           int itemsNumber) {
    CheckModuleNumber(moduleNumber);
    (void)flags;  // no hot keys to assign: items are chosen by moving the highlight
    if (!Session)
        return -1;
    MenuRequest request = {x, y, maxHeight, Oem(title), Oem(bottom), {}, {},
                           HelpRequest{Session->Help, Oem(helpTopic)}};
    // A key code in the low word, the Shift bits in the high one.
    for (int i = 0; breakKeys && i < MaxBreakKeys && breakKeys[i] != 0; i++)
        request.BreakKeys.push_back(
            BreakKey{(WORD)(breakKeys[i] & 0xFFFF), (DWORD)breakKeys[i] >> 16});
    for (int i = 0; items && i < itemsNumber; i++)
        request.Items.push_back(MenuLine{OemText(items[i].Text, ItemLength(items[i])),
                                         items[i].Separator != 0, items[i].Checked != 0,
                                         items[i].Selected != 0});
    int code;
    int chosen = ShowMenu(*Session->Display, request, &code);
    if (breakCode)
        *breakCode = code;
    return chosen;
}

static int WINAPI HostMessage(INT_PTR moduleNumber, unsigned flags, const char* helpTopic,
                              const char* const* items, int itemsNumber, int buttonsNumber) {
    CheckModuleNumber(moduleNumber);
    if (!Session || !items || itemsNumber < 1)
        return -1;
    std::vector<std::wstring> lines;
    for (int i = 0; i < itemsNumber; i++)
        lines.push_back(Oem(items[i]));
    return ShowMessage(*Session->Display, (flags & FMSG_WARNING) != 0, lines, buttonsNumber,
                       HelpRequest{Session->Help, Oem(helpTopic)});
}

static const char* WINAPI HostGetMsg(INT_PTR moduleNumber, int msgId) {
    CheckModuleNumber(moduleNumber);
    // A message the file has not: an empty text, never a null.
    if (!Session || msgId < 0 ||
        msgId >= (int)Session->Language->Messages.size())
        return "";
    return Session->Language->Messages[msgId].c_str();
}

static int WINAPI HostControl(HANDLE plugin, int command, void* param) {
    if (!Session)
        return 0;
    switch (command) {
    case FCTL_SETPANELDIR:
        // Both stand for the active panel; any other handle would be a
        // panel of the plug-in's own, which plughost never has.
        if ((plugin != INVALID_HANDLE_VALUE && plugin != NULL) || !param)
            return 0;
        return SetPanelFolder(Session->Panels, Session->Panels->Active, Oem((const char*)param))
                   ? 1
                   : 0;
    case FCTL_REDRAWPANEL:
    case FCTL_REDRAWANOTHERPANEL:
        DrawDesktop(*Session->Display, *Session->Panels);
        return 1;
    case FCTL_SETUSERSCREEN:
        Session->Display->TakeUserScreen();
        return 1;
    }
    return 0;
}

static HANDLE WINAPI HostSaveScreen(int x1, int y1, int x2, int y2) {
    if (!Session)
        return NULL;
    return (HANDLE)Session->Display->Save(x1, y1, x2, y2);
}

void WINAPI ServeRestoreScreen(HANDLE screen) {
    // Null stands for no area: the host's buffer is its picture of the
    // console already.
    if (Session && screen)
        Session->Display->Restore((SavedArea*)screen);
}

static void WINAPI HostText(int x, int y, int colour, const char* text) {
    if (!Session)
        return;
    if (!text) {
        Session->Display->Flush();
        return;
    }
    Session->Display->Text(x, y, (WORD)colour, text);
    // Drawn at once: a notice must show while the plug-in keeps the thread.
    Session->Display->FlushRows(y, y);
}

void BindServices(HostSession* session) {
    Session = session;
}

HostSession* BoundSession() {
    return Session;
}

void FillStartupInfo(PluginStartupInfo* info, const char* modulePath) {
    memset(info, 0, sizeof(*info));
    info->StructSize = sizeof(*info);
    lstrcpynA(info->ModuleName, modulePath, sizeof(info->ModuleName));
    info->ModuleNumber = ModuleNumber();
    info->RootKey = PluginsRootKey;
    info->Menu = HostMenu;
    info->Message = HostMessage;
    info->GetMsg = HostGetMsg;
    info->Control = HostControl;
    info->SaveScreen = HostSaveScreen;
    info->RestoreScreen = ServeRestoreScreen;
    info->Text = HostText;
    // The services plughost does not serve stay empty. A stand-in function
    // could not take the real service's parameters, and in a 32-bit host a
    // call to it would leave the plug-in's stack unbalanced; a call to an
    // empty slot faults at once, and plughost reports it (Main.cpp).
}
