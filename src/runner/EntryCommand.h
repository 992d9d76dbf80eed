// The command an entry of the list runs for its program's removal.
#pragma once

#include <stddef.h>

// The stored uninstall command of the program whose key is named keyName, as
// it is to be run: a Windows Installer product's own command, msiexec with
// /I and the product code that names its key, opens the product's
// maintenance, which removes nothing without a dialog the user must work
// through; it runs with /X instead, which removes the product. Every other
// command runs exactly as stored. A heap copy for the caller to release with
// FreeBlock; null when there is no memory for it.
wchar_t* CommandToRun(const wchar_t* stored, const wchar_t* keyName);
