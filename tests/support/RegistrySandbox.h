// A scratch registry that HKEY_LOCAL_MACHINE points to for this process, and
// another that HKEY_CURRENT_USER points to, so the module's reads and
// deletions never reach the machine's or the user's real keys. Both are
// created under HKEY_CURRENT_USER by the constructor, removed whole by the
// destructor. Every key is volatile: a test that dies leaves nothing past the
// registry's next start, and other suites' volatile scratch keys may share
// the parent (a volatile key takes only volatile subkeys).
#pragma once

#include <windows.h>

#include <string>

// Where Windows lists the programs it can remove, below HKEY_LOCAL_MACHINE.
const char WindowsUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Which of the two scratch keys: the machine's or the current user's.
enum Hive { Machine, User };

class RegistrySandbox {
public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    // True when both scratch keys exist and both redirections are in force.
    bool Ready() const { return Roots[Machine] != NULL; }
    // A scratch key's path below the real HKEY_CURRENT_USER, as another
    // process finds it.
    const std::string& Path(Hive hive = Machine) const { return RootPaths[hive]; }

    // Creates the Uninstall key itself (empty).
    void CreateUninstallKey(Hive hive = Machine);
    // Creates program subkey name under the Uninstall key, with a string value
    // for each of displayName and command that is not null.
    void AddProgram(const std::string& name, const char* displayName, const char* command,
                    Hive hive = Machine);
    // Sets a raw value on a program subkey, creating the subkey if needed.
    void SetRawValue(const std::string& name, const char* valueName, DWORD type,
                     const void* data, DWORD size, Hive hive = Machine);
    // Whether the program subkey exists.
    bool HasProgram(const std::string& name, Hive hive = Machine) const;

    // The same in the registry's own UTF-16, for text beyond the ANSI code page.
    void AddProgram(const std::wstring& name, const std::wstring& displayName,
                    const std::wstring& command, Hive hive = Machine);
    bool HasProgram(const std::wstring& name, Hive hive = Machine) const;

private:
    std::string ProgramPath(const std::string& name) const;

    HKEY Roots[2];
    std::string RootPaths[2];
};
