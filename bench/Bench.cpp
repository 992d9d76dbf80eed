// Measures what users wait for — the list appearing, an uninstaller's run —
// against the platform's floor for the same work, and how it grows.
// A measurement, never a test: it prints a table and exits 0 unless it
// could not measure at all.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <vector>

#include "../src/catalogue/Catalogue.h"
#include "../host/PlugHost.h"
#include "../programs/EndProgram.h"
#include "../src/far1/Far1.h"
#include "../src/wow64/Wow64.h"
#include "../tests/support/BuiltPlugin.h"
#include "BenchClock.h"
#include "BenchHost.h"
#include "BenchHost3.h"
#include "BenchRegistry.h"
#include "BenchRunner.h"

static double TimeMs(void (*work)(void* context), void* context) {
    double start = NowMs();
    work(context);
    return NowMs() - start;
}

// The built DLL, as the host loads it.
static bool LoadPlugin(HMODULE* module, PluginEntryPoints* plugin) {
    *module = LoadLibraryA(BuiltPluginPath().c_str());
    return *module && FindEntryPoints(*module, plugin);
}

// The 3.x module's entry points, by the names the host looks for.
struct Far3EntryPoints {
    void(WINAPI* GetGlobalInfo)(Far3::GlobalInfo*);
    void(WINAPI* SetStartupInfo)(const Far3::PluginStartupInfo*);
    void(WINAPI* GetPluginInfo)(Far3::PluginInfo*);
    HANDLE(WINAPI* Open)(const Far3::OpenInfo*);
    void(WINAPI* Exit)(const Far3::ExitInfo*);
};

// The built 3.x DLL, in its own folder beside the 1.x one, started as the
// host starts it; *menuItem is the plug-ins menu item it names, which the
// host opens it by.
static bool LoadPlugin3(HMODULE* module, Far3EntryPoints* plugin, const GUID** menuItem) {
    std::string path = BuiltPluginPath();
    path.insert(path.find_last_of('\\'), "\\far3");
    *module = LoadLibraryA(path.c_str());
    if (!*module)
        return false;
    // Through void*: FARPROC's own type says nothing about the real signature.
    plugin->GetGlobalInfo =
        (void(WINAPI*)(Far3::GlobalInfo*))(void*)GetProcAddress(*module, "GetGlobalInfoW");
    plugin->SetStartupInfo = (void(WINAPI*)(const Far3::PluginStartupInfo*))(void*)GetProcAddress(
        *module, "SetStartupInfoW");
    plugin->GetPluginInfo =
        (void(WINAPI*)(Far3::PluginInfo*))(void*)GetProcAddress(*module, "GetPluginInfoW");
    plugin->Open = (HANDLE(WINAPI*)(const Far3::OpenInfo*))(void*)GetProcAddress(*module, "OpenW");
    plugin->Exit = (void(WINAPI*)(const Far3::ExitInfo*))(void*)GetProcAddress(*module, "ExitFARW");
    if (!plugin->GetGlobalInfo || !plugin->SetStartupInfo || !plugin->GetPluginInfo ||
        !plugin->Open || !plugin->Exit)
        return false;
    Far3::GlobalInfo global;
    memset(&global, 0, sizeof(global));
    global.StructSize = sizeof(global);
    plugin->GetGlobalInfo(&global);
    Far3::PluginStartupInfo startup = BenchStartupInfo3();
    plugin->SetStartupInfo(&startup);
    Far3::PluginInfo info;
    memset(&info, 0, sizeof(info));
    info.StructSize = sizeof(info);
    plugin->GetPluginInfo(&info);
    *menuItem = info.PluginMenu.Count == 1 ? info.PluginMenu.Guids : NULL;
    return *menuItem != NULL;
}

// One pass through the 3.x module, opened from the plug-ins menu: its whole
// time, and in LoadMs the part before the host was asked to show the list.
struct Pass3 {
    const Far3EntryPoints* Plugin;
    const GUID* MenuItem;
    double LoadMs;
};

static void RunPass3(void* context) {
    Pass3* pass = (Pass3*)context;
    Far3::OpenInfo open = {sizeof(Far3::OpenInfo), Far3::OPEN_PLUGINSMENU, pass->MenuItem, 0,
                           NULL};
    double start = NowMs();
    pass->Plugin->Open(&open);
    pass->LoadMs = LastMenuMs() - start;
}

// The catalogue's own way of growing its array, alone: one reallocation per entry.
static void GrowByOne(int count) {
    UninstallEntry* entries = NULL;
    for (int i = 0; i < count; i++) {
        entries = (UninstallEntry*)ResizeBlock(entries, (i + 1) * sizeof(UninstallEntry));
        entries[i].KeyPath = NULL;
    }
    FreeBlock(entries);
}

