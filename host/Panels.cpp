// The file-manager screen around the plug-in: a status row, two panels of
// folder listings, a hint row and the key bar.
#include <algorithm>

#include "PlugHost.h"

struct KeyLabel {
    const char* Key;
    const char* Label;
};

static const KeyLabel KeyBar[] = {
    {"F11", "Plug-ins"},
    {"Enter", "Plug-ins"},
    {"F10", "Quit"},
    {"Esc", "Quit"},
    {"Ctrl+O", "Screen behind"},
};

static const char Hint[] =
    "F11 or Enter: plug-ins menu, then Enter to open an entry.  F10 or Esc: quit.";

static bool NameBefore(const std::wstring& a, const std::wstring& b) {
    return lstrcmpiW(a.c_str(), b.c_str()) < 0;
}

// Whether a path ends in a separator, as a drive's root does ("C:\").
static bool EndsInSeparator(const std::wstring& path) {
    return !path.empty() && (path[path.size() - 1] == L'\\' || path[path.size() - 1] == L'/');
}

// Folder names first, each group sorted, ".." at the top.
static void ListFolder(const std::wstring& folder, std::vector<std::wstring>* names,
                       size_t* folders) {
    std::vector<std::wstring> subfolders, files;
    WIN32_FIND_DATAW found;
    HANDLE search =
        FindFirstFileW((folder + (EndsInSeparator(folder) ? L"*" : L"\\*")).c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                subfolders.push_back(name);
            else
                files.push_back(name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    std::sort(subfolders.begin(), subfolders.end(), NameBefore);
    std::sort(files.begin(), files.end(), NameBefore);
    names->clear();
    names->push_back(L"..");
    names->insert(names->end(), subfolders.begin(), subfolders.end());
    *folders = names->size();
    names->insert(names->end(), files.begin(), files.end());
}

static void DrawPanel(Screen& screen, int x1, int y1, int x2, int y2, const std::wstring& folder) {
    screen.Fill(x1, y1, x2, y2, L' ', ColourPanel);
    screen.Frame(x1, y1, x2, y2, ColourPanel);
    screen.Centred(x1, x2, y1, ColourPanel, folder);
    std::vector<std::wstring> names;
    size_t folders = 0;
    ListFolder(folder, &names, &folders);
    int room = x2 - x1 - 1;
    for (int row = 0; row < y2 - y1 - 1 && row < (int)names.size(); row++)
        screen.TextW(x1 + 1, y1 + 1 + row,
                     (size_t)row < folders ? ColourPanelFolder : ColourPanel,
                     CutToCells(names[row], room));
}

// Whether name names its folder from a drive's root or a server's share,
// whatever folder it is read from.
static bool IsAbsolute(const std::wstring& name) {
    if (name.size() >= 2 && (name[0] == L'\\' || name[0] == L'/') &&
        (name[1] == L'\\' || name[1] == L'/'))
        return true;
    return name.size() >= 3 && name[1] == L':' && (name[2] == L'\\' || name[2] == L'/');
}

bool SetPanelFolder(Desktop* desktop, int panel, const std::wstring& name) {
    if (name.empty() || panel < 0 || panel >= PanelCount)
        return false;
    // Relative to the panel's folder, not to plughost's own current folder,
    // which no panel follows; a name from the root stays on the panel's drive.
    const std::wstring& current = desktop->Folders[panel];
    std::wstring joined;
    if (IsAbsolute(name))
        joined = name;
    else if ((name[0] == L'\\' || name[0] == L'/') && current.size() >= 2 && current[1] == L':')
        joined = current.substr(0, 2) + name;
    else
        joined = current + (EndsInSeparator(current) ? L"" : L"\\") + name;
    wchar_t full[MAX_PATH];
    DWORD length = GetFullPathNameW(joined.c_str(), MAX_PATH, full, NULL);
    if (length == 0 || length >= MAX_PATH)
        return false;
    DWORD attributes = GetFileAttributesW(full);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // Shown without a trailing separator, but for a drive's root.
    while (length > 3 && full[length - 1] == L'\\')
        length--;
    desktop->Folders[panel].assign(full, length);
    return true;
}

void DrawDesktop(Screen& screen, const Desktop& desktop) {
    int width = screen.Width(), height = screen.Height();
    screen.Fill(0, 0, width - 1, 0, L' ', ColourStatus);
    screen.Text(1, 0, ColourStatus, desktop.Status.c_str());
    DrawPanel(screen, 0, 1, width / 2 - 1, height - 3, desktop.Folders[0]);
    DrawPanel(screen, width / 2, 1, width - 1, height - 3, desktop.Folders[1]);
    screen.Fill(0, height - 2, width - 1, height - 2, L' ', ColourPlain);
    screen.Text(0, height - 2, ColourPlain, Hint);
    screen.Fill(0, height - 1, width - 1, height - 1, L' ', ColourKeyLabel);
    int x = 0;
    for (size_t i = 0; i < sizeof(KeyBar) / sizeof(KeyBar[0]); i++) {
        screen.Text(x, height - 1, ColourKeyName, KeyBar[i].Key);
        x += lstrlenA(KeyBar[i].Key) + 1;
        screen.Text(x, height - 1, ColourKeyLabel, KeyBar[i].Label);
        x += lstrlenA(KeyBar[i].Label) + 2;
    }
    screen.Flush();
}
