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

static bool NameBefore(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) < 0;
}

// Folder names first, each group sorted, ".." at the top; names in the OEM
// code page, ready to draw.
static void ListFolder(const std::string& folder, std::vector<std::string>* names,
                       size_t* folders) {
    std::vector<std::string> subfolders, files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                subfolders.push_back(name);
            else
                files.push_back(name);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    std::sort(subfolders.begin(), subfolders.end(), NameBefore);
    std::sort(files.begin(), files.end(), NameBefore);
    names->clear();
    names->push_back("..");
    names->insert(names->end(), subfolders.begin(), subfolders.end());
    *folders = names->size();
    names->insert(names->end(), files.begin(), files.end());
    for (size_t i = 0; i < names->size(); i++)
        if (!(*names)[i].empty())
            CharToOemBuffA(&(*names)[i][0], &(*names)[i][0], (DWORD)(*names)[i].size());
}

static void DrawPanel(Screen& screen, int x1, int y1, int x2, int y2, const std::string& folder) {
    screen.Fill(x1, y1, x2, y2, L' ', ColourPanel);
    screen.Frame(x1, y1, x2, y2, ColourPanel);
    std::string title = folder;
    if (!title.empty())
        CharToOemBuffA(&title[0], &title[0], (DWORD)title.size());
    screen.Centred(x1, x2, y1, ColourPanel, OemText(title.c_str(), (int)title.size()));
    std::vector<std::string> names;
    size_t folders = 0;
    ListFolder(folder, &names, &folders);
    int room = x2 - x1 - 1;
    for (int row = 0; row < y2 - y1 - 1 && row < (int)names.size(); row++) {
        std::string name = names[row].substr(0, room);
        screen.Text(x1 + 1, y1 + 1 + row, (size_t)row < folders ? ColourPanelFolder : ColourPanel,
                    name.c_str());
    }
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
