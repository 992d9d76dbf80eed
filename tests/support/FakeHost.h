// The one stand-in of the test suite: the host file manager's services,
// recording every call with copies of its arguments and answering from a
// script that each test fills.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "../../src/far1/Host.h"

struct MenuAnswer {
    int Result;     // the chosen or highlighted item, or -1
    int BreakCode;  // written only when not -1
};

class FakeHost {
public:
    // Installs this host as the one the services answer for.
    FakeHost();
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    // A startup record with every service filled (the unused ones with a
    // function that fails the test when called) and ModuleNumber.
    PluginStartupInfo StartupInfo() const;

    // The number the host hands the module, as the host makes it: the address
    // of an object of its own, which in the 64-bit build lies above 4 GB. Every
    // service fails the test unless it comes back whole.
    const INT_PTR ModuleNumber;

    // Every call so far, one line each, the module number written as
    // "module", e.g. Message(module, 1, null, {"a", "b"}, 2, 1).
    std::vector<std::string> Calls;
    // Calls without the GetMsg look-ups, which most tests do not care about.
    std::vector<std::string> CallsExceptGetMsg() const;

    // GetMsg answers Messages[n]; by default "Msg0", "Msg1", ...: one for
    // each of the module's messages.
    std::vector<std::string> Messages;
    // Answers for Menu and for Message boxes that have buttons, in order.
    // When a queue is empty, Menu answers -1 and Message -1 (cancelled).
    std::deque<MenuAnswer> MenuAnswers;
    std::deque<int> MessageAnswers;
    // Called at each Menu call, before it answers; may inspect or change state.
    void (*OnMenu)(const FarMenuItem* items, int count);

    // SaveScreen hands out 0x5C0, 0x5C1, ...; the ones not yet restored.
    std::vector<HANDLE> SavedScreens;
    // A SaveScreen answer of null can be asked for (the host ran out of room).
    bool SaveScreenFails;

    int NextScreen;
};

// How FakeHost writes a handle in its call lines: "null", "INVALID" or "#5c0".
std::string DescribeHandle(HANDLE handle);
