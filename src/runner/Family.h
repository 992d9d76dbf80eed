// Following what an uninstaller leaves running when it ends: many hand the
// work to a copy of themselves, or to other programs, and exit at once.
#pragma once

#include <windows.h>

#include "../registry/Registry.h"

// The program's key, whose removal shows that its uninstall is done.
struct WatchedKey {
    KeyLocation Location;
    const wchar_t* Path;  // below Location's root
};

// Waits, once first has ended, while any process that it started, directly
// or through others, still runs. With key, it stops as soon as that key is
// gone: whatever still runs then (a web page opened at the end, say) is no
// longer the uninstall. Opens nothing that it does not close.
void WaitForFamily(HANDLE first, const WatchedKey* key);
