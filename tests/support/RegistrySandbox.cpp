#include "RegistrySandbox.h"

#include <gtest/gtest.h>
#include <string.h>

#include "Text.h"

// The predefined key each scratch key stands in for.
static const HKEY Redirected[2] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};

RegistrySandbox::RegistrySandbox() : Roots() {
    static int serial;
    std::string base = "Software\\UninstallMenuTests\\" + std::to_string(GetCurrentProcessId()) +
                       "-" + std::to_string(serial++);
    RootPaths[Machine] = base;
    RootPaths[User] = base + "-user";
    // Both are made before either redirection: once HKEY_CURRENT_USER points
    // to a scratch key, the real one cannot be reached by its name.
    HKEY roots[2] = {};
    bool made = true;
    // A key of this name is left over from a test program that had this id
    // and was ended before it removed it (the time limit ends a hung one):
    // Wine hands ids out again at once, and a volatile key lasts as long as
    // the run's server. Taken as it was, it showed another test's programs.
    for (int hive = Machine; hive <= User; hive++)
        RegDeleteTreeA(HKEY_CURRENT_USER, RootPaths[hive].c_str());
    for (int hive = Machine; hive <= User; hive++)
        made = made && RegCreateKeyExA(HKEY_CURRENT_USER, RootPaths[hive].c_str(), 0, NULL,
                                       REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &roots[hive],
                                       NULL) == ERROR_SUCCESS;
    if (made && RegOverridePredefKey(HKEY_LOCAL_MACHINE, roots[Machine]) == ERROR_SUCCESS) {
        if (RegOverridePredefKey(HKEY_CURRENT_USER, roots[User]) == ERROR_SUCCESS) {
            Roots[Machine] = roots[Machine];
            Roots[User] = roots[User];
            return;
        }
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, NULL);
    }
    ADD_FAILURE() << "cannot make and redirect to the scratch keys " << base;
    for (int hive = Machine; hive <= User; hive++) {
        if (roots[hive])
            RegCloseKey(roots[hive]);
        RegDeleteKeyA(HKEY_CURRENT_USER, RootPaths[hive].c_str());
    }
}

RegistrySandbox::~RegistrySandbox() {
    if (!Ready())
        return;
    for (int hive = User; hive >= Machine; hive--)
        RegOverridePredefKey(Redirected[hive], NULL);
    for (int hive = Machine; hive <= User; hive++) {
        RegCloseKey(Roots[hive]);
        EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, RootPaths[hive].c_str()), ERROR_SUCCESS);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\UninstallMenuTests");  // fails while others run
}

std::string RegistrySandbox::ProgramPath(const std::string& name) const {
    return std::string(WindowsUninstallKey) + "\\" + name;
}

static void CreateKey(HKEY root, const std::string& path) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              NULL, &key, NULL),
              ERROR_SUCCESS)
        << path;
    RegCloseKey(key);
}

void RegistrySandbox::CreateUninstallKey(Hive hive) {
    CreateKey(Roots[hive], WindowsUninstallKey);
}

void RegistrySandbox::AddProgram(const std::string& name, const char* displayName,
                                 const char* command, Hive hive) {
    CreateKey(Roots[hive], ProgramPath(name));
    if (displayName)
        SetRawValue(name, "DisplayName", REG_SZ, displayName, (DWORD)strlen(displayName) + 1,
                    hive);
    if (command)
        SetRawValue(name, "UninstallString", REG_SZ, command, (DWORD)strlen(command) + 1, hive);
}

void RegistrySandbox::SetRawValue(const std::string& name, const char* valueName, DWORD type,
                                  const void* data, DWORD size, Hive hive) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(Roots[hive], ProgramPath(name).c_str(), 0, NULL,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &key, NULL),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, valueName, 0, type, (const BYTE*)data, size), ERROR_SUCCESS);
    RegCloseKey(key);
}

bool RegistrySandbox::HasProgram(const std::string& name, Hive hive) const {
    HKEY key;
    if (RegOpenKeyExA(Roots[hive], ProgramPath(name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void RegistrySandbox::AddProgram(const std::wstring& name, const std::wstring& displayName,
                                 const std::wstring& command, Hive hive) {
    HKEY key;
    std::wstring path = Wide(WindowsUninstallKey) + L"\\" + name;
    ASSERT_EQ(RegCreateKeyExW(Roots[hive], path.c_str(), 0, NULL, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, NULL, &key, NULL),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, L"DisplayName", 0, REG_SZ, (const BYTE*)displayName.c_str(),
                             (DWORD)(displayName.size() + 1) * sizeof(wchar_t)),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, L"UninstallString", 0, REG_SZ, (const BYTE*)command.c_str(),
                             (DWORD)(command.size() + 1) * sizeof(wchar_t)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

bool RegistrySandbox::HasProgram(const std::wstring& name, Hive hive) const {
    HKEY key;
    std::wstring path = Wide(WindowsUninstallKey) + L"\\" + name;
    if (RegOpenKeyExW(Roots[hive], path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
