// Running commands with their output drawn off, against real child
// processes and real pipes. These run without a console; the console tests
// check every way of running against a real one.
#include <string>
#include <vector>

#include "../src/catalogue/Catalogue.h"
#include "../src/elevation/Elevation.h"
#include "../src/runner/EntryCommand.h"
#include "../src/runner/Runner.h"
#include "support/ModuleTest.h"
#include "support/RegistrySandbox.h"
#include "support/RunnerCalls.h"
#include "support/TestChild.h"
#include "support/Text.h"

class RunnerTest : public ModuleTest {
protected:
    // Runs a command with its output drawn off and checks that the process's
    // standard handles and its open handles are as they were: every handle
    // the run opened is closed, and none of anyone else's.
    int Run(const std::string& command, int topLineNotice = 1) {
        StandardHandles standard = StandardHandles::Now();
        std::vector<HANDLE> open = OpenHandles();
        int result = RunCommand(INVALID_HANDLE_VALUE, Wide(command).c_str(), 1, topLineNotice, 1,
                                MsgRunning);
        EXPECT_TRUE(StandardHandles::Now() == standard) << "standard handles not given back";
        EXPECT_EQ(OpenHandles(), open) << "handles left open, or closed that were not the run's";
        EXPECT_NE(result, ChildOutOfTime) << "the child was still running after "
                                          << ChildTimeLimitSeconds << " s and ended itself";
        return result;
    }
    int RunChild(const std::string& arguments) { return Run(TestChildCommand(arguments)); }

    void TearDown() override {
        for (const char* name : {"UNINSTALLMENU_TEST_DIR", "UNINSTALLMENU_TEST_WORD",
                                 "UNINSTALLMENU_TEST_PAD", "UNINSTALLMENU_TEST_REST"})
            SetEnvironmentVariableA(name, NULL);
        ModuleTest::TearDown();
    }

    ScratchFolder Scratch;
};

TEST_F(RunnerTest, NothingSavedMeansNothingRestored) {
    Host.SaveScreenFails = true;
    EXPECT_EQ(RunChild("--exit 0"), 0);
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              Calls(TopLineNoticeCalls.begin(), TopLineNoticeCalls.end() - 2));
}

TEST_F(RunnerTest, CommandThatCannotStartPutsEverythingBack) {
    for (int topLine : {1, 0}) {
        Host.Calls.clear();
        EXPECT_EQ(Run("\"C:\\no\\such\\uninstaller.exe\" /S", topLine), -1);
        EXPECT_EQ(Host.CallsExceptGetMsg(), topLine ? TopLineNoticeCalls : NoticeBoxCalls);
        Host.NextScreen = 0;
    }
    EXPECT_EQ(Run(""), -1);
}

TEST_F(RunnerTest, DrainsMegabytesOnBothStreams) {
    // The child fails with its own code when a write is refused, so its
    // asked-for code shows that everything it wrote was taken.
    EXPECT_EQ(RunChild("--out 6000000 --err 5000000 --out 100 --exit 7"), 7);
}

TEST_F(RunnerTest, KeepsDrainingWhileAGrandchildHoldsThePipe) {
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(RunChild("--grandchild \"--sleep 1500 --out 100000 --touch " +
                       Scratch.File("grandchild-done") + "\" --exit 5"),
              5);
    EXPECT_GE(GetTickCount64() - start, 1400u);
    EXPECT_TRUE(Scratch.Has("grandchild-done")) << "returned before the grandchild ended";
}

TEST_F(RunnerTest, ReadingStartsAfterTheFirstSecond) {
    // More than the pipe holds: the child waits for the reader, which first
    // gives it a second to end by itself.
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(RunChild("--out 200000"), 0);
    EXPECT_GE(GetTickCount64() - start, 950u);
}

TEST_F(RunnerTest, ExpandsEnvironmentReferencesBeforeStarting) {
    SetEnvironmentVariableA("UNINSTALLMENU_TEST_DIR", Scratch.Path().c_str());
    SetEnvironmentVariableA("UNINSTALLMENU_TEST_WORD", "expanded");
    std::string child = TestChildPath();
    EXPECT_EQ(Run("\"" + child + "\" --record %UNINSTALLMENU_TEST_DIR%\\command.txt " +
                  "--pad %UNINSTALLMENU_TEST_WORD% --pad %UNINSTALLMENU_TEST_UNSET%"),
              0);
    EXPECT_EQ(Scratch.Read("command.txt"),
              "\"" + child + "\" --record " + Scratch.File("command.txt") +
                  " --pad expanded --pad %UNINSTALLMENU_TEST_UNSET%");
}

