// Loading the plug-in DLL, finding its entry points, and calling them the way
// the file manager does for the interface the DLL speaks.
#include <string.h>

#include "PlugHost.h"

typedef void(WINAPI* SetStartupInfoEntry)(const PluginStartupInfo*);
typedef void(WINAPI* GetPluginInfoEntry)(PluginInfo*);
typedef HANDLE(WINAPI* OpenPluginEntry)(int, INT_PTR);
typedef void(WINAPI* ExitFAREntry)(void);
static const char* const EntryNames1[] = {"SetStartupInfo", "GetPluginInfo", "OpenPlugin",
                                          "ExitFAR"};

typedef void(WINAPI* GetGlobalInfoEntry)(Far3::GlobalInfo*);
typedef void(WINAPI* SetStartupInfoWEntry)(const Far3::PluginStartupInfo*);
typedef void(WINAPI* GetPluginInfoWEntry)(Far3::PluginInfo*);
typedef HANDLE(WINAPI* OpenWEntry)(const Far3::OpenInfo*);
typedef void(WINAPI* ExitFARWEntry)(const Far3::ExitInfo*);
// The first four are needed to show the entry and open it; ExitFARW is
// optional, as the file manager has it.
static const char* const EntryNames3[] = {"GetGlobalInfoW", "SetStartupInfoW", "GetPluginInfoW",
                                          "OpenW", "ExitFARW"};
static const int RequiredEntries3 = 4;

const Far3::VersionInfo HostVersion3 = {3, 0, 0, 6000, 0};

PluginModule::PluginModule() : Module(NULL), Kind(Interface1) {
    FullPath[0] = '\0';
    memset(Entries1, 0, sizeof(Entries1));
    memset(Entries3, 0, sizeof(Entries3));
    memset(&Global, 0, sizeof(Global));
}

PluginModule::~PluginModule() {
    if (Module)
        FreeLibrary(Module);
}

std::string PluginModule::Folder() const {
    const char* slash = strrchr(FullPath, '\\');
    return slash ? std::string(FullPath, slash - FullPath) : std::string(".");
}

bool PluginModule::FindEntries(const char* const* names, FARPROC* entries, int count, int required,
                               std::string* error) {
    std::string missing;
    for (int i = 0; i < count; i++) {
        entries[i] = GetProcAddress(Module, names[i]);
        if (!entries[i] && i < required)
            missing += std::string(missing.empty() ? "" : ", ") + names[i];
    }
    if (missing.empty())
        return true;
    *error = std::string(FullPath) + " lacks the plug-in entry point(s) " + missing;
    return false;
}

static bool VersionBelow(const Far3::VersionInfo& a, const Far3::VersionInfo& b) {
    const DWORD left[4] = {a.Major, a.Minor, a.Revision, a.Build};
    const DWORD right[4] = {b.Major, b.Minor, b.Revision, b.Build};
    for (int i = 0; i < 4; i++)
        if (left[i] != right[i])
            return left[i] < right[i];
    return false;
}

static bool Empty(const wchar_t* text) {
    return !text || !*text;
}

// What the file manager asks of a 3.x plug-in's global info before it keeps
// the plug-in; it unloads one that falls short.
bool PluginModule::ReadGlobalInfo(std::string* error) {
    memset(&Global, 0, sizeof(Global));
    Global.StructSize = sizeof(Global);
    ((GetGlobalInfoEntry)(void*)Entries3[0])(&Global);
    static const GUID NoGuid = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
    const char* fault = NULL;
    if (Global.StructSize == 0)
        fault = "a StructSize of 0";
    else if (Empty(Global.Title) || Empty(Global.Description) || Empty(Global.Author))
        fault = "no Title, Description or Author";
    else if (IsEqualGUID(Global.Guid, NoGuid))
        fault = "no GUID";
    else if (VersionBelow(HostVersion3, Global.MinFarVersion))
        fault = "a MinFarVersion above plughost's 3.0.0.6000";
    if (!fault)
        return true;
    *error = std::string(FullPath) + ": its GetGlobalInfoW gives " + fault +
             "; the file manager would not load it";
    return false;
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
                     ": not a DLL for this platform (a 64-bit plughost loads 64-bit "
                     "plug-ins, "
                     "a 32-bit one 32-bit plug-ins)";
        else
            *error = std::string("cannot load ") + FullPath + ": " + SystemErrorText(code);
        return false;
    }
    bool found = false;
    if (GetProcAddress(Module, EntryNames3[0])) {
        Kind = Interface3;
        found =
            FindEntries(EntryNames3, Entries3, 5, RequiredEntries3, error) && ReadGlobalInfo(error);
    } else {
        Kind = Interface1;
        found = FindEntries(EntryNames1, Entries1, 4, 4, error);
        bool none = true;
        for (int i = 0; i < 4; i++)
            none = none && !Entries1[i];
        if (none)
            *error = std::string(FullPath) +
                     " is not a plug-in: it exports none of the entry points "
                     "GetGlobalInfoW, SetStartupInfo, GetPluginInfo, OpenPlugin, ExitFAR";
    }
    if (!found) {
        FreeLibrary(Module);
        Module = NULL;
    }
    return found;
}

