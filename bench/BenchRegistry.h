// Many programs in a scratch Uninstall key, and the bare registry reading
// they are measured against.
#pragma once

#include <windows.h>

// Replaces the Uninstall key below root with qualifying programs and, for
// every fifth one, a subkey that lacks its uninstall command.
bool FillUninstallKey(HKEY root, int qualifying);

// The same registry calls any lister of these programs has to make, keeping
// nothing: the floor the catalogue is measured against. Returns how many
// subkeys had both values, or -1 when the key cannot be opened.
int ReadUninstallFloor();
