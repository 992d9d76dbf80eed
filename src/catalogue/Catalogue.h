// The programs Windows lists for removal, read from the registry into an
// array sorted by display name: the machine's, in both registry views on
// 64-bit Windows (one for 32-bit and one for 64-bit programs), and the
// current user's own.
#pragma once

#include <windows.h>

#include "../registry/Registry.h"

// One program. Each string is an owned heap copy.
struct UninstallEntry {
    wchar_t* KeyPath;          // the program's key below its root, by its real name
    wchar_t* DisplayName;      // as stored
    wchar_t* SortKey;          // the host's form of DisplayName for ordering (HostSortKey)
    wchar_t* UninstallString;  // as stored, environment references unexpanded
    KeyLocation Location;      // where KeyPath is: its root and registry view
    // What the list is ordered by, other than the name: by date the install
    // date as the number YYYYMMDD, by size the size in KB. Unset by name.
    DWORD Figure;
    bool HasFigure;
};

// The orders the list is shown in: by name (A to Z), by install date (newest
// first) or by size (largest first). Programs without the date or the size
// come last, by name.
enum ListOrder { OrderByName, OrderByDate, OrderBySize };

// The key, under the machine's root and under the current user's, that holds
// one subkey per program.
extern const wchar_t UninstallKeyPath[];

// Reads every subkey that has both a "DisplayName" and an "UninstallString"
// value, from the machine's key in the process's own registry view, then in
// the other one where the system has two, then from the current user's key,
// into one array sorted by CompareByDisplayName. Returns the array, or null
// when the machine's key cannot be opened in the process's own view (a
// warning box is shown and *count is left untouched) or when no subkey
// qualifies (*count is 0). count may be null. A key the other view lacks, or
// a current user's key that is missing or unreadable, adds nothing; a key
// both views open is read once.
// The caller releases the array with FreeUninstallList.
// By date or size each entry's Figure is read too, and the order is that
// one; by name nothing is read beyond the two values.
UninstallEntry* LoadUninstallList(int* count, ListOrder order = OrderByName);

// Releases the strings of count entries, then the array itself.
void FreeUninstallList(UninstallEntry* entries, int count);

// Orders two UninstallEntry by their SortKey, ignoring the case of A to Z
// only and comparing every other 16-bit code unit by its unsigned value; a
// proper prefix comes first: -1, 0 or 1.
int CompareByDisplayName(const void* a, const void* b);

// Orders two UninstallEntry by Figure, largest first; those without one
// after all that have one; equal figures, and none, by CompareByDisplayName.
int CompareByFigure(const void* a, const void* b);

// What the details of a program show, read from its key only when asked
// for. Each text is ended within its buffer: empty when the key lacks the
// value (or holds it in a type that is not text where text is expected), and
// a value too long for its buffer is cut and ends in DetailCutMark.
const size_t DetailTextSize = 512;
const wchar_t DetailCutMark[] = L"...";
// "YYYY-MM-DD" and its terminator; a size as FormatSize writes it.
const size_t DateTextSize = 11;
const size_t SizeTextSize = 16;
struct ProgramDetails {
    wchar_t Version[DetailTextSize];    // DisplayVersion
    wchar_t Publisher[DetailTextSize];  // Publisher
    // InstallDate when it is a date written YYYYMMDD, else the date the key
    // was last written, as YYYY-MM-DD; empty only when neither is known.
    wchar_t Installed[DateTextSize];
    // EstimatedSize: a DWORD of KB as FormatSize writes it; text as stored.
    wchar_t Size[DetailTextSize];
    wchar_t Folder[DetailTextSize];     // InstallLocation
    wchar_t Quiet[DetailTextSize];      // QuietUninstallString
    // ParentDisplayName, else ParentKeyName: the program it is an update of.
    wchar_t UpdateOf[DetailTextSize];
    bool SystemComponent;               // SystemComponent is the DWORD 1
    // Where the key is: "HKEY_LOCAL_MACHINE\<path>", " (32-bit)" or
    // " (64-bit)" after it where the machine has two registry views.
    wchar_t Registry[DetailTextSize];
};

// Reads the details of the program entry lists. False when its key cannot be
// opened (it was removed since the list was read); *details is then unset.
bool ReadProgramDetails(const UninstallEntry* entry, ProgramDetails* details);

// What the list's orders read of a program's open key: its install date as
// the details show it (YYYYMMDD), its size in KB; false when not known.
bool ReadInstallDate(HKEY key, DWORD* date);
bool ReadSize(HKEY key, DWORD* kilobytes);

// Whether text is a date written YYYYMMDD, a real day of the Gregorian
// calendar; *date is then that number. *date is unset otherwise.
bool ParseInstallDate(const wchar_t* text, DWORD* date);
// Writes the date YYYYMMDD as "YYYY-MM-DD" into text, DateTextSize long.
void FormatDate(DWORD date, wchar_t* text);
// Writes a size of kilobytes as Windows shows it, KB, MB or GB with one
// decimal past 1 MB ("512 KB", "12.3 MB", "4096.0 GB"), into text,
// SizeTextSize long.
void FormatSize(DWORD kilobytes, wchar_t* text);
