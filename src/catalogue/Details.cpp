// A program's details, read from its key when the user asks for them: never
// while the list loads, which stays as fast as it was.
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "../heap/Heap.h"
#include "../wow64/Wow64.h"
#include "Catalogue.h"

static bool IsTextType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Copies the size bytes of text the registry gave into buffer, bufferSize
// characters long: up to the first NUL or the end, whichever comes first, as
// installers end their text in either way; cut, with DetailCutMark, when it
// does not fit.
static void TakeText(const wchar_t* text, DWORD size, wchar_t* buffer, size_t bufferSize) {
    size_t count = size / sizeof(wchar_t);
    size_t length = wcsnlen(text, count);
    if (length < bufferSize) {
        memcpy(buffer, text, length * sizeof(wchar_t));
        buffer[length] = L'\0';
        return;
    }
    const size_t markLength = sizeof(DetailCutMark) / sizeof(wchar_t) - 1;
    size_t kept = bufferSize - 1 - markLength;
    memcpy(buffer, text, kept * sizeof(wchar_t));
    memcpy(buffer + kept, DetailCutMark, (markLength + 1) * sizeof(wchar_t));
}

// Reads the text value name into buffer, bufferSize characters long; empty
// when the key lacks it or holds it in a type that is not text. A value
// longer than the buffer is read whole into a block of its own and cut.
static void ReadText(HKEY key, const wchar_t* name, wchar_t* buffer, size_t bufferSize) {
    buffer[0] = L'\0';
    DWORD type;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, NULL, &type, NULL, &size) != ERROR_SUCCESS ||
        !IsTextType(type) || size == 0)
        return;
    wchar_t* text = (wchar_t*)AllocBlock(size);
    if (text && RegQueryValueExW(key, name, NULL, &type, (BYTE*)text, &size) == ERROR_SUCCESS &&
        IsTextType(type))
        TakeText(text, size, buffer, bufferSize);
    FreeBlock(text);
}

