// Running commands in a real console: its title, input mode and screen
// buffer around the run, the blanked and scrolled screen of an uncaptured
// run, and output that never reaches it when drawn off. This program needs
// a console of its own (in-console.sh gives it one) and fails without.
#include <string>
#include <vector>

#include "../src/runner/Runner.h"
#include "support/ModuleTest.h"
#include "support/RunnerCalls.h"
#include "support/TestChild.h"
#include "support/Text.h"

// Everything the runner promises to leave as it found it.
struct RunnerVisibleState {
    std::string Title;
    DWORD Mode;
    StandardHandles Standard;
    std::vector<HANDLE> Open;

    static RunnerVisibleState Now() {
        static char title[65536];
        title[0] = '\0';
        GetConsoleTitleA(title, sizeof(title));
        DWORD mode = 0;
        GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode);
        return {title, mode, StandardHandles::Now(), OpenHandles()};
    }
    void ExpectSameAs(const RunnerVisibleState& before) const {
        EXPECT_EQ(Title, before.Title) << "console title not put back";
        EXPECT_EQ(Mode, before.Mode) << "input mode not put back";
        EXPECT_TRUE(Standard == before.Standard) << "standard handles not given back";
        EXPECT_EQ(Open, before.Open) << "handles left open, or closed that were not the run's";
    }
};

class ConsoleRunnerTest : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        Output = GetStdHandle(STD_OUTPUT_HANDLE);
        DWORD mode;
        ASSERT_TRUE(GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode))
            << "no console: these tests must run in a terminal (see in-console.sh)";
        ASSERT_TRUE(GetConsoleScreenBufferInfo(Output, &Original));
        ASSERT_TRUE(SetConsoleTitleA("Console tests"));
    }
    void TearDown() override {
        if (Original.dwSize.X > 0) {
            ResizeBuffer(Original.dwSize.X, Original.dwSize.Y);
            SetConsoleWindowInfo(Output, TRUE, &Original.srWindow);
        }
        ModuleTest::TearDown();
    }

    // A buffer of exactly width x height, filled with spaces in attribute 7.
    // The window shrinks first: a buffer may not be smaller than its window.
    void ResizeBuffer(SHORT width, SHORT height) {
        CONSOLE_SCREEN_BUFFER_INFO now;
        ASSERT_TRUE(GetConsoleScreenBufferInfo(Output, &now));
        SHORT columns = std::min<SHORT>(std::min<SHORT>(width, now.dwSize.X), 80);
        SHORT rows = std::min<SHORT>(std::min<SHORT>(height, now.dwSize.Y), 25);
        SMALL_RECT window = {0, 0, (SHORT)(columns - 1), (SHORT)(rows - 1)};
        ASSERT_TRUE(SetConsoleWindowInfo(Output, TRUE, &window));
        ASSERT_TRUE(SetConsoleScreenBufferSize(Output, {width, height}))
            << width << " x " << height << " refused, error " << GetLastError();
        DWORD done;
        FillConsoleOutputCharacterA(Output, ' ', width * height, {0, 0}, &done);
        FillConsoleOutputAttribute(Output, 7, width * height, {0, 0}, &done);
    }
    CONSOLE_SCREEN_BUFFER_INFO Buffer() {
        CONSOLE_SCREEN_BUFFER_INFO info = {};
        EXPECT_TRUE(GetConsoleScreenBufferInfo(Output, &info));
        return info;
    }
    std::string Row(SHORT row) {
        std::string text(Buffer().dwSize.X, '?');
        DWORD read = 0;
        ReadConsoleOutputCharacterA(Output, &text[0], (DWORD)text.size(), {0, row}, &read);
        text.resize(read);
        return text;
    }
    std::vector<WORD> RowAttributes(SHORT row) {
        std::vector<WORD> attributes(Buffer().dwSize.X);
        DWORD read = 0;
        ReadConsoleOutputAttribute(Output, attributes.data(), (DWORD)attributes.size(), {0, row},
                                   &read);
        attributes.resize(read);
        return attributes;
    }
    std::string Contents() {
        std::string all;
        for (SHORT row = 0; row < Buffer().dwSize.Y; row++)
            all += Row(row) + "\n";
        return all;
    }

    HANDLE Output = NULL;
    CONSOLE_SCREEN_BUFFER_INFO Original = {};
    ScratchFolder Scratch;
};

