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
    MsgTitleByDate = 11,
    MsgTitleBySize = 12,
    MsgVersion = 13,
    MsgPublisher = 14,
    MsgInstalled = 15,
    MsgSize = 16,
    MsgFolder = 17,
    MsgRegistry = 18,
    MsgEnterRuns = 19,
    MsgQuiet = 20,
    MsgSystemComponent = 21,
    MsgUpdateOf = 22,
    MsgOk = 23,
    MsgGoToFolder = 24,
    MsgEntryGone = 25,
};
// Every language file holds this many messages.
const size_t MessageCount = MsgEntryGone + 1;

// Where the notice of a running uninstaller stands on the top row.
const int NoticeColumn = 2;

// One line (or button) of a message box. A program's name is shown as the
// list shows it; a command as the host shows any other text, so that the user
// can find it in the registry.
enum BoxLineKind {
    LineMessage,  // the text of message Number
    LineName,     // Text, a program's name (or any text shown as names are)
    LineCommand,  // Text, a command as stored
    // The text of message Number, a label, then Text after a blank: Text is
    // shown as a name, or as a command.
    LineLabelledName,
    LineLabelledCommand,
};
struct BoxLine {
    BoxLineKind Kind;
    int Number;
    const wchar_t* Text;
};

// The module's boxes, which the host tells apart: a warning is drawn in a
// warning's colours.
enum BoxKind {
    BoxWarning,
    BoxConfirmation,  // the question before an entry is removed
    BoxNotice,        // a box without buttons, left on the screen
    BoxDetails,       // a program's details
};

// The help topics of the module's windows, in the help files beside it (the
// host shows the topic on F1): the list's, and each box's; null for a box
// without buttons, which waits for no key.
const char ListHelpTopic[] = "List";
const char* BoxHelpTopic(BoxKind kind);
// The longest topic name, with its terminator.
const size_t HelpTopicSize = 16;

// Shows a box: lines, the first being its title, then buttons. Returns the
// chosen button's index from 0, or the host's answer for a cancelled box. A
// box without buttons is drawn and left on the screen.
int HostShowMessage(BoxKind kind, const BoxLine* lines, int lineCount, const BoxLine* buttons,
                    int buttonCount);

// The keys that close the list on its highlighted entry.
enum ListKey {
    ListEnter,   // run its uninstaller
    ListDelete,  // Del: remove its entry
    ListDetails,  // F3: its details
    ListByName,  // Ctrl+F3: order by name
    ListBySize,  // Ctrl+F6: order by size
    ListByDate,  // Ctrl+F8: order by install date (the host's "by creation time")
};

// Shows the list of programs, rows[0 .. count - 1] in that order (each shown
// as names are), under the title and above the bottom line of messages
// titleNumber and bottomNumber. Returns the highlighted item's index, or -1
// when the list was cancelled (the host may answer anything else: the caller
// checks it); *key tells which key closed it.
int HostShowList(int titleNumber, int bottomNumber, const wchar_t* const* rows, int count,
                 ListKey* key);

// Opens folder in the host's active panel: false when the host refused it.
bool HostSetPanelFolder(const wchar_t* folder);

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
