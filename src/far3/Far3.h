// The module's binding to the host's Unicode interface (its 3.x versions):
// the service table kept from start-up, the identities it hands the host,
// and the definitions of the core's calls (HostCalls.h) for this interface.
// Its text is the registry's UTF-16, passed on as it is.
#pragma once

#include <windows.h>

#include "../heap/Heap.h"
#include "../hostcalls/HostCalls.h"
#include "Far3Host.h"

// The host's services; all zero until SetStartupInfoW.
extern Far3::PluginStartupInfo Info;

// The identities the host knows the module and its windows by. Fixed once
// released: the host keys the plug-in's settings, its cache and the user's
// hot key for the menu item by them, and macros find the windows by them.
extern const GUID PluginGuid;
extern const GUID PluginMenuItemGuid;
extern const GUID ListGuid;
extern const GUID ConfirmationGuid;
extern const GUID WarningGuid;
extern const GUID NoticeGuid;
extern const GUID DetailsGuid;

// The text of a message from the host's language file; owned by the host,
// valid until the user changes the interface language.
const wchar_t* GetMsgText(int number);
