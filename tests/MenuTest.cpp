// The plug-ins menu entry end to end: the built DLL driven through its four
// entry points by the fake host, over a sandboxed registry.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/FakeHost.h"
#include "support/PluginDll.h"
#include "support/RegistrySandbox.h"
#include "support/TestChild.h"
#include "support/Text.h"

#include <shellapi.h>

typedef std::vector<std::string> Calls;

// The list's break keys as the 1.x host codes them, VK | (PKF_* << 16):
// Del, F3, then Ctrl+F3, Ctrl+F6 and Ctrl+F8 (PKF_CONTROL = 1).
static const std::string ListBreakKeys = "{46, 114, 65650, 65653, 65655, 0}";

// The catalogue menu as the host must receive it on every pass: title,
// bottom line, the break keys, and no item selected.
static std::string CatalogueMenu(const std::vector<std::string>& names,
                                 const std::string& title = "Msg3") {
    std::string items;
    for (const std::string& name : names)
        items += (items.empty() ? "\"" : ", \"") + name + "\"";
    return "Menu(module, -1, -1, 0, 4, \"" + title + "\", \"Msg4\", \"List\", " + ListBreakKeys +
           ", &code, {" + items + "}, " + std::to_string(names.size()) + ")";
}

static std::string DeleteConfirmation(const std::string& name) {
    return R"(Message(module, 0, "Remove", {"Msg6", "Msg7", ")" + name + R"(", "Msg6", "Msg2"}, 5, 2))";
}

// What the runner shows the host around an uninstaller's run: the notice on
// the top row, then that row given back (the whole screen was saved first).
static const Calls RunnerNotice = {"SaveScreen(0, 0, -1, 0)", R"(Text(2, 0, 7, "Msg5"))",
                                   "RestoreScreen(null)", "RestoreScreen(#5c1)"};

static std::string StartWarning(const std::string& command) {
    return R"(Message(module, 1, "Warnings", {"Msg0", "Msg9", ")" + command + R"(", "Msg1"}, 4, 1))";
}

static Calls Joined(std::initializer_list<Calls> parts) {
    Calls all;
    for (const Calls& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

static const char SaveWholeScreen[] = "SaveScreen(0, 0, -1, -1)";
static const char RestoreWholeScreen[] = "RestoreScreen(#5c0)";
static const char RedrawPanel[] = "Control(INVALID, 5, 0)";
static const char RedrawOtherPanel[] = "Control(INVALID, 6, 0)";

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Registry.Ready());
        ASSERT_TRUE(Dll.Ready());
        PluginStartupInfo info = Host.StartupInfo();
        Dll.SetStartupInfo(&info);
        BlocksBefore = Dll.LiveBlocks();
    }
    void TearDown() override {
        if (!Dll.Ready())
            return;
        EXPECT_EQ(Dll.LiveBlocks(), BlocksBefore) << "the loop kept blocks after it returned";
        EXPECT_TRUE(Host.SavedScreens.empty()) << "a saved screen was never given back";
        Dll.ExitFAR();
        EXPECT_EQ(Dll.LiveBlocks(), 0);
        EXPECT_EQ(Dll.StrayFrees(), 0);
        EXPECT_EQ(Dll.WritesPastABlock(), 0);
    }
    void Open() {
        EXPECT_EQ(Dll.OpenPlugin(0, 0), INVALID_HANDLE_VALUE);
    }
    void AddAlphaBetaGamma() {
        Registry.AddProgram("gamma", "Gamma", "gamma.exe");
        Registry.AddProgram("alpha", "alpha", "alpha.exe");
        Registry.AddProgram("beta", "Beta", "beta.exe");
    }

    RegistrySandbox Registry;
    FakeHost Host;
    PluginDll Dll;
    int BlocksBefore = 0;
};

TEST_F(MenuTest, EscRestoresTheScreenAndRedrawsBothPanels) {
    AddAlphaBetaGamma();
    Open();
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              (Calls{SaveWholeScreen, CatalogueMenu({"alpha", "Beta", "Gamma"}), RestoreWholeScreen,
                     RedrawPanel, RedrawOtherPanel}));
}

TEST_F(MenuTest, DelThenDeleteButtonRemovesTheKeyAndTheNextPassOmitsIt) {
    AddAlphaBetaGamma();
    Host.MenuAnswers = {{1, 0}};
    Host.MessageAnswers = {0};
    Open();
    EXPECT_FALSE(Registry.HasProgram("beta"));
    EXPECT_TRUE(Registry.HasProgram("alpha"));
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              (Calls{SaveWholeScreen, CatalogueMenu({"alpha", "Beta", "Gamma"}),
                     DeleteConfirmation("Beta"), CatalogueMenu({"alpha", "Gamma"}),
                     RestoreWholeScreen, RedrawPanel, RedrawOtherPanel}));
}

class MenuDeclineTest : public MenuTest, public ::testing::WithParamInterface<int> {};

