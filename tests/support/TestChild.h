// What the runner's tests work with: the helper program built beside the
// test programs (tests/child), a scratch folder for the files it writes, and
// the process's open handles.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Every child the tests start, and every child of a child, finds this in its
// environment and ends itself with ChildOutOfTime once it has run that many
// seconds, whatever it waits for: a few times what the longest of them needs,
// so that a run that never lets its child finish (output not drawn off, say)
// returns and fails in seconds rather than at its test's time limit.
const char ChildTimeLimitVariable[] = "UNINSTALLMENU_TEST_CHILD_SECONDS";
const int ChildTimeLimitSeconds = 20;
const int ChildOutOfTime = 96;

// The full path of testchild.exe, beside the running test program.
std::string TestChildPath();
// A command line that starts the helper: "<path>" arguments.
std::string TestChildCommand(const std::string& arguments);

// A fresh folder under the temporary folder, removed with its files at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return Folder; }
    // The full path of a file in the folder (no spaces in it).
    std::string File(const std::string& name) const;
    bool Has(const std::string& name) const;
    // The file's whole contents; "" when it does not exist.
    std::string Read(const std::string& name) const;

private:
    std::string Folder;
};

// The values of every handle open in this process, in ascending order.
std::vector<HANDLE> OpenHandles();

// The process's standard input, output and error handles.
struct StandardHandles {
    HANDLE Input, Output, Error;
    static StandardHandles Now();
    bool operator==(const StandardHandles& other) const;
};
