// The host's 3.x interface as the suite stands in for it: every service the
// module calls, recording each call with copies of its arguments (text in
// UTF-8, GUIDs by the module's own names for them) and answering from the
// test's script. One at a time.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "../../src/far3/Far3Host.h"

class FakeHost3 {
public:
    FakeHost3();
    ~FakeHost3();
    FakeHost3(const FakeHost3&) = delete;
    FakeHost3& operator=(const FakeHost3&) = delete;

    // A whole startup record, as a host of build 5552 or later hands it.
    Far3::PluginStartupInfo StartupInfo();

    // Every call but GetMsg's, one line each, e.g.
    // Message(plugin, warning, 1, {"Msg0", "Msg9", "cmd", "Msg1"}, 4, 1).
    std::vector<std::string> Calls;
    // The items of every list shown, in order.
    std::vector<std::vector<std::wstring>> Lists;
    // GetMsg answers "Msg0", "Msg1", ...: one for each of the module's messages.
    std::vector<std::wstring> Messages;
    // Menu answers: {item, break code}; then -1 (cancelled).
    std::deque<std::pair<INT_PTR, INT_PTR>> MenuAnswers;
    // Message answers for boxes with buttons; then -1.
    std::deque<INT_PTR> MessageAnswers;
    // Screens saved and not yet restored.
    int OpenScreens;

private:
    Far3::FarStandardFunctions Standard;
};

// The module's name for one of its released GUIDs: "plugin", "menuitem",
// "list", "confirmation", "warning", "notice", "details"; else "unknown" (or "null").
std::string GuidName(const GUID* guid);
// Text in UTF-8, for call lines and messages.
std::string Utf8(const std::wstring& text);