TEST_P(MenuDeclineTest, DelThenAnyOtherAnswerChangesNothing) {
    AddAlphaBetaGamma();
    Host.MenuAnswers = {{2, 0}};
    Host.MessageAnswers = {GetParam()};
    Open();
    EXPECT_TRUE(Registry.HasProgram("gamma"));
    Calls expected = {SaveWholeScreen, CatalogueMenu({"alpha", "Beta", "Gamma"}),
                      DeleteConfirmation("Gamma"), CatalogueMenu({"alpha", "Beta", "Gamma"}),
                      RestoreWholeScreen, RedrawPanel, RedrawOtherPanel};
    EXPECT_EQ(Host.CallsExceptGetMsg(), expected);
}

// The second button, and Esc on the box.
INSTANTIATE_TEST_SUITE_P(Answers, MenuDeclineTest, ::testing::Values(1, -1));

TEST_F(MenuTest, DeletingTheLastEntryReturnsToTheHostAtOnce) {
    Registry.AddProgram("only", "Only one", "only.exe");
    Registry.AddProgram("nameless", nullptr, "nameless.exe");
    Host.MenuAnswers = {{0, 0}};
    Host.MessageAnswers = {0};
    Open();
    EXPECT_FALSE(Registry.HasProgram("only"));
    // Nothing is left to list: the screen goes back, the panels were never covered.
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              (Calls{SaveWholeScreen, CatalogueMenu({"Only one"}), DeleteConfirmation("Only one"),
                     RestoreWholeScreen}));
}

TEST_F(MenuTest, UnreadableListWarnsAndGivesTheScreenBack) {
    Open();
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              (Calls{SaveWholeScreen, R"(Message(module, 1, "Warnings", {"Msg0", "Msg8", "Msg1"}, 3, 1))",
                     RestoreWholeScreen}));
}

// What the DLL asked the shell, recorded on the way to the real call, which
// is made unless ShellAnswer names a failure to answer instead.
struct ShellRequest {
    std::string Verb, File, Parameters;
    ULONG Mask;
};
static std::vector<ShellRequest>* ShellRequests;
static DWORD ShellAnswer;

static std::string Text(const wchar_t* text) {
    return text ? Narrow(text) : "(null)";
}

static BOOL WINAPI RecordingShellExecuteExW(SHELLEXECUTEINFOW* info) {
    ShellRequests->push_back(
        {Text(info->lpVerb), Text(info->lpFile), Text(info->lpParameters), info->fMask});
    if (ShellAnswer == 0)
        return ShellExecuteExW(info);
    SetLastError(ShellAnswer);
    return FALSE;
}

static LONG WINAPI RefusingRegDeleteKeyW(HKEY, LPCWSTR) {
    return ERROR_ACCESS_DENIED;
}

struct RemovalCase {
    const char* Name;
    Hive Where;
    bool WithSubkey;     // the program's key has a subkey of its own
    bool RightsRefused;  // the registry refuses the user's own deletion
    bool Elevated;       // the shell is asked for rights, and the user declines
};

class MenuRemovalTest : public MenuTest, public ::testing::WithParamInterface<RemovalCase> {};

