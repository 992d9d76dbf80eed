// The services handed to a 3.x plug-in: the same menus, boxes and screen as
// the 1.x ones serve, in UTF-16 as the plug-in gives it, and the plug-in
// known by its GUID.
#include <string.h>

#include "PlugHost.h"

// Each service that names its caller checks the name, as the file manager
// finds the plug-in by it; a plug-in that hands back another GUID would get
// the wrong language file there, or nothing. Here the fault is said (Main.cpp).
static void CheckPluginId(const GUID* id) {
    HostSession* session = BoundSession();
    if (session && (!id || !IsEqualGUID(*id, session->PluginId)))
        RaiseException(WrongPluginIdFault, EXCEPTION_NONCONTINUABLE, 0, NULL);
}

static std::wstring Wide(const wchar_t* text) {
    return text ? std::wstring(text) : std::wstring();
}

// The console's Ctrl and Alt keys, either side, and Shift, as KeyPress has
// them.
static DWORD ShiftBits(DWORD controlKeyState) {
    DWORD shift = 0;
    if (controlKeyState & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED))
        shift |= ShiftControl;
    if (controlKeyState & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED))
        shift |= ShiftAlt;
    if (controlKeyState & SHIFT_PRESSED)
        shift |= ShiftShift;
    return shift;
}

// Item flags, above the low word that may hold a check mark's character.
static const Far3::FarFlags ItemSelected = 0x10000;
static const Far3::FarFlags ItemChecked = 0x20000;
static const Far3::FarFlags ItemSeparator = 0x40000;
// The longest break-key list read.
static const int MaxBreakKeys = 64;
// A message's lines left-aligned; plughost centres them all the same.
static const Far3::FarFlags MessageLeftAlign = 0x8;

static INT_PTR WINAPI ServeMenu(const GUID* pluginId, const GUID* id, INT_PTR x, INT_PTR y,
                                INT_PTR maxHeight, Far3::FarFlags flags, const wchar_t* title,
                                const wchar_t* bottom, const wchar_t* helpTopic,
                                const Far3::FarKey* breakKeys, INT_PTR* breakCode,
                                const Far3::FarMenuItem* items, size_t itemsNumber) {
    CheckPluginId(pluginId);
    (void)id;     // the window's identity, for macros plughost has none of
    (void)flags;  // no hot keys to assign: items are chosen by moving the highlight
    HostSession* session = BoundSession();
    if (!session)
        return -1;
    MenuRequest request = {(int)x, (int)y, (int)maxHeight, Wide(title), Wide(bottom), {}, {},
                           HelpRequest{session->Help, Wide(helpTopic)}};
    for (int i = 0; breakKeys && i < MaxBreakKeys && breakKeys[i].VirtualKeyCode != 0; i++)
        request.BreakKeys.push_back(
            BreakKey{breakKeys[i].VirtualKeyCode, ShiftBits(breakKeys[i].ControlKeyState)});
    for (size_t i = 0; items && i < itemsNumber; i++)
        request.Items.push_back(MenuLine{Wide(items[i].Text), (items[i].Flags & ItemSeparator) != 0,
                                         (items[i].Flags & ItemChecked) != 0,
                                         (items[i].Flags & ItemSelected) != 0});
    int code;
    int chosen = ShowMenu(*session->Display, request, &code);
    if (breakCode)
        *breakCode = code;
    return chosen;
}

static INT_PTR WINAPI ServeMessage(const GUID* pluginId, const GUID* id, Far3::FarFlags flags,
                                   const wchar_t* helpTopic, const wchar_t* const* items,
                                   size_t itemsNumber, INT_PTR buttonsNumber) {
    CheckPluginId(pluginId);
    (void)id;
    HostSession* session = BoundSession();
    // As the file manager: nothing shown for fewer than a title and a line.
    // The host-made buttons and the one-string form are not served.
    if (!session || !items || itemsNumber < 2 ||
        (flags & ~(Far3::FMSG_WARNING | MessageLeftAlign)) != 0)
        return -1;
    std::vector<std::wstring> lines;
    for (size_t i = 0; i < itemsNumber; i++)
        lines.push_back(Wide(items[i]));
    return ShowMessage(*session->Display, (flags & Far3::FMSG_WARNING) != 0, lines,
                       (int)buttonsNumber, HelpRequest{session->Help, Wide(helpTopic)});
}