TEST_F(RunnerTest, UninstallerCanRemoveItsOwnEntry) {
    RegistrySandbox registry;
    ASSERT_TRUE(registry.Ready());
    registry.AddProgram("Self", "Self-removing", "unused");
    std::string key = registry.Path() + "\\" + WindowsUninstallKey + "\\Self";
    EXPECT_EQ(RunChild("--delete-key \"" + key + "\""), 0);
    EXPECT_FALSE(registry.HasProgram("Self"));
}

// Exit codes come back as the child gave them, as an int; 0xFFFFFFFF reads
// as -1, the same as a command that could not start.
struct ExitCodeRow {
    const char* Code;
    int Result;
};

class RunnerExitCodeTest : public RunnerTest, public ::testing::WithParamInterface<ExitCodeRow> {};

TEST_P(RunnerExitCodeTest, ComesBackAsTheChildGaveIt) {
    EXPECT_EQ(RunChild(std::string("--exit ") + GetParam().Code), GetParam().Result);
}

INSTANTIATE_TEST_SUITE_P(Codes, RunnerExitCodeTest,
                         ::testing::Values(ExitCodeRow{"0", 0}, ExitCodeRow{"1", 1},
                                           ExitCodeRow{"3010", 3010},
                                           ExitCodeRow{"259", 259},  // STILL_ACTIVE
                                           ExitCodeRow{"0x7FFFFFFF", 0x7FFFFFFF},
                                           ExitCodeRow{"0xC0000005", (int)0xC0000005},
                                           ExitCodeRow{"0xFFFFFFFF", -1}));

// Commands whose expansion, terminator included, needs more than the
// 260-byte buffer run expanded in full, up to the longest command line a
// process can take; longer ones are not started at all.
class RunnerLongCommandTest : public RunnerTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(RunnerLongCommandTest, RunsExpandedInFullOrNotAtAll) {
    const size_t length = GetParam();
    const size_t PadPiece = 1000;
    std::string command = TestChildCommand("--record " + Scratch.File("command.txt") + " --pad ");
    ASSERT_LT(command.size(), length);
    size_t padding = length - command.size();
    std::string expected = command + std::string(padding, 'p');
    SetEnvironmentVariableA("UNINSTALLMENU_TEST_PAD", std::string(PadPiece, 'p').c_str());
    SetEnvironmentVariableA("UNINSTALLMENU_TEST_REST", std::string(padding % PadPiece, 'p').c_str());
    for (size_t i = 0; i < padding / PadPiece; i++)
        command += "%UNINSTALLMENU_TEST_PAD%";
    if (padding % PadPiece)
        command += "%UNINSTALLMENU_TEST_REST%";

    const size_t LongestCommandLine = 32766;
    if (length <= LongestCommandLine) {
        EXPECT_EQ(Run(command), 0);
        EXPECT_EQ(Scratch.Read("command.txt"), expected);
    } else {
        EXPECT_EQ(Run(command), -1);
        EXPECT_FALSE(Scratch.Has("command.txt"));
    }
    EXPECT_EQ(Host.CallsExceptGetMsg(), TopLineNoticeCalls);
}

INSTANTIATE_TEST_SUITE_P(Lengths, RunnerLongCommandTest,
                         ::testing::Values(259, 260, 261, 4000, 32766, 32767, 50000));

