// The host's console around a child process: what is remembered before the
// run and put back after it, and the screen the child writes into when its
// output is not drawn off.
#pragma once

#include <windows.h>

// The colour attribute of the notice and of blanked rows.
const int LightGreyOnBlack = 7;

// GetConsoleTitleW's buffer, in characters with the terminator.
const DWORD TitleSize = 512;

// The console's input mode and title as found. Each is put back only when it
// could be read, so a console that answered nothing is never set to garbage.
struct ConsoleMemory {
    bool ModeRead;
    DWORD Mode;
    bool TitleRead;
    wchar_t Title[TitleSize];
};

// Remembers the input mode of input and sets the mode for the run.
void RememberInputMode(HANDLE input, ConsoleMemory* memory);
// Remembers the console title; a title too long for TitleSize, or one that
// cannot be read, is marked as not read and is then neither changed nor put back.
void RememberTitle(ConsoleMemory* memory);
// Puts back the title, then the input mode, as far as they were read.
void PutBackConsole(HANDLE input, const ConsoleMemory* memory);

// Blanks every row of output's buffer through the host, has the host bring
// the console up to date, and puts the cursor at the start of its row.
void BlankScreen(HANDLE output);
// Moves the whole buffer of output up by two rows, blank rows entering at
// the bottom.
void ScrollUpTwoRows(HANDLE output);