// Del, then the first button: the key goes where the entry lives, or the user
// is told that it stayed. Only a machine's key without subkeys that the user
// lacks the rights for is worth the consent prompt.
TEST_P(MenuRemovalTest, RemovesTheKeyOrSaysItStayed) {
    const RemovalCase& c = GetParam();
    std::vector<ShellRequest> requests;
    ShellRequests = &requests;
    ShellAnswer = ERROR_CANCELLED;
    ASSERT_TRUE(Dll.Redirect("shell32.dll", "ShellExecuteExW", (void*)RecordingShellExecuteExW));
    if (c.RightsRefused) {
        ASSERT_TRUE(Dll.Redirect("advapi32.dll", "RegDeleteKeyW", (void*)RefusingRegDeleteKeyW));
    }
    // The same key name in the other root, which must stay whatever happens.
    Hive other = c.Where == Machine ? User : Machine;
    Registry.AddProgram("alpha", "alpha", "alpha.exe");
    Registry.AddProgram("beta", "Beta", "beta.exe", c.Where);
    Registry.AddProgram("beta", "Other Beta", "beta.exe", other);
    if (c.WithSubkey)
        Registry.AddProgram("beta\\Components", nullptr, nullptr, c.Where);
    Host.MenuAnswers = {{1, 0}};
    Host.MessageAnswers = {0, 0};
    Open();

    bool removed = !c.WithSubkey && !c.RightsRefused;
    EXPECT_EQ(Registry.HasProgram("beta", c.Where), !removed);
    EXPECT_TRUE(Registry.HasProgram("beta", other));
    EXPECT_EQ(requests.size(), c.Elevated ? 1u : 0u);
    if (c.Elevated && !requests.empty()) {
        std::string asked = requests[0].File + " " + requests[0].Parameters;
        EXPECT_EQ(requests[0].Verb, "runas");
        EXPECT_NE(asked.find("\\reg.exe delete \"HKLM\\" + std::string(WindowsUninstallKey) +
                             "\\beta\" /f"),
                  std::string::npos)
            << asked;
    }
    Calls expected = {SaveWholeScreen, CatalogueMenu({"alpha", "Beta", "Other Beta"}),
                      DeleteConfirmation("Beta")};
    if (!removed)
        expected.push_back(R"(Message(module, 1, "Warnings", {"Msg0", "Msg10", "Beta", "Msg1"}, 4, 1))");
    expected.push_back(removed ? CatalogueMenu({"alpha", "Other Beta"})
                               : CatalogueMenu({"alpha", "Beta", "Other Beta"}));
    expected.insert(expected.end(), {RestoreWholeScreen, RedrawPanel, RedrawOtherPanel});
    EXPECT_EQ(Host.CallsExceptGetMsg(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MenuRemovalTest,
    ::testing::Values(RemovalCase{"CurrentUsersKeyGoesFromThereOnly", User, false, false, false},
                      RemovalCase{"KeyWithSubkeysStaysUnelevated", Machine, true, false, false},
                      RemovalCase{"DeclinedConsentKeepsTheKey", Machine, false, true, true},
                      RemovalCase{"CurrentUsersKeyIsNeverElevated", User, false, true, false}),
    [](const ::testing::TestParamInfo<RemovalCase>& info) { return std::string(info.param.Name); });

TEST_F(MenuTest, EnterRunsTheUninstallerAndTheNextPassShowsItsWork) {
    AddAlphaBetaGamma();
    // Beta's uninstaller removes Beta's own entry, as a real one does.
    std::string betaKey = Registry.Path() + "\\" + WindowsUninstallKey + "\\beta";
    std::string command = TestChildCommand("--out 100000 --err 1000 --delete-key " + betaKey);
    Registry.AddProgram("beta", "Beta", command.c_str());
    Host.MenuAnswers = {{1, -1}};
    Open();
    EXPECT_FALSE(Registry.HasProgram("beta"));
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              Joined({{SaveWholeScreen, CatalogueMenu({"alpha", "Beta", "Gamma"})},
                      RunnerNotice,
                      {CatalogueMenu({"alpha", "Gamma"}), RestoreWholeScreen, RedrawPanel,
                       RedrawOtherPanel}}));
}

TEST_F(MenuTest, UninstallerThatRunsAndFailsIsNotReported) {
    std::string command = TestChildCommand("--exit 3");
    Registry.AddProgram("failing", "Failing", command.c_str());
    Host.MenuAnswers = {{0, -1}};
    Open();
    EXPECT_TRUE(Registry.HasProgram("failing"));
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              Joined({{SaveWholeScreen, CatalogueMenu({"Failing"})},
                      RunnerNotice,
                      {CatalogueMenu({"Failing"}), RestoreWholeScreen, RedrawPanel,
                       RedrawOtherPanel}}));
}

// An expansion that asks for more room on every call, as a platform may.
static DWORD WINAPI AlwaysAskingForMore(LPCWSTR, LPWSTR, DWORD size) {
    return size * 2;
}

struct CannotStartCase {
    const char* Name;
    const char* Command;
    void* Expansion;  // replaces ExpandEnvironmentStringsW, unless null
};

class MenuCannotStartTest : public MenuTest,
                            public ::testing::WithParamInterface<CannotStartCase> {};

// The warning names the command as stored; every block the expansion grew
// into is released (the fixture counts them).
TEST_P(MenuCannotStartTest, UninstallerIsReportedAsStored) {
    const CannotStartCase& c = GetParam();
    if (c.Expansion) {
        ASSERT_TRUE(Dll.Redirect("kernel32.dll", "ExpandEnvironmentStringsW", c.Expansion));
    }
    Registry.AddProgram("broken", "Broken", c.Command);
    Host.MenuAnswers = {{0, -1}};
    Host.MessageAnswers = {0};
    Open();
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              Joined({{SaveWholeScreen, CatalogueMenu({"Broken"})},
                      RunnerNotice,
                      {StartWarning(c.Command), CatalogueMenu({"Broken"}), RestoreWholeScreen,
                       RedrawPanel, RedrawOtherPanel}}));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, MenuCannotStartTest,
    ::testing::Values(
        CannotStartCase{"Missing", "C:\\missing\\%UNINSTALLMENU_NO_SUCH_VAR%\\uninst.exe /quiet",
                        nullptr},
        CannotStartCase{"NeverExpanded", "growing.exe", (void*)AlwaysAskingForMore}),
    [](const ::testing::TestParamInfo<CannotStartCase>& info) {
        return std::string(info.param.Name);
    });

// Text that the ANSI code page (1252 in the suite) lacks: Cyrillic and Chinese.
static const std::wstring Beyond = L"\u0423\u0434\u0430\u043b\u0435\u043d\u0438\u0435 \u5378\u8f7d";

// A folder named beyond the code page under the temporary folder, removed
// with the one file copied into it.
class BeyondFolder {
public:
    BeyondFolder() {
        wchar_t temp[MAX_PATH];
        DWORD length = GetTempPathW(MAX_PATH, temp);
        Path = std::wstring(temp, length) + L"UninstallMenuTests-" +
               std::to_wstring(GetCurrentProcessId()) + L"-" + Beyond;
        EXPECT_TRUE(CreateDirectoryW(Path.c_str(), NULL));
    }
    ~BeyondFolder() {
        DeleteFileW(Uninstaller().c_str());
        RemoveDirectoryW(Path.c_str());
    }
    std::wstring Uninstaller() const { return Path + L"\\testchild.exe"; }
    std::wstring Path;
};

