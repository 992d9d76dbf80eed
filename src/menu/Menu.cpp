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
    if (HostShowMessage(false, lines, 3, buttons, 2) == deleteButton &&
        !RemoveKey(entry->Location, entry->KeyPath))
        ShowWarning(MsgDeleteFailed, &name);
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
    // The command as the registry holds it, so the user can find it there.
    const BoxLine stored = {LineCommand, 0, entry->UninstallString};
    ShowWarning(MsgRunFailed, &stored);
}

// Shows one pass's list; returns the chosen entry's index or -1 when the
// list was cancelled, and whether Del closed it.
static int ShowCatalogue(const UninstallEntry* entries, int count, bool* deleteKey) {
    *deleteKey = false;
    const wchar_t** names = (const wchar_t**)AllocBlock(count * sizeof(const wchar_t*));
    if (!names)
        return -1;
    for (int i = 0; i < count; i++)
        names[i] = entries[i].DisplayName;
    int chosen = HostShowList(MsgPluginTitle, MsgMenuBottom, names, count, deleteKey);
    FreeBlock(names);
    // Whatever else the host answers, only an entry of this pass is acted on.
    return chosen >= 0 && chosen < count ? chosen : -1;
}

void RunUninstallMenu() {
    HANDLE screen = HostSaveScreen();
    for (;;) {
        int count = 0;
        UninstallEntry* entries = LoadUninstallList(&count);
        if (!entries) {
            // Nothing to show: the screen goes back as it was, which also
            // releases it; the panels were never covered by a menu.
            HostRestoreScreen(screen);
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
    HostRestoreScreen(screen);
    HostRedrawPanels();
}
