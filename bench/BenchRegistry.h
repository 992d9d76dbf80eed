// Many programs in a scratch Uninstall key, and the bare registry reading
// they are measured against.
#pragma once

#include <windows.h>

// Replaces the Uninstall key below root with qualifying programs and, for
// every fifth one, a subkey that lacks its uninstall command. Every one has
// an install date (YYYYMMDD) and a size.
bool FillUninstallKey(HKEY root, int qualifying);

// Adds as many programs, volatile and with tag in their key names, to the
// machine's own Uninstall key in registry view view; EmptyMachineView
// removes them again.
bool FillMachineView(REGSAM view, const char* tag, int qualifying);
void EmptyMachineView(REGSAM view, const char* tag, int qualifying);

// The same registry calls any lister of these programs has to make, in
// registry view view (0 for the process's own), keeping nothing: the floor
// the catalogue is measured against. With figure, the value a date or size
// order is read by, each listed program's is read too. Returns how many
// subkeys had both values, or -1 when the key cannot be opened.
int ReadUninstallFloor(REGSAM view = 0, const wchar_t* figure = NULL);