// On 64-bit Windows the list is read from both registry views, which a
// sandbox cannot show: programs in each view of the machine's own registry,
// volatile and tagged with this run, removed again at the end.
static bool MeasureBothViews() {
    REGSAM other = OtherRegistryView();
    if (!other) {
        printf("\n%-7sone registry view on this system: no second view to measure\n", BuildLabel);
        return true;
    }
    const int programs = 10000;
    char tag[32];
    snprintf(tag, sizeof(tag), "-bench-%lu", (unsigned long)GetCurrentProcessId());
    bool ok = FillMachineView(0, tag, programs) && FillMachineView(other, tag, programs);
    int found = ReadUninstallFloor(0) + ReadUninstallFloor(other);
    int loaded = 0;
    FreeUninstallList(LoadUninstallList(&loaded), loaded);
    if (!ok || found < 2 * programs || loaded != found) {
        fprintf(stderr, "bench: two views of %d programs: the floor read %d, the module %d\n",
                programs, found, loaded);
        ok = false;
    }
    std::vector<double> floor, load;
    for (int run = 0; ok && run < 5; run++) {
        floor.push_back(TimeMs([](void* view) {
            ReadUninstallFloor(0);
            ReadUninstallFloor(*(REGSAM*)view);
        }, &other));
        load.push_back(TimeMs([](void*) {
            int count = 0;
            UninstallEntry* entries = LoadUninstallList(&count);
            FreeUninstallList(entries, count);
        }, NULL));
    }
    EmptyMachineView(0, tag, programs);
    EmptyMachineView(other, tag, programs);
    if (!ok)
        return false;
    printf("%-7s%-44s %9d %11.2f %10.2f %8.2f\n", BuildLabel, "catalogue load, both views",
           found, Median(load), Median(floor), Median(load) / Median(floor));
    return true;
}

struct SizeResult {
    int Programs;
    double Load, Pass, Floor, Growth;
    double Load3, Pass3;
    // Each order's load against its own floor.
    double DateLoad, DateFloor, SizeLoad, SizeFloor;
};

// The catalogue's load in order, released again.
static void LoadInOrder(void* order) {
    int count = 0;
    UninstallEntry* entries = LoadUninstallList(&count, *(ListOrder*)order);
    FreeUninstallList(entries, count);
}

// Each order's floor: the same calls, and the one value the order is read by.
static void ReadDateFloor(void*) {
    ReadUninstallFloor(0, L"InstallDate");
}

static void ReadSizeFloor(void*) {
    ReadUninstallFloor(0, L"EstimatedSize");
}

// How many programs the load in order finds their own figure for: all of
// them, or the order's floor is not the work it did. A date of today is the
// key's last write, read only when its install date is not one; the
// sandbox's programs were all installed in years past.
static int WithFigure(ListOrder order) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    DWORD today = (DWORD)now.wYear * 10000 + (DWORD)now.wMonth * 100 + now.wDay;
    int count = 0, with = 0;
    UninstallEntry* entries = LoadUninstallList(&count, order);
    for (int i = 0; i < count; i++)
        with += entries[i].HasFigure && (order != OrderByDate || entries[i].Figure != today);
    FreeUninstallList(entries, count);
    return with;
}

static void PrintRow(const char* what, int programs, double module, double floor) {
    printf("%-7s%-44s %9d %11.2f %10.2f %8.2f\n", BuildLabel, what, programs, module, floor,
           module / floor);
}

