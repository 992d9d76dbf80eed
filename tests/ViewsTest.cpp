// The two registry views of 64-bit Windows, through the built DLL: programs
// of both are listed, and each is removed and run in its own view. These
// write into the private Wine prefix's own HKEY_LOCAL_MACHINE, which a
// sandbox cannot show (both views open its one key): every key is volatile,
// named for this process, and removed again; ctest never runs two of these
// programs at once. The same holds for the real installers, installed here
// and uninstalled through the DLL.
#include <string.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "support/FakeHost.h"
#include "support/PluginDll.h"
#include "support/RegistrySandbox.h"
#include "support/TestChild.h"

// The views by their own flags, whichever is this process's own.
struct View {
    const char* Name;
    REGSAM Flag;
};
static const View View32 = {"32-bit", KEY_WOW64_32KEY};
static const View View64 = {"64-bit", KEY_WOW64_64KEY};

static std::string ProgramKey(const std::string& name) {
    return std::string(WindowsUninstallKey) + "\\" + name;
}

// Program keys made in the machine's own registry, removed by the destructor.
class MachinePrograms {
public:
    MachinePrograms() : Name("UninstallMenuViewTest-" + std::to_string(GetCurrentProcessId())) {}
    ~MachinePrograms() {
        for (const View* view : Made)
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, ProgramKey(Name).c_str(), view->Flag, 0);
    }
    MachinePrograms(const MachinePrograms&) = delete;
    MachinePrograms& operator=(const MachinePrograms&) = delete;

    // The one subkey name every view's program gets.
    const std::string Name;

    void Add(const View& view, const std::string& displayName, const std::string& command) {
        // Windows always has the Uninstall key itself, but a fresh prefix may
        // lack it in one view. Made volatile along with the program's key,
        // it would refuse the lasting keys a real installer adds below it
        // (Windows Installer's RegisterProduct fails with ERROR_CANTWRITE).
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, WindowsUninstallKey, 0, NULL, 0,
                                  KEY_CREATE_SUB_KEY | view.Flag, NULL, &key, NULL),
                  ERROR_SUCCESS)
            << view.Name;
        RegCloseKey(key);
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, ProgramKey(Name).c_str(), 0, NULL,
                                  REG_OPTION_VOLATILE, KEY_ALL_ACCESS | view.Flag, NULL, &key,
                                  NULL),
                  ERROR_SUCCESS)
            << view.Name;
        Made.push_back(&view);
        RegSetValueExA(key, "DisplayName", 0, REG_SZ, (const BYTE*)displayName.c_str(),
                       (DWORD)displayName.size() + 1);
        RegSetValueExA(key, "UninstallString", 0, REG_SZ, (const BYTE*)command.c_str(),
                       (DWORD)command.size() + 1);
        RegCloseKey(key);
    }
    bool Has(const View& view) const {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProgramKey(Name).c_str(), 0, KEY_READ | view.Flag,
                          &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

private:
    std::vector<const View*> Made;
};

// The host's menu as the test sees it: every pass's items, and the entry to
// pick, by name, with the key that picks it.
static std::vector<std::vector<std::string>> Passes;
static std::string Pick;
static int PickBreakCode;
static FakeHost* Host;

static void WatchMenu(const FarMenuItem* items, int count) {
    Passes.push_back(std::vector<std::string>());
    for (int i = 0; i < count; i++)
        Passes.back().push_back(items[i].Text);
    for (int i = 0; i < count && !Pick.empty(); i++) {
        if (Pick == items[i].Text) {
            Host->MenuAnswers.push_back({i, PickBreakCode});
            Pick.clear();
        }
    }
}

class ViewsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dll.Ready());
        Passes.clear();
        Pick.clear();
        Host = &Fake;
        Fake.OnMenu = WatchMenu;
        PluginStartupInfo info = Fake.StartupInfo();
        Dll.SetStartupInfo(&info);
    }
    void TearDown() override {
        if (Dll.Ready())
            Dll.ExitFAR();
        EXPECT_EQ(Dll.LiveBlocks(), 0);
    }
    // Opens the list; the entry named pick, if any, gets breakCode (0 Del,
    // -1 Enter) in the first pass, the next pass is cancelled.
    void Open(const std::string& pick = "", int breakCode = -1) {
        Pick = pick;
        PickBreakCode = breakCode;
        Fake.MessageAnswers = {0};
        EXPECT_EQ(Dll.OpenPlugin(0, 0), INVALID_HANDLE_VALUE);
    }
    // The items of pass n that this test made.
    std::vector<std::string> Ours(size_t pass) const {
        std::vector<std::string> ours;
        if (pass < Passes.size())
            for (const std::string& item : Passes[pass])
                if (item.compare(0, Tag.size(), Tag) == 0)
                    ours.push_back(item);
        return ours;
    }
    // Whether a box showed message number: 9, a failed start; 10, a key that stayed.
    bool Warned(int number = 9) const {
        std::string message = "\"Msg" + std::to_string(number) + "\"";
        for (const std::string& call : Fake.Calls)
            if (call.compare(0, 16, "Message(module, ") == 0 && call.find(message) != std::string::npos)
                return true;
        return false;
    }

    FakeHost Fake;
    PluginDll Dll;
    MachinePrograms Programs;
    const std::string Tag = "View test " + std::to_string(GetCurrentProcessId());
};