class MenuBeyondTest : public MenuTest, public ::testing::WithParamInterface<bool> {};

// The command reaches the platform as the registry holds it; one that
// cannot start is shown as stored, in the ANSI form the host can show.
TEST_P(MenuBeyondTest, UninstallerInAFolderBeyondTheCodePageRunsOrIsReported) {
    bool installed = GetParam();
    BeyondFolder folder;
    ScratchFolder scratch;
    if (installed) {
        ASSERT_TRUE(CopyFileW(Wide(TestChildPath()).c_str(), folder.Uninstaller().c_str(), FALSE));
    }
    std::wstring command =
        L"\"" + folder.Uninstaller() + L"\" --touch " + Wide(scratch.File("ran"));
    Registry.AddProgram(L"Beyond", L"Beyond", command);
    Host.MenuAnswers = {{0, -1}};
    Host.MessageAnswers = {0};
    Open();
    EXPECT_EQ(scratch.Has("ran"), installed);
    std::string warning = StartWarning(Narrow(command));
    Calls calls = Host.CallsExceptGetMsg();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), warning), installed ? 0 : 1)
        << ::testing::PrintToString(calls);
}

INSTANTIATE_TEST_SUITE_P(Uninstallers, MenuBeyondTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Installed" : "Missing");
                         });

TEST_F(MenuTest, KeyNamedBeyondTheCodePageIsListedAndRemoved) {
    Registry.AddProgram(L"{" + Beyond + L"}", L"Keyed", L"keyed.exe");
    Registry.AddProgram("other", "Other", "other.exe");
    Host.MenuAnswers = {{0, 0}};
    Host.MessageAnswers = {0};
    Open();
    EXPECT_FALSE(Registry.HasProgram(L"{" + Beyond + L"}"));
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              (Calls{SaveWholeScreen, CatalogueMenu({"Keyed", "Other"}), DeleteConfirmation("Keyed"),
                     CatalogueMenu({"Other"}), RestoreWholeScreen, RedrawPanel, RedrawOtherPanel}));
}

class MenuOutsideAnswerTest : public MenuTest, public ::testing::WithParamInterface<int> {};

// Del closes the menu on whatever the host answers; only an entry of the
// list may be acted on.
TEST_P(MenuOutsideAnswerTest, IsTakenAsCancel) {
    Registry.AddProgram("one", "One", "one.exe");
    Registry.AddProgram("two", "Two", "two.exe");
    Host.MenuAnswers = {{GetParam(), 0}};
    Host.MessageAnswers = {0};
    Open();
    EXPECT_TRUE(Registry.HasProgram("one"));
    EXPECT_EQ(Host.CallsExceptGetMsg(), (Calls{SaveWholeScreen, CatalogueMenu({"One", "Two"}),
                                               RestoreWholeScreen, RedrawPanel, RedrawOtherPanel}));
}

// One past the end, further out, and below the cancel answer.
INSTANTIATE_TEST_SUITE_P(Answers, MenuOutsideAnswerTest, ::testing::Values(2, 5, -2));

static std::vector<REGSAM>* OpenMasks;

static LONG WINAPI RecordingRegOpenKeyExW(HKEY key, LPCWSTR path, DWORD options, REGSAM mask,
                                          PHKEY result) {
    OpenMasks->push_back(mask);
    return RegOpenKeyExW(key, path, options, mask, result);
}

// A user without write rights to HKEY_LOCAL_MACHINE must still get the list.
TEST_F(MenuTest, OpensEveryKeyForReadingOnly) {
    std::vector<REGSAM> masks;
    OpenMasks = &masks;
    ASSERT_TRUE(Dll.Redirect("advapi32.dll", "RegOpenKeyExW", (void*)RecordingRegOpenKeyExW));
    AddAlphaBetaGamma();
    Open();
    // The Uninstall key and each program's key, in one view or both.
    EXPECT_GE(masks.size(), 4u);
    for (REGSAM mask : masks)
        EXPECT_EQ(mask & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY), (REGSAM)KEY_READ);
}

typedef LONG(WINAPI* NtQueryKeyCall)(HANDLE key, int infoClass, void* info, ULONG length,
                                     ULONG* resultLength);
static int KeyQueries;

// The DLL asks each key's kernel name twice, for its size and then for the
// name itself: this refuses the first key's name.
static LONG WINAPI RefusingSecondNtQueryKey(HANDLE key, int infoClass, void* info, ULONG length,
                                            ULONG* resultLength) {
    static NtQueryKeyCall real =
        (NtQueryKeyCall)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryKey");
    if (++KeyQueries == 2)
        return (LONG)0xC0000022;  // STATUS_ACCESS_DENIED
    return real(key, infoClass, info, length, resultLength);
}

// The sandbox's key is one key in both views; without its name that cannot
// be told, so each view's programs are listed, and the name's block, taken
// before the refusal, is released once.
TEST_F(MenuTest, KeyNameRefusedListsBothViewsAndReleasesTheNameOnce) {
    KeyQueries = 0;
    ASSERT_TRUE(Dll.RedirectLookup("NtQueryKey", (void*)RefusingSecondNtQueryKey));
    Registry.AddProgram("alpha", "Alpha", "alpha.exe");
    Open();
    EXPECT_EQ(KeyQueries, 4);
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              (Calls{SaveWholeScreen, CatalogueMenu({"Alpha", "Alpha"}), RestoreWholeScreen,
                     RedrawPanel, RedrawOtherPanel}));
}

