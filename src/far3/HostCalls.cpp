// The core's calls as the 3.x host takes them: every text in UTF-16 as it
// stands, each window with the identity macros and other plug-ins see.
#include <limits.h>
#include <string.h>
#include <wchar.h>

#include "../runner/Console.h"
#include "Far3.h"

using namespace Far3;

// The keys that close the list on the highlighted entry, as the 3.x host
// codes them (either Ctrl matches LEFT_CTRL_PRESSED), and what each asks
// for; a zero key ends the keys.
static const FarKey ListBreakKeys[] = {{VK_DELETE, 0},
                                       {VK_F3, 0},
                                       {VK_F3, LEFT_CTRL_PRESSED},
                                       {VK_F6, LEFT_CTRL_PRESSED},
                                       {VK_F8, LEFT_CTRL_PRESSED},
                                       {0, 0}};
static const ListKey ListKeys[] = {ListDelete, ListDetails, ListByName, ListBySize, ListByDate};
static_assert(sizeof(ListKeys) / sizeof(ListKeys[0]) + 1 ==
                  sizeof(ListBreakKeys) / sizeof(ListBreakKeys[0]),
              "one list key for each break key");

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

static bool IsLabelled(const BoxLine& line) {
    return line.Kind == LineLabelledName || line.Kind == LineLabelledCommand;
}

// The text a line shows: a labelled one's in a heap block of its own, for
// the caller to release once the box is closed; null without memory.
static const wchar_t* LineText(const BoxLine& line) {
    if (line.Kind == LineMessage)
        return GetMsgText(line.Number);
    const wchar_t* text = line.Text ? line.Text : L"";
    if (!IsLabelled(line))
        return text;
    const wchar_t* label = GetMsgText(line.Number);
    size_t labelLength = wcslen(label), textLength = wcslen(text);
    wchar_t* shown = (wchar_t*)AllocBlock((labelLength + 1 + textLength + 1) * sizeof(wchar_t));
    if (shown) {
        memcpy(shown, label, labelLength * sizeof(wchar_t));
        shown[labelLength] = L' ';
        memcpy(shown + labelLength + 1, text, (textLength + 1) * sizeof(wchar_t));
    }
    return shown;
}

// A help topic's ASCII name in UTF-16, in topic (HelpTopicSize long); null
// for none.
static const wchar_t* WideTopic(const char* name, wchar_t* topic) {
    if (!name)
        return NULL;
    size_t i = 0;
    for (; name[i] && i + 1 < HelpTopicSize; i++)
        topic[i] = (wchar_t)(unsigned char)name[i];
    topic[i] = L'\0';
    return topic;
}

// Each box by its own identity, which macros and other plug-ins see.
static const GUID* BoxId(BoxKind kind) {
    switch (kind) {
    case BoxWarning:
        return &WarningGuid;
    case BoxConfirmation:
        return &ConfirmationGuid;
    case BoxNotice:
        return &NoticeGuid;
    case BoxDetails:
        return &DetailsGuid;
    }
    return NULL;
}

int HostShowMessage(BoxKind kind, const BoxLine* lines, int lineCount, const BoxLine* buttons,
                    int buttonCount) {
    int count = lineCount + buttonCount;
    const wchar_t** items = (const wchar_t**)AllocBlock(count * sizeof(const wchar_t*));
    if (!items)
        return -1;
    bool made = true;
    for (int i = 0; i < lineCount; i++) {
        items[i] = LineText(lines[i]);
        made = made && items[i];
    }
    for (int i = 0; i < buttonCount; i++)
        items[lineCount + i] = LineText(buttons[i]);
    wchar_t topic[HelpTopicSize];
    INT_PTR answer = made ? Info.Message(&PluginGuid, BoxId(kind),
                                         kind == BoxWarning ? FMSG_WARNING : 0,
                                         WideTopic(BoxHelpTopic(kind), topic), items,
                                         (size_t)count, buttonCount)
                          : -1;
    for (int i = 0; i < lineCount; i++)
        if (IsLabelled(lines[i]))
            FreeBlock((void*)items[i]);
    FreeBlock(items);
    return (int)answer;
}

int HostShowList(int titleNumber, int bottomNumber, const wchar_t* const* rows, int count,
                 ListKey* key) {
    *key = ListEnter;
    FarMenuItem* items = (FarMenuItem*)AllocBlock((count > 0 ? count : 1) * sizeof(FarMenuItem));
    if (!items)
        return -1;
    memset(items, 0, (count > 0 ? count : 1) * sizeof(FarMenuItem));
    // The names live until the list returns: the host copies what it shows.
    for (int i = 0; i < count; i++)
        items[i].Text = rows[i];
    INT_PTR breakCode = -1;
    wchar_t topic[HelpTopicSize];
    INT_PTR chosen = Info.Menu(&PluginGuid, &ListGuid, -1, -1, 0, FMENU_AUTOHIGHLIGHT,
                               GetMsgText(titleNumber), GetMsgText(bottomNumber),
                               WideTopic(ListHelpTopic, topic), ListBreakKeys, &breakCode, items,
                               (size_t)count);
    FreeBlock(items);
    INT_PTR keys = (INT_PTR)(sizeof(ListKeys) / sizeof(ListKeys[0]));
    if (breakCode >= 0 && breakCode < keys)
        *key = ListKeys[breakCode];
    return chosen >= INT_MIN && chosen <= INT_MAX ? (int)chosen : -1;
}

bool HostSetPanelFolder(const wchar_t* folder) {
    FarPanelDirectory directory;
    memset(&directory, 0, sizeof(directory));
    directory.StructSize = sizeof(directory);
    directory.Name = folder;  // PluginId all zero: a file-system folder
    return Info.PanelControl(PANEL_ACTIVE, FCTL_SETPANELDIRECTORY, 0, &directory) != 0;
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