TEST_F(ViewsTest, ProgramsOfBothViewsAreListedInOneSortedList) {
    Programs.Add(View64, Tag + " B, 64-bit", "b.exe");
    Programs.Add(View32, Tag + " A, 32-bit", "a.exe");
    Open();
    EXPECT_EQ(Ours(0), (std::vector<std::string>{Tag + " A, 32-bit", Tag + " B, 64-bit"}));
}

static LONG WINAPI RefusingRegDeleteKeyW(HKEY, LPCWSTR) {
    return ERROR_ACCESS_DENIED;
}

static LONG WINAPI RefusingRegDeleteKeyExW(HKEY, LPCWSTR, REGSAM, DWORD) {
    return ERROR_ACCESS_DENIED;
}

// The entry's view, and whether the user lacks the rights to delete there.
class ViewsDeleteTest : public ViewsTest,
                        public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

// The same subkey name in both views: Del removes the one listed, in its
// view, and nothing else. Refused for want of rights (as a standard user is
// refused under HKEY_LOCAL_MACHINE), it is deleted with the rights the shell
// asks for, by another process: Wine's processes have them already.
TEST_P(ViewsDeleteTest, DelRemovesTheKeyInTheEntrysViewOnly) {
    const View& gone = std::get<0>(GetParam()) ? View64 : View32;
    const View& kept = std::get<0>(GetParam()) ? View32 : View64;
    if (std::get<1>(GetParam())) {
        ASSERT_TRUE(Dll.Redirect("advapi32.dll", "RegDeleteKeyW", (void*)RefusingRegDeleteKeyW));
        ASSERT_TRUE(Dll.RedirectLookup("RegDeleteKeyExW", (void*)RefusingRegDeleteKeyExW));
    }
    Programs.Add(gone, Tag + " " + gone.Name, "gone.exe");
    Programs.Add(kept, Tag + " " + kept.Name, "kept.exe");
    Open(Tag + " " + gone.Name, 0);
    EXPECT_FALSE(Programs.Has(gone));
    EXPECT_TRUE(Programs.Has(kept));
    EXPECT_FALSE(Warned(10));
    EXPECT_EQ(Ours(1), (std::vector<std::string>{Tag + " " + kept.Name}));
}

INSTANTIATE_TEST_SUITE_P(Views, ViewsDeleteTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<bool, bool>>& info) {
                             return std::string(std::get<0>(info.param) ? "Of64Bit" : "Of32Bit") +
                                    (std::get<1>(info.param) ? "WithRightsAskedFor" : "");
                         });

// Does work with this thread's file-system redirection off, as a 64-bit
// installer would see the system folder; back on before the module runs.
template <typename Work>
static BOOL InNativeSystem32(Work work) {
    void* redirection = NULL;
    BOOL off = Wow64DisableWow64FsRedirection(&redirection);
    BOOL done = work();
    if (off)
        Wow64RevertWow64FsRedirection(redirection);
    return done;
}

// A 64-bit program's uninstaller, by its System32 path: started as 64-bit
// Windows would, it is found in the native system folder, not in the 32-bit
// one that a 32-bit process's System32 leads to.
TEST_F(ViewsTest, EnterOnA64BitProgramFindsItsSystem32Uninstaller) {
    std::string native = TestChildPath();
    size_t build = native.rfind("\\win32\\");
    if (build != std::string::npos)
        native.replace(build, 7, "\\win64\\");
    std::string installed = "C:\\windows\\system32\\" + Programs.Name + ".exe";
    ASSERT_TRUE(InNativeSystem32([&] { return CopyFileA(native.c_str(), installed.c_str(), FALSE); }))
        << native << " (the 64-bit build's testchild) to " << installed;
    ScratchFolder scratch;
    Programs.Add(View64, Tag + " native", installed + " --touch " + scratch.File("ran"));
    Open(Tag + " native", -1);
    EXPECT_TRUE(scratch.Has("ran")) << "the uninstaller in the native System32 did not run";
    EXPECT_FALSE(Warned());
    if (sizeof(void*) == 4) {
        EXPECT_EQ(GetFileAttributesA(installed.c_str()), INVALID_FILE_ATTRIBUTES)
            << "file-system redirection was left off after the run";
    }
    InNativeSystem32([&] { return DeleteFileA(installed.c_str()); });
}

