// The built UninstallMenu.dll, loaded as the host loads it, with its four
// entry points and a count of the C run-time heap blocks it holds: the DLL's
// imports of malloc, realloc and free are redirected while it is loaded.
#pragma once

#include <windows.h>

#include "BuiltPlugin.h"

class PluginDll : public PluginEntryPoints {
public:
    // Loads the DLL that sits one folder above the test program.
    PluginDll();
    // Checks nothing; unhooks the heap and unloads the DLL.
    ~PluginDll();
    PluginDll(const PluginDll&) = delete;
    PluginDll& operator=(const PluginDll&) = delete;

    // True when the DLL loaded, has all four entry points and its heap
    // imports were found and redirected.
    bool Ready() const { return Ready_; }

    // Blocks the DLL allocated since loading and has not released.
    int LiveBlocks() const;
    // Releases of blocks the DLL did not hold.
    int StrayFrees() const;

private:
    HMODULE Module;
    bool Ready_;
};
