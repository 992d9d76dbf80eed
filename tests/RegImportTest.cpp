// Writing an import into the registry, and the scratch key behind --sandbox:
// both against the real registry, below HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include "../host/PlugHost.h"

class RegImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        Path = "Software\\UninstallMenuTests\\Import-" + std::to_string(GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Path.c_str(), 0, NULL, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, NULL, &Root, NULL),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(Root);
        RegDeleteTreeA(HKEY_CURRENT_USER, Path.c_str());
    }

    bool Import(const std::string& text, RegError* error) {
        RegScript script;
        if (!ParseRegText(text, &script, error)) {
            ADD_FAILURE() << "line " << error->Line << ": " << error->Text;
            return false;
        }
        // These files write the machine's root only.
        const HKEY roots[RegHives] = {Root, NULL};
        return ApplyRegScript(roots, script, error);
    }

    // The value's bytes as stored, with its type; empty with REG_NONE when missing.
    std::string Value(const wchar_t* key, const wchar_t* name, DWORD* type) {
        BYTE data[256];
        DWORD size = sizeof(data);
        if (RegGetValueW(Root, key, name, RRF_RT_ANY | RRF_NOEXPAND, type, data, &size) !=
            ERROR_SUCCESS) {
            *type = REG_NONE;  // Wine may leave anything there
            return "";
        }
        return std::string((const char*)data, size);
    }

    bool HasKey(const char* key) {
        HKEY handle;
        if (RegOpenKeyExA(Root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
            return false;
        RegCloseKey(handle);
        return true;
    }

    std::string Path;
    HKEY Root = NULL;
};

static std::string Utf16(const wchar_t* text) {
    return std::string((const char*)text, (wcslen(text) + 1) * sizeof(wchar_t));
}

TEST_F(RegImportTest, StoresTextAsStringsAndHexAsItsType) {
    RegError error;
    ASSERT_TRUE(Import("Windows Registry Editor Version 5.00\n"
                       "[HKEY_LOCAL_MACHINE\\Apps\\One]\n"
                       "\"DisplayName\"=\"Caf\xC3\xA9\"\n"
                       "\"Command\"=hex(2):25,00,41,00,25,00,00,00\n"
                       "\"Size\"=dword:00000010\n"
                       "@=\"default\"\n",
                       &error))
        << error.Text;
    DWORD type;
    std::string name = Value(L"Apps\\One", L"DisplayName", &type);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    EXPECT_EQ(name, Utf16(L"Caf\x00E9"));
    EXPECT_EQ(Value(L"Apps\\One", L"Command", &type), Utf16(L"%A%"));
    EXPECT_EQ(type, (DWORD)REG_EXPAND_SZ);
    EXPECT_EQ(Value(L"Apps\\One", L"Size", &type), std::string("\x10\0\0\0", 4));
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    EXPECT_EQ(Value(L"Apps\\One", L"", &type), Utf16(L"default"));
}

TEST_F(RegImportTest, OldFormatHexStringsAreAnsiAndStoredAsText) {
    RegError error;
    ASSERT_TRUE(Import("REGEDIT4\n"
                       "[HKEY_LOCAL_MACHINE\\Apps\\Old]\n"
                       "\"Command\"=hex(2):25,41,25,00\n",
                       &error))
        << error.Text;
    DWORD type;
    EXPECT_EQ(Value(L"Apps\\Old", L"Command", &type), Utf16(L"%A%"));
    EXPECT_EQ(type, (DWORD)REG_EXPAND_SZ);
}

TEST_F(RegImportTest, RemovesKeysAndValuesAndToleratesMissingOnes) {
    RegError error;
    ASSERT_TRUE(Import("REGEDIT4\n"
                       "[HKEY_LOCAL_MACHINE\\Apps\\Doomed\\Child]\n"
                       "\"v\"=\"1\"\n"
                       "[HKEY_LOCAL_MACHINE\\Apps\\Kept]\n"
                       "\"keep\"=\"1\"\n"
                       "\"drop\"=\"1\"\n"
                       "\"drop\"=-\n"
                       "\"never\"=-\n"
                       "[-HKEY_LOCAL_MACHINE\\Apps\\Doomed]\n"
                       "[-HKEY_LOCAL_MACHINE\\Apps\\NeverWas]\n",
                       &error))
        << error.Text;
    EXPECT_FALSE(HasKey("Apps\\Doomed"));
    DWORD type;
    EXPECT_EQ(Value(L"Apps\\Kept", L"keep", &type), Utf16(L"1"));
    Value(L"Apps\\Kept", L"drop", &type);
    EXPECT_EQ(type, (DWORD)REG_NONE);
}

TEST_F(RegImportTest, AWriteTheRegistryRefusesNamesItsLine) {
    // Key names are limited to 255 characters.
    std::string name(300, 'k');
    RegError error;
    EXPECT_FALSE(Import("REGEDIT4\n"
                        "[HKEY_LOCAL_MACHINE\\Apps\\Fine]\n"
                        "[HKEY_LOCAL_MACHINE\\Apps\\" + name + "]\n",
                        &error));
    EXPECT_EQ(error.Line, 3);
    EXPECT_NE(error.Text.find("cannot write HKEY_LOCAL_MACHINE\\Apps\\kkk"), std::string::npos)
        << error.Text;
}

static bool KeyExists(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Each root a .reg file writes, the key the sandbox points there, and the
// variable that names its scratch key for child processes.
struct SandboxRoot {
    RegHive Hive;
    const char* Name;
    HKEY Predefined;
    const char* Variable;
};
static const SandboxRoot SandboxRoots[] = {
    {MachineHive, "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE, "UNINSTALLMENU_SANDBOX"},
    {UserHive, "HKEY_CURRENT_USER", HKEY_CURRENT_USER, "UNINSTALLMENU_SANDBOX_USER"},
};

TEST(SandboxTest, ImportsEachRootIntoItsOwnRedirectedScratchKeyThenLeavesNothing) {
    // A program of each root, named for this process, in its Uninstall key.
    std::string programs[RegHives], text = "REGEDIT4\n";
    for (const SandboxRoot& root : SandboxRoots) {
        programs[root.Hive] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Test-" +
                              std::to_string(GetCurrentProcessId()) + "-" + root.Name;
        text += std::string("[") + root.Name + "\\" + programs[root.Hive] + "]\n";
    }
    RegScript script;
    RegError fault;
    ASSERT_TRUE(ParseRegText(text, &script, &fault)) << fault.Text;
    std::string paths[RegHives];
    {
        Sandbox sandbox;
        std::string error;
        ASSERT_TRUE(sandbox.Create(&error)) << error;
        const HKEY roots[RegHives] = {sandbox.Root(MachineHive), sandbox.Root(UserHive)};
        ASSERT_TRUE(ApplyRegScript(roots, script, &fault)) << fault.Text;
        for (const SandboxRoot& root : SandboxRoots) {
            SCOPED_TRACE(root.Name);
            paths[root.Hive] = sandbox.Path(root.Hive);
            EXPECT_EQ(paths[root.Hive].compare(0, strlen(SandboxParentKey), SandboxParentKey), 0);
            char variable[MAX_PATH];
            ASSERT_GT(GetEnvironmentVariableA(root.Variable, variable, sizeof(variable)), 0u);
            EXPECT_EQ(paths[root.Hive], variable);
            // Each program is where its root now leads, and only there.
            for (const SandboxRoot& other : SandboxRoots)
                EXPECT_EQ(KeyExists(root.Predefined, programs[other.Hive]), &other == &root)
                    << programs[other.Hive];
        }
    }
    for (const SandboxRoot& root : SandboxRoots) {
        SCOPED_TRACE(root.Name);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, paths[root.Hive]));
        EXPECT_EQ(GetEnvironmentVariableA(root.Variable, NULL, 0), 0u);
        // The real key, back again, never held the program.
        EXPECT_FALSE(KeyExists(root.Predefined, programs[root.Hive]));
    }
}

TEST(SandboxTest, RemovesScratchKeysOfHostsNoLongerRunning) {
    // Process ids are multiples of four, so this one cannot be running.
    std::string dead = std::string(SandboxParentKey) + "\\4294967294";
    std::string live = std::string(SandboxParentKey) + "\\" + std::to_string(GetCurrentProcessId());
    const std::string keys[] = {dead, dead + "-user", live, live + "-user"};
    for (const std::string& key : keys) {
        HKEY handle;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, NULL, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, NULL, &handle, NULL),
                  ERROR_SUCCESS);
        RegCloseKey(handle);
    }

    RemoveAbandonedSandboxes();
    for (const std::string& key : keys) {
        EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, key), key.compare(0, live.size(), live) == 0) << key;
        RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    }
}

