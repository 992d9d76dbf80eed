#include "FakeHost3.h"

#include "../../src/hostcalls/HostCalls.h"

#include <gtest/gtest.h>

#include <string.h>

static FakeHost3* Current;

// The module's identities as released: a change would lose the users' hot
// keys and settings, so the fake host knows them by value, not from the
// module's own code.
struct KnownGuid {
    const char* Name;
    GUID Value;
};
static const KnownGuid KnownGuids[] = {
    {"plugin", {0xa5de2fcc, 0xef99, 0x49d7, {0xac, 0x8b, 0x62, 0x84, 0xcc, 0x40, 0x58, 0xa2}}},
    {"menuitem", {0x76a85ad7, 0x7f7e, 0x444f, {0xbe, 0xa9, 0xa9, 0x62, 0x4b, 0x5e, 0x04, 0x14}}},
    {"list", {0x08757fb4, 0x55c7, 0x41ee, {0x9d, 0x8d, 0x6a, 0x3a, 0x2c, 0x28, 0x94, 0x71}}},
    {"confirmation", {0x66e0422e, 0x9bdb, 0x4506, {0xb1, 0x45, 0x8b, 0x19, 0xae, 0xde, 0xb7, 0x84}}},
    {"warning", {0x13269bf0, 0xfb14, 0x417f, {0x91, 0x4b, 0x45, 0xc7, 0x3a, 0x1e, 0x9c, 0xb2}}},
    {"notice", {0x3fa64a1d, 0x4e6b, 0x42db, {0x86, 0xcc, 0xde, 0x3d, 0xd2, 0xc1, 0xc1, 0x27}}},
    {"details", {0x5c2e8f41, 0x9d3a, 0x4b76, {0xa1, 0xe5, 0x7f, 0x08, 0xc4, 0xb9, 0x2d, 0x63}}},
};

std::string GuidName(const GUID* guid) {
    if (!guid)
        return "null";
    for (const KnownGuid& known : KnownGuids)
        if (memcmp(&known.Value, guid, sizeof(GUID)) == 0)
            return known.Name;
    return "unknown";
}

std::string Utf8(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string utf8(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &utf8[0], size, NULL, NULL);
    return utf8;
}

static std::string Quote(const wchar_t* text) {
    return text ? "\"" + Utf8(text) + "\"" : "null";
}

static std::string Number(long long value) {
    return std::to_string(value);
}

static INT_PTR WINAPI Menu(const GUID* pluginId, const GUID* id, INT_PTR x, INT_PTR y,
                           INT_PTR maxHeight, Far3::FarFlags flags, const wchar_t* title,
                           const wchar_t* bottom, const wchar_t* helpTopic,
                           const Far3::FarKey* breakKeys, INT_PTR* breakCode, const Far3::FarMenuItem* items,
                           size_t count) {
    std::string keys = "null";
    if (breakKeys) {
        keys = "{";
        for (const Far3::FarKey* key = breakKeys;; key++) {
            keys += Number(key->VirtualKeyCode) + ":" + Number(key->ControlKeyState);
            if (key->VirtualKeyCode == 0)
                break;
            keys += ", ";
        }
        keys += "}";
    }
    std::vector<std::wstring> list;
    for (size_t i = 0; i < count; i++) {
        EXPECT_EQ(items[i].Reserved[0] | items[i].Reserved[1], 0) << "item " << i;
        list.push_back(items[i].Text ? items[i].Text : L"(null)");
    }
    Current->Lists.push_back(list);
    Current->Calls.push_back("Menu(" + GuidName(pluginId) + ", " + GuidName(id) + ", " +
                             Number(x) + ", " + Number(y) + ", " + Number(maxHeight) + ", " +
                             Number((long long)flags) + ", " + Quote(title) + ", " + Quote(bottom) +
                             ", " + Quote(helpTopic) + ", " + keys + ", " +
                             (breakCode ? "&code" : "null") + ", " + Number((long long)count) + ")");
    if (breakCode)
        *breakCode = -1;
    if (Current->MenuAnswers.empty())
        return -1;
    std::pair<INT_PTR, INT_PTR> answer = Current->MenuAnswers.front();
    Current->MenuAnswers.pop_front();
    if (breakCode)
        *breakCode = answer.second;
    return answer.first;
}

