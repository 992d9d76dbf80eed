// plughost: a small console host that loads one plug-in DLL the way the file
// manager does, hands it the host services on a real console, and draws a
// plain two-panel screen around it. Optionally it runs the plug-in against
// scratch copies of HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER imported from a
// registry editor file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "../src/far1/Host.h"
#include "../src/far3/Far3Host.h"

// ---------------------------------------------------------------------------
// Fixed sizes and names

// Largest file plughost reads whole (a .reg or .lng file).
const DWORD MaxInputFileSize = 4 * 1024 * 1024;
// Widest console row drawn; wider consoles are drawn up to this column.
const int MaxScreenWidth = 1024;
// Smallest console the screens fit on.
const int MinScreenWidth = 40;
const int MinScreenHeight = 12;

// The two roots a .reg file may write and the sandbox redirects.
enum RegHive { MachineHive, UserHive };
const int RegHives = 2;
// Each root's name as a .reg file writes it.
extern const char* const RegHiveNames[RegHives];

// Where scratch registries live below HKEY_CURRENT_USER: a subkey per host
// and root, named by the host's process id and the root's suffix.
extern const char SandboxParentKey[];
extern const char* const SandboxKeySuffixes[RegHives];
// Environment variables naming each root's scratch key (below the real
// HKEY_CURRENT_USER) for the host's child processes; absent when the host
// runs on the real registry.
extern const char* const SandboxVariables[RegHives];

// OpenPlugin's first argument when the entry was chosen in the plug-ins menu.
const int OpenFromPluginsMenu = 1;

// The host interfaces a plug-in may speak: the 8-bit 1.x one, the Unicode 3.x one.
enum PluginInterface { Interface1, Interface3 };

// Colour attributes.
const WORD ColourPlain = 0x07;
const WORD ColourStatus = 0x30;
const WORD ColourPanel = 0x1B;
const WORD ColourPanelFolder = 0x1F;
const WORD ColourKeyName = 0x07;
const WORD ColourKeyLabel = 0x30;
const WORD ColourMenu = 0x30;
const WORD ColourMenuBox = 0x3F;
const WORD ColourMenuHighlight = 0x0F;
const WORD ColourDialog = 0x70;
const WORD ColourDialogButton = 0x30;
const WORD ColourWarning = 0x4F;
const WORD ColourWarningButton = 0x70;

// ---------------------------------------------------------------------------
// Files (Files.cpp)

// Reads a whole file of at most MaxInputFileSize bytes.
bool ReadWholeFile(const char* path, std::string* bytes, std::string* error);
// The text of a system error code, without the trailing line break.
std::string SystemErrorText(DWORD code);
// Case-insensitive comparison of ASCII names, locale-free.
bool SameName(const std::string& a, const std::string& b);
// Text in a code page in UTF-16, and UTF-16 in UTF-8.
std::wstring WideText(const std::string& text, UINT codePage);
std::string Utf8Text(const std::wstring& text);

// ---------------------------------------------------------------------------
// Registry editor files (RegFile.cpp: pure parsing; RegImport.cpp: registry)

enum RegActionKind { AddKeyStep, RemoveKeyStep, SetValueStep, RemoveValueStep };

// One step of an import, in file order.
struct RegAction {
    RegActionKind Kind;
    RegHive Hive;      // the root the step writes below
    std::string Key;   // below that root, UTF-8; empty for the root itself
    std::string Name;  // the value's name, UTF-8; empty for the default value
    DWORD Type;        // REG_SZ for quoted text, REG_DWORD, or the hex(N) type
    bool IsText;       // quoted text: Data is UTF-8, stored as a string
    std::string Data;  // the bytes to store (dword: four, little-endian)
    int Line;          // where the step starts in the file
};

struct RegScript {
    // Hex data of string types is UTF-16 in version 5 files, ANSI in REGEDIT4.
    bool WideHexStrings;
    std::vector<RegAction> Actions;
};

struct RegError {
    int Line;  // 0 when the fault belongs to no line
    std::string Text;
};

// The file's bytes as UTF-8 text: UTF-16LE with a byte-order mark (as the
// Windows registry editor writes), UTF-8 with or without one, or ANSI text
// under a REGEDIT4 header.
bool DecodeRegBytes(const std::string& bytes, std::string* utf8, RegError* error);
// Reads the whole text; on the first line it cannot read, fails with that
// line's number and leaves *script empty.
bool ParseRegText(const std::string& utf8, RegScript* script, RegError* error);
// Carries out each step below roots[its hive]. Keys are created volatile, as
// befits a scratch tree: they vanish with the registry's session even if
// never removed.
bool ApplyRegScript(const HKEY roots[RegHives], const RegScript& script, RegError* error);

