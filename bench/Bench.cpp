// Measures what users wait for — the list appearing, an uninstaller's run —
// against the platform's floor for the same work, and how it grows.
// A measurement, never a test: it prints a table and exits 0 unless it
// could not measure at all.
#include <stdio.h>
#include <stdlib.h>
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
};

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
        // Taken in turns, so that anything else the machine does falls on
        // the module and the floor alike.
        std::vector<double> floor, load, pass, growth;
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
        }
        SizeResult r = {programs, Median(load), Median(pass), Median(floor), Median(growth)};
        results.push_back(r);
    }

    printf("\n%-7s%-44s %9s %11s %10s %8s\n", "build", "What", "programs", "module ms", "floor ms", "ratio");
    for (const SizeResult& r : results)
        printf("%-7s%-44s %9d %11.2f %10.2f %8.2f\n", BuildLabel, "catalogue load + release", r.Programs, r.Load,
               r.Floor, r.Load / r.Floor);
    for (const SizeResult& r : results)
        printf("%-7s%-44s %9d %11.2f %10.2f %8.2f\n", BuildLabel, "menu pass through OpenPlugin (cancelled)",
               r.Programs, r.Pass, r.Floor, r.Pass / r.Floor);
    for (const SizeResult& r : results)
        printf("%-7s%-44s %9d %11.3f %10s %7.1f%%\n", BuildLabel, "  of which: array grown one entry at a time",
               r.Programs, r.Growth, "", 100.0 * r.Growth / r.Load);
    const SizeResult& mid = results[1];
    const SizeResult& big = results[2];
    printf("\nGrowth from 1,000 to 10,000 programs (linear is about 10), %s: catalogue %.1f, "
           "menu pass %.1f, floor %.1f\n",
           BuildLabel, big.Load / mid.Load, big.Pass / mid.Pass, big.Floor / mid.Floor);

    // The machine's own registry from here on.
    registry.Remove();
    bool measured = MeasureBothViews();
    plugin.ExitFAR();
    FreeLibrary(module);
    return measured && MeasureRunner() ? 0 : 1;
}

int main() {
    return EndProgram(Run());
}