// A program that asks for administrator rights is started through the shell,
// which takes the program and its parameters apart, as CreateProcess reads
// a command line.
TEST(SplitCommandLineTest, TakesAQuotedPathOrElseTheFirstToken) {
    const struct {
        const char* Command;
        const char* Program;
        const char* Parameters;
    } cases[] = {
        {"\"C:\\Program Files\\App\\unins000.exe\" /SILENT", "C:\\Program Files\\App\\unins000.exe",
         "/SILENT"},
        {"MsiExec.exe /X{1234}  /qb", "MsiExec.exe", "/X{1234}  /qb"},
        {"  \"C:\\a b\\u.exe\"", "C:\\a b\\u.exe", ""},
        {"C:\\Program Files\\u.exe /S", "C:\\Program", "Files\\u.exe /S"},
        {"\"C:\\unterminated\\u.exe /S", "C:\\unterminated\\u.exe /S", ""},
        {"u.exe\t-x", "u.exe", "-x"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        std::wstring copy = Wide(c.Command);
        const wchar_t* program;
        const wchar_t* parameters;
        SplitCommandLine(&copy[0], &program, &parameters);
        EXPECT_EQ(Narrow(program), c.Program) << c.Command;
        EXPECT_EQ(Narrow(parameters), c.Parameters) << c.Command;
    }
}

// Windows Installer's own command for the product that names the key runs
// with /X, the product's removal; everything else runs as stored.
TEST(CommandToRunTest, OnlyWindowsInstallersOwnFormForItsKeyTurnsIntoRemoval) {
    const char Key[] = "{6A1E2F3B-9C4D-4E5F-8A7B-0C1D2E3F4A5B}";
    const struct {
        const char* Stored;
        const char* Runs;  // null: as stored
    } cases[] = {
        {"MsiExec.exe /I{6A1E2F3B-9C4D-4E5F-8A7B-0C1D2E3F4A5B}",
         "MsiExec.exe /X{6A1E2F3B-9C4D-4E5F-8A7B-0C1D2E3F4A5B}"},
        {"msiexec /i {6a1e2f3b-9c4d-4e5f-8a7b-0c1d2e3f4a5b}",
         "msiexec /X {6a1e2f3b-9c4d-4e5f-8a7b-0c1d2e3f4a5b}"},
        {"\"C:\\Windows\\System32\\MSIEXEC.EXE\" /I{6A1E2F3B-9C4D-4E5F-8A7B-0C1D2E3F4A5B}",
         "\"C:\\Windows\\System32\\MSIEXEC.EXE\" /X{6A1E2F3B-9C4D-4E5F-8A7B-0C1D2E3F4A5B}"},
        {"%SystemRoot%\\system32\\msiexec.exe /I{6A1E2F3B-9C4D-4E5F-8A7B-0C1D2E3F4A5B}",
         "%SystemRoot%\\system32\\msiexec.exe /X{6A1E2F3B-9C4D-4E5F-8A7B-0C1D2E3F4A5B}"},
        // Near misses.
        {"MsiExec.exe /I{00000000-9C4D-4E5F-8A7B-0C1D2E3F4A5B}", nullptr},
        {"MsiExec.exe /X{6A1E2F3B-9C4D-4E5F-8A7B-0C1D2E3F4A5B}", nullptr},
        {"MsiExec.exe /I C:\\setup\\product.msi", nullptr},
        {"C:\\tools\\notmsiexec.exe /I{6A1E2F3B-9C4D-4E5F-8A7B-0C1D2E3F4A5B}", nullptr},
        {"MsiExec.exe /I{6A1E2F3B-9C4D-4E5F-8A7B-0C1D2E3F4A5B} /qn", nullptr},
        {"MsiExec.exe /qn /I{6A1E2F3B-9C4D-4E5F-8A7B-0C1D2E3F4A5B}", nullptr},
        {"MsiExec.exe /I6A1E2F3B-9C4D-4E5F-8A7B-0C1D2E3F4A5B", nullptr},
        {"msiexec.exe.bak /I{6A1E2F3B-9C4D-4E5F-8A7B-0C1D2E3F4A5B}", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        wchar_t* runs = CommandToRun(Wide(c.Stored).c_str(), Wide(Key).c_str());
        ASSERT_NE(runs, nullptr);
        EXPECT_EQ(Narrow(runs), c.Runs ? c.Runs : c.Stored);
        FreeBlock(runs);
    }
    // A key not named after a product code turns nothing.
    wchar_t* runs = CommandToRun(L"msiexec /Iplain", L"plain");
    EXPECT_EQ(Narrow(runs), "msiexec /Iplain");
    FreeBlock(runs);
}
