// The console: the host's screen buffer, saved areas, and key presses.
#include <string.h>

#include "PlugHost.h"

static const WCHAR Blank = L' ';

Screen::Screen()
    : Input(INVALID_HANDLE_VALUE), Output(INVALID_HANDLE_VALUE), SavedInputMode(0), Columns(0),
      Rows(0) {
    memset(&SavedCursor, 0, sizeof(SavedCursor));
    memset(&SavedCursorPosition, 0, sizeof(SavedCursorPosition));
    memset(&Window, 0, sizeof(Window));
    memset(&UserWindow, 0, sizeof(UserWindow));
}

Screen::~Screen() {
    Close();
}

void Screen::Close() {
    for (size_t i = 0; i < Areas.size(); i++)
        delete Areas[i];
    Areas.clear();
    if (Columns > 0) {
        ShowUserScreen();
        SetConsoleCursorPosition(Output, SavedCursorPosition);
        SetConsoleCursorInfo(Output, &SavedCursor);
        SetConsoleMode(Input, SavedInputMode);
        Columns = 0;
    }
    if (Input != INVALID_HANDLE_VALUE)
        CloseHandle(Input);
    if (Output != INVALID_HANDLE_VALUE)
        CloseHandle(Output);
    Input = Output = INVALID_HANDLE_VALUE;
}

bool Screen::Open(std::string* error) {
    // The console itself, whatever the standard handles were redirected to.
    Input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        NULL, OPEN_EXISTING, 0, NULL);
    Output = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (Input == INVALID_HANDLE_VALUE || Output == INVALID_HANDLE_VALUE ||
        !GetConsoleMode(Input, &SavedInputMode) || !GetConsoleScreenBufferInfo(Output, &info)) {
        *error = "plughost needs a console to draw on";
        return false;
    }
    int width = info.srWindow.Right - info.srWindow.Left + 1;
    int height = info.srWindow.Bottom - info.srWindow.Top + 1;
    if (width < MinScreenWidth || height < MinScreenHeight) {
        *error = "the console window is " + std::to_string(width) + "x" + std::to_string(height) +
                 "; plughost needs at least " + std::to_string(MinScreenWidth) + "x" +
                 std::to_string(MinScreenHeight);
        return false;
    }
    SavedCursorPosition = info.dwCursorPosition;
    GetConsoleCursorInfo(Output, &SavedCursor);
    TakeUserScreen();
    ReadWindow();
    SetConsoleMode(Input, ENABLE_WINDOW_INPUT);
    CONSOLE_CURSOR_INFO hidden = SavedCursor;
    hidden.bVisible = FALSE;
    SetConsoleCursorInfo(Output, &hidden);
    return true;
}

void Screen::ReadWindow() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(Output, &info))
        return;
    Window = info.srWindow;
    Columns = Window.Right - Window.Left + 1;
    if (Columns > MaxScreenWidth)
        Columns = MaxScreenWidth;
    Rows = Window.Bottom - Window.Top + 1;
    Window.Right = (SHORT)(Window.Left + Columns - 1);
    CHAR_INFO blank;
    blank.Char.UnicodeChar = Blank;
    blank.Attributes = ColourPlain;
    Cells.assign((size_t)Columns * Rows, blank);
}

void Screen::Resize() {
    ReadWindow();
}

// A character a terminal shows two columns wide takes two cells: itself,
// then WideTail. Wine's console writes the cells to its terminal one after
// another; the tail, of no width there, keeps the terminal's columns in step
// with the cells.
static const WCHAR WideTail = 0x200B;  // zero-width space

int CharCells(WCHAR ch) {
    // The East Asian wide and full-width ranges of the basic plane.
    return (ch >= 0x1100 && ch <= 0x115F) || (ch >= 0x2E80 && ch <= 0xA4CF && ch != 0x303F) ||
                   (ch >= 0xAC00 && ch <= 0xD7A3) || (ch >= 0xF900 && ch <= 0xFAFF) ||
                   (ch >= 0xFE30 && ch <= 0xFE4F) || (ch >= 0xFF00 && ch <= 0xFF60) ||
                   (ch >= 0xFFE0 && ch <= 0xFFE6)
               ? 2
               : 1;
}

int TextCells(const std::wstring& text) {
    int cells = 0;
    for (size_t i = 0; i < text.size(); i++)
        cells += CharCells(text[i]);
    return cells;
}

