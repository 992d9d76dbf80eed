#include "TestChild.h"

#include <gtest/gtest.h>
#include <stdio.h>

// Set as the test program starts, before it starts any child.
static const bool ChildrenLimited =
    SetEnvironmentVariableA(ChildTimeLimitVariable, std::to_string(ChildTimeLimitSeconds).c_str());

std::string TestChildPath() {
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, self, sizeof(self));
    std::string path(self, length);
    return path.substr(0, path.find_last_of('\\') + 1) + "testchild.exe";
}

std::string TestChildCommand(const std::string& arguments) {
    return "\"" + TestChildPath() + "\" " + arguments;
}

ScratchFolder::ScratchFolder() {
    static int serial;
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof(temp), temp);
    Folder = std::string(temp, length) + "UninstallMenuTests-" +
             std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++);
    EXPECT_EQ(Folder.find(' '), std::string::npos) << "a scratch path with spaces: " << Folder;
    EXPECT_TRUE(CreateDirectoryA(Folder.c_str(), NULL)) << Folder;
}

ScratchFolder::~ScratchFolder() {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((Folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA(File(found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    EXPECT_TRUE(RemoveDirectoryA(Folder.c_str())) << Folder;
}

std::string ScratchFolder::File(const std::string& name) const {
    return Folder + "\\" + name;
}

bool ScratchFolder::Has(const std::string& name) const {
    return GetFileAttributesA(File(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ScratchFolder::Read(const std::string& name) const {
    std::string text;
    FILE* file = fopen(File(name).c_str(), "rb");
    if (!file)
        return text;
    char piece[4096];
    size_t got;
    while ((got = fread(piece, 1, sizeof(piece), file)) > 0)
        text.append(piece, got);
    fclose(file);
    return text;
}

std::vector<HANDLE> OpenHandles() {
    // Handle values are multiples of four, handed out lowest first; a test
    // program holds far fewer than this range covers.
    const ULONG_PTR HandleRange = 0x4000;
    std::vector<HANDLE> open;
    for (ULONG_PTR value = 4; value < HandleRange; value += 4) {
        DWORD flags;
        if (GetHandleInformation((HANDLE)value, &flags))
            open.push_back((HANDLE)value);
    }
    return open;
}

StandardHandles StandardHandles::Now() {
    return {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE),
            GetStdHandle(STD_ERROR_HANDLE)};
}

bool StandardHandles::operator==(const StandardHandles& other) const {
    return Input == other.Input && Output == other.Output && Error == other.Error;
}
