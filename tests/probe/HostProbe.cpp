// A test-only plug-in for plughost's end-to-end test: its plug-ins menu
// entries call the host's services and show what the host answered in a
// message box, where the test reads it off the screen.
#include <stdio.h>
#include <string.h>

#include "../../src/far1/Host.h"

static PluginStartupInfo Info;
static const int MenuEntries = 4;
static const char* MenuStrings[MenuEntries];

static const int MenuRows = 40;
static const int BreakKeys[] = {VK_DELETE, VK_F4, 0};

static const char* ModuleFileName() {
    const char* slash = strrchr(Info.ModuleName, '\\');
    return slash ? slash + 1 : Info.ModuleName;
}

// Shows the host's menu until the user picks Done: row 3 is marked selected,
// row 5 is a separator, row 7 is checked.
static void ProbeMenu() {
    FarMenuItem items[MenuRows];
    memset(items, 0, sizeof(items));
    for (int i = 0; i < MenuRows; i++)
        snprintf(items[i].Text, sizeof(items[i].Text), "Row %02d", i + 1);
    items[2].Selected = 1;
    items[4].Separator = 1;
    items[6].Checked = 1;
    for (;;) {
        int breakCode = 12345;  // shows whether the host wrote it
        int answer = Info.Menu(Info.ModuleNumber, -1, -1, 0, FMENU_AUTOHIGHLIGHT, "Probe menu",
                               "Del F4 break", NULL, BreakKeys, &breakCode, items, MenuRows);
        char line[80];
        snprintf(line, sizeof(line), "Menu answered %d, BreakCode %d", answer, breakCode);
        const char* box[] = {"Probe", line, "Again", "Done"};
        if (Info.Message(Info.ModuleNumber, 0, NULL, box, 4, 2) != 0)
            return;
    }
}

// A warning box with a line too long for the screen, three buttons, and a
// notice on the top row that is put back afterwards.
static void ProbeMessage() {
    HANDLE top = Info.SaveScreen(0, 0, -1, 0);
    Info.Text(2, 0, 7, Info.GetMsg(Info.ModuleNumber, 2));
    char longLine[201];
    memset(longLine, 'L', sizeof(longLine) - 1);
    memcpy(longLine + sizeof(longLine) - 4, "END", 4);
    const char* box[] = {"Probe warning", "First line", longLine, "One", "Two", "Three"};
    int answer = Info.Message(Info.ModuleNumber, FMSG_WARNING, NULL, box, 6, 3);
    Info.RestoreScreen(NULL);
    Info.RestoreScreen(top);

    const char* notice[] = {"", "Box without buttons"};
    int noticeAnswer = Info.Message(Info.ModuleNumber, 0, NULL, notice, 2, 0);
    char line[120], module[120];
    snprintf(line, sizeof(line), "Message %d, no buttons %d, Control 99 %d, message 99 [%s]",
             answer, noticeAnswer, Info.Control(INVALID_HANDLE_VALUE, 99, NULL),
             Info.GetMsg(Info.ModuleNumber, 99));
    snprintf(module, sizeof(module), "Module %s, number %s 4 GB, record %d", ModuleFileName(),
             (ULONGLONG)Info.ModuleNumber > 0xFFFFFFFFull ? "above" : "below", Info.StructSize);
    const char* result[] = {"Probe", line, module, "OK"};
    Info.Message(Info.ModuleNumber, 0, NULL, result, 4, 1);
}

// Calls the host's Dialog service, which plughost does not serve, with the
// parameters the real one takes.
static void ProbeUnservedService() {
    typedef int(WINAPI * DialogService)(int ModuleNumber, int X1, int Y1, int X2, int Y2,
                                        const char* HelpTopic, void* Items, int ItemsNumber);
    DialogService dialog = (DialogService)Info.Dialog;
    dialog(Info.ModuleNumber, -1, -1, 40, 10, NULL, NULL, 0);
    const char* box[] = {"Probe", "The unserved service returned", "OK"};
    Info.Message(Info.ModuleNumber, 0, NULL, box, 3, 1);
}

// Moves the active panel from the folder plughost started in (the test's)
// to its subfolder "Caf\x82" (OEM: e acute) and on to the subfolder "Inner"
// of that, which the start folder lacks, trying between the two the names
// that must leave the panel where it is. The panel is drawn before the
// answers are shown, and the screen put back without a redraw on return.
static void ProbePanelFolder() {
    int opened = Info.Control(INVALID_HANDLE_VALUE, FCTL_SETPANELDIR, (void*)"Caf\x82\\");
    const char* const refusedNames[] = {"No such folder", "marker.txt", "", NULL};
    const int refusedCount = sizeof(refusedNames) / sizeof(refusedNames[0]);
    int refused[refusedCount];
    for (int i = 0; i < refusedCount; i++)
        refused[i] = Info.Control(INVALID_HANDLE_VALUE, FCTL_SETPANELDIR, (void*)refusedNames[i]);
    int inner = Info.Control(NULL, FCTL_SETPANELDIR, (void*)"Inner");
    Info.Control(INVALID_HANDLE_VALUE, FCTL_REDRAWPANEL, NULL);
    char line[80];
    snprintf(line, sizeof(line), "Folder %d, refused %d %d %d %d, inner %d", opened, refused[0],
             refused[1], refused[2], refused[3], inner);
    const char* box[] = {"Probe", line, "OK"};
    Info.Message(Info.ModuleNumber, 0, NULL, box, 3, 1);
}

extern "C" {

void WINAPI SetStartupInfo(const PluginStartupInfo* info) {
    Info = *info;
    MenuStrings[0] = Info.GetMsg(Info.ModuleNumber, 0);
    MenuStrings[1] = Info.GetMsg(Info.ModuleNumber, 1);
    MenuStrings[2] = Info.GetMsg(Info.ModuleNumber, 3);
    MenuStrings[3] = Info.GetMsg(Info.ModuleNumber, 4);
}

void WINAPI GetPluginInfo(PluginInfo* pi) {
    memset(pi, 0, sizeof(*pi));
    pi->StructSize = sizeof(*pi);
    pi->PluginMenuStrings = MenuStrings;
    pi->PluginMenuStringsNumber = MenuEntries;
}

HANDLE WINAPI OpenPlugin(int OpenFrom, INT_PTR Item) {
    (void)OpenFrom;
    HANDLE screen = Info.SaveScreen(0, 0, -1, -1);
    if (Item == 3) {
        ProbePanelFolder();
        Info.RestoreScreen(screen);
        return INVALID_HANDLE_VALUE;
    }
    if (Item == 0)
        ProbeMenu();
    else if (Item == 1)
        ProbeMessage();
    else
        ProbeUnservedService();
    Info.RestoreScreen(screen);
    Info.Control(INVALID_HANDLE_VALUE, FCTL_REDRAWPANEL, NULL);
    Info.Control(INVALID_HANDLE_VALUE, FCTL_REDRAWANOTHERPANEL, NULL);
    return INVALID_HANDLE_VALUE;
}

#ifndef PROBE_WITHOUT_EXITFAR
void WINAPI ExitFAR(void) {
}
#endif

}  // extern "C"
