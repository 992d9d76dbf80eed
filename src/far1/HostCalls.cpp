// The core's calls as the 1.x host takes them: 8-bit text, names in the
// console's OEM code page (the host draws in it), other text in the ANSI code
// page.
#include <string.h>

#include "../runner/Console.h"
#include "Far1.h"

// The keys that close the list on the highlighted entry, as the 1.x host
// codes them (the modifiers in the high word), and what each asks for.
static const int Ctrl = PKF_CONTROL << 16;
static const int ListBreakKeys[] = {VK_DELETE, VK_F3, VK_F3 | Ctrl, VK_F6 | Ctrl, VK_F8 | Ctrl, 0};
static const ListKey ListKeys[] = {ListDelete, ListDetails, ListByName, ListBySize, ListByDate};
static_assert(sizeof(ListKeys) / sizeof(ListKeys[0]) + 1 ==
                  sizeof(ListBreakKeys) / sizeof(ListBreakKeys[0]),
              "one list key for each break key");

char* CopyString(const char* text) {
    size_t size = strlen(text) + 1;
    char* copy = (char*)AllocBlock(size);
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

char* NameAsShown(const wchar_t* name) {
    return CopyInCodePage(name, CP_OEMCP);
}

// The host's order is that of the OEM bytes it shows, each taken unsigned;
// one code unit per byte keeps it.
wchar_t* HostSortKey(const wchar_t* name) {
    char* shown = NameAsShown(name);
    if (!shown)
        return NULL;
    size_t length = strlen(shown);
    wchar_t* key = (wchar_t*)AllocBlock((length + 1) * sizeof(wchar_t));
    if (key) {
        for (size_t i = 0; i <= length; i++)
            key[i] = (unsigned char)shown[i];
    }
    FreeBlock(shown);
    return key;
}

// Adds line as a line, or as a button, of box. Text that cannot be converted
// shows as an empty line rather than none, so the buttons stay where the
// host counts them.
static void AddToBox(MessageBuilder* box, const BoxLine& line, bool button) {
    if (line.Kind == LineMessage) {
        if (button)
            box->AddButtonMsg(line.Number);
        else
            box->AddLineMsg(line.Number);
        return;
    }
    bool name = line.Kind == LineName || line.Kind == LineLabelledName;
    char* text = CopyInCodePage(line.Text, name ? CP_OEMCP : CP_ACP);
    char* shown = text;
    if (text && (line.Kind == LineLabelledName || line.Kind == LineLabelledCommand)) {
        // The label is the language file's, in the host's own code page.
        const char* label = GetMsgText(line.Number);
        size_t labelLength = strlen(label), textLength = strlen(text);
        shown = (char*)AllocBlock(labelLength + 1 + textLength + 1);
        if (shown) {
            memcpy(shown, label, labelLength);
            shown[labelLength] = ' ';
            memcpy(shown + labelLength + 1, text, textLength + 1);
        }
        FreeBlock(text);
    }
    if (button)
        box->AddButton(shown ? shown : "");
    else
        box->AddLine(shown ? shown : "");
    FreeBlock(shown);
}

int HostShowMessage(BoxKind kind, const BoxLine* lines, int lineCount, const BoxLine* buttons,
                    int buttonCount) {
    MessageBuilder box(kind == BoxWarning ? FMSG_WARNING : 0, BoxHelpTopic(kind));
    for (int i = 0; i < lineCount; i++)
        AddToBox(&box, lines[i], false);
    for (int i = 0; i < buttonCount; i++)
        AddToBox(&box, buttons[i], true);
    return box.Show();
}

int HostShowList(int titleNumber, int bottomNumber, const wchar_t* const* rows, int count,
                 ListKey* key) {
    MenuBuilder menu(titleNumber, FMENU_AUTOHIGHLIGHT, ListHelpTopic);
    for (int i = 0; i < count; i++) {
        char* shown = NameAsShown(rows[i]);
        menu.AddItem(shown ? shown : "", 0, 0, 0);
        FreeBlock(shown);
    }
    menu.SetBottomMsg(bottomNumber);
    menu.BreakKeys = ListBreakKeys;
    int chosen = menu.Show();
    int keys = (int)(sizeof(ListKeys) / sizeof(ListKeys[0]));
    *key = menu.BreakCode >= 0 && menu.BreakCode < keys ? ListKeys[menu.BreakCode] : ListEnter;
    return chosen;
}

bool HostSetPanelFolder(const wchar_t* folder) {
    // A folder the OEM code page cannot name exactly is not sent at all:
    // its best form could name another folder.
    BOOL lossy = FALSE;
    int size = WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, folder, -1, NULL, 0, NULL, &lossy);
    if (size <= 0 || lossy)
        return false;
    char* text = (char*)AllocBlock(size);
    bool opened = text &&
                  WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, folder, -1, text, size, NULL,
                                      NULL) == size &&
                  Info.Control(INVALID_HANDLE_VALUE, FCTL_SETPANELDIR, text) != 0;
    FreeBlock(text);
    return opened;
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
    Info.Text(NoticeColumn, 0, LightGreyOnBlack, GetMsgText(number));
}

void HostBlankRows(int width, int rows) {
    // A row as wide as the buffer, in a block sized by that width alone: no
    // fixed size, and so no bound to choose between two buffers, that the
    // terminator could land past.
    char* line = rows > 0 ? (char*)AllocBlock(width + 1) : NULL;
    if (line) {
        memset(line, ' ', width);
        line[width] = '\0';
        for (int row = 0; row < rows; row++)
            Info.Text(0, row, LightGreyOnBlack, line);
        FreeBlock(line);
    }
    Info.Text(0, 0, 0, NULL);
}

void HostAdoptUserScreen(HANDLE plugin) {
    Info.Control(plugin, FCTL_SETUSERSCREEN, NULL);
}

void HostRedrawPanels() {
    Info.Control(INVALID_HANDLE_VALUE, FCTL_REDRAWPANEL, NULL);
    Info.Control(INVALID_HANDLE_VALUE, FCTL_REDRAWANOTHERPANEL, NULL);
}
