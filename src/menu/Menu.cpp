#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "../catalogue/Catalogue.h"
#include "../heap/Heap.h"
#include "../hostcalls/HostCalls.h"
#include "../runner/EntryCommand.h"
#include "../runner/Runner.h"
#include "Menu.h"

// The confirmation's first button removes. Only the program's own key goes,
// where it was listed from: never a key that still has subkeys. Whatever
// kept the key (its subkeys, rights the user declined to give, any other
// refusal), the user is told, rather than shown the same list as if nothing
// had been asked.
static void ConfirmAndDeleteEntry(const UninstallEntry* entry) {
    const BoxLine name = {LineName, 0, entry->DisplayName};
    const BoxLine lines[3] = {{LineMessage, MsgDeleteTitle, NULL},
                              {LineMessage, MsgDeleteQuestion, NULL},
                              name};
    const BoxLine buttons[2] = {{LineMessage, MsgDeleteTitle, NULL},
                                {LineMessage, MsgDeleteDecline, NULL}};
    const int deleteButton = 0;
    if (HostShowMessage(BoxConfirmation, lines, 3, buttons, 2) == deleteButton &&
        !RemoveKey(entry->Location, entry->KeyPath))
        ShowWarning(MsgDeleteFailed, &name);
}

// What Enter runs for entry: a heap copy, or null without memory.
static wchar_t* EntryCommand(const UninstallEntry* entry) {
    const wchar_t* keyName = wcsrchr(entry->KeyPath, L'\\');
    return CommandToRun(entry->UninstallString, keyName ? keyName + 1 : entry->KeyPath);
}

static void RunUninstaller(const UninstallEntry* entry) {
    wchar_t* command = EntryCommand(entry);
    WatchedKey watched = {entry->Location, entry->KeyPath};
    int result = command ? RunCommand(INVALID_HANDLE_VALUE, command, 1, 1, 1, MsgRunning,
                                      StartsNatively(entry->Location), &watched)
                         : -1;
    FreeBlock(command);
    if (result != -1)
        return;
    // The command as the registry holds it, so the user can find it there.
    const BoxLine stored = {LineCommand, 0, entry->UninstallString};
    ShowWarning(MsgRunFailed, &stored);
}

// Each row, in date or size order, begins with its figure in a column this
// wide ("YYYY-MM-DD", and every size FormatSize writes), blank for a program
// without one, so the user sees why it stands where it does.
const int FigureColumnWidth = 10;
const size_t RowGap = 2;

static int TitleOf(ListOrder order) {
    return order == OrderByDate ? MsgTitleByDate : order == OrderBySize ? MsgTitleBySize
                                                                         : MsgPluginTitle;
}

// A heap row for entry in order, released with FreeBlock; null without memory.
static wchar_t* BuildRow(const UninstallEntry* entry, ListOrder order) {
    wchar_t figure[SizeTextSize > DateTextSize ? SizeTextSize : DateTextSize] = L"";
    if (entry->HasFigure && order == OrderByDate)
        FormatDate(entry->Figure, figure);
    else if (entry->HasFigure && order == OrderBySize)
        FormatSize(entry->Figure, figure);
    size_t size = FigureColumnWidth + RowGap + wcslen(entry->DisplayName) + 1;
    wchar_t* row = (wchar_t*)AllocBlock(size * sizeof(wchar_t));
    if (row)
        swprintf(row, size, L"%*ls  %ls", FigureColumnWidth, figure, entry->DisplayName);
    return row;
}

// Shows one pass's list; returns the chosen entry's index or -1 when the
// list was cancelled, and which key closed it.
static int ShowCatalogue(const UninstallEntry* entries, int count, ListOrder order,
                         ListKey* key) {
    *key = ListEnter;
    const wchar_t** rows = (const wchar_t**)AllocBlock(count * sizeof(const wchar_t*));
    if (!rows)
        return -1;
    bool built = true;
    for (int i = 0; i < count; i++) {
        rows[i] = order == OrderByName ? entries[i].DisplayName : BuildRow(&entries[i], order);
        built = built && rows[i];
    }
    int chosen = built ? HostShowList(TitleOf(order), MsgMenuBottom, rows, count, key) : -1;
    if (order != OrderByName)
        for (int i = 0; i < count; i++)
            FreeBlock((void*)rows[i]);
    FreeBlock(rows);
    // Whatever else the host answers, only an entry of this pass is acted on.
    return chosen >= 0 && chosen < count ? chosen : -1;
}