// The DWORD value name; false when it is missing or of another type.
static bool ReadNumber(HKEY key, const wchar_t* name, DWORD* number) {
    DWORD type;
    DWORD value;
    DWORD size = sizeof(value);
    if (RegQueryValueExW(key, name, NULL, &type, (BYTE*)&value, &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return false;
    *number = value;
    return true;
}

static bool IsLeapYear(DWORD year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool ParseInstallDate(const wchar_t* text, DWORD* date) {
    DWORD number = 0;
    for (int i = 0; i < 8; i++) {
        if (text[i] < L'0' || text[i] > L'9')
            return false;
        number = number * 10 + (DWORD)(text[i] - L'0');
    }
    if (text[8] != L'\0')
        return false;
    DWORD year = number / 10000, month = number / 100 % 100, day = number % 100;
    static const DWORD Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1601 || month < 1 || month > 12 || day < 1)
        return false;
    DWORD last = Days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
    if (day > last)
        return false;
    *date = number;
    return true;
}

void FormatDate(DWORD date, wchar_t* text) {
    swprintf(text, DateTextSize, L"%04lu-%02lu-%02lu", (unsigned long)(date / 10000 % 10000),
             (unsigned long)(date / 100 % 100), (unsigned long)(date % 100));
}

void FormatSize(DWORD kilobytes, wchar_t* text) {
    const unsigned long long KilobytesPerMegabyte = 1024, KilobytesPerGigabyte = 1024 * 1024;
    if (kilobytes < KilobytesPerMegabyte) {
        swprintf(text, SizeTextSize, L"%lu KB", (unsigned long)kilobytes);
        return;
    }
    // Tenths, rounded, in whole numbers: no floating point, and a figure
    // that rounds up to 1024.0 MB is shown as the 1.0 GB it is.
    unsigned long long tenths = (kilobytes * 10ULL + KilobytesPerMegabyte / 2) / KilobytesPerMegabyte;
    const wchar_t* unit = L"MB";
    if (tenths >= 10 * 1024) {
        tenths = (kilobytes * 10ULL + KilobytesPerGigabyte / 2) / KilobytesPerGigabyte;
        unit = L"GB";
    }
    swprintf(text, SizeTextSize, L"%lu.%lu %ls", (unsigned long)(tenths / 10),
             (unsigned long)(tenths % 10), unit);
}

bool ReadInstallDate(HKEY key, DWORD* date) {
    // One query, into a buffer that holds any date written YYYYMMDD: the list
    // in date order makes it for every program. A longer value is no such
    // date, whatever it holds.
    wchar_t stored[DateTextSize];
    wchar_t text[DateTextSize] = L"";
    DWORD type;
    DWORD size = sizeof(stored);
    if (RegQueryValueExW(key, L"InstallDate", NULL, &type, (BYTE*)stored, &size) == ERROR_SUCCESS &&
        IsTextType(type))
        TakeText(stored, size, text, DateTextSize);
    if (ParseInstallDate(text, date))
        return true;
    // As Windows' own list does: the day the key was last written, in the
    // user's time zone.
    FILETIME written, local;
    SYSTEMTIME day;
    if (RegQueryInfoKeyW(key, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
                         &written) != ERROR_SUCCESS ||
        !FileTimeToLocalFileTime(&written, &local) || !FileTimeToSystemTime(&local, &day))
        return false;
    *date = (DWORD)day.wYear * 10000 + (DWORD)day.wMonth * 100 + day.wDay;
    return true;
}

bool ReadSize(HKEY key, DWORD* kilobytes) {
    return ReadNumber(key, L"EstimatedSize", kilobytes);
}

// "HKEY_LOCAL_MACHINE\path (32-bit)" or "HKEY_CURRENT_USER\path".
static void DescribeKey(const UninstallEntry* entry, wchar_t* text) {
    bool user = IsPerUser(entry->Location);
    int bits = user ? 0 : RegistryViewBits(entry->Location.View);
    wchar_t view[16] = L"";
    if (bits)
        swprintf(view, sizeof(view) / sizeof(wchar_t), L" (%d-bit)", bits);
    const wchar_t* root = user ? L"HKEY_CURRENT_USER" : L"HKEY_LOCAL_MACHINE";
    size_t needed = wcslen(root) + 1 + wcslen(entry->KeyPath) + wcslen(view) + 1;
    wchar_t* whole = (wchar_t*)AllocBlock(needed * sizeof(wchar_t));
    text[0] = L'\0';
    if (!whole)
        return;
    swprintf(whole, needed, L"%ls\\%ls%ls", root, entry->KeyPath, view);
    TakeText(whole, (DWORD)(needed * sizeof(wchar_t)), text, DetailTextSize);
    FreeBlock(whole);
}

bool ReadProgramDetails(const UninstallEntry* entry, ProgramDetails* details) {
    HKEY key;
    if (OpenKeyForReading(entry->Location, entry->KeyPath, &key) != ERROR_SUCCESS)
        return false;
    ReadText(key, L"DisplayVersion", details->Version, DetailTextSize);
    ReadText(key, L"Publisher", details->Publisher, DetailTextSize);
    DWORD date;
    details->Installed[0] = L'\0';
    if (ReadInstallDate(key, &date))
        FormatDate(date, details->Installed);
    DWORD kilobytes;
    if (ReadSize(key, &kilobytes))
        FormatSize(kilobytes, details->Size);
    else
        ReadText(key, L"EstimatedSize", details->Size, DetailTextSize);
    ReadText(key, L"InstallLocation", details->Folder, DetailTextSize);
    ReadText(key, L"QuietUninstallString", details->Quiet, DetailTextSize);
    ReadText(key, L"ParentDisplayName", details->UpdateOf, DetailTextSize);
    if (details->UpdateOf[0] == L'\0')
        ReadText(key, L"ParentKeyName", details->UpdateOf, DetailTextSize);
    DWORD component;
    details->SystemComponent = ReadNumber(key, L"SystemComponent", &component) && component == 1;
    DescribeKey(entry, details->Registry);
    RegCloseKey(key);
    return true;
}
