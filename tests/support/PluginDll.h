// The built UninstallMenu.dll, loaded as the host loads it, with its four
// entry points and a count of the C run-time heap blocks it holds, each with
// a guard past its end: the DLL's imports of malloc, realloc and free are
// redirected while it is loaded, and a test may redirect any other import of
// its own, or any function the DLL looks up at run time.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "BuiltPlugin.h"

class PluginDll : public PluginEntryPoints {
public:
    // Loads the DLL that sits one folder above the test program.
    PluginDll();
    // Loads the DLL at path, of whichever interface: its entry points are the
    // caller's to find (GetProcAddress), and Ready() tells only of the heap.
    explicit PluginDll(const std::string& path);
    HMODULE Handle() const { return Module; }
    // Checks nothing; undoes every redirection and unloads the DLL.
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
    // Released blocks that the DLL had written past the end of.
    int WritesPastABlock() const;

    // Makes the DLL's calls of function, imported from dll, go to
    // replacement until the DLL is unloaded; false when it imports no such
    // function by name, and then nothing is changed.
    bool Redirect(const char* dll, const char* function, void* replacement);

    // Makes the DLL's run-time look-ups (GetProcAddress) of function, in any
    // module, answer replacement until the DLL is unloaded; false when the DLL
    // does not import GetProcAddress, and then nothing is changed.
    bool RedirectLookup(const char* function, void* replacement);

    // Makes the DLL's CreateProcessW refuse every command that holds marker
    // as Windows refuses a program that asks for administrator rights
    // (ERROR_ELEVATION_REQUIRED), which Wine, whose processes have them
    // already, never does; other commands start as usual.
    bool RefuseAsNeedingRights(const wchar_t* marker);

private:
    void Load(const std::string& path, bool entryPoints);
    struct Redirection {
        void** Slot;
        void* Original;
    };
    HMODULE Module;
    bool Ready_;
    bool LookupsRedirected;
    std::vector<Redirection> Redirections;
};
