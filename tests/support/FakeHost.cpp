#include "FakeHost.h"

#include "../../src/hostcalls/HostCalls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdio.h>

static FakeHost* Current;

static std::string Quote(const char* text) {
    return text ? "\"" + std::string(text) + "\"" : "null";
}

static std::string Number(long long value) {
    return std::to_string(value);
}

std::string DescribeHandle(HANDLE handle) {
    if (handle == NULL)
        return "null";
    if (handle == INVALID_HANDLE_VALUE)
        return "INVALID";
    char text[32];
    snprintf(text, sizeof(text), "#%llx", (unsigned long long)(ULONG_PTR)handle);
    return text;
}

// What the host's module number points to; only its address is used.
static const char HostsPluginRecord = 0;

// "module" when the module handed its number back whole.
static std::string Module(INT_PTR number) {
    if (number == Current->ModuleNumber)
        return "module";
    ADD_FAILURE() << "the module handed back number 0x" << std::hex << (ULONG_PTR)number
                  << ", not 0x" << (ULONG_PTR)Current->ModuleNumber;
    return "#" + Number((long long)number);
}

static void Record(const std::string& line) {
    Current->Calls.push_back(line);
}

static int WINAPI FakeMenu(INT_PTR moduleNumber, int x, int y, int maxHeight, unsigned flags,
                           const char* title, const char* bottom, const char* helpTopic,
                           const int* breakKeys, int* breakCode, const FarMenuItem* items,
                           int itemsNumber) {
    std::string keys = "null";
    if (breakKeys) {
        keys = "{";
        for (const int* key = breakKeys;; key++) {
            keys += Number(*key);
            if (*key == 0)
                break;
            keys += ", ";
        }
        keys += "}";
    }
    std::string list = "{";
    for (int i = 0; i < itemsNumber; i++) {
        if (i)
            list += ", ";
        list += Quote(items[i].Text);
        if (items[i].Selected || items[i].Checked || items[i].Separator)
            list += " " + Number(items[i].Selected) + Number(items[i].Checked) +
                    Number(items[i].Separator);
    }
    list += "}";
    Record("Menu(" + Module(moduleNumber) + ", " + Number(x) + ", " + Number(y) + ", " +
           Number(maxHeight) + ", " + Number(flags) + ", " + Quote(title) + ", " + Quote(bottom) +
           ", " + Quote(helpTopic) + ", " + keys + ", " + (breakCode ? "&code" : "null") + ", " +
           list + ", " + Number(itemsNumber) + ")");
    if (Current->OnMenu)
        Current->OnMenu(items, itemsNumber);
    if (Current->MenuAnswers.empty())
        return -1;
    MenuAnswer answer = Current->MenuAnswers.front();
    Current->MenuAnswers.pop_front();
    if (answer.BreakCode != -1 && breakCode)
        *breakCode = answer.BreakCode;
    return answer.Result;
}

static int WINAPI FakeMessage(INT_PTR moduleNumber, unsigned flags, const char* helpTopic,
                              const char* const* items, int itemsNumber, int buttonsNumber) {
    std::string list = "{";
    for (int i = 0; i < itemsNumber; i++)
        list += (i ? ", " : "") + Quote(items[i]);
    list += "}";
    Record("Message(" + Module(moduleNumber) + ", " + Number(flags) + ", " + Quote(helpTopic) +
           ", " + list + ", " + Number(itemsNumber) + ", " + Number(buttonsNumber) + ")");
    // A box without buttons is only drawn; the host returns at once.
    if (buttonsNumber == 0 || Current->MessageAnswers.empty())
        return -1;
    int answer = Current->MessageAnswers.front();
    Current->MessageAnswers.pop_front();
    return answer;
}

static const char* WINAPI FakeGetMsg(INT_PTR moduleNumber, int msgId) {
    Record("GetMsg(" + Module(moduleNumber) + ", " + Number(msgId) + ")");
    if (msgId < 0 || msgId >= (int)Current->Messages.size()) {
        ADD_FAILURE() << "GetMsg asked for message " << msgId;
        return "";
    }
    return Current->Messages[msgId].c_str();
}

