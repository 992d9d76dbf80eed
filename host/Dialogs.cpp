// The host's menus and message boxes, drawn into the screen buffer and driven
// by key presses until they answer.
#include <string.h>

#include "PlugHost.h"

// Narrowest menu.
static const int MinMenuWidth = 20;
// Rows a box leaves free above and below it.
static const int BoxMargin = 2;

static int Larger(int a, int b) {
    return a > b ? a : b;
}

static int Smaller(int a, int b) {
    return a < b ? a : b;
}

// The widest text a box holds: its border and two blanks each side of the
// text, and a column of the screen left either side of it.
static int BoxTextRoom(const Screen& screen) {
    return screen.Width() - 8;
}

// Where a box of size extent goes along an axis of length room: centred for
// -1, otherwise at position, pulled back inside when it would stick out.
static int Place(int position, int extent, int room) {
    if (position < 0)
        return Larger(0, (room - extent) / 2);
    return Larger(0, Smaller(position, room - extent));
}

static bool IsHelpKey(const KeyPress& key, const HelpRequest& help) {
    return key.Key == VK_F1 && key.Shift == 0 && help.Place && !help.Topic.empty();
}

static int BreakKeyIndex(const std::vector<BreakKey>& keys, const KeyPress& key) {
    for (size_t i = 0; i < keys.size(); i++)
        if (keys[i].Key == key.Key && keys[i].Shift == key.Shift)
            return (int)i;
    return -1;
}

// The nearest item from `from` (exclusive) in direction step that is not a
// separator, or -1.
static int NextItem(const MenuRequest& menu, int from, int step) {
    for (int i = from + step; i >= 0 && i < (int)menu.Items.size(); i += step)
        if (!menu.Items[i].Separator)
            return i;
    return -1;
}

static int MoveHighlight(const MenuRequest& menu, int current, WORD key, int page) {
    int count = (int)menu.Items.size();
    int next = -1;
    switch (key) {
    case VK_UP:
        next = NextItem(menu, current, -1);
        return next >= 0 ? next : NextItem(menu, count, -1);
    case VK_DOWN:
        next = NextItem(menu, current, 1);
        return next >= 0 ? next : NextItem(menu, -1, 1);
    case VK_PRIOR:
        next = NextItem(menu, Larger(current - page, 0) - 1, 1);
        return next >= 0 ? next : current;
    case VK_NEXT:
        next = NextItem(menu, Smaller(current + page, count - 1) + 1, -1);
        return next >= 0 ? next : current;
    case VK_HOME:
        return NextItem(menu, -1, 1);
    case VK_END:
        return NextItem(menu, count, -1);
    }
    return current;
}

static void DrawMenu(Screen& screen, const MenuRequest& menu, int x, int y, int width, int rows,
                     int top, int highlight) {
    int right = x + width - 1, bottom = y + rows + 1;
    screen.Fill(x, y, right, bottom, L' ', ColourMenu);
    screen.Frame(x, y, right, bottom, ColourMenuBox);
    screen.Centred(x, right, y, ColourMenuBox, menu.Title);
    screen.Centred(x, right, bottom, ColourMenuBox, menu.Bottom);
    // Border, space, check mark, text, border; none left on a very narrow console.
    int room = Larger(width - 5, 0);
    for (int row = 0; row < rows && top + row < (int)menu.Items.size(); row++) {
        const MenuLine& item = menu.Items[top + row];
        int line = y + 1 + row;
        if (item.Separator) {
            screen.Divider(x, right, line, ColourMenuBox);
            continue;
        }
        WORD colour = top + row == highlight ? ColourMenuHighlight : ColourMenu;
        screen.Fill(x + 1, line, right - 1, line, L' ', colour);
        if (item.Checked)
            screen.Put(x + 2, line, L'\x221A', colour);
        screen.TextW(x + 3, line, colour, CutToCells(item.Text, room));
    }
    if (top > 0)
        screen.Put(right, y + 1, L'\x25B2', ColourMenuBox);
    if (top + rows < (int)menu.Items.size())
        screen.Put(right, bottom - 1, L'\x25BC', ColourMenuBox);
}