std::wstring CutToCells(const std::wstring& text, int cells) {
    size_t length = 0;
    for (int used = 0; length < text.size(); length++) {
        used += CharCells(text[length]);
        if (used > cells)
            break;
    }
    return text.substr(0, length);
}

std::wstring OemText(const char* oem, int length) {
    std::wstring wide(length > 0 ? length : 0, L'\0');
    if (length > 0)
        wide.resize(MultiByteToWideChar(CP_OEMCP, 0, oem, length, &wide[0], length));
    return wide;
}

// A cell about to be written stops being half of a wide character: the other
// half goes too, or the terminal would show the rest of the row shifted.
void Screen::Unpair(int x, int y) {
    WCHAR ch = Cell(x, y)->Char.UnicodeChar;
    if (ch == WideTail && x > 0)
        Cell(x - 1, y)->Char.UnicodeChar = Blank;
    else if (CharCells(ch) == 2 && x + 1 < Columns && Cell(x + 1, y)->Char.UnicodeChar == WideTail)
        Cell(x + 1, y)->Char.UnicodeChar = Blank;
}

void Screen::Put(int x, int y, WCHAR ch, WORD colour) {
    if (x < 0 || y < 0 || x >= Columns || y >= Rows)
        return;
    Unpair(x, y);
    Cell(x, y)->Char.UnicodeChar = ch;
    Cell(x, y)->Attributes = colour;
}

void Screen::TextW(int x, int y, WORD colour, const std::wstring& text) {
    for (size_t i = 0; i < text.size() && x < Columns; i++) {
        if (CharCells(text[i]) == 1) {
            Put(x++, y, text[i], colour);
            continue;
        }
        // Half a wide character is none: blanks where it does not fit.
        if (x < 0 || x + 1 >= Columns || y < 0 || y >= Rows) {
            Put(x, y, Blank, colour);
            Put(x + 1, y, Blank, colour);
            x += 2;
            continue;
        }
        Unpair(x + 1, y);
        Put(x, y, text[i], colour);
        Cell(x + 1, y)->Char.UnicodeChar = WideTail;
        Cell(x + 1, y)->Attributes = colour;
        x += 2;
    }
}

void Screen::Text(int x, int y, WORD colour, const char* oem) {
    if (!oem || y < 0 || y >= Rows)
        return;
    size_t length = strlen(oem);
    if (x < 0) {
        // Widened first: negating INT_MIN as an int overflows.
        size_t skip = (size_t)(-(long long)x);
        if (skip >= length)
            return;
        oem += skip;
        length -= skip;
        x = 0;
    }
    int room = Columns - x;
    if (room <= 0)
        return;
    TextW(x, y, colour, OemText(oem, length < (size_t)room ? (int)length : room));
}

void Screen::Fill(int x1, int y1, int x2, int y2, WCHAR ch, WORD colour) {
    for (int y = y1; y <= y2; y++)
        for (int x = x1; x <= x2; x++)
            Put(x, y, ch, colour);
}

void Screen::Frame(int x1, int y1, int x2, int y2, WORD colour) {
    Fill(x1 + 1, y1, x2 - 1, y1, L'\x2550', colour);
    Fill(x1 + 1, y2, x2 - 1, y2, L'\x2550', colour);
    Fill(x1, y1 + 1, x1, y2 - 1, L'\x2551', colour);
    Fill(x2, y1 + 1, x2, y2 - 1, L'\x2551', colour);
    Put(x1, y1, L'\x2554', colour);
    Put(x2, y1, L'\x2557', colour);
    Put(x1, y2, L'\x255A', colour);
    Put(x2, y2, L'\x255D', colour);
}

void Screen::Divider(int x1, int x2, int y, WORD colour) {
    Fill(x1 + 1, y, x2 - 1, y, L'\x2500', colour);
    Put(x1, y, L'\x255F', colour);
    Put(x2, y, L'\x2562', colour);
}

void Screen::Centred(int x1, int x2, int y, WORD colour, const std::wstring& text) {
    int room = x2 - x1 - 3;  // inside the corners, with a space either side
    if (text.empty() || room <= 0)
        return;
    std::wstring cut = CutToCells(text, room);
    int cells = TextCells(cut);
    int x = x1 + (x2 - x1 + 1 - (cells + 2)) / 2;
    Put(x, y, Blank, colour);
    TextW(x + 1, y, colour, cut);
    Put(x + 1 + cells, y, Blank, colour);
}