// What --sandbox lets a .reg file hold: uninstall commands that start the
// demo's uninstaller, and nothing the plug-in would run for real.
struct SandboxCommandRow {
    const char* Value;  // as the .reg file writes it, after "UninstallString"=
    bool Allowed;
};

class SandboxCommandTest : public ::testing::TestWithParam<SandboxCommandRow> {};

TEST_P(SandboxCommandTest, OnlyTheDemoUninstallerMayRun) {
    // The machine's programs and the user's alike.
    for (const SandboxRoot& root : SandboxRoots) {
        SCOPED_TRACE(root.Name);
        std::string text = std::string("Windows Registry Editor Version 5.00\r\n\r\n[") +
                           root.Name + "\\Software\\Microsoft\\Windows\\CurrentVersion\\" +
                           "Uninstall\\Demo]\r\n\"DisplayName\"=\"Demo\"\r\n\"UninstallString\"=" +
                           GetParam().Value + "\r\n";
        RegScript script;
        RegError error = {0, ""};
        ASSERT_TRUE(ParseRegText(text, &script, &error)) << error.Text;
        EXPECT_EQ(CheckSandboxCommands(script, &error), GetParam().Allowed) << error.Text;
        if (!GetParam().Allowed) {
            EXPECT_EQ(error.Line, 5);
            EXPECT_NE(error.Text.find("--real-commands"), std::string::npos) << error.Text;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SandboxCommandTest,
    ::testing::Values(
        SandboxCommandRow{R"("demo-uninstall.exe bramble")", true},
        SandboxCommandRow{R"("DEMO-UNINSTALL bramble")", true},
        SandboxCommandRow{R"("\"%ProgramFiles%\\Lost\\demo-uninstall.exe\" /quiet")", true},
        SandboxCommandRow{R"("MsiExec.exe /X{3F2A9C1E-7B4D-4E8A-9C2F-5D1E6B7A8C90}")", false},
        SandboxCommandRow{R"("\"C:\\Program Files\\Tool\\uninst.exe\" /S")", false},
        // Unquoted, the platform starts C:\Program first.
        SandboxCommandRow{R"("C:\\Program Files\\demo-uninstall.exe x")", false},
        SandboxCommandRow{R"("demo-uninstall.exe.bat x")", false},
        SandboxCommandRow{R"("\"demo-uninstall.exe x")", false},
        SandboxCommandRow{R"(" demo-uninstall.exe x")", false},
        SandboxCommandRow{R"("")", false},
        // Any type is read as text: "cmd /c x" in UTF-16, and as raw bytes.
        SandboxCommandRow{"hex(2):63,00,6d,00,64,00,20,00,2f,00,63,00,20,00,78,00,00,00", false},
        SandboxCommandRow{"hex:63,6d,64,20,2f,63,20,78,00", false},
        SandboxCommandRow{"hex(2):64,00,65,00,6d,00,6f,00,2d,00,75,00,6e,00,69,00,6e,00,73,00,"
                          "74,00,61,00,6c,00,6c,00,20,00,78,00,00,00",
                          true}));