static INT_PTR WINAPI Message(const GUID* pluginId, const GUID* id, Far3::FarFlags flags,
                              const wchar_t* helpTopic, const wchar_t* const* items, size_t count,
                              INT_PTR buttons) {
    std::string list = "{";
    for (size_t i = 0; i < count; i++)
        list += (i ? ", " : "") + Quote(items[i]);
    Current->Calls.push_back("Message(" + GuidName(pluginId) + ", " + GuidName(id) + ", " +
                             Number((long long)flags) + ", " + Quote(helpTopic) + ", " + list +
                             "}, " + Number((long long)count) + ", " + Number(buttons) + ")");
    if (buttons == 0 || Current->MessageAnswers.empty())
        return -1;
    INT_PTR answer = Current->MessageAnswers.front();
    Current->MessageAnswers.pop_front();
    return answer;
}

static const wchar_t* WINAPI GetMsg(const GUID* pluginId, INT_PTR number) {
    EXPECT_EQ(GuidName(pluginId), "plugin");
    if (number < 0 || number >= (INT_PTR)Current->Messages.size()) {
        ADD_FAILURE() << "GetMsg asked for message " << number;
        return L"";
    }
    return Current->Messages[number].c_str();
}

static std::string Panel(HANDLE panel) {
    return panel == PANEL_ACTIVE ? "active" : panel == PANEL_PASSIVE ? "passive" : "other";
}

static INT_PTR WINAPI PanelControl(HANDLE panel, int command, INT_PTR param1, void* param2) {
    std::string shown = param2 ? "param" : "null";
    if (command == Far3::FCTL_SETPANELDIRECTORY && param2) {
        // The host takes only a whole record, naming a file-system folder.
        const Far3::FarPanelDirectory* folder = (const Far3::FarPanelDirectory*)param2;
        static const GUID NoPlugin = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
        bool whole = folder->StructSize == sizeof(Far3::FarPanelDirectory) && !folder->Param &&
                     !folder->File && memcmp(&folder->PluginId, &NoPlugin, sizeof(GUID)) == 0;
        shown = std::string(whole ? "folder " : "a bad record for ") + Quote(folder->Name);
    }
    Current->Calls.push_back("PanelControl(" + Panel(panel) + ", " + Number(command) + ", " +
                             Number(param1) + ", " + shown + ")");
    return 1;
}

static HANDLE WINAPI SaveScreen(INT_PTR x1, INT_PTR y1, INT_PTR x2, INT_PTR y2) {
    Current->Calls.push_back("SaveScreen(" + Number(x1) + ", " + Number(y1) + ", " + Number(x2) +
                             ", " + Number(y2) + ")");
    Current->OpenScreens++;
    return (HANDLE)(INT_PTR)0x5C0;
}

static void WINAPI RestoreScreen(HANDLE screen) {
    Current->Calls.push_back(screen ? "RestoreScreen(saved)" : "RestoreScreen(null)");
    if (screen)
        Current->OpenScreens--;
}

static void WINAPI Text(INT_PTR x, INT_PTR y, const Far3::FarColor* colour, const wchar_t* text) {
    std::string drawn = "null";
    if (colour)
        drawn = Number((long long)colour->Flags) + "/" + Number(colour->ForegroundColor) + "/" +
                Number(colour->BackgroundColor);
    Current->Calls.push_back("Text(" + Number(x) + ", " + Number(y) + ", " + drawn + ", " +
                             Quote(text) + ")");
}

static void WINAPI Unused() {
    ADD_FAILURE() << "the module called a host service it has no business with";
}

FakeHost3::FakeHost3() : OpenScreens(0) {
    for (size_t i = 0; i < MessageCount; i++)
        Messages.push_back(L"Msg" + std::to_wstring(i));
    memset(&Standard, 0, sizeof(Standard));
    Standard.StructSize = sizeof(Standard);
    Current = this;
}

FakeHost3::~FakeHost3() {
    Current = NULL;
}

Far3::PluginStartupInfo FakeHost3::StartupInfo() {
    Far3::PluginStartupInfo info;
    Far3::Far3Unused* slots = (Far3::Far3Unused*)&info;
    for (size_t i = 0; i < sizeof(info) / sizeof(Far3::Far3Unused); i++)
        slots[i] = (Far3::Far3Unused)Unused;
    info.StructSize = sizeof(info);
    info.ModuleName = L"C:\\Plugins\\UninstallMenu\\UninstallMenu.dll";
    info.Menu = Menu;
    info.Message = Message;
    info.GetMsg = GetMsg;
    info.PanelControl = PanelControl;
    info.SaveScreen = SaveScreen;
    info.RestoreScreen = RestoreScreen;
    info.Text = Text;
    info.FSF = &Standard;
    info.Private = NULL;
    info.Instance = NULL;
    return info;
}
