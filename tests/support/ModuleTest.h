// Base fixture for tests that run the module's code inside the test program:
// binds the module to a fresh fake host and, at the end, checks that every
// block the module allocated has been released exactly once, and not
// written past.
#pragma once

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "../../src/far1/Far1.h"
#include "CountingMemory.h"
#include "FakeHost.h"

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        BlocksBefore = LiveBlocks();
        StraysBefore = StrayFrees();
        OverrunsBefore = WritesPastABlock();
        Info = Host.StartupInfo();
    }
    void TearDown() override {
        memset(&Info, 0, sizeof(Info));
        EXPECT_EQ(LiveBlocks(), BlocksBefore) << "blocks the module did not release";
        EXPECT_EQ(StrayFrees(), StraysBefore) << "blocks released twice or never allocated";
        EXPECT_EQ(WritesPastABlock(), OverrunsBefore) << "blocks written past their end";
    }

    FakeHost Host;
    int BlocksBefore = 0;
    int StraysBefore = 0;
    int OverrunsBefore = 0;
};

// A program's name as the module's host draws it, through the module's own
// conversion; released at once.
inline std::string Shown(const wchar_t* name) {
    char* shown = NameAsShown(name);
    std::string text = shown ? shown : "(not converted)";
    FreeBlock(shown);
    return text;
}