// The console title as a platform that will not hand over a long one shows
// it: a buffer too small for the title gets 0 and no error, just as an empty
// title does. Wine hands over what fits, so the platform's answer is
// reproduced here, and the DLL's title calls are recorded.
static std::string PlatformTitle;
static Calls* TitleCalls;

static DWORD WINAPI WithholdingGetConsoleTitleW(LPWSTR buffer, DWORD size) {
    if (PlatformTitle.empty() || PlatformTitle.size() + 1 > size)
        return 0;
    std::wstring title = Wide(PlatformTitle);
    memcpy(buffer, title.c_str(), (title.size() + 1) * sizeof(wchar_t));
    return (DWORD)title.size();
}

static BOOL WINAPI RecordingSetConsoleTitleW(LPCWSTR title) {
    TitleCalls->push_back(Narrow(title));
    return TRUE;
}

class MenuTitleTest : public MenuTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(MenuTitleTest, TitleIsPutBackOnlyWhenItWasReadWhole) {
    PlatformTitle = std::string(GetParam(), 't');
    Calls titles;
    TitleCalls = &titles;
    ASSERT_TRUE(Dll.Redirect("kernel32.dll", "GetConsoleTitleW", (void*)WithholdingGetConsoleTitleW));
    ASSERT_TRUE(Dll.Redirect("kernel32.dll", "SetConsoleTitleW", (void*)RecordingSetConsoleTitleW));
    std::string command = TestChildCommand("--exit 0");
    Registry.AddProgram("child", "Child", command.c_str());
    Host.MenuAnswers = {{0, -1}};
    Open();
    // The buffer holds 511 characters; a longer title is left as it is.
    EXPECT_EQ(titles, GetParam() < 512 ? (Calls{command, PlatformTitle}) : Calls{});
}

INSTANTIATE_TEST_SUITE_P(Lengths, MenuTitleTest, ::testing::Values(0, 100, 511, 512, 3000));

// A Windows Installer product's own command runs as its removal: the title
// shows the command that runs, a failed start's warning the command as stored.
TEST_F(MenuTest, WindowsInstallerProductRunsItsRemovalButIsReportedAsStored) {
    PlatformTitle = "host";
    Calls titles;
    TitleCalls = &titles;
    ASSERT_TRUE(Dll.Redirect("kernel32.dll", "GetConsoleTitleW", (void*)WithholdingGetConsoleTitleW));
    ASSERT_TRUE(Dll.Redirect("kernel32.dll", "SetConsoleTitleW", (void*)RecordingSetConsoleTitleW));
    const std::string product = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";
    const std::string stored = "C:\\missing\\MsiExec.exe /I" + product;
    Registry.AddProgram(product, "Product", stored.c_str());
    Host.MenuAnswers = {{0, -1}};
    Host.MessageAnswers = {0};
    Open();
    EXPECT_EQ(titles, (Calls{"C:\\missing\\MsiExec.exe /X" + product, "host"}));
    Calls calls = Host.CallsExceptGetMsg();
    std::string warning = StartWarning(stored);
    EXPECT_NE(std::find(calls.begin(), calls.end(), warning), calls.end())
        << ::testing::PrintToString(calls);
}

TEST_F(MenuTest, ManyPassesLeaveNothingBehind) {
    AddAlphaBetaGamma();
    for (int i = 0; i < 200; i++) {
        Host.MenuAnswers.push_back({i % 3, 0});
        Host.MessageAnswers.push_back(1);
    }
    Open();
    EXPECT_EQ(Host.CallsExceptGetMsg().size(), 1u + 200 * 2 + 1 + 3);
    EXPECT_TRUE(Registry.HasProgram("alpha"));
}

// Commands marked with this are refused as asking for administrator rights.
static const char NeedsElevation[] = "--pad needs-elevation";

struct ElevationCase {
    const char* Name;
    const char* Arguments;  // for testchild, or null for a program that is missing
    bool Warned;
};

// Commands marked with NeedsElevation are refused as Windows refuses them.
class MenuShellTest : public MenuTest {
protected:
    void SetUp() override {
        MenuTest::SetUp();
        ASSERT_TRUE(Dll.RefuseAsNeedingRights(Wide(NeedsElevation).c_str()));
        ShellRequests = &Requests;
        ShellAnswer = 0;
        ASSERT_TRUE(Dll.Redirect("shell32.dll", "ShellExecuteExW", (void*)RecordingShellExecuteExW));
        // The shell keeps a handle or two from its first use in a process:
        // taken here, they are not counted against the run.
        SHELLEXECUTEINFOA warmUp;
        memset(&warmUp, 0, sizeof(warmUp));
        warmUp.cbSize = sizeof(warmUp);
        warmUp.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
        std::string child = TestChildPath();
        warmUp.lpFile = child.c_str();
        warmUp.lpParameters = "--exit 0";
        ASSERT_TRUE(ShellExecuteExA(&warmUp) && warmUp.hProcess);
        WaitForSingleObject(warmUp.hProcess, INFINITE);
        CloseHandle(warmUp.hProcess);
    }
    ScratchFolder Scratch;
    std::vector<ShellRequest> Requests;
};