// Every way of running, with a child that starts and with one that cannot:
// the console, the standard handles and the open handles are the same after
// the call as before, and the child ran with input mode 0x17, with the
// command as the window's title when asked, and with the process's
// inheritable handles exactly when its output was drawn off. (The console
// gives a child the standard handles either way, so inheritance shows only
// in a handle of another kind: a pipe of a size no other has.)
struct RunPath {
    const char* Name;
    int Capture, TopLineNotice, SetTitle;
    bool Starts;
    DWORD ModeBefore;
};

void PrintTo(const RunPath& path, std::ostream* os) {
    *os << path.Name;
}

class ConsoleRunPathTest : public ConsoleRunnerTest, public ::testing::WithParamInterface<RunPath> {};

TEST_P(ConsoleRunPathTest, LeavesTheConsoleAsItFoundIt) {
    const RunPath& path = GetParam();
    ResizeBuffer(80, 40);
    ASSERT_TRUE(SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), path.ModeBefore));
    const DWORD MarkedPipeSize = 12345;
    HANDLE markedRead, markedWrite;
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), NULL, TRUE};
    ASSERT_TRUE(CreatePipe(&markedRead, &markedWrite, &inheritable, MarkedPipeSize));
    char marked[32];
    snprintf(marked, sizeof(marked), "0x%llx", (unsigned long long)(ULONG_PTR)markedWrite);
    std::string command = path.Starts
                              ? TestChildCommand("--record-console " + Scratch.File("console.txt") +
                                                 " --record-handle " + marked + " " +
                                                 Scratch.File("handle.txt") + " --exit 9")
                              : "\"C:\\no\\such\\uninstaller.exe\" /S";
    RunnerVisibleState before = RunnerVisibleState::Now();

    int result = RunCommand((HANDLE)0x1234, Wide(command).c_str(), path.Capture, path.TopLineNotice,
                            path.SetTitle, MsgRunning);

    EXPECT_EQ(result, path.Starts ? 9 : -1);
    RunnerVisibleState::Now().ExpectSameAs(before);
    EXPECT_EQ(before.Mode, path.ModeBefore);
    EXPECT_EQ(Host.CallsExceptGetMsg(), !path.Capture       ? UncapturedCalls(80, 40, "#1234")
                                        : path.TopLineNotice ? TopLineNoticeCalls
                                                             : NoticeBoxCalls);
    if (path.Starts) {
        const char* stream = path.Capture ? "pipe" : "char";
        EXPECT_EQ(Scratch.Read("console.txt"),
                  "title=" + (path.SetTitle ? command : before.Title) +
                      "\nmode=0x17\nstdin=char\nstdout=" + stream + "\nstderr=" + stream + "\n");
        EXPECT_EQ(Scratch.Read("handle.txt"),
                  path.Capture ? "pipe " + std::to_string(MarkedPipeSize) : "none");
    }
    CloseHandle(markedRead);
    CloseHandle(markedWrite);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ConsoleRunPathTest,
    ::testing::Values(RunPath{"CaptureTopLineTitled", 1, 1, 1, true, 0x1F7},
                      RunPath{"CaptureTopLineUntitled", 1, 1, 0, true, 0x3},
                      RunPath{"CaptureNoticeBoxTitled", 1, 0, 1, true, 0x3},
                      RunPath{"UncapturedTitled", 0, 0, 1, true, 0x1F7},
                      RunPath{"UncapturedUntitled", 0, 1, 0, true, 0x3},
                      RunPath{"CannotStartCaptured", 1, 1, 1, false, 0x3},
                      RunPath{"CannotStartUncaptured", 0, 0, 1, false, 0x1F7}),
    [](const ::testing::TestParamInfo<RunPath>& info) { return std::string(info.param.Name); });

TEST_F(ConsoleRunnerTest, DrawnOffOutputNeverReachesTheConsole) {
    ResizeBuffer(80, 40);
    DWORD done;
    FillConsoleOutputCharacterA(Output, '.', 80 * 40, {0, 0}, &done);
    SetConsoleCursorPosition(Output, {3, 5});
    std::string before = Contents();

    EXPECT_EQ(RunCommand(INVALID_HANDLE_VALUE,
                         Wide(TestChildCommand("--print MARKER --out 3000000 --err 3000000 --exit 2"))
                             .c_str(),
                         1, 1, 1, MsgRunning),
              2);

    EXPECT_EQ(Contents(), before);
    EXPECT_EQ(Buffer().dwCursorPosition.X, 3);
    EXPECT_EQ(Buffer().dwCursorPosition.Y, 5);
}

