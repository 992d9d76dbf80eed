// The list of installed programs behind the plug-ins menu entry.
#pragma once

// Shows the catalogue as a host menu until the user closes it.
void RunUninstallMenu();
