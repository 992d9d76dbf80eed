// The module for the host's 3.x interface, loaded as that host loads it and
// driven through its five entry points: what it tells the host of itself,
// the identities of its windows, and names and commands in UTF-16 as the
// registry stores them. What the core does whatever the host is, the 1.x
// module's tests show once.
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/FakeHost3.h"
#include "support/PluginDll.h"
#include "support/RegistrySandbox.h"
#include "support/Text.h"
#include "../src/hostcalls/HostCalls.h"

typedef std::vector<std::string> Calls;

// The 3.x DLL: in far3\ beside the 1.x one, one folder above the test program.
static std::string Far3DllPath() {
    std::string path = BuiltPluginPath();
    return path.substr(0, path.find_last_of('\\')) + "\\far3\\UninstallMenu.dll";
}

// Beyond every 8-bit code page at once: Chinese, and Cyrillic on a Western system.
static const std::wstring Chinese = L"\x793A\x4F8B\x7A0B\x5E8F \x7167\x7247\x7F16\x8F91\x5668";
static const std::wstring Cyrillic = L"\x041F\x0440\x043E\x0441\x043C\x043E\x0442\x0440";
// Longer than the 1.x item's 127 bytes.
static const std::wstring Long = L"Long " + std::wstring(200, L'x');

static const std::string SaveWholeScreen = "SaveScreen(0, 0, -1, -1)";
static const Calls GiveBackThePanels = {"RestoreScreen(saved)", "PanelControl(active, 3, 0, null)",
                                        "PanelControl(passive, 3, 0, null)"};
// The list's break keys as the 3.x host codes them, VirtualKeyCode and
// ControlKeyState: Del, F3, then Ctrl+F3, Ctrl+F6 and Ctrl+F8
// (LEFT_CTRL_PRESSED = 8).
static const std::string List = "Menu(plugin, list, -1, -1, 0, 4, \"Msg3\", \"Msg4\", \"List\", "
                                "{46:0, 114:0, 114:8, 117:8, 119:8, 0:0}, &code, ";

class Far3Test : public ::testing::Test {
protected:
    Far3Test() : Dll(Far3DllPath()) {}
    template <typename Entry>
    Entry Find(const char* name) {
        return (Entry)(void*)GetProcAddress(Dll.Handle(), name);
    }
    void SetUp() override {
        ASSERT_TRUE(Dll.Ready());
        ASSERT_TRUE(Registry.Ready());
        GetGlobalInfo = Find<void(WINAPI*)(Far3::GlobalInfo*)>("GetGlobalInfoW");
        SetStartupInfo = Find<void(WINAPI*)(const Far3::PluginStartupInfo*)>("SetStartupInfoW");
        GetPluginInfo = Find<void(WINAPI*)(Far3::PluginInfo*)>("GetPluginInfoW");
        Open = Find<HANDLE(WINAPI*)(const Far3::OpenInfo*)>("OpenW");
        Exit = Find<void(WINAPI*)(const Far3::ExitInfo*)>("ExitFARW");
        ASSERT_TRUE(GetGlobalInfo && SetStartupInfo && GetPluginInfo && Open && Exit);
        Far3::PluginStartupInfo info = Host.StartupInfo();
        SetStartupInfo(&info);
    }
    void TearDown() override {
        if (Exit) {
            Far3::ExitInfo info = {sizeof(Far3::ExitInfo), NULL};
            Exit(&info);
        }
        EXPECT_EQ(Dll.LiveBlocks(), 0);
        EXPECT_EQ(Dll.WritesPastABlock(), 0);
        EXPECT_EQ(Host.OpenScreens, 0);
    }
    // Opens the list from the plug-ins menu, as the host does; the module
    // must answer null, or the host takes the answer for a panel.
    void OpenList() {
        Far3::OpenInfo info = {sizeof(Far3::OpenInfo), Far3::OPEN_PLUGINSMENU, NULL, 0, NULL};
        EXPECT_EQ(Open(&info), (HANDLE)NULL);
    }

    PluginDll Dll;
    RegistrySandbox Registry;
    FakeHost3 Host;
    void(WINAPI* GetGlobalInfo)(Far3::GlobalInfo*) = NULL;
    void(WINAPI* SetStartupInfo)(const Far3::PluginStartupInfo*) = NULL;
    void(WINAPI* GetPluginInfo)(Far3::PluginInfo*) = NULL;
    HANDLE(WINAPI* Open)(const Far3::OpenInfo*) = NULL;
    void(WINAPI* Exit)(const Far3::ExitInfo*) = NULL;
};

