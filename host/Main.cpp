// plughost [--sandbox FILE.reg [--real-commands]] [--lang NAME] PLUGIN.dll
// plughost --check-help 1|3 FILE.hlf [OEMCODEPAGE]
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../programs/EndProgram.h"
#include "PlugHost.h"

static const char Usage[] =
    "usage: plughost [--sandbox FILE.reg [--real-commands]] [--lang NAME] "
    "PLUGIN.dll\n"
    "  --sandbox FILE.reg  run against scratch copies of HKEY_LOCAL_MACHINE "
    "and\n"
    "                      HKEY_CURRENT_USER imported from FILE.reg; its "
    "uninstall\n"
    "                      commands must start the demo's uninstaller\n"
    "  --real-commands     let FILE.reg hold any uninstall command: Enter runs "
    "it for real\n"
    "  --lang NAME         the plug-in's language file to use (default "
    "English)\n"
    "       plughost --check-help 1|3 FILE.hlf [OEMCODEPAGE]\n"
    "  reads a help file as the host of that interface reads it, text in the "
    "OEM\n"
    "  code page given (default the console's), and says whether it would show\n";

static const char PluginsMenuTitle[] = "Plug-in commands";

struct Options {
    const char* SandboxFile;
    bool RealCommands;
    std::string Language;
    const char* PluginPath;
};

static bool ParseArguments(int argc, char** argv, Options* options) {
    options->SandboxFile = NULL;
    options->RealCommands = false;
    options->Language = "English";
    options->PluginPath = NULL;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--sandbox") == 0 && i + 1 < argc)
            options->SandboxFile = argv[++i];
        else if (strcmp(argv[i], "--real-commands") == 0)
            options->RealCommands = true;
        else if (strcmp(argv[i], "--lang") == 0 && i + 1 < argc)
            options->Language = argv[++i];
        else if (argv[i][0] != '-' && !options->PluginPath)
            options->PluginPath = argv[i];
        else
            return false;
    }
    // Without the sandbox every command is real anyway; asking for it there
    // is a mistake worth pointing out.
    return options->PluginPath != NULL && (options->SandboxFile || !options->RealCommands);
}

static int Failed(const std::string& text) {
    fprintf(stderr, "plughost: %s\n", text.c_str());
    return 1;
}

static bool ReadRegFile(const char* path, RegScript* script, std::string* error) {
    std::string bytes, text;
    if (!ReadWholeFile(path, &bytes, error))
        return false;
    RegError fault;
    if (DecodeRegBytes(bytes, &text, &fault) && ParseRegText(text, script, &fault))
        return true;
    *error = std::string(path) + (fault.Line > 0 ? ":" + std::to_string(fault.Line) : "") + ": " +
             fault.Text + "; nothing was imported";
    return false;
}

static std::string FileName(const char* path) {
    const char* name = path;
    for (const char* c = path; *c; c++)
        if (*c == '\\' || *c == '/')
            name = c + 1;
    return name;
}

// Shift+F1 on an entry shows its plug-in's contents, as the host does, and
// then the menu again on that entry.
static void ChooseFromPluginsMenu(Screen& screen, PluginModule& plugin, const HelpPlace& help) {
    const std::wstring title = OemText(PluginsMenuTitle, lstrlenA(PluginsMenuTitle));
    std::vector<std::wstring> strings = plugin.MenuStrings();
    if (strings.empty()) {
        ShowMessage(screen, false, {title, L"The plug-in has no plug-ins menu entry.", L"OK"}, 1,
                    HelpRequest());
        return;
    }
    MenuRequest request = {-1, -1, 0, title, L"", {BreakKey{VK_F1, ShiftShift}}, {},
                           HelpRequest()};
    for (size_t i = 0; i < strings.size(); i++)
        request.Items.push_back(MenuLine{strings[i], false, false, false});
    int breakCode, chosen;
    for (;;) {
        chosen = ShowMenu(screen, request, &breakCode);
        if (breakCode < 0)
            break;
        ShowHelp(screen, help, L"Contents", true);
        for (size_t i = 0; i < request.Items.size(); i++)
            request.Items[i].Selected = (int)i == chosen;
    }
    if (chosen >= 0 && !plugin.OpenFromMenu(chosen))
        ShowMessage(screen, true,
                    {title, L"The plug-in opened a panel of its own,",
                     L"which plughost cannot show.", L"OK"},
                    1, HelpRequest());
}

