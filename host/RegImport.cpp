// The scratch registry behind --sandbox, and writing an import into it.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "PlugHost.h"

const char SandboxParentKey[] = "Software\\UninstallMenuSandbox";
const char* const SandboxKeySuffixes[RegHives] = {"", "-user"};
const char* const SandboxVariables[RegHives] = {"UNINSTALLMENU_SANDBOX",
                                                "UNINSTALLMENU_SANDBOX_USER"};
// The predefined key each root's scratch key stands in for.
static const HKEY RedirectedRoots[RegHives] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};

static bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The bytes RegSetValueExW is given for an action's data.
static std::string StoredBytes(const RegScript& script, const RegAction& action) {
    if (action.IsText) {
        std::wstring text = WideText(action.Data, CP_UTF8);
        return std::string((const char*)text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    }
    if (IsStringType(action.Type) && !script.WideHexStrings) {
        std::wstring text = WideText(action.Data, CP_ACP);
        return std::string((const char*)text.data(), text.size() * sizeof(WCHAR));
    }
    return action.Data;
}

const char DemoUninstaller[] = "demo-uninstall.exe";

// The text the plug-in reads from an action's data: the ANSI code page's,
// up to the first NUL.
static std::string CommandAsRead(const RegScript& script, const RegAction& action) {
    std::string ansi = action.Data;
    std::wstring wide;
    if (action.IsText)
        wide = WideText(action.Data, CP_UTF8);
    else if (IsStringType(action.Type) && script.WideHexStrings)
        wide.assign((const WCHAR*)action.Data.data(), action.Data.size() / sizeof(WCHAR));
    if (action.IsText || (IsStringType(action.Type) && script.WideHexStrings)) {
        int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), (int)wide.size(), NULL, 0,
                                         NULL, NULL);
        ansi.assign(length > 0 ? length : 0, '\0');
        if (length > 0)
            WideCharToMultiByte(CP_ACP, 0, wide.data(), (int)wide.size(), &ansi[0], length, NULL,
                                NULL);
    }
    return ansi.substr(0, ansi.find('\0'));
}

// Whether the program command starts is DemoUninstaller: the first word, or
// the quoted text, as the platform takes it, judged by its file name alone.
static bool StartsDemoUninstaller(const std::string& command) {
    std::string program;
    if (!command.empty() && command[0] == '"') {
        size_t close = command.find('"', 1);
        if (close == std::string::npos)
            return false;
        program = command.substr(1, close - 1);
    } else {
        program = command.substr(0, command.find_first_of(" \t"));
    }
    size_t slash = program.find_last_of("\\/");
    std::string file = slash == std::string::npos ? program : program.substr(slash + 1);
    std::string bare(DemoUninstaller, sizeof(DemoUninstaller) - 1 - 4);  // without ".exe"
    return _stricmp(file.c_str(), DemoUninstaller) == 0 || _stricmp(file.c_str(), bare.c_str()) == 0;
}

bool CheckSandboxCommands(const RegScript& script, RegError* error) {
    for (size_t i = 0; i < script.Actions.size(); i++) {
        const RegAction& action = script.Actions[i];
        if (action.Kind != SetValueStep || _stricmp(action.Name.c_str(), "UninstallString") != 0)
            continue;
        std::string command = CommandAsRead(script, action);
        if (StartsDemoUninstaller(command))
            continue;
        error->Line = action.Line;
        error->Text = "the uninstall command " + command + " does not start the demo's " +
                      "uninstaller (" + DemoUninstaller + "); the sandbox holds the registry " +
                      "only, so Enter would run it for real (--real-commands allows that)";
        return false;
    }
    return true;
}

static bool WriteFailed(RegError* error, const RegAction& action, LONG rc) {
    error->Line = action.Line;
    error->Text = std::string("cannot write ") + RegHiveNames[action.Hive] + "\\" + action.Key +
                  ": " + SystemErrorText(rc);
    return false;
}

static bool IsMissing(LONG rc) {
    return rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND;
}

