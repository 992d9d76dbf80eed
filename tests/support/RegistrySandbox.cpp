#include "RegistrySandbox.h"

#include <gtest/gtest.h>
#include <string.h>


RegistrySandbox::RegistrySandbox() : Root(NULL) {
    static int serial;
    RootPath = "Software\\UninstallMenuTests\\" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(serial++);
    HKEY root;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, RootPath.c_str(), 0, NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL,
                        &root, NULL) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create the scratch key " << RootPath;
        return;
    }
    if (RegOverridePredefKey(HKEY_LOCAL_MACHINE, root) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot redirect HKEY_LOCAL_MACHINE to the scratch key";
        RegCloseKey(root);
        RegDeleteKeyA(HKEY_CURRENT_USER, RootPath.c_str());
        return;
    }
    Root = root;
}

RegistrySandbox::~RegistrySandbox() {
    if (!Root)
        return;
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, NULL);
    RegCloseKey(Root);
    EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, RootPath.c_str()), ERROR_SUCCESS);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\UninstallMenuTests");  // fails while others run
}

std::string RegistrySandbox::ProgramPath(const std::string& name) const {
    return std::string(WindowsUninstallKey) + "\\" + name;
}

static void CreateKey(HKEY root, const std::string& path) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &key, NULL),
              ERROR_SUCCESS)
        << path;
    RegCloseKey(key);
}

void RegistrySandbox::CreateUninstallKey() {
    CreateKey(Root, WindowsUninstallKey);
}

void RegistrySandbox::AddProgram(const std::string& name, const char* displayName,
                                 const char* command) {
    CreateKey(Root, ProgramPath(name));
    if (displayName)
        SetRawValue(name, "DisplayName", REG_SZ, displayName, (DWORD)strlen(displayName) + 1);
    if (command)
        SetRawValue(name, "UninstallString", REG_SZ, command, (DWORD)strlen(command) + 1);
}

void RegistrySandbox::SetRawValue(const std::string& name, const char* valueName, DWORD type,
                                  const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(Root, ProgramPath(name).c_str(), 0, NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL,
                              &key, NULL),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, valueName, 0, type, (const BYTE*)data, size), ERROR_SUCCESS);
    RegCloseKey(key);
}

bool RegistrySandbox::HasProgram(const std::string& name) const {
    HKEY key;
    if (RegOpenKeyExA(Root, ProgramPath(name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
