#include <wchar.h>

#include "../catalogue/Catalogue.h"
#include "../dialogs/Dialogs.h"
#include "../runner/EntryCommand.h"
#include "../runner/Runner.h"
#include "../shell/Shell.h"
#include "Menu.h"

// Del closes the menu on the highlighted entry.
static const int MenuBreakKeys[] = {VK_DELETE, 0};
static const int DeleteKeyIndex = 0;

// A warning box: message number above text.
static void ShowWarning(int number, const char* text) {
    MessageBuilder warning(FMSG_WARNING, NULL);
    warning.AddLineMsg(MsgWarningTitle);
    warning.AddLineMsg(number);
    warning.AddLine(text);
    warning.AddButtonMsg(MsgWarningButton);
    warning.Show();
}

// The confirmation's first button removes. Only the program's own key goes,
// where it was listed from: never a key that still has subkeys. Whatever
// kept the key (its subkeys, rights the user declined to give, any other
// refusal), the user is told, rather than shown the same list as if nothing
// had been asked.
static void ConfirmAndDeleteEntry(const UninstallEntry* entry) {
    MessageBuilder confirmation(0, NULL);
    confirmation.AddLineMsg(MsgDeleteTitle);
    confirmation.AddLineMsg(MsgDeleteQuestion);
    confirmation.AddLine(entry->DisplayName);
    int deleteButton = confirmation.AddButtonMsg(MsgDeleteTitle);
    confirmation.AddButtonMsg(MsgDeleteDecline);
    if (confirmation.Show() == deleteButton && !RemoveKey(entry->Location, entry->KeyPath))
        ShowWarning(MsgDeleteFailed, entry->DisplayName);
}

static void RunUninstaller(const UninstallEntry* entry) {
    const wchar_t* keyName = wcsrchr(entry->KeyPath, L'\\');
    wchar_t* command = CommandToRun(entry->UninstallString, keyName ? keyName + 1 : entry->KeyPath);
    WatchedKey watched = {entry->Location, entry->KeyPath};
    int result = command ? RunCommand(INVALID_HANDLE_VALUE, command, 1, 1, 1, MsgRunning,
                                      StartsNatively(entry->Location), &watched)
                         : -1;
    FreeBlock(command);
    if (result != -1)
        return;
    // The command as the registry holds it, so the user can find it there,
    // in the ANSI code page in which the host shows it.
    char* stored = CopyInCodePage(entry->UninstallString, CP_ACP);
    ShowWarning(MsgRunFailed, stored ? stored : "");
    FreeBlock(stored);
}

// Shows one pass's menu; returns the chosen entry's index or -1 when the
// menu was cancelled, and whether Del closed it.
static int ShowCatalogue(const UninstallEntry* entries, int count, bool* deleteKey) {
    MenuBuilder menu(MsgPluginTitle, FMENU_AUTOHIGHLIGHT, NULL);
    for (int i = 0; i < count; i++)
        menu.AddItem(entries[i].DisplayName, 0, 0, 0);
    menu.SetBottomMsg(MsgMenuBottom);
    menu.BreakKeys = MenuBreakKeys;
    int chosen = menu.Show();
    *deleteKey = menu.BreakCode == DeleteKeyIndex;
    // Whatever else the host answers, only an entry of this pass is acted on.
    return chosen >= 0 && chosen < count ? chosen : -1;
}

void RunUninstallMenu() {
    HANDLE screen = Info.SaveScreen(0, 0, -1, -1);
    for (;;) {
        int count = 0;
        UninstallEntry* entries = LoadUninstallList(&count);
        if (!entries) {
            // Nothing to show: the screen goes back as it was, which also
            // releases it; the panels were never covered by a menu.
            Info.RestoreScreen(screen);
            return;
        }
        bool deleteKey;
        int chosen = ShowCatalogue(entries, count, &deleteKey);
        if (chosen == -1) {
            FreeUninstallList(entries, count);
            break;
        }
        if (deleteKey)
            ConfirmAndDeleteEntry(&entries[chosen]);
        else
            RunUninstaller(&entries[chosen]);
        FreeUninstallList(entries, count);
    }
    Info.RestoreScreen(screen);
    Info.Control(INVALID_HANDLE_VALUE, FCTL_REDRAWPANEL, NULL);
    Info.Control(INVALID_HANDLE_VALUE, FCTL_REDRAWANOTHERPANEL, NULL);
}

extern "C" HANDLE WINAPI OpenPlugin(int OpenFrom, INT_PTR Item) {
    (void)OpenFrom;
    (void)Item;
    RunUninstallMenu();
    // The module opens no panel of its own.
    return INVALID_HANDLE_VALUE;
}
