// The host's menus and message boxes, drawn into the screen buffer and driven
// by key presses until they answer.
#include <string.h>

#include "PlugHost.h"

// Narrowest menu, and the longest break-key list read.
static const int MinMenuWidth = 20;
static const int MaxBreakKeys = 64;
// Rows a box leaves free above and below it.
static const int BoxMargin = 2;

static int TextLength(const char* text) {
    return text ? (int)strlen(text) : 0;
}

static int ItemLength(const FarMenuItem& item) {
    int length = 0;
    while (length < (int)sizeof(item.Text) && item.Text[length])
        length++;
    return length;
}

static int Larger(int a, int b) {
    return a > b ? a : b;
}

static int Smaller(int a, int b) {
    return a < b ? a : b;
}

// Where a box of size extent goes along an axis of length room: centred for
// -1, otherwise at position, pulled back inside when it would stick out.
static int Place(int position, int extent, int room) {
    if (position < 0)
        return Larger(0, (room - extent) / 2);
    return Larger(0, Smaller(position, room - extent));
}

static int BreakKeyIndex(const int* keys, const KeyPress& key) {
    if (!keys)
        return -1;
    for (int i = 0; i < MaxBreakKeys && keys[i] != 0; i++)
        if ((keys[i] & 0xFFFF) == key.Key && ((DWORD)keys[i] >> 16) == key.Shift)
            return i;
    return -1;
}

// The nearest item from `from` (exclusive) in direction step that is not a
// separator, or -1.
static int NextItem(const MenuRequest& menu, int from, int step) {
    for (int i = from + step; i >= 0 && i < menu.ItemsNumber; i += step)
        if (!menu.Items[i].Separator)
            return i;
    return -1;
}

static int MoveHighlight(const MenuRequest& menu, int current, WORD key, int page) {
    int count = menu.ItemsNumber;
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
    for (int row = 0; row < rows && top + row < menu.ItemsNumber; row++) {
        const FarMenuItem& item = menu.Items[top + row];
        int line = y + 1 + row;
        if (item.Separator) {
            screen.Divider(x, right, line, ColourMenuBox);
            continue;
        }
        WORD colour = top + row == highlight ? ColourMenuHighlight : ColourMenu;
        screen.Fill(x + 1, line, right - 1, line, L' ', colour);
        if (item.Checked)
            screen.Put(x + 2, line, L'\x221A', colour);
        std::string text(item.Text, Smaller(ItemLength(item), room));
        screen.Text(x + 3, line, colour, text.c_str());
    }
    if (top > 0)
        screen.Put(right, y + 1, L'\x25B2', ColourMenuBox);
    if (top + rows < menu.ItemsNumber)
        screen.Put(right, bottom - 1, L'\x25BC', ColourMenuBox);
}

int ShowMenu(Screen& screen, const MenuRequest& menu) {
    int count = menu.Items ? Larger(menu.ItemsNumber, 0) : 0;
    MenuRequest request = menu;
    request.ItemsNumber = count;
    int widest = 0;
    for (int i = 0; i < count; i++)
        widest = Larger(widest, ItemLength(menu.Items[i]));
    int width = Larger(Larger(widest + 5, MinMenuWidth),
                       Larger(TextLength(menu.Title), TextLength(menu.Bottom)) + 6);
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
        highlight = NextItem(request, -1, 1);

    SavedArea* under = screen.Save(x, y, x + width - 1, y + rows + 1);
    int top = 0, result = -1, breakCode = -1;
    for (;;) {
        if (highlight >= 0 && highlight < top)
            top = highlight;
        if (highlight >= top + rows)
            top = highlight - rows + 1;
        DrawMenu(screen, request, x, y, width, rows, top, highlight);
        screen.FlushRows(y, y + rows + 1);
        KeyPress key;
        if (!screen.ReadKey(&key))
            break;
        int breakIndex = BreakKeyIndex(menu.BreakKeys, key);
        if (breakIndex >= 0) {
            breakCode = breakIndex;
            result = highlight;
            break;
        }
        if (key.Key == VK_RETURN) {
            result = highlight;
            break;
        }
        if (key.Key == VK_ESCAPE || key.Key == VK_F10)
            break;
        if (highlight >= 0)
            highlight = MoveHighlight(request, highlight, key.Key, rows);
    }
    screen.Restore(under);
    if (menu.BreakCode)
        *menu.BreakCode = breakCode;
    return result;
}

static const char* ItemText(const char* const* items, int index) {
    return items[index] ? items[index] : "";
}

int ShowMessage(Screen& screen, unsigned flags, const char* const* items, int itemsNumber,
                int buttonsNumber) {
    if (!items || itemsNumber < 1 || buttonsNumber < 0 || buttonsNumber > itemsNumber - 1)
        return -1;
    bool warning = (flags & FMSG_WARNING) != 0;
    WORD colour = warning ? ColourWarning : ColourDialog;
    WORD focusColour = warning ? ColourWarningButton : ColourDialogButton;
    int firstButton = itemsNumber - buttonsNumber;

    // The button row as one string, with where each button starts.
    std::string buttons;
    std::vector<int> starts;
    for (int i = firstButton; i < itemsNumber; i++) {
        if (!buttons.empty())
            buttons += " ";
        starts.push_back((int)buttons.size());
        buttons += std::string("[ ") + ItemText(items, i) + " ]";
    }
    starts.push_back((int)buttons.size() + 1);

    int inner = Larger(TextLength(items[0]) + 2, (int)buttons.size());
    for (int i = 1; i < firstButton; i++)
        inner = Larger(inner, TextLength(items[i]));
    // Border and two spaces each side; a console resized very small leaves no room.
    inner = Larger(Smaller(inner, screen.Width() - 8), 0);
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
        screen.Centred(x, right, y, colour, ItemText(items, 0));
        for (int i = 0; i < lines; i++) {
            std::string text(ItemText(items, i + 1));
            if ((int)text.size() > inner)
                text.resize(inner);
            screen.Text(x + 3 + (inner - (int)text.size()) / 2, y + 1 + i, colour, text.c_str());
        }
        if (buttonsNumber == 0) {
            screen.FlushRows(y, bottom);
            return -1;
        }
        screen.Divider(x, right, bottom - 2, colour);
        std::string row = buttons.substr(0, inner);
        int rowX = x + 3 + (inner - (int)row.size()) / 2;
        screen.Text(rowX, bottom - 1, colour, row.c_str());
        int focusEnd = Smaller(starts[focus + 1] - 1, (int)row.size());
        for (int i = starts[focus]; i < focusEnd; i++)
            screen.Text(rowX + i, bottom - 1, focusColour, row.substr(i, 1).c_str());
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