static const wchar_t* WINAPI ServeGetMsg(const GUID* pluginId, INT_PTR msgId) {
    CheckPluginId(pluginId);
    HostSession* session = BoundSession();
    // A message the file has not: an empty text, never a null.
    if (!session || msgId < 0 || msgId >= (INT_PTR)session->Language->WideMessages.size())
        return L"";
    return session->Language->WideMessages[msgId].c_str();
}

// The panel a handle names, or -1 for a panel of a plug-in's own, which
// plughost never has.
static int PanelOf(HANDLE panel, const Desktop& desktop) {
    if (panel == PANEL_ACTIVE || panel == NULL)
        return desktop.Active;
    if (panel == PANEL_PASSIVE)
        return PanelCount - 1 - desktop.Active;
    return -1;
}

// Opens the file-system folder a record names. A record that names a
// plug-in (its PluginId) asks that plug-in for a panel of its own, which
// plughost cannot show: refused, as the file manager refuses it when the
// plug-in opens none.
static bool SetPanelDirectory(Desktop* desktop, int panel, const void* param) {
    static const GUID NoPlugin = {};
    const Far3::FarPanelDirectory* record = (const Far3::FarPanelDirectory*)param;
    if (panel < 0 || !record || record->StructSize < sizeof(*record) ||
        !IsEqualGUID(record->PluginId, NoPlugin) || !record->Name)
        return false;
    return SetPanelFolder(desktop, panel, record->Name);
}

static INT_PTR WINAPI ServePanelControl(HANDLE panel, int command, INT_PTR param1, void* param2) {
    (void)param1;
    HostSession* session = BoundSession();
    if (!session)
        return 0;
    switch (command) {
    case Far3::FCTL_SETPANELDIRECTORY:
        return SetPanelDirectory(session->Panels, PanelOf(panel, *session->Panels), param2) ? 1
                                                                                          : 0;
    // Both panels are drawn together.
    case Far3::FCTL_REDRAWPANEL:
        DrawDesktop(*session->Display, *session->Panels);
        return 1;
    case Far3::FCTL_SETUSERSCREEN:
        session->Display->TakeUserScreen();
        return 1;
    }
    return 0;
}

static HANDLE WINAPI ServeSaveScreen(INT_PTR x1, INT_PTR y1, INT_PTR x2, INT_PTR y2) {
    HostSession* session = BoundSession();
    if (!session)
        return NULL;
    return (HANDLE)session->Display->Save((int)x1, (int)y1, (int)x2, (int)y2);
}

// The console's 16 colours: a colour given otherwise is drawn plain.
static WORD Attribute(const Far3::FarColor* colour) {
    if (!colour || (colour->Flags & (Far3::FCF_FG_INDEX | Far3::FCF_BG_INDEX)) !=
                       (Far3::FCF_FG_INDEX | Far3::FCF_BG_INDEX))
        return ColourPlain;
    return (WORD)((colour->ForegroundColor & 0x0F) | ((colour->BackgroundColor & 0x0F) << 4));
}

static void WINAPI ServeText(INT_PTR x, INT_PTR y, const Far3::FarColor* colour,
                             const wchar_t* text) {
    HostSession* session = BoundSession();
    if (!session)
        return;
    if (!text) {
        session->Display->Flush();
        return;
    }
    session->Display->TextW((int)x, (int)y, Attribute(colour), text);
    // Drawn at once: a notice must show while the plug-in keeps the thread.
    session->Display->FlushRows((int)y, (int)y);
}

void FillStartupInfo3(Far3::PluginStartupInfo* info, Far3::FarStandardFunctions* functions,
                      const wchar_t* modulePath) {
    memset(functions, 0, sizeof(*functions));
    functions->StructSize = sizeof(*functions);
    memset(info, 0, sizeof(*info));
    info->StructSize = sizeof(*info);
    info->ModuleName = modulePath;
    info->Menu = ServeMenu;
    info->Message = ServeMessage;
    info->GetMsg = ServeGetMsg;
    info->PanelControl = ServePanelControl;
    info->SaveScreen = ServeSaveScreen;
    info->RestoreScreen = ServeRestoreScreen;
    info->Text = ServeText;
    info->FSF = functions;
    // As in the 1.x record, the services plughost does not serve stay empty,
    // and so do the standard functions: a call to one faults at once.
}
