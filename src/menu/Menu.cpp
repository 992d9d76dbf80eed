#include "../shell/Shell.h"
#include "Menu.h"

void RunUninstallMenu() {
}

extern "C" HANDLE WINAPI OpenPlugin(int OpenFrom, int Item) {
    (void)OpenFrom;
    (void)Item;
    RunUninstallMenu();
    // The module opens no panel of its own.
    return INVALID_HANDLE_VALUE;
}
