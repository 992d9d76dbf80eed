#include <string.h>

#include "../heap/Heap.h"
#include "../hostcalls/HostCalls.h"
#include "Console.h"

// Processed, line and echo input with mouse events, as a console program
// started from a command prompt expects to find it.
const DWORD RunInputMode =
    ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_MOUSE_INPUT;
static_assert(RunInputMode == 0x17, "input mode for the run");

// The host keeps its command line and key bar on the bottom two rows of its
// user screen; moving the finished run up by as many keeps the child's last
// lines above them.
const SHORT ScrolledRows = 2;

void RememberInputMode(HANDLE input, ConsoleMemory* memory) {
    memory->ModeRead = GetConsoleMode(input, &memory->Mode) != 0;
    // A mode that cannot be read cannot be put back, so it is left alone.
    if (memory->ModeRead)
        SetConsoleMode(input, RunInputMode);
}

// Room for any console title, in characters with the terminator.
const DWORD LongestTitleSize = 65536;

// Some platforms answer a title longer than the buffer with 0 and no error,
// exactly as they answer an empty one; only a read with room for any title
// tells the two apart. True when that read finds a title, or fails, so that
// a title that cannot be told empty is never replaced by "".
static bool TitleHiddenByItsLength() {
    wchar_t* large = (wchar_t*)AllocBlock(LongestTitleSize * sizeof(wchar_t));
    if (!large)
        return true;
    large[0] = L'\0';
    SetLastError(ERROR_SUCCESS);
    DWORD length = GetConsoleTitleW(large, LongestTitleSize);
    bool hidden = length > 0 || large[0] != L'\0' || GetLastError() != ERROR_SUCCESS;
    FreeBlock(large);
    return hidden;
}

void RememberTitle(ConsoleMemory* memory) {
    // An empty title reads as no characters, without an error and without
    // touching the buffer; a failure reads as none with an error.
    memory->Title[0] = L'\0';
    SetLastError(ERROR_SUCCESS);
    DWORD length = GetConsoleTitleW(memory->Title, TitleSize);
    memory->Title[TitleSize - 1] = L'\0';
    if (length > 0)
        // A title longer than the buffer comes back cut (or not at all);
        // putting that back would shorten it, so it is not taken.
        memory->TitleRead = length < TitleSize;
    else
        memory->TitleRead = GetLastError() == ERROR_SUCCESS && memory->Title[0] == L'\0' &&
                            !TitleHiddenByItsLength();
}

void PutBackConsole(HANDLE input, const ConsoleMemory* memory) {
    if (memory->TitleRead)
        SetConsoleTitleW(memory->Title);
    if (memory->ModeRead)
        SetConsoleMode(input, memory->Mode);
}

void BlankScreen(HANDLE output) {
    CONSOLE_SCREEN_BUFFER_INFO buffer;
    bool read = GetConsoleScreenBufferInfo(output, &buffer) != 0;
    // The whole buffer, not only the window: the host's user screen is the
    // buffer the child scrolls through.
    HostBlankRows(read ? buffer.dwSize.X : 0, read ? buffer.dwSize.Y : 0);
    if (read) {
        COORD start = {0, buffer.dwCursorPosition.Y};
        SetConsoleCursorPosition(output, start);
    }
}

void ScrollUpTwoRows(HANDLE output) {
    // Read now rather than taken from before the run: the run may have
    // resized the buffer, and a run whose pipe failed never read it.
    CONSOLE_SCREEN_BUFFER_INFO buffer;
    if (!GetConsoleScreenBufferInfo(output, &buffer))
        return;
    // Corners are inclusive. A rectangle reaching past the buffer is clipped
    // by some consoles and refused whole by others.
    SMALL_RECT source = {0, ScrolledRows, (SHORT)(buffer.dwSize.X - 1),
                         (SHORT)(buffer.dwSize.Y - 1)};
    COORD destination = {0, 0};
    CHAR_INFO fill;
    fill.Char.AsciiChar = ' ';
    fill.Attributes = LightGreyOnBlack;
    ScrollConsoleScreenBufferA(output, &source, NULL, destination, &fill);
}