void Screen::FlushRows(int y1, int y2) {
    if (y1 < 0)
        y1 = 0;
    if (y2 >= Rows)
        y2 = Rows - 1;
    if (Columns == 0 || y1 > y2)
        return;
    COORD size = {(SHORT)Columns, (SHORT)Rows};
    COORD from = {0, (SHORT)y1};
    SMALL_RECT rect = Window;
    rect.Top = (SHORT)(Window.Top + y1);
    rect.Bottom = (SHORT)(Window.Top + y2);
    WriteConsoleOutputW(Output, &Cells[0], size, from, &rect);
}

void Screen::Flush() {
    FlushRows(0, Rows - 1);
}

static int Edge(int value, int last) {
    if (value < 0 || value > last)
        return last;
    return value;
}

// A start past the far edge leaves the area empty; held to the screen, it
// also fits the rectangle's SHORT fields.
static int Start(int value, int end) {
    if (value < 0)
        return 0;
    return value > end ? end : value;
}

SavedArea* Screen::Save(int x1, int y1, int x2, int y2) {
    SavedArea* area = new SavedArea;
    area->Rect.Left = (SHORT)Start(x1, Columns);
    area->Rect.Top = (SHORT)Start(y1, Rows);
    area->Rect.Right = (SHORT)Edge(x2, Columns - 1);
    area->Rect.Bottom = (SHORT)Edge(y2, Rows - 1);
    for (int y = area->Rect.Top; y <= area->Rect.Bottom; y++)
        for (int x = area->Rect.Left; x <= area->Rect.Right; x++)
            area->Cells.push_back(*Cell(x, y));
    Areas.push_back(area);
    return area;
}

bool Screen::Restore(SavedArea* area) {
    size_t index = 0;
    while (index < Areas.size() && Areas[index] != area)
        index++;
    if (index == Areas.size())
        return false;
    Areas.erase(Areas.begin() + index);
    size_t cell = 0;
    for (int y = area->Rect.Top; y <= area->Rect.Bottom; y++)
        for (int x = area->Rect.Left; x <= area->Rect.Right; x++, cell++)
            if (x < Columns && y < Rows)
                *Cell(x, y) = area->Cells[cell];
    FlushRows(area->Rect.Top, area->Rect.Bottom);
    delete area;
    return true;
}

void Screen::TakeUserScreen() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(Output, &info))
        return;
    UserWindow = info.srWindow;
    int width = UserWindow.Right - UserWindow.Left + 1;
    int height = UserWindow.Bottom - UserWindow.Top + 1;
    CHAR_INFO blank;
    blank.Char.UnicodeChar = Blank;
    blank.Attributes = ColourPlain;
    UserScreen.assign((size_t)width * height, blank);
    COORD size = {(SHORT)width, (SHORT)height};
    COORD origin = {0, 0};
    SMALL_RECT rect = UserWindow;
    // Kept only when read: blanks put back on exit would wipe the user's screen.
    if (!ReadConsoleOutputW(Output, &UserScreen[0], size, origin, &rect))
        UserScreen.clear();
}

void Screen::ShowUserScreen() {
    if (UserScreen.empty())
        return;
    COORD size = {(SHORT)(UserWindow.Right - UserWindow.Left + 1),
                  (SHORT)(UserWindow.Bottom - UserWindow.Top + 1)};
    COORD origin = {0, 0};
    SMALL_RECT rect = UserWindow;
    WriteConsoleOutputW(Output, &UserScreen[0], size, origin, &rect);
}

bool Screen::ReadKey(KeyPress* key) {
    for (;;) {
        INPUT_RECORD record;
        DWORD got = 0;
        if (!ReadConsoleInputW(Input, &record, 1, &got))
            return false;
        if (got == 0)
            continue;
        if (record.EventType == WINDOW_BUFFER_SIZE_EVENT) {
            key->Key = 0;
            key->Shift = 0;
            key->Char = 0;
            return true;
        }
        if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown)
            continue;
        WORD vk = record.Event.KeyEvent.wVirtualKeyCode;
        // Lone modifiers, and keys the console could not name.
        if (vk == 0 || vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU || vk == VK_CAPITAL)
            continue;
        DWORD state = record.Event.KeyEvent.dwControlKeyState;
        key->Key = vk;
        key->Shift = 0;
        if (state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED))
            key->Shift |= ShiftControl;
        if (state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED))
            key->Shift |= ShiftAlt;
        if (state & SHIFT_PRESSED)
            key->Shift |= ShiftShift;
        key->Char = record.Event.KeyEvent.uChar.UnicodeChar;
        return true;
    }
}