// The panels' key loop, until the user quits or the console goes away. The
// desktop is drawn again after every key: once a plug-in has returned, the
// panels show the folders it may have opened, whatever screen it put back.
static void RunDesktop(Screen& screen, const Desktop& desktop, PluginModule& plugin,
                       const HelpPlace& help) {
    DrawDesktop(screen, desktop);
    KeyPress key;
    while (screen.ReadKey(&key)) {
        if (key.Key == 0) {
            screen.Resize();
        } else if (key.Shift == 0 && (key.Key == VK_F10 || key.Key == VK_ESCAPE)) {
            return;
        } else if (key.Shift == 0 && (key.Key == VK_F11 || key.Key == VK_RETURN)) {
            ChooseFromPluginsMenu(screen, plugin, help);
        } else if (key.Shift == ShiftControl && key.Key == 'O') {
            screen.ShowUserScreen();
            if (!screen.ReadKey(&key))
                return;
        } else {
            continue;
        }
        DrawDesktop(screen, desktop);
    }
}

// Ctrl+C and Ctrl+Break reach the host as keys or not at all: ending the
// process here would leave the console taken over and the scratch key behind.
static BOOL WINAPI IgnoreInterrupts(DWORD event) {
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

// What a fault inside the plug-in must put back before plughost ends.
static Screen* FaultScreen;
static Sandbox* FaultSandbox;

// Exit status of a plughost that a plug-in's fault ended.
static const int PluginFaulted = 3;

// A fault in the plug-in ends plughost, never silently: the console and the
// registry are given back and the fault is said on the way out. Execution at
// address 0 is a call through an empty slot of the startup record.
static LONG WINAPI ReportPluginFault(EXCEPTION_POINTERS* fault) {
    const EXCEPTION_RECORD* record = fault->ExceptionRecord;
    if (FaultScreen)
        FaultScreen->Close();
    if (FaultSandbox)
        FaultSandbox->Remove();
    // The report starts on a line of its own: the cursor is back where
    // plughost found it, which may be in the middle of a line.
    if (record->ExceptionCode == WrongPluginIdFault)
        fprintf(stderr,
                "\nplughost: the plug-in handed a service another GUID "
                "than the one its\n"
                "GetGlobalInfoW gave; plughost stopped\n");
    else if (record->ExceptionCode == WrongModuleNumberFault && record->NumberParameters == 2)
        fprintf(stderr, "\nplughost: the plug-in handed back module number 0x%llx, not the\n"
                        "0x%llx it was given; plughost stopped\n",
                (unsigned long long)record->ExceptionInformation[0],
                (unsigned long long)record->ExceptionInformation[1]);
    else if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->ExceptionAddress == NULL)
        fprintf(stderr, "\nplughost: the plug-in called a service plughost does not serve\n"
                        "(an empty slot of its startup record); plughost stopped\n");
    else
        fprintf(stderr, "\nplughost: the plug-in faulted (exception 0x%08lX at %p)\n"
                        "plughost stopped\n",
                (unsigned long)record->ExceptionCode, record->ExceptionAddress);
    fflush(stderr);
    EndProgram(PluginFaulted);
    return EXCEPTION_EXECUTE_HANDLER;
}