static int WINAPI FakeControl(HANDLE hPlugin, int command, void* param) {
    // The one command whose parameter is text: the folder, in the OEM code page.
    std::string shown = command == FCTL_SETPANELDIR && param ? Quote((const char*)param)
                                                             : Number((long long)(LONG_PTR)param);
    Record("Control(" + DescribeHandle(hPlugin) + ", " + Number(command) + ", " + shown + ")");
    return 1;
}

static HANDLE WINAPI FakeSaveScreen(int x1, int y1, int x2, int y2) {
    Record("SaveScreen(" + Number(x1) + ", " + Number(y1) + ", " + Number(x2) + ", " +
           Number(y2) + ")");
    if (Current->SaveScreenFails)
        return NULL;
    HANDLE handle = (HANDLE)(ULONG_PTR)(0x5C0 + Current->NextScreen++);
    Current->SavedScreens.push_back(handle);
    return handle;
}

static void WINAPI FakeRestoreScreen(HANDLE screen) {
    Record("RestoreScreen(" + DescribeHandle(screen) + ")");
    if (!screen)
        return;
    std::vector<HANDLE>& saved = Current->SavedScreens;
    std::vector<HANDLE>::iterator it = std::find(saved.begin(), saved.end(), screen);
    if (it == saved.end())
        ADD_FAILURE() << "RestoreScreen of a handle not saved or already restored: "
                      << DescribeHandle(screen);
    else
        saved.erase(it);
}

static void WINAPI FakeText(int x, int y, int color, const char* text) {
    Record("Text(" + Number(x) + ", " + Number(y) + ", " + Number(color) + ", " + Quote(text) +
           ")");
}

static void WINAPI UnusedService() {
    ADD_FAILURE() << "the module called a host service it has no business with";
}

FakeHost::FakeHost()
    : ModuleNumber((INT_PTR)&HostsPluginRecord),
      OnMenu(NULL),
      SaveScreenFails(false),
      NextScreen(0) {
    for (size_t i = 0; i < MessageCount; i++)
        Messages.push_back("Msg" + Number((long long)i));
    Current = this;
}

FakeHost::~FakeHost() {
    Current = NULL;
}

PluginStartupInfo FakeHost::StartupInfo() const {
    PluginStartupInfo info;
    memset(&info, 0, sizeof(info));
    info.StructSize = sizeof(info);
    lstrcpynA(info.ModuleName, "C:\\Plugins\\UninstallMenu\\UninstallMenu.dll",
              sizeof(info.ModuleName));
    // Above 4 GB in the 64-bit build, or a module that kept 32 bits of it
    // would pass unseen.
    if (sizeof(INT_PTR) > 4 && (ULONG_PTR)ModuleNumber <= 0xFFFFFFFFu)
        ADD_FAILURE() << "the fake host's module number 0x" << std::hex << (ULONG_PTR)ModuleNumber
                      << " lies below 4 GB";
    info.ModuleNumber = ModuleNumber;
    info.Menu = FakeMenu;
    info.Message = FakeMessage;
    info.GetMsg = FakeGetMsg;
    info.Control = FakeControl;
    info.SaveScreen = FakeSaveScreen;
    info.RestoreScreen = FakeRestoreScreen;
    info.Text = FakeText;
    FarApiUnused unused = (FarApiUnused)UnusedService;
    info.Dialog = info.GetDirList = info.GetPluginDirList = info.FreeDirList = unused;
    info.Viewer = info.Editor = info.CmpName = info.CharTable = info.EditorControl = unused;
    return info;
}

std::vector<std::string> FakeHost::CallsExceptGetMsg() const {
    std::vector<std::string> calls;
    for (size_t i = 0; i < Calls.size(); i++)
        if (Calls[i].compare(0, 7, "GetMsg(") != 0)
            calls.push_back(Calls[i]);
    return calls;
}
