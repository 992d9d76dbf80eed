#include "../catalogue/Catalogue.h"
#include "../dialogs/Dialogs.h"
#include "../runner/Runner.h"
#include "../shell/Shell.h"
#include "../wow64/Wow64.h"
#include "Menu.h"

// Del closes the menu on the highlighted entry.
static const int MenuBreakKeys[] = {VK_DELETE, 0};
static const int DeleteKeyIndex = 0;

// The confirmation's first button deletes. Only the program's own key goes,
// in the registry view it was listed from: the registry refuses one that
// still has subkeys, and the entry then stays.
static void ConfirmAndDeleteEntry(const UninstallEntry* entry) {
    MessageBuilder confirmation(0, NULL);
    confirmation.AddLineMsg(MsgDeleteTitle);
    confirmation.AddLineMsg(MsgDeleteQuestion);
    confirmation.AddLine(entry->DisplayName);
    int deleteButton = confirmation.AddButtonMsg(MsgDeleteTitle);
    confirmation.AddButtonMsg(MsgDeleteDecline);
    if (confirmation.Show() == deleteButton)
        DeleteMachineKey(entry->KeyPath, entry->ViewFlag);
}

static void RunUninstaller(const UninstallEntry* entry) {
    if (RunCommand(INVALID_HANDLE_VALUE, entry->UninstallString, 1, 1, 1, MsgRunning,
                   StartsNatively(entry->ViewFlag)) != -1)
        return;
    // The command as the registry holds it, so the user can find it there.
    MessageBuilder warning(FMSG_WARNING, NULL);
    warning.AddLineMsg(MsgWarningTitle);
    warning.AddLineMsg(MsgRunFailed);
    warning.AddLine(entry->UninstallString);
    warning.AddButtonMsg(MsgWarningButton);
    warning.Show();
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

extern "C" HANDLE WINAPI OpenPlugin(int OpenFrom, int Item) {
    (void)OpenFrom;
    (void)Item;
    RunUninstallMenu();
    // The module opens no panel of its own.
    return INVALID_HANDLE_VALUE;
}