// The help file read as the host of that interface reads it: one line, and
// status 0 when it would show, 1 when not.
static int CheckHelp(int argc, char** argv) {
    UINT codePage = argc == 5 ? (UINT)strtoul(argv[4], NULL, 10) : GetOEMCP();
    if (argc < 4 || argc > 5 || (strcmp(argv[2], "1") != 0 && strcmp(argv[2], "3") != 0) ||
        !IsValidCodePage(codePage)) {
        fputs(Usage, stderr);
        return 2;
    }
    std::string bytes, error;
    if (!ReadWholeFile(argv[3], &bytes, &error)) {
        printf("%s\n", error.c_str());
        return 1;
    }
    HelpFile file;
    HelpFault fault;
    if (!ParseHelpBytes(bytes, argv[2][0] == '3' ? Interface3 : Interface1, codePage, &file,
                        &fault)) {
        printf("%s%s: %s\n", argv[3],
               fault.Line > 0 ? (":" + std::to_string(fault.Line)).c_str() : "",
               fault.Text.c_str());
        return 1;
    }
    std::string names;
    for (size_t i = 0; i < file.Topics.size(); i++)
        names += (i > 0 ? ", " : "") + Utf8Text(file.Topics[i].Name);
    printf("ok: %s: %d topics: %s\n", argv[3], (int)file.Topics.size(), names.c_str());
    return 0;
}

static int Run(int argc, char** argv) {
    if (argc >= 2 && strcmp(argv[1], "--check-help") == 0)
        return CheckHelp(argc, argv);
    Options options;
    if (!ParseArguments(argc, argv, &options)) {
        fputs(Usage, stderr);
        return 2;
    }
    std::string error;
    RegScript script;
    if (options.SandboxFile && !ReadRegFile(options.SandboxFile, &script, &error))
        return Failed(error);
    RegError refusal;
    if (options.SandboxFile && !options.RealCommands && !CheckSandboxCommands(script, &refusal))
        return Failed(std::string(options.SandboxFile) + ":" + std::to_string(refusal.Line) +
                      ": " + refusal.Text + "; nothing was imported");

    PluginModule plugin;
    if (!plugin.Load(options.PluginPath, &error))
        return Failed(error);
    LanguageFile language;
    bool unicode = plugin.Interface() == Interface3;
    if (!LoadLanguage(plugin.Folder(), options.Language, unicode, &language, &error))
        return Failed(error);

    Desktop desktop;
    desktop.Status =
        FileName(plugin.Path()) + (unicode ? " (3.x), " : " (1.x), ") + language.Name + "  |  ";
    Sandbox sandbox;
    if (options.SandboxFile) {
        RemoveAbandonedSandboxes();
        RegError fault;
        if (!sandbox.Create(&error))
            return Failed(error);
        const HKEY roots[RegHives] = {sandbox.Root(MachineHive), sandbox.Root(UserHive)};
        if (!ApplyRegScript(roots, script, &fault))
            return Failed(std::string(options.SandboxFile) + ":" + std::to_string(fault.Line) +
                          ": " + fault.Text);
        // Ahead of the rest, where a narrow console does not cut it off.
        if (options.RealCommands)
            desktop.Status += "REAL COMMANDS: Enter runs them  |  ";
        desktop.Status += std::string("Sandbox HKCU\\") + sandbox.Path(MachineHive) + " (" +
                          FileName(options.SandboxFile) + ")";
    } else {
        desktop.Status += "REAL REGISTRY: deletions are real";
    }
    wchar_t folder[MAX_PATH];
    DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    desktop.Folders[0] = length > 0 && length < MAX_PATH ? folder : L".";
    desktop.Folders[1] = WideText(plugin.Folder(), CP_ACP);

    Screen screen;
    if (!screen.Open(&error))
        return Failed(error);
    SetConsoleCtrlHandler(IgnoreInterrupts, TRUE);
    FaultScreen = &screen;
    FaultSandbox = &sandbox;
    SetUnhandledExceptionFilter(ReportPluginFault);

    HelpPlace help = {plugin.Folder(), options.Language, plugin.Interface()};
    HostSession session = {&screen, &language, &desktop, plugin.Id(), &help};
    BindServices(&session);
    plugin.Start();
    RunDesktop(screen, desktop, plugin, help);
    plugin.Exit();
    BindServices(NULL);
    // The screen and the sandbox go with main's locals, the plug-in's DLL
    // after them: a fault as it unloads must not reach objects already gone.
    FaultScreen = NULL;
    FaultSandbox = NULL;
    return 0;
}

// main's locals, the sandbox among them, are gone before the program ends.
int main(int argc, char** argv) {
    return EndProgram(Run(argc, argv));
}
