// Entry point of the tests that need a console. GoogleTest's report goes to
// wherever standard output was sent when the program started (the run-time
// library keeps that), while the process's standard output and error become
// the console's own screen buffer, as the host's are: the code under test
// works with those. Without a console they stay as they were, and the tests'
// fixtures fail for want of one.
#include <gtest/gtest.h>
#include <windows.h>

#include "TestMain.h"

int main(int argc, char** argv) {
    HANDLE screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (screen != INVALID_HANDLE_VALUE) {
        SetStdHandle(STD_OUTPUT_HANDLE, screen);
        SetStdHandle(STD_ERROR_HANDLE, screen);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return EndTestProgram(RUN_ALL_TESTS());
}
