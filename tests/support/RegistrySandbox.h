// A scratch registry that HKEY_LOCAL_MACHINE points to for this process, so
// the module's reads and deletions never reach the machine's real keys.
// Created under HKEY_CURRENT_USER by the constructor, removed whole by the
// destructor. Every key is volatile: a test that dies leaves nothing past the
// registry's next start, and other suites' volatile scratch keys may share
// the parent (a volatile key takes only volatile subkeys).
#pragma once

#include <windows.h>

#include <string>

// Where Windows lists the programs it can remove, below HKEY_LOCAL_MACHINE.
const char WindowsUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class RegistrySandbox {
public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    // True when the scratch key exists and the redirection is in force.
    bool Ready() const { return Root != NULL; }
    // The scratch key's path below HKEY_CURRENT_USER.
    const std::string& Path() const { return RootPath; }

    // Creates the Uninstall key itself (empty).
    void CreateUninstallKey();
    // Creates program subkey name under the Uninstall key, with a string value
    // for each of displayName and command that is not null.
    void AddProgram(const std::string& name, const char* displayName, const char* command);
    // Sets a raw value on a program subkey, creating the subkey if needed.
    void SetRawValue(const std::string& name, const char* valueName, DWORD type,
                     const void* data, DWORD size);
    // Whether the program subkey exists.
    bool HasProgram(const std::string& name) const;

private:
    std::string ProgramPath(const std::string& name) const;

    HKEY Root;
    std::string RootPath;
};