// The demo's uninstaller, which removes only its own entry from the scratch
// registry and refuses to run outside it.
extern const char DemoUninstaller[];
// The scratch registry covers the registry calls of plughost alone: a
// command that Enter runs is a real process on the real machine. Fails with
// the line of the first "UninstallString" value (of any key, text or not, as
// the plug-in reads it in the ANSI code page) whose command does not start
// DemoUninstaller, either bare or in any folder, so that no real uninstaller
// runs by surprise.
bool CheckSandboxCommands(const RegScript& script, RegError* error);

// Two fresh scratch keys under HKEY_CURRENT_USER, one for each root, which
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER point to for this process; each
// named in its SandboxVariables entry for child processes. The destructor
// undoes all of it and removes both scratch trees.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    bool Create(std::string* error);
    // Undoes all of it now; the destructor does it too.
    void Remove();
    HKEY Root(RegHive hive) const { return RootKeys[hive]; }
    // The scratch key's path below the real HKEY_CURRENT_USER.
    const char* Path(RegHive hive) const { return KeyPaths[hive]; }

private:
    HKEY RootKeys[RegHives];
    bool Redirected[RegHives];
    char KeyPaths[RegHives][MAX_PATH];
};

// Removes scratch keys left by hosts that are no longer running.
void RemoveAbandonedSandboxes();

// ---------------------------------------------------------------------------
// Language files (Language.cpp)

struct LanguageFile {
    std::string Path;
    std::string Name;                   // "English" of ".Language=English,English"
    std::vector<std::string> Messages;  // as the file holds them
    // The messages in UTF-16, from a file in UTF-8 (a 3.x plug-in's); empty
    // for an 8-bit file, whose messages are in the console's OEM code page.
    std::vector<std::wstring> WideMessages;
};

// Reads one language file's text: "//" comment lines, the ".Language=" line,
// then one double-quoted string per message. On a fault, *errorLine is the
// line's number (0 when the fault belongs to no line).
bool ParseLanguageText(const std::string& text, LanguageFile* file, int* errorLine,
                       std::string* error);
// The file for language wanted (case-insensitive), else the English one, else -1.
int ChooseLanguage(const std::vector<LanguageFile>& files, const std::string& wanted);
// Reads every *.lng file in folder and keeps the one ChooseLanguage picks.
// With utf8, the files are read as UTF-8 (a byte-order mark first is
// skipped), and the chosen one's messages, which must be UTF-8, are also
// kept in UTF-16.
bool LoadLanguage(const std::string& folder, const std::string& wanted, bool utf8,
                  LanguageFile* chosen, std::string* error);

// ---------------------------------------------------------------------------
// Help files (Help.cpp)

// The widest text of a help box, in cells; a narrower console narrows it.
const int MaxHelpWidth = 76;

struct HelpTopic {
    std::wstring Name;
    int Line;                         // its "@Name" line
    std::vector<std::wstring> Lines;  // the lines after it, up to the next topic
};

// "@Name=Topic" ahead of the first topic: another name for a topic.
struct HelpAlias {
    std::wstring Name;
    std::wstring Topic;
};

struct HelpFile {
    std::string Path;
    std::string Language;  // "English" of ".Language=English,English"; empty without one
    std::vector<HelpTopic> Topics;
    std::vector<HelpAlias> Aliases;
};

struct HelpFault {
    int Line;          // 0 when the fault belongs to no line
    std::string Text;  // UTF-8
};

// Reads a help file's bytes as the host reads them for a plug-in of that
// interface, lines without a byte-order mark that are not UTF-8 in the
// console's OEM code page; refuses a file in an encoding the interface's
// help must not have, without a .Language= line ahead of its topics, with a
// topic twice or with a link to a topic it lacks. Even a refused file's
// language is kept.
bool ParseHelpBytes(const std::string& bytes, PluginInterface reader, UINT oemCodePage,
                    HelpFile* file, HelpFault* fault);
// Of the files that name their language: the one in language wanted
// (case-insensitive), else the English one, else the last; else -1.
int ChooseHelpFile(const std::vector<HelpFile>& files, const std::string& wanted);

enum HelpLoad { HelpLoaded, HelpFilesMissing, HelpRefused };
// Reads every *.hlf file in folder and keeps the one ChooseHelpFile picks,
// or, when none names its language, the last. Refused, *chosen names the
// file (without any, the files looked for) and *fault says why.
HelpLoad LoadHelp(const std::string& folder, const std::string& wanted, PluginInterface reader,
                  UINT oemCodePage, HelpFile* chosen, HelpFault* fault);
// The topic named so or by an alias, in any case; -1 when the file lacks it.
int FindHelpTopic(const HelpFile& file, const std::wstring& name);
// The topic as a box shows it: the title its first "$" line gives (else its
// name), then the text with the markup taken out and laid out as the host
// lays it out, paragraphs wrapped to width cells.
void FormatHelpTopic(const HelpTopic& topic, int width, std::wstring* title,
                     std::vector<std::wstring>* lines);