int ShowMenu(Screen& screen, const MenuRequest& menu, int* breakCode) {
    int count = (int)menu.Items.size();
    int widest = 0;
    for (int i = 0; i < count; i++)
        widest = Larger(widest, TextCells(menu.Items[i].Text));
    int width = Larger(Larger(widest + 5, MinMenuWidth),
                       Larger(TextCells(menu.Title), TextCells(menu.Bottom)) + 6);
    width = Smaller(width, screen.Width() - 2);
    int rows = screen.Height() - 2 - 2 * BoxMargin;
    if (menu.MaxHeight > 0)
        rows = Smaller(rows, menu.MaxHeight);
    rows = Larger(Smaller(rows, count), 1);
    int x = Place(menu.X, width, screen.Width());
    int y = Place(menu.Y, rows + 2, screen.Height());

    int highlight = -1;
    for (int i = 0; i < count && highlight < 0; i++)
        if (menu.Items[i].Selected && !menu.Items[i].Separator)
            highlight = i;
    if (highlight < 0)
        highlight = NextItem(menu, -1, 1);

    SavedArea* under = screen.Save(x, y, x + width - 1, y + rows + 1);
    int top = 0, result = -1;
    *breakCode = -1;
    for (;;) {
        if (highlight >= 0 && highlight < top)
            top = highlight;
        if (highlight >= top + rows)
            top = highlight - rows + 1;
        DrawMenu(screen, menu, x, y, width, rows, top, highlight);
        screen.FlushRows(y, y + rows + 1);
        KeyPress key;
        if (!screen.ReadKey(&key))
            break;
        int breakIndex = BreakKeyIndex(menu.BreakKeys, key);
        if (breakIndex >= 0) {
            *breakCode = breakIndex;
            result = highlight;
            break;
        }
        if (key.Key == VK_RETURN) {
            result = highlight;
            break;
        }
        if (key.Key == VK_ESCAPE || key.Key == VK_F10)
            break;
        if (IsHelpKey(key, menu.Help))
            ShowHelp(screen, *menu.Help.Place, menu.Help.Topic, false);
        else if (highlight >= 0)
            highlight = MoveHighlight(menu, highlight, key.Key, rows);
    }
    screen.Restore(under);
    return result;
}

int ShowMessage(Screen& screen, bool warning, const std::vector<std::wstring>& items,
                int buttonsNumber, const HelpRequest& help) {
    int itemsNumber = (int)items.size();
    if (itemsNumber < 1 || buttonsNumber < 0 || buttonsNumber > itemsNumber - 1)
        return -1;
    WORD colour = warning ? ColourWarning : ColourDialog;
    WORD focusColour = warning ? ColourWarningButton : ColourDialogButton;
    int firstButton = itemsNumber - buttonsNumber;

    // The button row as one string, with the cell where each button starts.
    std::wstring buttons;
    std::vector<int> starts;
    for (int i = firstButton; i < itemsNumber; i++) {
        if (!buttons.empty())
            buttons += L" ";
        starts.push_back(TextCells(buttons));
        buttons += L"[ " + items[i] + L" ]";
    }
    int buttonCells = TextCells(buttons);
    starts.push_back(buttonCells + 1);

    int inner = Larger(TextCells(items[0]) + 2, buttonCells);
    for (int i = 1; i < firstButton; i++)
        inner = Larger(inner, TextCells(items[i]));
    // A console resized very small leaves no room.
    inner = Larger(Smaller(inner, BoxTextRoom(screen)), 0);
    int buttonRows = buttonsNumber > 0 ? 2 : 0;
    int lines =
        Larger(Smaller(firstButton - 1, screen.Height() - 2 - buttonRows - 2 * BoxMargin), 0);
    int width = inner + 6, height = lines + buttonRows + 2;
    int x = Place(-1, width, screen.Width()), y = Place(-1, height, screen.Height());
    int right = x + width - 1, bottom = y + height - 1;

    SavedArea* under = buttonsNumber > 0 ? screen.Save(x, y, right, bottom) : NULL;
    int focus = 0, result = -1;
    for (;;) {
        screen.Fill(x, y, right, bottom, L' ', colour);
        screen.Frame(x, y, right, bottom, colour);
        screen.Centred(x, right, y, colour, items[0]);
        for (int i = 0; i < lines; i++) {
            std::wstring text = CutToCells(items[i + 1], inner);
            screen.TextW(x + 3 + (inner - TextCells(text)) / 2, y + 1 + i, colour, text);
        }
        if (buttonsNumber == 0) {
            screen.FlushRows(y, bottom);
            return -1;
        }
        screen.Divider(x, right, bottom - 2, colour);
        std::wstring row = CutToCells(buttons, inner);
        int rowCells = TextCells(row);
        int rowX = x + 3 + (inner - rowCells) / 2;
        screen.TextW(rowX, bottom - 1, colour, row);
        // The focused button drawn again over itself, in its own colour.
        int focusEnd = Smaller(starts[focus + 1] - 1, rowCells);
        std::wstring focused = L"[ " + items[firstButton + focus] + L" ]";
        if (focusEnd > starts[focus])
            screen.TextW(rowX + starts[focus], bottom - 1, focusColour,
                         CutToCells(focused, focusEnd - starts[focus]));
        screen.FlushRows(y, bottom);

        KeyPress key;
        if (!screen.ReadKey(&key))
            break;
        if (key.Key == VK_RETURN) {
            result = focus;
            break;
        }
        if (key.Key == VK_ESCAPE)
            break;
        if (IsHelpKey(key, help))
            ShowHelp(screen, *help.Place, help.Topic, false);
        bool back = key.Key == VK_LEFT || (key.Key == VK_TAB && (key.Shift & ShiftShift));
        bool forward = key.Key == VK_RIGHT || (key.Key == VK_TAB && !(key.Shift & ShiftShift));
        if (back)
            focus = (focus + buttonsNumber - 1) % buttonsNumber;
        else if (forward)
            focus = (focus + 1) % buttonsNumber;
    }
    screen.Restore(under);
    return result;
}