bool ApplyRegScript(const HKEY roots[RegHives], const RegScript& script, RegError* error) {
    for (size_t i = 0; i < script.Actions.size(); i++) {
        const RegAction& action = script.Actions[i];
        HKEY root = roots[action.Hive];
        std::wstring key = WideText(action.Key, CP_UTF8);
        std::wstring name = WideText(action.Name, CP_UTF8);
        HKEY handle;
        LONG rc;
        switch (action.Kind) {
        case AddKeyStep:
        case SetValueStep:
            rc = RegCreateKeyExW(root, key.c_str(), 0, NULL, REG_OPTION_VOLATILE, KEY_WRITE, NULL,
                                 &handle, NULL);
            if (rc != ERROR_SUCCESS)
                return WriteFailed(error, action, rc);
            if (action.Kind == SetValueStep) {
                std::string bytes = StoredBytes(script, action);
                rc = RegSetValueExW(handle, name.c_str(), 0, action.Type,
                                    (const BYTE*)bytes.data(), (DWORD)bytes.size());
            }
            RegCloseKey(handle);
            break;
        case RemoveKeyStep:
            rc = RegDeleteTreeW(root, key.empty() ? NULL : key.c_str());
            if (IsMissing(rc))
                rc = ERROR_SUCCESS;
            break;
        case RemoveValueStep:
            rc = RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE, &handle);
            if (rc == ERROR_SUCCESS) {
                rc = RegDeleteValueW(handle, name.c_str());
                RegCloseKey(handle);
            }
            if (IsMissing(rc))
                rc = ERROR_SUCCESS;
            break;
        default:
            rc = ERROR_INVALID_PARAMETER;
        }
        if (rc != ERROR_SUCCESS)
            return WriteFailed(error, action, rc);
    }
    return true;
}

Sandbox::Sandbox() : RootKeys(), Redirected() {
    for (int hive = 0; hive < RegHives; hive++)
        KeyPaths[hive][0] = '\0';
}

Sandbox::~Sandbox() {
    Remove();
}

void Sandbox::Remove() {
    // Every redirection goes first: the scratch keys are removed through the
    // real HKEY_CURRENT_USER.
    for (int hive = 0; hive < RegHives; hive++) {
        if (Redirected[hive])
            RegOverridePredefKey(RedirectedRoots[hive], NULL);
        Redirected[hive] = false;
    }
    bool made = false;
    for (int hive = 0; hive < RegHives; hive++) {
        if (!RootKeys[hive])
            continue;
        RegCloseKey(RootKeys[hive]);
        RegDeleteTreeA(HKEY_CURRENT_USER, KeyPaths[hive]);
        SetEnvironmentVariableA(SandboxVariables[hive], NULL);
        RootKeys[hive] = NULL;
        made = true;
    }
    // Goes only when no other host's scratch key is left in it.
    if (made)
        RegDeleteKeyA(HKEY_CURRENT_USER, SandboxParentKey);
}

bool Sandbox::Create(std::string* error) {
    // Both keys are made before either redirection: once HKEY_CURRENT_USER
    // points to its scratch key, the real one cannot be reached by name.
    for (int hive = 0; hive < RegHives; hive++) {
        snprintf(KeyPaths[hive], sizeof(KeyPaths[hive]), "%s\\%lu%s", SandboxParentKey,
                 (unsigned long)GetCurrentProcessId(), SandboxKeySuffixes[hive]);
        // A key of this name can only be left over from a host that had our id.
        RegDeleteTreeA(HKEY_CURRENT_USER, KeyPaths[hive]);
        HKEY root;
        LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, KeyPaths[hive], 0, NULL,
                                  REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &root, NULL);
        if (rc != ERROR_SUCCESS) {
            *error = std::string("cannot create the scratch key HKEY_CURRENT_USER\\") +
                     KeyPaths[hive] + ": " + SystemErrorText(rc);
            return false;
        }
        RootKeys[hive] = root;
    }
    for (int hive = 0; hive < RegHives; hive++) {
        LONG rc = RegOverridePredefKey(RedirectedRoots[hive], RootKeys[hive]);
        if (rc != ERROR_SUCCESS) {
            *error = std::string("cannot redirect ") + RegHiveNames[hive] +
                     " to its scratch key: " + SystemErrorText(rc);
            return false;
        }
        Redirected[hive] = true;
        if (!SetEnvironmentVariableA(SandboxVariables[hive], KeyPaths[hive])) {
            *error = std::string("cannot set ") + SandboxVariables[hive] + ": " +
                     SystemErrorText(GetLastError());
            return false;
        }
    }
    return true;
}

static bool HostIsRunning(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

// Whether text is what follows the host's id in the name of one of its
// scratch keys.
static bool IsKeySuffix(const char* text) {
    for (int hive = 0; hive < RegHives; hive++)
        if (strcmp(text, SandboxKeySuffixes[hive]) == 0)
            return true;
    return false;
}

void RemoveAbandonedSandboxes() {
    HKEY parent;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SandboxParentKey, 0, KEY_READ, &parent) != ERROR_SUCCESS)
        return;
    std::vector<std::string> abandoned;
    char name[MAX_PATH];
    for (DWORD index = 0;; index++) {
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(parent, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        char* end;
        unsigned long id = strtoul(name, &end, 10);
        if (end != name && IsKeySuffix(end) && !HostIsRunning((DWORD)id))
            abandoned.push_back(name);
    }
    for (size_t i = 0; i < abandoned.size(); i++)
        RegDeleteTreeA(parent, abandoned[i].c_str());
    RegCloseKey(parent);
}
