// What the module asks of the host file manager, whichever of its plug-in
// interfaces it is built for. The module's own code reaches the host through
// these functions alone; each interface's binding defines them, and the
// build links exactly one binding. Text is the registry's and the system's
// UTF-16; the binding makes of it what its host takes.
#pragma once

#include <windows.h>

// Texts of the module's language file, fetched from the host by number.
enum MessageNumber {
    MsgWarningTitle = 0,
    MsgWarningButton = 1,
    MsgDeleteDecline = 2,
    MsgPluginTitle = 3,
    MsgMenuBottom = 4,
    MsgRunning = 5,
    MsgDeleteTitle = 6,
    MsgDeleteQuestion = 7,
    MsgKeyOpenFailed = 8,
    MsgRunFailed = 9,
    MsgDeleteFailed = 10,
};

// Where the notice of a running uninstaller stands on the top row.
const int NoticeColumn = 2;

// One line (or button) of a message box. A program's name is shown as the
// list shows it; a command as the host shows any other text, so that the user
// can find it in the registry.
enum BoxLineKind {
    LineMessage,  // the text of message Number
    LineName,     // Text, a program's name (or any text shown as names are)
    LineCommand,  // Text, a command as stored
};
struct BoxLine {
    BoxLineKind Kind;
    int Number;
    const wchar_t* Text;
};

// Shows a box: lines, the first being its title, then buttons; a warning's
// colours when warning. Returns the chosen button's index from 0, or the
// host's answer for a cancelled box. A box without buttons is drawn and left
// on the screen.
int HostShowMessage(bool warning, const BoxLine* lines, int lineCount, const BoxLine* buttons,
                    int buttonCount);

// Shows the list of programs, names[0 .. count - 1] in that order, under the
// title and above the bottom line of messages titleNumber and bottomNumber.
// Returns the chosen item's index, or -1 when the list was cancelled (the
// host may answer anything else: the caller checks it); *deleteKey tells
// whether Del, rather than Enter, chose it.
int HostShowList(int titleNumber, int bottomNumber, const wchar_t* const* names, int count,
                 bool* deleteKey);

// The key by which the list is ordered: a heap copy of name, released with
// FreeBlock, in a form whose 16-bit code units, compared unsigned with A to Z
// folded, give the host's order of the names it shows. Null when there is no
// memory.
wchar_t* HostSortKey(const wchar_t* name);

// The whole screen, or its top row, saved by the host; null when the host
// could not save it. HostRestoreScreen puts a saved screen back and releases
// it; a null screen is passed on to the host as it is.
HANDLE HostSaveScreen();
HANDLE HostSaveTopRow();
void HostRestoreScreen(HANDLE screen);

// Writes message number at NoticeColumn of the top row.
void HostTopRowNotice(int number);

// Blanks the top rows (each width characters wide) of the console through the
// host, then has the host bring the console up to date; with rows 0, only
// the latter.
void HostBlankRows(int width, int rows);

// Has the host adopt the console as it stands as the user screen behind its
// panels; plugin is the module's panel, INVALID_HANDLE_VALUE for none.
void HostAdoptUserScreen(HANDLE plugin);

// Gives the screen back to the panels: both are drawn again.
void HostRedrawPanels();

// The module's warning box: message number below the warning title, then
// detail when not null, and the one button. Built on HostShowMessage, the same
// for every host.
void ShowWarning(int number, const BoxLine* detail);