TEST_F(Far3Test, TellsTheHostWhoItIsAndItsOneMenuItem) {
    Far3::GlobalInfo global;
    memset(&global, 0, sizeof(global));
    global.StructSize = sizeof(global);
    GetGlobalInfo(&global);
    EXPECT_EQ(global.StructSize, sizeof(Far3::GlobalInfo));
    EXPECT_EQ(std::vector<DWORD>({global.MinFarVersion.Major, global.MinFarVersion.Minor,
                                  global.MinFarVersion.Revision, global.MinFarVersion.Build}),
              std::vector<DWORD>({3, 0, 0, 5552}));
    EXPECT_EQ(std::vector<DWORD>({global.Version.Major, global.Version.Minor,
                                  global.Version.Revision}),
              std::vector<DWORD>({PROJECT_VERSION_MAJOR, PROJECT_VERSION_MINOR,
                                  PROJECT_VERSION_PATCH}));
    EXPECT_EQ(std::wstring(global.Title), L"UninstallMenu");
    EXPECT_GT(wcslen(global.Description), 0u);
    EXPECT_GT(wcslen(global.Author), 0u);

    Far3::PluginInfo plugin;
    memset(&plugin, 0, sizeof(plugin));
    plugin.StructSize = sizeof(plugin);
    GetPluginInfo(&plugin);
    EXPECT_EQ(plugin.StructSize, sizeof(Far3::PluginInfo));
    EXPECT_EQ(plugin.Flags, 0u);
    EXPECT_EQ(plugin.DiskMenu.Count + plugin.PluginConfig.Count, 0u);
    ASSERT_EQ(plugin.PluginMenu.Count, 1u);
    EXPECT_EQ(std::wstring(plugin.PluginMenu.Strings[0]), L"Msg3");
    // Both identities as released.
    EXPECT_EQ(GuidName(&global.Guid), "plugin");
    EXPECT_EQ(GuidName(plugin.PluginMenu.Guids), "menuitem");
}

TEST_F(Far3Test, ListShowsNamesAsStoredInFull) {
    Registry.AddProgram(L"chinese", Chinese, L"c.exe");
    Registry.AddProgram(L"cyrillic", Cyrillic, L"r.exe");
    Registry.AddProgram(L"long", Long, L"l.exe");
    Registry.AddProgram(L"alpha", L"alpha", L"a.exe");
    OpenList();
    Calls expected = {SaveWholeScreen, List + "4)"};
    expected.insert(expected.end(), GiveBackThePanels.begin(), GiveBackThePanels.end());
    EXPECT_EQ(Host.Calls, expected);
    // A–Z folded, 16-bit code units compared unsigned.
    ASSERT_EQ(Host.Lists.size(), 1u);
    EXPECT_EQ(Host.Lists[0], (std::vector<std::wstring>{L"alpha", Long, Cyrillic, Chinese}));
}

TEST_F(Far3Test, ConfirmationAndWarningNameProgramAndCommandInFull) {
    std::wstring missing = L"C:\\" + Chinese + L"\\" + Cyrillic + L"\\uninstall.exe";
    Registry.AddProgram(L"chinese", Chinese, L"c.exe");
    Registry.AddProgram(L"missing", Cyrillic, missing);
    Host.MenuAnswers = {{0, -1}, {1, 0}};  // Enter on the missing one, then Del on the other
    Host.MessageAnswers = {0, 0};
    OpenList();
    EXPECT_FALSE(Registry.HasProgram(L"chinese"));
    std::string warning = "Message(plugin, warning, 1, \"Warnings\", {\"Msg0\", \"Msg9\", \"" +
                          Utf8(missing) + "\", \"Msg1\"}, 4, 1)";
    std::string confirmation = "Message(plugin, confirmation, 0, \"Remove\", {\"Msg6\", \"Msg7\", \"" +
                               Utf8(Chinese) + "\", \"Msg6\", \"Msg2\"}, 5, 2)";
    EXPECT_NE(std::find(Host.Calls.begin(), Host.Calls.end(), warning), Host.Calls.end())
        << ::testing::PrintToString(Host.Calls);
    EXPECT_NE(std::find(Host.Calls.begin(), Host.Calls.end(), confirmation), Host.Calls.end())
        << ::testing::PrintToString(Host.Calls);
    ASSERT_EQ(Host.Lists.size(), 3u);
    EXPECT_EQ(Host.Lists[2], (std::vector<std::wstring>{Cyrillic}));
}