class MenuElevationTest : public MenuShellTest, public ::testing::WithParamInterface<ElevationCase> {};

TEST_P(MenuElevationTest, ProgramAskingForRightsRunsThroughTheShell) {
    const ElevationCase& c = GetParam();
    std::string arguments = c.Arguments ? std::string(c.Arguments) : "";
    size_t file = arguments.find("FILE");
    if (file != std::string::npos)
        arguments.replace(file, 4, Scratch.File("command.txt"));
    arguments += (arguments.empty() ? "" : " ") + std::string(NeedsElevation);
    std::string program =
        c.Arguments ? TestChildPath() : "C:\\missing\\%UNINSTALLMENU_NO_SUCH_VAR%\\uninst.exe";
    std::string command =
        c.Arguments ? TestChildCommand(arguments) : program + " " + arguments;
    Registry.AddProgram("elevated", "Elevated", command.c_str());
    Host.MenuAnswers = {{0, -1}};
    Host.MessageAnswers = {0};
    std::vector<HANDLE> open = OpenHandles();
    Open();
    EXPECT_EQ(OpenHandles(), open) << "handles left open, or closed that were not the run's";
    // Only "runas" asks for the rights; the handle is what the run waits on.
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0].Verb, "runas");
    EXPECT_EQ(Requests[0].File, program);
    EXPECT_EQ(Requests[0].Parameters, arguments);
    EXPECT_TRUE(Requests[0].Mask & SEE_MASK_NOCLOSEPROCESS) << std::hex << Requests[0].Mask;

    Calls expected = {SaveWholeScreen, CatalogueMenu({"Elevated"})};
    expected.insert(expected.end(), RunnerNotice.begin(), RunnerNotice.end());
    if (c.Warned)
        expected.push_back(StartWarning(command));
    expected.insert(expected.end(), {CatalogueMenu({"Elevated"}), RestoreWholeScreen, RedrawPanel,
                                     RedrawOtherPanel});
    EXPECT_EQ(Host.CallsExceptGetMsg(), expected);
    if (file != std::string::npos) {
        std::string recorded = Scratch.Read("command.txt");
        EXPECT_NE(recorded.find(arguments), std::string::npos)
            << "the child ran with [" << recorded << "], not with its arguments";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, MenuElevationTest,
    ::testing::Values(ElevationCase{"RanWithItsArguments", "--record FILE --exit 3", false},
                      ElevationCase{"ItsExitCodeComesBack", "--exit 0xFFFFFFFF", true},
                      ElevationCase{"MissingProgramIsReportedAsStored", nullptr, true}),
    [](const ::testing::TestParamInfo<ElevationCase>& info) { return std::string(info.param.Name); });

struct HandOffCase {
    const char* Name;
    bool ThroughTheShell;  // the uninstaller asks for rights and the shell starts it
    bool RemovesKey;       // its copy removes the program's key before it ends
    bool LeavesProcess;    // its copy leaves a long-lived process running
};

class MenuHandOffTest : public MenuShellTest, public ::testing::WithParamInterface<HandOffCase> {};

// The uninstaller starts a copy of itself that inherits nothing and exits at
// once; the copy does the work a second later. The next list shows the
// registry as the copy left it, and a process it leaves behind does not hold
// the list once the key is gone.
TEST_P(MenuHandOffTest, NextListComesWhenTheCopyIsDone) {
    const HandOffCase& c = GetParam();
    const DWORD LeftoverMs = 12000;
    // The list takes commands of up to 255 characters: the long paths come
    // from the environment, which the runner expands.
    std::string key = Registry.Path() + "\\" + WindowsUninstallKey + "\\handing";
    SetEnvironmentVariableA("UNINSTALLMENU_TEST_KEY", key.c_str());
    SetEnvironmentVariableA("UNINSTALLMENU_TEST_DIR", Scratch.Path().c_str());
    std::string copy = "--sleep 1000";
    if (c.LeavesProcess)
        copy += " --grandchild \\\"--record-pid %UNINSTALLMENU_TEST_DIR%\\leftover --sleep " +
                std::to_string(LeftoverMs) + "\\\"";
    if (c.RemovesKey)
        copy += " --delete-key %UNINSTALLMENU_TEST_KEY%";
    copy += " --touch %UNINSTALLMENU_TEST_DIR%\\copy-done";
    std::string command = TestChildCommand("--hand-off \"" + copy + "\"");
    if (c.ThroughTheShell)
        command += std::string(" ") + NeedsElevation;
    Registry.AddProgram("alpha", "Alpha", "alpha.exe");
    Registry.AddProgram("handing", "Handing", command.c_str());
    Host.MenuAnswers = {{1, -1}};
    std::vector<HANDLE> open = OpenHandles();
    ULONGLONG start = GetTickCount64();
    Open();
    ULONGLONG took = GetTickCount64() - start;
    EXPECT_EQ(OpenHandles(), open) << "handles left open, or closed that were not the run's";
    SetEnvironmentVariableA("UNINSTALLMENU_TEST_KEY", NULL);
    SetEnvironmentVariableA("UNINSTALLMENU_TEST_DIR", NULL);

    std::string leftover = Scratch.Read("leftover");
    if (!leftover.empty()) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, (DWORD)std::stoul(leftover));
        if (process) {
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
    }
    EXPECT_EQ(Registry.HasProgram("handing"), !c.RemovesKey);
    if (!c.RemovesKey) {
        EXPECT_TRUE(Scratch.Has("copy-done")) << "the list came back while the copy still ran";
    }
    EXPECT_GE(took, 1000u);
    EXPECT_LT(took, LeftoverMs / 2) << "the leftover process held the list";
    std::vector<std::string> next = {"Alpha"};
    if (!c.RemovesKey)
        next.push_back("Handing");
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              Joined({{SaveWholeScreen, CatalogueMenu({"Alpha", "Handing"})},
                      RunnerNotice,
                      {CatalogueMenu(next), RestoreWholeScreen, RedrawPanel, RedrawOtherPanel}}));
}