static bool IsFolder(const wchar_t* path) {
    DWORD attributes = path[0] ? GetFileAttributesW(path) : INVALID_FILE_ATTRIBUTES;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The most lines a details box has: its title, one per value, the two
// marks of what Windows hides.
const int MaxDetailLines = 12;

static void AddLine(BoxLine* lines, int* count, BoxLineKind kind, int label, const wchar_t* text) {
    if (kind == LineMessage || text[0]) {
        BoxLine line = {kind, label, text};
        lines[(*count)++] = line;
    }
}

// Shows the details of entry, read now. True when the user chose to go to
// its folder, which is then in folder (DetailTextSize characters). A program
// whose key has gone since the list was read is reported instead.
static bool ShowDetails(const UninstallEntry* entry, wchar_t* folder) {
    const BoxLine name = {LineName, 0, entry->DisplayName};
    ProgramDetails details;
    if (!ReadProgramDetails(entry, &details)) {
        ShowWarning(MsgEntryGone, &name);
        return false;
    }
    wchar_t* command = EntryCommand(entry);
    BoxLine lines[MaxDetailLines];
    int count = 0;
    lines[count++] = name;
    AddLine(lines, &count, LineLabelledName, MsgVersion, details.Version);
    AddLine(lines, &count, LineLabelledName, MsgPublisher, details.Publisher);
    AddLine(lines, &count, LineLabelledName, MsgInstalled, details.Installed);
    AddLine(lines, &count, LineLabelledName, MsgSize, details.Size);
    AddLine(lines, &count, LineLabelledCommand, MsgFolder, details.Folder);
    AddLine(lines, &count, LineLabelledCommand, MsgRegistry, details.Registry);
    AddLine(lines, &count, LineLabelledCommand, MsgEnterRuns, command ? command : L"");
    AddLine(lines, &count, LineLabelledCommand, MsgQuiet, details.Quiet);
    if (details.SystemComponent)
        AddLine(lines, &count, LineMessage, MsgSystemComponent, L"");
    AddLine(lines, &count, LineLabelledName, MsgUpdateOf, details.UpdateOf);
    const BoxLine buttons[2] = {{LineMessage, MsgOk, NULL}, {LineMessage, MsgGoToFolder, NULL}};
    const int goButton = 1;
    bool canGo = IsFolder(details.Folder);
    bool go = HostShowMessage(BoxDetails, lines, count, buttons, canGo ? 2 : 1) == goButton && canGo;
    FreeBlock(command);
    if (go)
        memcpy(folder, details.Folder, sizeof(details.Folder));
    return go;
}

void RunUninstallMenu() {
    HANDLE screen = HostSaveScreen();
    // The order chosen holds for every pass until the list is closed, and
    // is kept nowhere else.
    ListOrder order = OrderByName;
    wchar_t folder[DetailTextSize];
    bool goToFolder = false;
    for (;;) {
        int count = 0;
        UninstallEntry* entries = LoadUninstallList(&count, order);
        if (!entries) {
            // Nothing to show: the screen goes back as it was, which also
            // releases it; the panels were never covered by a menu.
            HostRestoreScreen(screen);
            return;
        }
        ListKey key;
        int chosen = ShowCatalogue(entries, count, order, &key);
        if (chosen == -1) {
            FreeUninstallList(entries, count);
            break;
        }
        switch (key) {
        case ListDelete:
            ConfirmAndDeleteEntry(&entries[chosen]);
            break;
        case ListDetails:
            goToFolder = ShowDetails(&entries[chosen], folder);
            break;
        case ListByName:
            order = OrderByName;
            break;
        case ListByDate:
            order = OrderByDate;
            break;
        case ListBySize:
            order = OrderBySize;
            break;
        case ListEnter:
            RunUninstaller(&entries[chosen]);
            break;
        }
        FreeUninstallList(entries, count);
        if (goToFolder)
            break;
    }
    // The folder is opened behind the list, and shows once the screen is
    // back and the panels are drawn again, as after Esc.
    if (goToFolder)
        HostSetPanelFolder(folder);
    HostRestoreScreen(screen);
    HostRedrawPanels();
}