static int Run() {
    setvbuf(stdout, NULL, _IONBF, 0);
    Sandbox registry;
    std::string error;
    if (!registry.Create(&error)) {
        fprintf(stderr, "bench: %s\n", error.c_str());
        return 1;
    }
    HMODULE module;
    PluginEntryPoints plugin;
    if (!LoadPlugin(&module, &plugin)) {
        fprintf(stderr, "bench: cannot load %s\n", BuiltPluginPath().c_str());
        return 1;
    }
    Info = BenchStartupInfo();
    plugin.SetStartupInfo(&Info);
    HMODULE module3;
    Far3EntryPoints plugin3;
    Pass3 pass3 = {&plugin3, NULL, 0};
    if (!LoadPlugin3(&module3, &plugin3, &pass3.MenuItem)) {
        fprintf(stderr, "bench: cannot load and start the 3.x module beside %s\n",
                BuiltPluginPath().c_str());
        return 1;
    }

    const int sizes[] = {100, 1000, 10000};
    std::vector<SizeResult> results;
    printf("Filling the sandboxed Uninstall key and measuring (median of several runs)...\n");
    for (int programs : sizes) {
        if (!FillUninstallKey(registry.Root(MachineHive), programs)) {
            fprintf(stderr, "bench: cannot fill the sandbox with %d programs\n", programs);
            return 1;
        }
        int runs = programs >= 10000 ? 5 : 9;
        int found = ReadUninstallFloor();
        int loaded = 0;
        FreeUninstallList(LoadUninstallList(&loaded), loaded);
        if (found != programs || loaded != programs) {
            fprintf(stderr, "bench: expected %d programs, the floor read %d, the module %d\n",
                    programs, found, loaded);
            return 1;
        }
        int dated = WithFigure(OrderByDate), sized = WithFigure(OrderBySize);
        RunPass3(&pass3);
        if (dated != programs || sized != programs || pass3.LoadMs <= 0) {
            fprintf(stderr, "bench: of %d programs %d dated and %d sized; the 3.x list %s\n",
                    programs, dated, sized, pass3.LoadMs > 0 ? "showed" : "never showed");
            return 1;
        }
        // Taken in turns, so that anything else the machine does falls on
        // the module and the floor alike.
        std::vector<double> floor, load, pass, growth, load3, passes3;
        std::vector<double> dateFloor, dateLoad, sizeFloor, sizeLoad;
        ListOrder byDate = OrderByDate, bySize = OrderBySize;
        for (int run = 0; run < runs; run++) {
            floor.push_back(TimeMs([](void*) { ReadUninstallFloor(); }, NULL));
            load.push_back(TimeMs([](void*) {
                int count = 0;
                UninstallEntry* entries = LoadUninstallList(&count);
                FreeUninstallList(entries, count);
            }, NULL));
            pass.push_back(TimeMs([](void* entry) {
                ((PluginEntryPoints*)entry)->OpenPlugin(0, 0);
            }, &plugin));
            growth.push_back(TimeMs([](void* count) { GrowByOne(*(int*)count); }, &programs));
            passes3.push_back(TimeMs(RunPass3, &pass3));
            load3.push_back(pass3.LoadMs);
            dateFloor.push_back(TimeMs(ReadDateFloor, NULL));
            dateLoad.push_back(TimeMs(LoadInOrder, &byDate));
            sizeFloor.push_back(TimeMs(ReadSizeFloor, NULL));
            sizeLoad.push_back(TimeMs(LoadInOrder, &bySize));
        }
        SizeResult r = {programs,         Median(load),     Median(pass),      Median(floor),
                        Median(growth),   Median(load3),    Median(passes3),   Median(dateLoad),
                        Median(dateFloor), Median(sizeLoad), Median(sizeFloor)};
        results.push_back(r);
    }

    printf("\n%-7s%-44s %9s %11s %10s %8s\n", "build", "What", "programs", "module ms", "floor ms", "ratio");
    // Each 1.x row above its 3.x module's.
    for (const SizeResult& r : results) {
        PrintRow("catalogue load + release", r.Programs, r.Load, r.Floor);
        PrintRow("3.x: catalogue load, until the list shows", r.Programs, r.Load3, r.Floor);
    }
    for (const SizeResult& r : results) {
        PrintRow("menu pass through OpenPlugin (cancelled)", r.Programs, r.Pass, r.Floor);
        PrintRow("3.x: menu pass through OpenW (cancelled)", r.Programs, r.Pass3, r.Floor);
    }
    for (const SizeResult& r : results)
        printf("%-7s%-44s %9d %11.3f %10s %7.1f%%\n", BuildLabel, "  of which: array grown one entry at a time",
               r.Programs, r.Growth, "", 100.0 * r.Growth / r.Load);
    for (const SizeResult& r : results)
        PrintRow("catalogue load by date + release", r.Programs, r.DateLoad, r.DateFloor);
    for (const SizeResult& r : results)
        PrintRow("catalogue load by size + release", r.Programs, r.SizeLoad, r.SizeFloor);
    const SizeResult& mid = results[1];
    const SizeResult& big = results[2];
    printf("\nGrowth from 1,000 to 10,000 programs (linear is about 10), %s: catalogue %.1f, "
           "menu pass %.1f, 3.x pass %.1f, floor %.1f\n",
           BuildLabel, big.Load / mid.Load, big.Pass / mid.Pass, big.Pass3 / mid.Pass3,
           big.Floor / mid.Floor);

    // The machine's own registry from here on.
    registry.Remove();
    bool measured = MeasureBothViews();
    plugin.ExitFAR();
    FreeLibrary(module);
    Far3::ExitInfo exitInfo = {sizeof(Far3::ExitInfo), NULL};
    plugin3.Exit(&exitInfo);
    FreeLibrary(module3);
    return measured && MeasureRunner() ? 0 : 1;
}

int main() {
    return EndProgram(Run());
}