// The help box: the topic's lines under its title, scrolled with the cursor
// keys; Esc, Enter or F10 closes it.
static void ShowHelpBox(Screen& screen, const std::wstring& title,
                        const std::vector<std::wstring>& lines) {
    int count = (int)lines.size();
    int inner = TextCells(title) + 2;
    for (int i = 0; i < count; i++)
        inner = Larger(inner, TextCells(lines[i]));
    inner = Larger(Smaller(inner, BoxTextRoom(screen)), 0);
    int rows = Larger(Smaller(count, screen.Height() - 2 - 2 * BoxMargin), 1);
    int width = inner + 6, height = rows + 2;
    int x = Place(-1, width, screen.Width()), y = Place(-1, height, screen.Height());
    int right = x + width - 1, bottom = y + height - 1;
    int last = Larger(count - rows, 0);

    SavedArea* under = screen.Save(x, y, right, bottom);
    int top = 0;
    KeyPress key;
    for (;;) {
        screen.Fill(x, y, right, bottom, L' ', ColourDialog);
        screen.Frame(x, y, right, bottom, ColourDialog);
        screen.Centred(x, right, y, ColourDialog, title);
        for (int row = 0; row < rows && top + row < count; row++)
            screen.TextW(x + 3, y + 1 + row, ColourDialog, CutToCells(lines[top + row], inner));
        if (top > 0)
            screen.Put(right, y + 1, L'\x25B2', ColourDialog);
        if (top < last)
            screen.Put(right, bottom - 1, L'\x25BC', ColourDialog);
        screen.FlushRows(y, bottom);
        if (!screen.ReadKey(&key) || key.Key == VK_ESCAPE || key.Key == VK_RETURN ||
            key.Key == VK_F10)
            break;
        if (key.Key == VK_UP)
            top--;
        else if (key.Key == VK_DOWN)
            top++;
        else if (key.Key == VK_PRIOR)
            top -= rows;
        else if (key.Key == VK_NEXT)
            top += rows;
        else if (key.Key == VK_HOME)
            top = 0;
        else if (key.Key == VK_END)
            top = last;
        top = Larger(0, Smaller(top, last));
    }
    screen.Restore(under);
}

void ShowHelp(Screen& screen, const HelpPlace& place, const std::wstring& topic, bool quiet) {
    HelpFile file;
    HelpFault fault;
    HelpLoad load =
        LoadHelp(place.Folder, place.Language, place.Interface, GetOEMCP(), &file, &fault);
    if (load == HelpFilesMissing && quiet)
        return;
    int index = load == HelpLoaded ? FindHelpTopic(file, topic) : -1;
    if (index >= 0) {
        std::wstring title;
        std::vector<std::wstring> lines;
        FormatHelpTopic(file.Topics[index], Smaller(MaxHelpWidth, BoxTextRoom(screen)), &title,
                        &lines);
        ShowHelpBox(screen, title, lines);
        return;
    }
    // Paths are in the ANSI code page, as plughost takes the plug-in's.
    std::wstring path = WideText(file.Path, CP_ACP);
    std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    std::vector<std::wstring> box = {L"Help"};
    if (load == HelpFilesMissing) {
        box.push_back(WideText(fault.Text, CP_UTF8));
        box.push_back(path);
    } else if (load == HelpRefused) {
        box.push_back(L"The help file cannot be used:");
        box.push_back(name + (fault.Line > 0 ? L":" + std::to_wstring(fault.Line) : L"") + L": " +
                      WideText(fault.Text, CP_UTF8));
    } else {
        box.push_back(L"Requested help topic not found:");
        box.push_back(topic);
        box.push_back(L"in " + name);
    }
    box.push_back(L"OK");
    ShowMessage(screen, true, box, 1, HelpRequest());
}
