// Finding and loading the built UninstallMenu.dll the way the host does:
// by path, with LoadLibrary, its entry points by their undecorated names.
// Shared by the tests and the benchmark, which both sit one folder below it.
#pragma once

#include <windows.h>

#include <string>

#include "../../src/far1/Host.h"

struct PluginEntryPoints {
    void(WINAPI* SetStartupInfo)(const PluginStartupInfo*);
    void(WINAPI* GetPluginInfo)(PluginInfo*);
    HANDLE(WINAPI* OpenPlugin)(int OpenFrom, INT_PTR Item);
    void(WINAPI* ExitFAR)(void);
};

// The DLL's path: one folder above the running program.
inline std::string BuiltPluginPath() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string program(path, length);
    return program.substr(0, program.find_last_of('\\')) + "\\..\\UninstallMenu.dll";
}

// Fills entry with the four entry points; false when any is missing.
inline bool FindEntryPoints(HMODULE module, PluginEntryPoints* entry) {
    // Through void*: FARPROC's own type says nothing about the real signature.
    entry->SetStartupInfo = (void(WINAPI*)(const PluginStartupInfo*))(void*)GetProcAddress(
        module, "SetStartupInfo");
    entry->GetPluginInfo =
        (void(WINAPI*)(PluginInfo*))(void*)GetProcAddress(module, "GetPluginInfo");
    entry->OpenPlugin = (HANDLE(WINAPI*)(int, INT_PTR))(void*)GetProcAddress(module, "OpenPlugin");
    entry->ExitFAR = (void(WINAPI*)(void))(void*)GetProcAddress(module, "ExitFAR");
    return entry->SetStartupInfo && entry->GetPluginInfo && entry->OpenPlugin && entry->ExitFAR;
}
