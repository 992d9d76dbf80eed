#include "PluginDll.h"

#include "CountedHeap.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>

// Only one DLL is loaded at a time, so the hooks count in one global heap.
static CountedHeap* Heap;

static void* CountedMalloc(size_t size) {
    return Heap->Allocate(size);
}

static void* CountedRealloc(void* block, size_t size) {
    return Heap->Resize(block, size);
}

static void CountedFree(void* block) {
    Heap->Release(block);
}

static void WriteSlot(void** slot, void* value) {
    DWORD old;
    VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof(*slot), old, &old);
}

// The slot of module's import table through which it calls function of dll,
// or null when it imports no such function by name.
static void** FindImportSlot(HMODULE module, const char* dllName, const char* function) {
    BYTE* base = (BYTE*)module;
    IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (IMAGE_IMPORT_DESCRIPTOR* dll = (IMAGE_IMPORT_DESCRIPTOR*)(base + imports.VirtualAddress);
         dll->Name; dll++) {
        if (_stricmp((const char*)(base + dll->Name), dllName) != 0)
            continue;
        IMAGE_THUNK_DATA* names = (IMAGE_THUNK_DATA*)(base + dll->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slots = (IMAGE_THUNK_DATA*)(base + dll->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const char* name =
                (const char*)((IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData))->Name;
            if (strcmp(name, function) == 0)
                return (void**)&slots->u1.Function;
        }
    }
    return NULL;
}

// The functions whose run-time look-ups answer a replacement; the DLL's
// import of GetProcAddress leads to LookUp while this is not empty.
static std::map<std::string, FARPROC>* Lookups;

static FARPROC WINAPI LookUp(HMODULE module, LPCSTR name) {
    // A name below 0x10000 is an ordinal, not a string.
    if (Lookups && !IS_INTRESOURCE(name)) {
        std::map<std::string, FARPROC>::iterator found = Lookups->find(name);
        if (found != Lookups->end())
            return found->second;
    }
    return GetProcAddress(module, name);
}

bool PluginDll::RedirectLookup(const char* function, void* replacement) {
    if (!LookupsRedirected) {
        if (!Redirect("kernel32.dll", "GetProcAddress", (void*)LookUp))
            return false;
        LookupsRedirected = true;
        Lookups = new std::map<std::string, FARPROC>;
    }
    (*Lookups)[function] = (FARPROC)replacement;
    return true;
}

// The marker of the commands refused; one DLL is loaded at a time.
static std::wstring RefusedMarker;

static BOOL WINAPI RefusingMarkedCommands(LPCWSTR application, LPWSTR command,
                                          LPSECURITY_ATTRIBUTES processAttributes,
                                          LPSECURITY_ATTRIBUTES threadAttributes, BOOL inherit,
                                          DWORD flags, LPVOID environment, LPCWSTR folder,
                                          LPSTARTUPINFOW startup, LPPROCESS_INFORMATION process) {
    if (command && wcsstr(command, RefusedMarker.c_str())) {
        SetLastError(740);  // ERROR_ELEVATION_REQUIRED
        return FALSE;
    }
    return CreateProcessW(application, command, processAttributes, threadAttributes, inherit,
                          flags, environment, folder, startup, process);
}

bool PluginDll::RefuseAsNeedingRights(const wchar_t* marker) {
    RefusedMarker = marker;
    return Redirect("kernel32.dll", "CreateProcessW", (void*)RefusingMarkedCommands);
}

bool PluginDll::Redirect(const char* dll, const char* function, void* replacement) {
    void** slot = Module ? FindImportSlot(Module, dll, function) : NULL;
    if (!slot)
        return false;
    Redirection undo = {slot, *slot};
    Redirections.push_back(undo);
    WriteSlot(slot, replacement);
    return true;
}

PluginDll::PluginDll()
    : PluginEntryPoints(), Module(NULL), Ready_(false), LookupsRedirected(false) {
    Load(BuiltPluginPath(), true);
}

PluginDll::PluginDll(const std::string& path)
    : PluginEntryPoints(), Module(NULL), Ready_(false), LookupsRedirected(false) {
    Load(path, false);
}

void PluginDll::Load(const std::string& dll, bool entryPoints) {
    Module = LoadLibraryA(dll.c_str());
    if (!Module) {
        ADD_FAILURE() << "cannot load " << dll << ": error " << GetLastError();
        return;
    }
    bool complete = !entryPoints || FindEntryPoints(Module, this);
    EXPECT_TRUE(complete) << "the DLL lacks one of the four entry points";
    Heap = new CountedHeap;
    bool hooked = Redirect("msvcrt.dll", "malloc", (void*)CountedMalloc) &&
                  Redirect("msvcrt.dll", "realloc", (void*)CountedRealloc) &&
                  Redirect("msvcrt.dll", "free", (void*)CountedFree);
    EXPECT_TRUE(hooked) << "the DLL's malloc, realloc and free imports were not all found";
    Ready_ = hooked && complete;
}

PluginDll::~PluginDll() {
    for (size_t i = Redirections.size(); i-- > 0;)
        WriteSlot(Redirections[i].Slot, Redirections[i].Original);
    delete Lookups;
    Lookups = NULL;
    delete Heap;
    Heap = NULL;
    if (Module)
        FreeLibrary(Module);
}

int PluginDll::LiveBlocks() const {
    return Heap ? Heap->LiveBlocks() : 0;
}

int PluginDll::StrayFrees() const {
    return Heap ? Heap->StrayFrees() : 0;
}

int PluginDll::WritesPastABlock() const {
    return Heap ? Heap->WritesPastABlock() : 0;
}