// ---------------------------------------------------------------------------
// The console (Screen.cpp)

struct KeyPress {
    WORD Key;        // virtual key code; 0 when the console was resized
    DWORD Shift;     // ShiftControl | ShiftAlt | ShiftShift
    WCHAR Char;
};
const DWORD ShiftControl = 1;
const DWORD ShiftAlt = 2;
const DWORD ShiftShift = 4;

// A rectangle of the screen kept for putting back.
struct SavedArea {
    SMALL_RECT Rect;  // screen coordinates, inclusive
    std::vector<CHAR_INFO> Cells;
};

// The host's picture of the console window: every drawing goes into this
// buffer and reaches the console on Flush. Opening takes the console over
// (input mode, hidden cursor); closing puts back what was there before.
class Screen {
public:
    Screen();
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    bool Open(std::string* error);
    // Gives the console back as it was found; the destructor does it too.
    void Close();
    int Width() const { return Columns; }
    int Height() const { return Rows; }

    // Text in the OEM code page, clipped to the screen.
    void Text(int x, int y, WORD colour, const char* oem);
    // Text clipped to the screen, a wide character in two cells (CharCells).
    void TextW(int x, int y, WORD colour, const std::wstring& text);
    void Fill(int x1, int y1, int x2, int y2, WCHAR ch, WORD colour);
    // A double-line frame around the rectangle's edge.
    void Frame(int x1, int y1, int x2, int y2, WORD colour);
    // A single line across a frame at row y, joined to its sides.
    void Divider(int x1, int x2, int y, WORD colour);
    // " text " centred between columns x1 and x2, cut to fit.
    void Centred(int x1, int x2, int y, WORD colour, const std::wstring& text);
    void Put(int x, int y, WCHAR ch, WORD colour);
    void Flush();
    void FlushRows(int y1, int y2);

    // Coordinates of -1 mean the right or bottom edge. The screen keeps every
    // area until it is restored or the screen closes.
    SavedArea* Save(int x1, int y1, int x2, int y2);
    // Puts the area back and releases it; false for an area it does not hold.
    bool Restore(SavedArea* area);

    // The console's own contents, kept as the screen behind the panels.
    void TakeUserScreen();
    void ShowUserScreen();

    // Waits for a key press; false when the console can no longer be read.
    bool ReadKey(KeyPress* key);
    // After a resize: the window's new size, the buffer redrawn blank.
    void Resize();

private:
    void ReadWindow();
    void Unpair(int x, int y);
    CHAR_INFO* Cell(int x, int y) { return &Cells[y * Columns + x]; }

    HANDLE Input;
    HANDLE Output;
    DWORD SavedInputMode;
    CONSOLE_CURSOR_INFO SavedCursor;
    COORD SavedCursorPosition;
    SMALL_RECT Window;
    int Columns;
    int Rows;
    std::vector<CHAR_INFO> Cells;
    std::vector<CHAR_INFO> UserScreen;
    SMALL_RECT UserWindow;
    std::vector<SavedArea*> Areas;
};

// How many cells a character takes: 2 for the East Asian wide and
// full-width ones, which a terminal shows two columns wide; else 1.
int CharCells(WCHAR ch);
int TextCells(const std::wstring& text);
// The longest start of text that fits in that many cells.
std::wstring CutToCells(const std::wstring& text, int cells);
// length bytes of text in the OEM code page, in UTF-16.
std::wstring OemText(const char* oem, int length);

// ---------------------------------------------------------------------------
// Menus and message boxes (Dialogs.cpp), in UTF-16 whichever interface the
// plug-in speaks

struct MenuLine {
    std::wstring Text;
    bool Separator;
    bool Checked;
    bool Selected;
};

struct BreakKey {
    WORD Key;     // virtual key code
    DWORD Shift;  // as KeyPress::Shift
};

// Where a plug-in's help is found.
struct HelpPlace {
    std::string Folder;        // the plug-in DLL's
    std::string Language;      // the one plughost shows the plug-in in (--lang)
    PluginInterface Interface;
};

// What F1 shows in a plug-in's menu or box: a topic of its help. Without a
// place or a topic F1 does nothing, as in the host.
struct HelpRequest {
    const HelpPlace* Place;
    std::wstring Topic;
};

struct MenuRequest {
    int X, Y;        // -1: centred
    int MaxHeight;   // visible items; 0: as many as fit
    std::wstring Title;
    std::wstring Bottom;
    std::vector<BreakKey> BreakKeys;
    std::vector<MenuLine> Items;
    HelpRequest Help;
};