// The details box in UTF-16 under its own identity, the keys as the 3.x
// host codes them, and Go to folder as a whole folder record for the active
// panel, before the screen is given back.
TEST_F(Far3Test, DetailsInFullAndGoToFolderForTheActivePanel) {
    wchar_t temp[MAX_PATH];
    std::wstring folder(temp, GetTempPathW(MAX_PATH, temp));
    Registry.AddProgram(L"cyrillic", Cyrillic, L"r.exe");
    Registry.SetRawValue("cyrillic", "InstallDate", REG_SZ, "20230105", 9);
    Registry.SetRawValue("cyrillic", "InstallLocation", REG_EXPAND_SZ, Narrow(folder).c_str(),
                         (DWORD)folder.size() + 1);
    Host.MenuAnswers = {{0, 4}, {0, 1}};  // Ctrl+F8, then F3
    Host.MessageAnswers = {1};
    OpenList();
    std::string details = "Message(plugin, details, 0, \"Details\", {\"" + Utf8(Cyrillic) +
                          "\", \"Msg15 2023-01-05\", \"Msg17 " + Utf8(folder) + "\"";
    ASSERT_EQ(Host.Calls.size(), 8u) << ::testing::PrintToString(Host.Calls);
    std::string byDate = "Menu(plugin, list, -1, -1, 0, 4, \"Msg11\", \"Msg4\", \"List\"";
    EXPECT_EQ(Host.Calls[2].substr(0, byDate.size()), byDate);
    EXPECT_EQ(Host.Calls[3].substr(0, details.size()), details);
    EXPECT_EQ(Host.Calls[4], "PanelControl(active, 10, 0, folder \"" + Utf8(folder) + "\")");
    EXPECT_EQ(Calls(Host.Calls.begin() + 5, Host.Calls.end()), GiveBackThePanels);
    EXPECT_EQ(Host.Lists[1], (std::vector<std::wstring>{L"2023-01-05  " + Cyrillic}));
}

// The language files the 3.x host reads: UTF-8 with a byte-order mark, the
// language line before the first message, and the 1.x files' messages
// messages in their order.
TEST(Far3LanguageTest, FilesHoldThe1xMessagesInUtf8) {
    struct File {
        const char* Name;
        const char* Language;
        UINT OldCodePage;
    };
    const File files[] = {{"UninstallMenuEng.lng", ".Language=English,English", 1252},
                          {"UninstallMenuRus.lng",
                           ".Language=Russian,Russian (\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA"
                           "\xD0\xB8\xD0\xB9)",
                           866}};
    for (const File& file : files) {
        SCOPED_TRACE(file.Name);
        auto read = [](const std::string& path) {
            std::string text;
            FILE* f = fopen(path.c_str(), "rb");
            char buffer[4096];
            for (size_t n; f && (n = fread(buffer, 1, sizeof(buffer), f)) > 0;)
                text.append(buffer, n);
            if (f)
                fclose(f);
            return text;
        };
        std::string now = read(std::string(LANGUAGE_FOLDER) + "/far3/" + file.Name);
        std::string old = read(std::string(LANGUAGE_FOLDER) + "/" + file.Name);
        ASSERT_EQ(now.compare(0, 3, "\xEF\xBB\xBF"), 0) << "no UTF-8 byte-order mark";
        // The old file's text in UTF-8, line by line, against the new one's.
        int wide = MultiByteToWideChar(file.OldCodePage, 0, old.data(), (int)old.size(), NULL, 0);
        std::wstring oldWide(wide, L'\0');
        MultiByteToWideChar(file.OldCodePage, 0, old.data(), (int)old.size(), &oldWide[0], wide);
        auto messages = [](const std::string& text, std::string* language) {
            std::vector<std::string> found;
            size_t start = 0;
            while (start < text.size()) {
                size_t end = text.find('\n', start);
                std::string line = text.substr(start, end == std::string::npos ? end : end - start);
                start = end == std::string::npos ? text.size() : end + 1;
                while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
                    line.pop_back();
                if (line.compare(0, 10, ".Language=") == 0 && found.empty())
                    *language = line;
                else if (!line.empty() && line[0] == '"')
                    found.push_back(line);
            }
            return found;
        };
        std::string language, oldLanguage;
        std::vector<std::string> ours = messages(now.substr(3), &language);
        EXPECT_EQ(language, file.Language);
        EXPECT_EQ(ours.size(), MessageCount);
        EXPECT_EQ(ours, messages(Utf8(oldWide), &oldLanguage));
    }
}