// An uncaptured run: the host blanks every row of the buffer, as wide as the
// buffer however wide that is; the child writes from the start of the
// cursor's row; then the whole buffer moves up two rows, two blank rows
// entering at the bottom, and the host takes it as its user screen.
struct BufferSize {
    SHORT Width, Height;
};

void PrintTo(const BufferSize& size, std::ostream* os) {
    *os << size.Width << " x " << size.Height;
}

class ConsoleUncapturedTest : public ConsoleRunnerTest,
                              public ::testing::WithParamInterface<BufferSize> {};

TEST_P(ConsoleUncapturedTest, BlanksTheBufferThenMovesItUpTwoRows) {
    const SHORT width = GetParam().Width, height = GetParam().Height;
    ResizeBuffer(width, height);
    DWORD done;
    FillConsoleOutputCharacterA(Output, 'Z', width, {0, (SHORT)(height - 1)}, &done);
    FillConsoleOutputAttribute(Output, 0x1E, width, {0, (SHORT)(height - 1)}, &done);
    const SHORT cursorRow = 10;
    SetConsoleCursorPosition(Output, {7, cursorRow});

    EXPECT_EQ(RunCommand((HANDLE)0x1234, Wide(TestChildCommand("--print MARKER")).c_str(), 0, 0, 0,
                         MsgRunning),
              0);

    EXPECT_EQ(Host.Calls, UncapturedCalls(width, height, "#1234"));
    EXPECT_EQ(Row(cursorRow - 2).substr(0, 7), "MARKER ");
    EXPECT_EQ(Row(height - 3), std::string(width, 'Z'));
    EXPECT_EQ(RowAttributes(height - 3), std::vector<WORD>(width, 0x1E));
    for (SHORT row : {(SHORT)(height - 2), (SHORT)(height - 1)}) {
        EXPECT_EQ(Row(row), std::string(width, ' ')) << "row " << row;
        EXPECT_EQ(RowAttributes(row), std::vector<WORD>(width, 7)) << "row " << row;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ConsoleUncapturedTest,
                         ::testing::Values(BufferSize{80, 40}, BufferSize{80, 300},
                                           BufferSize{1023, 30}, BufferSize{1024, 30},
                                           BufferSize{1100, 30}),
                         [](const ::testing::TestParamInfo<BufferSize>& info) {
                             return std::to_string(info.param.Width) + "x" +
                                    std::to_string(info.param.Height);
                         });

// A title the runner can read in full is shown as the command while the
// child runs and put back after; one longer than it can read is left alone
// throughout, never shortened to what was read.
struct TitleRow {
    const char* Name;
    size_t Length;
    bool Readable;
};

void PrintTo(const TitleRow& row, std::ostream* os) {
    *os << row.Name << " (" << row.Length << " characters)";
}

class ConsoleTitleTest : public ConsoleRunnerTest, public ::testing::WithParamInterface<TitleRow> {};

TEST_P(ConsoleTitleTest, IsPutBackOnlyWhenReadInFull) {
    std::string title(GetParam().Length, 't');
    ASSERT_TRUE(SetConsoleTitleA(title.c_str()));
    std::string command = TestChildCommand("--record-console " + Scratch.File("console.txt"));

    EXPECT_EQ(RunCommand(INVALID_HANDLE_VALUE, Wide(command).c_str(), 1, 1, 1, MsgRunning), 0);

    EXPECT_EQ(RunnerVisibleState::Now().Title, title);
    std::string report = Scratch.Read("console.txt");
    std::string during = GetParam().Readable ? command : title;
    EXPECT_EQ(report.substr(0, report.find('\n')), "title=" + during);
}

INSTANTIATE_TEST_SUITE_P(Titles, ConsoleTitleTest,
                         ::testing::Values(TitleRow{"Empty", 0, true},
                                           TitleRow{"Longest", 511, true},
                                           TitleRow{"OneTooLong", 512, false},
                                           TitleRow{"Long", 600, false}),
                         [](const ::testing::TestParamInfo<TitleRow>& info) {
                             return std::string(info.param.Name);
                         });