// The chosen item's index, or -1 when cancelled; a break key answers the
// highlighted index and sets *breakCode to its position in BreakKeys (-1
// otherwise). F1, when not a break key, shows the request's help.
int ShowMenu(Screen& screen, const MenuRequest& request, int* breakCode);
// items[0] is the title, the last buttonsNumber items are buttons. The chosen
// button's index, -1 when cancelled; with no buttons the box stays drawn and
// -1 comes back at once. F1 shows the help asked for.
int ShowMessage(Screen& screen, bool warning, const std::vector<std::wstring>& items,
                int buttonsNumber, const HelpRequest& help);
// The topic in a box that Esc closes, or a warning saying why the help
// cannot show it. Quiet, nothing at all when the folder has no help file,
// as for Shift+F1 in the plug-ins menu.
void ShowHelp(Screen& screen, const HelpPlace& place, const std::wstring& topic, bool quiet);

// ---------------------------------------------------------------------------
// The screen around the plug-in (Panels.cpp)

// The panels, left (0) and right (1).
const int PanelCount = 2;

struct Desktop {
    std::string Status;                 // top row: what is loaded, which registry
    std::wstring Folders[PanelCount];   // each panel's folder, a full path
    // The panel a plug-in's "active panel" means; the left one, as at the
    // file manager's start, and plughost has no key to change it.
    int Active = 0;
};

void DrawDesktop(Screen& screen, const Desktop& desktop);
// Opens a folder in a panel: an existing folder, named from a root or
// relative to the panel's own folder (a trailing backslash accepted),
// becomes its folder, listed when the desktop is drawn next. False, and the
// panel as it was, for a name that is empty or names no folder.
bool SetPanelFolder(Desktop* desktop, int panel, const std::wstring& name);

// ---------------------------------------------------------------------------
// The plug-in and the services it is given (Plugin.cpp; Services.cpp for the
// 8-bit 1.x interface, Services3.cpp for the Unicode 3.x one)

// What the services work on, for as long as the plug-in is bound.
struct HostSession {
    Screen* Display;
    const LanguageFile* Language;
    Desktop* Panels;  // a plug-in may move them; plughost draws them as they are
    GUID PluginId;  // a 3.x plug-in's own, which its service calls hand back
    const HelpPlace* Help;
};

// Binds the services of both interfaces to session (null unbinds).
void BindServices(HostSession* session);
HostSession* BoundSession();
// Puts a saved area back; the same service in both interfaces.
void WINAPI ServeRestoreScreen(HANDLE screen);

// The exceptions a service raises when the plug-in hands back another
// identity than it was given: a 1.x module number (its two arguments are
// that number and the right one), or a 3.x plug-in GUID.
const DWORD WrongModuleNumberFault = 0xE0000001;
const DWORD WrongPluginIdFault = 0xE0000002;

// The startup records, filled with the services plughost serves; the rest
// stay empty.
void FillStartupInfo(PluginStartupInfo* info, const char* modulePath);
void FillStartupInfo3(Far3::PluginStartupInfo* info, Far3::FarStandardFunctions* functions,
                      const wchar_t* modulePath);

// The host's version as a 3.x plug-in sees it.
extern const Far3::VersionInfo HostVersion3;

// A loaded plug-in DLL, of the interface its exports name: a DLL exporting
// GetGlobalInfoW is a 3.x plug-in, as the file manager takes it. Unloaded by
// the destructor.
class PluginModule {
public:
    PluginModule();
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // Loads it and, for a 3.x plug-in, reads and checks its global info.
    bool Load(const char* path, std::string* error);
    PluginInterface Interface() const { return Kind; }
    const char* Path() const { return FullPath; }
    std::string Folder() const;
    // The identity a 3.x plug-in gave; zero for a 1.x one.
    const GUID& Id() const { return Global.Guid; }

    // Hands the plug-in its startup record, as the file manager does.
    void Start();
    // Its plug-ins menu entries; empty when it has none.
    std::vector<std::wstring> MenuStrings();
    // Opens entry item from the plug-ins menu; false when the plug-in
    // answered with a panel of its own, which plughost cannot show.
    bool OpenFromMenu(int item);
    void Exit();

private:
    bool FindEntries(const char* const* names, FARPROC* entries, int count, int required,
                     std::string* error);
    bool ReadGlobalInfo(std::string* error);

    HMODULE Module;
    PluginInterface Kind;
    char FullPath[MAX_PATH];
    FARPROC Entries1[4];  // SetStartupInfo, GetPluginInfo, OpenPlugin, ExitFAR
    FARPROC Entries3[5];  // GetGlobalInfoW, SetStartupInfoW, GetPluginInfoW, OpenW, ExitFARW
    Far3::GlobalInfo Global;
    std::vector<GUID> MenuIds;  // a 3.x plug-in's, one per menu entry
};
