// The host calls a run makes, as FakeHost records them without the GetMsg
// look-ups, for a run with the menu loop's notice (message 5) and a host
// that saves screens as #5c0.
#pragma once

#include <string>
#include <vector>

typedef std::vector<std::string> Calls;

// Drawn off, with the notice on the top row.
const Calls TopLineNoticeCalls = {
    "SaveScreen(0, 0, -1, 0)",
    R"(Text(2, 0, 7, "Msg5"))",
    "RestoreScreen(null)",
    "RestoreScreen(#5c0)",
};

// Drawn off, with the notice in a box over the whole saved screen.
const Calls NoticeBoxCalls = {
    "SaveScreen(0, 0, -1, -1)",
    R"(Message(module, 0, null, {"", "Msg5"}, 2, 0))",
    "RestoreScreen(null)",
    "RestoreScreen(#5c0)",
};

// Not drawn off, on a buffer of width x height: every row blanked, the
// console brought up to date, the buffer handed to the host.
inline Calls UncapturedCalls(int width, int height, const std::string& plugin) {
    Calls calls;
    for (int row = 0; row < height; row++)
        calls.push_back("Text(0, " + std::to_string(row) + ", 7, \"" + std::string(width, ' ') +
                        "\")");
    calls.push_back("Text(0, 0, 0, null)");
    calls.push_back("Control(" + plugin + ", 15, 0)");
    return calls;
}
