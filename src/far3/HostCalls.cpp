// The core's calls as the 3.x host takes them: every text in UTF-16 as it
// stands, each window with the identity macros and other plug-ins see.
#include <limits.h>
#include <string.h>

#include "../runner/Console.h"
#include "Far3.h"

using namespace Far3;

// Del closes the list on the highlighted entry; a zero key ends the keys.
static const FarKey ListBreakKeys[] = {{VK_DELETE, 0}, {0, 0}};
static const INT_PTR DeleteKeyIndex = 0;

// The notice's colours, as the 1.x module draws them: console palette
// indices, opaque.
static const FarColor NoticeColour = {FCF_FG_INDEX | FCF_BG_INDEX,
                                      FarOpaqueIndex | (LightGreyOnBlack & 0x0F),
                                      FarOpaqueIndex | ((LightGreyOnBlack >> 4) & 0x0F), 0, 0};

const wchar_t* GetMsgText(int number) {
    return Info.GetMsg(&PluginGuid, number);
}

wchar_t* HostSortKey(const wchar_t* name) {
    return CopyWideString(name);
}

static const wchar_t* LineText(const BoxLine& line) {
    if (line.Kind == LineMessage)
        return GetMsgText(line.Number);
    return line.Text ? line.Text : L"";
}

int HostShowMessage(bool warning, const BoxLine* lines, int lineCount, const BoxLine* buttons,
                    int buttonCount) {
    int count = lineCount + buttonCount;
    const wchar_t** items = (const wchar_t**)AllocBlock(count * sizeof(const wchar_t*));
    if (!items)
        return -1;
    for (int i = 0; i < lineCount; i++)
        items[i] = LineText(lines[i]);
    for (int i = 0; i < buttonCount; i++)
        items[lineCount + i] = LineText(buttons[i]);
    const GUID* id = warning ? &WarningGuid : buttonCount > 0 ? &ConfirmationGuid : &NoticeGuid;
    INT_PTR answer = Info.Message(&PluginGuid, id, warning ? FMSG_WARNING : 0, NULL, items,
                                  (size_t)count, buttonCount);
    FreeBlock(items);
    return (int)answer;
}

int HostShowList(int titleNumber, int bottomNumber, const wchar_t* const* names, int count,
                 bool* deleteKey) {
    *deleteKey = false;
    FarMenuItem* items = (FarMenuItem*)AllocBlock((count > 0 ? count : 1) * sizeof(FarMenuItem));
    if (!items)
        return -1;
    memset(items, 0, (count > 0 ? count : 1) * sizeof(FarMenuItem));
    // The names live until the list returns: the host copies what it shows.
    for (int i = 0; i < count; i++)
        items[i].Text = names[i];
    INT_PTR breakCode = -1;
    INT_PTR chosen = Info.Menu(&PluginGuid, &ListGuid, -1, -1, 0, FMENU_AUTOHIGHLIGHT,
                               GetMsgText(titleNumber), GetMsgText(bottomNumber), NULL,
                               ListBreakKeys, &breakCode, items, (size_t)count);
    FreeBlock(items);
    *deleteKey = breakCode == DeleteKeyIndex;
    return chosen >= INT_MIN && chosen <= INT_MAX ? (int)chosen : -1;
}

HANDLE HostSaveScreen() {
    return Info.SaveScreen(0, 0, -1, -1);
}

HANDLE HostSaveTopRow() {
    return Info.SaveScreen(0, 0, -1, 0);
}

void HostRestoreScreen(HANDLE screen) {
    Info.RestoreScreen(screen);
}

void HostTopRowNotice(int number) {
    Info.Text(NoticeColumn, 0, &NoticeColour, GetMsgText(number));
}

void HostBlankRows(int width, int rows) {
    wchar_t* line = rows > 0 ? (wchar_t*)AllocBlock((width + 1) * sizeof(wchar_t)) : NULL;
    if (line) {
        for (int i = 0; i < width; i++)
            line[i] = L' ';
        line[width] = L'\0';
        for (int row = 0; row < rows; row++)
            Info.Text(0, row, &NoticeColour, line);
        FreeBlock(line);
    }
    // No text: the host brings the console up to date.
    Info.Text(0, 0, NULL, NULL);
}

void HostAdoptUserScreen(HANDLE plugin) {
    // The host takes the user screen before it looks for a panel.
    Info.PanelControl(plugin, FCTL_SETUSERSCREEN, 0, NULL);
}

void HostRedrawPanels() {
    Info.PanelControl(PANEL_ACTIVE, FCTL_REDRAWPANEL, 0, NULL);
    Info.PanelControl(PANEL_PASSIVE, FCTL_REDRAWPANEL, 0, NULL);
}