void PluginModule::Start() {
    if (Kind == Interface1) {
        PluginStartupInfo info;
        FillStartupInfo(&info, FullPath);
        ((SetStartupInfoEntry)(void*)Entries1[0])(&info);
        return;
    }
    // The records live for the call alone, as the file manager's do, and are
    // wiped after it: a plug-in that kept a pointer to them instead of a
    // copy faults at its next service call rather than some time later.
    wchar_t path[MAX_PATH];
    // Never longer than the ANSI path it comes from; empty should it not convert.
    if (MultiByteToWideChar(CP_ACP, 0, FullPath, -1, path, MAX_PATH) == 0)
        path[0] = L'\0';
    Far3::PluginStartupInfo info;
    Far3::FarStandardFunctions functions;
    FillStartupInfo3(&info, &functions, path);
    ((SetStartupInfoWEntry)(void*)Entries3[1])(&info);
    memset(&info, 0, sizeof(info));
    memset(&functions, 0, sizeof(functions));
}

std::vector<std::wstring> PluginModule::MenuStrings() {
    std::vector<std::wstring> strings;
    if (Kind == Interface1) {
        PluginInfo info;
        memset(&info, 0, sizeof(info));
        info.StructSize = sizeof(info);
        ((GetPluginInfoEntry)(void*)Entries1[1])(&info);
        for (int i = 0; info.PluginMenuStrings && i < info.PluginMenuStringsNumber; i++) {
            const char* text = info.PluginMenuStrings[i] ? info.PluginMenuStrings[i] : "";
            strings.push_back(OemText(text, lstrlenA(text)));
        }
        return strings;
    }
    Far3::PluginInfo info;
    memset(&info, 0, sizeof(info));
    info.StructSize = sizeof(info);
    ((GetPluginInfoWEntry)(void*)Entries3[2])(&info);
    MenuIds.clear();
    const Far3::PluginMenuItem& menu = info.PluginMenu;
    for (size_t i = 0; menu.Strings && i < menu.Count; i++) {
        strings.push_back(menu.Strings[i] ? menu.Strings[i] : L"");
        // Each entry is opened by its GUID; one without is opened with none.
        static const GUID NoGuid = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
        MenuIds.push_back(menu.Guids ? menu.Guids[i] : NoGuid);
    }
    return strings;
}

bool PluginModule::OpenFromMenu(int item) {
    if (Kind == Interface1)
        return ((OpenPluginEntry)(void*)Entries1[2])(OpenFromPluginsMenu, item) ==
               INVALID_HANDLE_VALUE;
    Far3::OpenInfo open;
    memset(&open, 0, sizeof(open));
    open.StructSize = sizeof(open);
    open.OpenFrom = Far3::OPEN_PLUGINSMENU;
    open.Guid = item >= 0 && item < (int)MenuIds.size() ? &MenuIds[item] : NULL;
    // Null is no panel here: anything else would be taken for one.
    return ((OpenWEntry)(void*)Entries3[3])(&open) == NULL;
}

void PluginModule::Exit() {
    if (Kind == Interface1) {
        ((ExitFAREntry)(void*)Entries1[3])();
    } else if (Entries3[4]) {
        Far3::ExitInfo exit = {sizeof(Far3::ExitInfo), NULL};
        ((ExitFARWEntry)(void*)Entries3[4])(&exit);
    }
}