INSTANTIATE_TEST_SUITE_P(
    Uninstallers, MenuHandOffTest,
    ::testing::Values(HandOffCase{"StartedDirectly", false, true, false},
                      HandOffCase{"StartedThroughTheShell", true, true, false},
                      HandOffCase{"LeavingAProcessBehind", false, true, true},
                      HandOffCase{"EndingWithoutRemoval", false, false, false}),
    [](const ::testing::TestParamInfo<HandOffCase>& info) { return std::string(info.param.Name); });

// The list's break keys by their index, as the host answers them.
enum { DelKey, F3Key, CtrlF3Key, CtrlF6Key, CtrlF8Key };

class MenuDetailsTest : public MenuTest {
protected:
    void SetValue(const char* program, const char* name, const std::string& text) {
        Registry.SetRawValue(program, name, REG_SZ, text.c_str(), (DWORD)text.size() + 1);
    }
    void SetNumber(const char* program, const char* name, DWORD value) {
        Registry.SetRawValue(program, name, REG_DWORD, &value, sizeof(value));
    }
    // The details box as the host receives it: the name, then each line.
    static std::string Details(const std::string& name, const Calls& lines, int buttons) {
        std::string items = "\"" + name + "\"";
        for (const std::string& line : lines)
            items += ", \"" + line + "\"";
        items += buttons == 2 ? ", \"Msg23\", \"Msg24\"" : ", \"Msg23\"";
        return "Message(module, 0, \"Details\", {" + items + "}, " +
               std::to_string(lines.size() + 1 + buttons) + ", " + std::to_string(buttons) + ")";
    }
    static std::string KeyLine(const std::string& name) {
        return "Msg18 HKEY_LOCAL_MACHINE\\" + std::string(WindowsUninstallKey) + "\\" + name +
               (sizeof(void*) == 8 ? " (64-bit)" : " (32-bit)");
    }
};

// F3 reads the details then; Go to folder, offered for a folder that
// exists, closes the list as Esc does, with that folder in the active panel.
TEST_F(MenuDetailsTest, F3ShowsTheDetailsAndGoToFolderOpensIt) {
    char temp[MAX_PATH];
    std::string folder(temp, GetTempPathA(MAX_PATH, temp));
    folder.pop_back();  // its trailing backslash
    Registry.AddProgram("prog", "Prog", "prog.exe /x");
    SetValue("prog", "DisplayVersion", "2.0");
    SetValue("prog", "Publisher", "Acme");
    SetValue("prog", "InstallDate", "20230105");
    SetNumber("prog", "EstimatedSize", 2048);
    SetValue("prog", "InstallLocation", folder);
    SetValue("prog", "QuietUninstallString", "prog.exe /x /quiet");
    Host.MenuAnswers = {{0, F3Key}};
    Host.MessageAnswers = {1};
    Open();
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              (Calls{SaveWholeScreen, CatalogueMenu({"Prog"}),
                     Details("Prog",
                             {"Msg13 2.0", "Msg14 Acme", "Msg15 2023-01-05", "Msg16 2.0 MB",
                              "Msg17 " + folder, KeyLine("prog"), "Msg19 prog.exe /x",
                              "Msg20 prog.exe /x /quiet"},
                             2),
                     "Control(INVALID, 16, \"" + folder + "\")", RestoreWholeScreen, RedrawPanel,
                     RedrawOtherPanel}));
}

