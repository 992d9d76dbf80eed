// The list of installed programs behind the plug-ins menu entry.
#pragma once

// Shows the catalogue as a host menu and carries out the user's choice,
// reading the catalogue afresh after every action, until the user closes
// the menu or nothing is left to show. The screen is as it was before.
void RunUninstallMenu();
