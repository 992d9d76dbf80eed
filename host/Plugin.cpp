// Loading the plug-in DLL and finding its entry points.
#include <string.h>

#include "PlugHost.h"

static const char* const EntryNames[] = {"SetStartupInfo", "GetPluginInfo", "OpenPlugin",
                                         "ExitFAR"};
static const int EntryCount = sizeof(EntryNames) / sizeof(EntryNames[0]);

PluginModule::PluginModule()
    : SetStartupInfo(NULL), GetPluginInfo(NULL), OpenPlugin(NULL), ExitFAR(NULL), Module(NULL) {
    FullPath[0] = '\0';
}

PluginModule::~PluginModule() {
    if (Module)
        FreeLibrary(Module);
}

std::string PluginModule::Folder() const {
    const char* slash = strrchr(FullPath, '\\');
    return slash ? std::string(FullPath, slash - FullPath) : std::string(".");
}

bool PluginModule::Load(const char* path, std::string* error) {
    DWORD length = GetFullPathNameA(path, sizeof(FullPath), FullPath, NULL);
    if (length == 0 || length >= sizeof(FullPath)) {
        *error = std::string("cannot make a full path of ") + path;
        return false;
    }
    if (GetFileAttributesA(FullPath) == INVALID_FILE_ATTRIBUTES) {
        *error = std::string("no plug-in at ") + FullPath + ": " + SystemErrorText(GetLastError());
        return false;
    }
    // Its own folder first for the DLLs it needs, as the file manager loads it.
    Module = LoadLibraryExA(FullPath, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!Module) {
        DWORD code = GetLastError();
        if (code == ERROR_BAD_EXE_FORMAT)
            *error = std::string("cannot load ") + FullPath +
                     ": not a DLL for this platform (a 64-bit plughost loads 64-bit plug-ins, "
                     "a 32-bit one 32-bit plug-ins)";
        else
            *error = std::string("cannot load ") + FullPath + ": " + SystemErrorText(code);
        return false;
    }
    FARPROC entries[EntryCount];
    std::string missing;
    int found = 0;
    for (int i = 0; i < EntryCount; i++) {
        entries[i] = GetProcAddress(Module, EntryNames[i]);
        if (entries[i])
            found++;
        else
            missing += std::string(missing.empty() ? "" : ", ") + EntryNames[i];
    }
    if (found < EntryCount) {
        *error = std::string(FullPath) +
                 (found == 0 ? " is not a plug-in: it exports none of the entry points "
                             : " lacks the plug-in entry point(s) ") +
                 missing;
        FreeLibrary(Module);
        Module = NULL;
        return false;
    }
    SetStartupInfo = (SetStartupInfoEntry)(void*)entries[0];
    GetPluginInfo = (GetPluginInfoEntry)(void*)entries[1];
    OpenPlugin = (OpenPluginEntry)(void*)entries[2];
    ExitFAR = (ExitFAREntry)(void*)entries[3];
    return true;
}