// What Windows hides is said; a folder that is not there is no way out of
// the list; a key gone since the list was read is reported, and the list is
// read again.
TEST_F(MenuDetailsTest, F3SaysWhatWindowsHidesAndThatAnEntryIsGone) {
    Registry.AddProgram("patch", "Patch", "patch.exe");
    SetValue("patch", "InstallDate", "20240229");
    SetValue("patch", "InstallLocation", "C:\\No\\Such\\Folder");
    SetNumber("patch", "SystemComponent", 1);
    SetValue("patch", "ParentKeyName", "Suite");
    Registry.AddProgram("gone", "Gone", "gone.exe");
    Host.MenuAnswers = {{1, F3Key}, {0, F3Key}};
    Host.MessageAnswers = {0};
    Host.OnMenu = [](const FarMenuItem*, int) {
        // Between the second list and its F3.
        static int menus = 0;
        if (++menus == 2)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(WindowsUninstallKey) + "\\gone").c_str());
    };
    Open();
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              (Calls{SaveWholeScreen, CatalogueMenu({"Gone", "Patch"}),
                     Details("Patch",
                             {"Msg15 2024-02-29", "Msg17 C:\\No\\Such\\Folder", KeyLine("patch"),
                              "Msg19 patch.exe", "Msg21", "Msg22 Suite"},
                             1),
                     CatalogueMenu({"Gone", "Patch"}),
                     R"(Message(module, 1, "Warnings", {"Msg0", "Msg25", "Gone", "Msg1"}, 4, 1))",
                     CatalogueMenu({"Patch"}), RestoreWholeScreen, RedrawPanel,
                     RedrawOtherPanel}));
}

// Ctrl+F8 and Ctrl+F6 order the list newest or largest first, each row led
// by its figure, and the order holds through a removal until Ctrl+F3.
TEST_F(MenuDetailsTest, SortKeysOrderTheListUntilItCloses) {
    const struct {
        const char *Key, *Name, *Date;
        DWORD Size;  // 0: none
    } programs[] = {{"a", "A", "20230105", 2048},
                    {"b", "B", "20240601", 0},
                    {"c", "C", "20210101", 500000},
                    {"d", "D", "20220303", 0}};
    for (const auto& p : programs) {
        Registry.AddProgram(p.Key, p.Name, "x.exe");
        SetValue(p.Key, "InstallDate", p.Date);
        if (p.Size)
            SetNumber(p.Key, "EstimatedSize", p.Size);
    }
    Host.MenuAnswers = {{0, CtrlF8Key}, {0, DelKey}, {0, CtrlF6Key}, {0, CtrlF3Key}};
    Host.MessageAnswers = {0};
    Open();
    const std::string byDate = "Msg11", bySize = "Msg12";
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              (Calls{SaveWholeScreen, CatalogueMenu({"A", "B", "C", "D"}),
                     CatalogueMenu({"2024-06-01  B", "2023-01-05  A", "2022-03-03  D",
                                    "2021-01-01  C"},
                                   byDate),
                     DeleteConfirmation("B"),
                     CatalogueMenu({"2023-01-05  A", "2022-03-03  D", "2021-01-01  C"}, byDate),
                     CatalogueMenu({"  488.3 MB  C", "    2.0 MB  A", "            D"}, bySize),
                     CatalogueMenu({"A", "C", "D"}), RestoreWholeScreen, RedrawPanel,
                     RedrawOtherPanel}));
}


// Every kind of pass, a thousand times over: after the first round, nothing
// the DLL holds may grow, neither handles nor heap blocks. A child that did
// not start is counted, so that the figures say so, and fails the test.
TEST_F(MenuTest, ThousandPassesKeepHandlesAndHeapAsAfterTheFirst) {
    const int Rounds = 250;  // four passes each: Del declined, Del confirmed, Enter, Esc
    std::string child = TestChildCommand("--exit 0");
    Registry.AddProgram("alpha", "Alpha", child.c_str());
    Registry.AddProgram("beta", "Beta", "beta.exe");
    size_t handlesAfterFirst = 0;
    int blocksAfterFirst = 0;
    int startFailures = 0;
    ULONGLONG start = GetTickCount64();
    for (int round = 0; round < Rounds; round++) {
        Registry.AddProgram("victim", "Victim", "victim.exe");
        Host.Calls.clear();
        Host.MenuAnswers = {{1, 0}, {2, 0}, {0, -1}};
        Host.MessageAnswers = {1, 0};
        Open();
        ASSERT_FALSE(Registry.HasProgram("victim")) << "round " << round;
        ASSERT_TRUE(Registry.HasProgram("beta")) << "round " << round;
        Calls calls = Host.CallsExceptGetMsg();
        bool warned = calls.size() == 15u && calls[10].find("\"Msg9\"") != std::string::npos;
        startFailures += warned;
        ASSERT_TRUE(calls.size() == 14u || warned)
            << "round " << round << ": " << ::testing::PrintToString(calls);
        if (round == 0) {
            handlesAfterFirst = OpenHandles().size();
            blocksAfterFirst = Dll.LiveBlocks();
        }
    }
    size_t handlesAtEnd = OpenHandles().size();
    int blocksAtEnd = Dll.LiveBlocks();
    printf("[  figures ] %d menu passes in %.1f s: open handles %zu after the first round, %zu at "
           "the end; DLL heap blocks %d after the first round, %d at the end; %d children did "
           "not start\n",
           Rounds * 4, (GetTickCount64() - start) / 1000.0, handlesAfterFirst, handlesAtEnd,
           blocksAfterFirst, blocksAtEnd, startFailures);
    EXPECT_EQ(handlesAtEnd, handlesAfterFirst);
    EXPECT_EQ(blocksAtEnd, blocksAfterFirst);
    EXPECT_EQ(startFailures, 0);
}
