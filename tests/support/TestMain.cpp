// Entry point of the test programs that need no console.
#include <gtest/gtest.h>

#include "TestMain.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return EndTestProgram(RUN_ALL_TESTS());
}