// Real installers that no one here wrote, built by the suite with Debian's
// nsis and wixl. Both are 32-bit, so they list themselves in the 32-bit view.
struct Installer {
    const char* Name;     // as listed
    const char* Key;      // its program key's name
    const char* Install;  // the command that installs it, beside the test program
    const char* File;     // a file it installs, below the 32-bit programs' folder
    bool Is32BitProgram;  // the setup program itself; msiexec is the system's own
};
static const Installer Nsis = {"UninstallMenu NSIS Test", "UninstallMenuNsisTest",
                               "\"%s\\installers\\UninstallMenuNsisTest.exe\"",
                               "UninstallMenuNsisTest\\readme.txt", true};
static const Installer Msi = {"UninstallMenu MSI Test", "{5B2C7E14-3A9D-4F61-B8E2-0C7D1A4F9E36}",
                              "msiexec /i \"%s\\installers\\UninstallMenuMsiTest.msi\" /qn",
                              "UninstallMenuMsiTest\\readme.txt", false};

// Runs command and waits for the process it starts; false when it did not start.
static bool RunAndWait(const std::string& command) {
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    std::string line = command;
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

struct InstallerCase {
    const char* Name;
    const Installer* Program;
    bool ThroughTheShell;  // its uninstaller is refused and started by the shell
};

class InstallersTest : public ViewsTest, public ::testing::WithParamInterface<InstallerCase> {
protected:
    void SetUp() override {
        // NSIS makes 32-bit setup programs only; the build says why a machine
        // cannot run them (tests/CMakeLists.txt).
        const char* cannot = getenv("UNINSTALLMENU_WIN32_UNSUPPORTED");
        if (GetParam().Program->Is32BitProgram && cannot && *cannot)
            GTEST_SKIP() << cannot;
        ViewsTest::SetUp();
        // Another program keeps the list from emptying, so that it comes back.
        Programs.Add(View32, Tag + " stays", "stays.exe");
        const Installer& program = *GetParam().Program;
        char folder[MAX_PATH];
        DWORD length = GetEnvironmentVariableA("ProgramFiles(x86)", folder, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            length = GetEnvironmentVariableA("ProgramFiles", folder, MAX_PATH);
        File = std::string(folder, length < MAX_PATH ? length : 0) + "\\" + program.File;
        std::string here = TestChildPath();
        here.erase(here.find_last_of('\\'));
        char install[2 * MAX_PATH];
        snprintf(install, sizeof(install), program.Install, here.c_str());
        ASSERT_TRUE(RunAndWait(install)) << install;
        ASSERT_TRUE(Installed()) << install << " did not list " << program.Name;
        ASSERT_NE(GetFileAttributesA(File.c_str()), INVALID_FILE_ATTRIBUTES) << File;
    }
    // Uninstalls whatever a failed test left, as its own key says.
    void TearDown() override {
        if (Installed()) {
            std::string command = StoredCommand();
            size_t option = command.find("/I{");
            if (option != std::string::npos)
                command.replace(option, 2, "/X");
            RunAndWait(command + (option != std::string::npos ? " /qn" : ""));
            // The NSIS uninstaller hands off to a copy and exits at once.
            for (int i = 0; i < 100 && Installed(); i++)
                Sleep(100);
            EXPECT_FALSE(Installed()) << "left installed: " << GetParam().Program->Name;
        }
        ViewsTest::TearDown();
    }
    bool Installed() const {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProgramKey(GetParam().Program->Key).c_str(), 0,
                          KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    std::string StoredCommand() const {
        char command[1024] = "";
        DWORD size = sizeof(command) - 1;
        RegGetValueA(HKEY_LOCAL_MACHINE, ProgramKey(GetParam().Program->Key).c_str(),
                     "UninstallString", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND |
                                            RRF_SUBKEY_WOW6432KEY, NULL, command, &size);
        return command;
    }
    std::string File;
};

// Enter on the program: the next list no longer holds it, and its files are gone.
TEST_P(InstallersTest, EnterUninstallsItBeforeTheListComesBack) {
    const InstallerCase& c = GetParam();
    if (c.ThroughTheShell) {
        ASSERT_TRUE(Dll.RefuseAsNeedingRights(L"uninstall.exe"));
    }
    Open(c.Program->Name, -1);
    EXPECT_FALSE(Warned());
    ASSERT_GE(Passes.size(), 2u);
    EXPECT_NE(std::find(Passes[0].begin(), Passes[0].end(), c.Program->Name), Passes[0].end());
    EXPECT_EQ(std::find(Passes[1].begin(), Passes[1].end(), c.Program->Name), Passes[1].end())
        << "the list came back still holding " << c.Program->Name;
    EXPECT_FALSE(Installed());
    EXPECT_EQ(GetFileAttributesA(File.c_str()), INVALID_FILE_ATTRIBUTES) << File;
}

INSTANTIATE_TEST_SUITE_P(
    Real, InstallersTest,
    ::testing::Values(InstallerCase{"Nsis", &Nsis, false},
                      InstallerCase{"NsisThroughTheShell", &Nsis, true},
                      InstallerCase{"WindowsInstaller", &Msi, false}),
    [](const ::testing::TestParamInfo<InstallerCase>& info) { return std::string(info.param.Name); });
