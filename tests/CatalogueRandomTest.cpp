// The catalogue against registries no one wrote by hand: a seeded random one,
// checked against what its stored bytes alone say, and one that changes while
// it is read.
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "../src/catalogue/Catalogue.h"
#include "support/ModuleTest.h"
#include "support/RegistrySandbox.h"
#include "support/TestChild.h"
#include "support/Text.h"

namespace {

// Key paths and commands as the registry holds them, in UTF-16; the display
// name as the host draws it.
struct Row {
    std::wstring KeyPath;
    std::string DisplayName;
    std::wstring UninstallString;
    bool operator<(const Row& other) const { return KeyPath < other.KeyPath; }
    bool operator==(const Row& other) const {
        return KeyPath == other.KeyPath && DisplayName == other.DisplayName &&
               UninstallString == other.UninstallString;
    }
};

// The catalogue as rows, released at once. Checks the count against the
// heap: each entry holds four strings, and the array is one more block.
std::vector<Row> LoadRows() {
    int before = LiveBlocks();
    int count = -7;
    UninstallEntry* entries = LoadUninstallList(&count);
    EXPECT_GE(count, 0);
    EXPECT_EQ(entries == nullptr, count == 0);
    EXPECT_EQ(LiveBlocks() - before, count * 4 + (count > 0 ? 1 : 0))
        << "the count does not match the array";
    std::vector<Row> rows;
    for (int i = 0; i < count; i++)
        rows.push_back(
            {entries[i].KeyPath, Shown(entries[i].DisplayName), entries[i].UninstallString});
    FreeUninstallList(entries, count);
    return rows;
}

std::string Folded(const std::string& text) {
    std::string folded = text;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = (char)(c - 'A' + 'a');
    return folded;
}

unsigned SeedFromEnvironment() {
    const char* text = getenv("UNINSTALLMENU_RANDOM_SEED");
    return text && *text ? (unsigned)strtoul(text, nullptr, 0) : 20261208u;
}

class Generator {
public:
    explicit Generator(unsigned seed) : Engine(seed) {}
    int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(Engine); }
    bool Chance(int percent) { return Below(100) < percent; }

    // Mostly the sizes around the 256-byte buffer's edges.
    size_t ValueSize() {
        static const size_t Edges[] = {0, 1, 254, 255, 256, 257, 258};
        return Chance(60) ? Edges[Below(7)] : (size_t)Below(1001);
    }
    std::string ValueBytes() {
        std::string bytes(ValueSize(), '\0');
        for (char& c : bytes)
            c = (char)(Chance(20) ? 0x80 + Below(128) : 0x20 + Below(95));
        if (!bytes.empty() && Chance(15))
            bytes[Below((int)bytes.size())] = '\0';
        if (!bytes.empty() && Chance(50))
            bytes.back() = '\0';
        return bytes;
    }
    DWORD ValueType() {
        static const DWORD Types[] = {REG_SZ,    REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY,
                                      REG_DWORD, REG_QWORD,     REG_NONE};
        return Types[Below(7)];
    }
    // Text beyond the ANSI code page too: Cyrillic small letters and Chinese
    // (neither has capitals, so only A to Z can make two names one key).
    wchar_t AnyCharacter() {
        int kind = Below(4);
        if (kind == 0)
            return (wchar_t)(0x0430 + Below(32));
        if (kind == 1)
            return (wchar_t)(0x4E00 + Below(0x5000));
        wchar_t c;
        do
            c = (wchar_t)(0x20 + Below(95));
        while (c == L'\\');
        return c;
    }
    std::wstring WideText(size_t length) {
        std::wstring text(length, L' ');
        for (wchar_t& c : text)
            c = AnyCharacter();
        return text;
    }
    // Any character a key name may hold but the separator; most names fit
    // the key-path buffer, the rest do not or only just.
    std::string KeyName() {
        int length = Chance(70) ? 1 + Below(203) : 200 + Below(56);
        std::string name(length, ' ');
        for (char& c : name)
            do
                c = (char)(0x20 + Below(95));
            while (c == '\\');
        return name;
    }

private:
    std::mt19937 Engine;
};

// What a value's stored bytes promise: the text up to the first NUL, when
// the whole value, with a terminator if it lacks one, fits 256 bytes.
bool ExpectedText(const std::string& bytes, std::string* text) {
    const size_t Buffer = 256;
    if (bytes.size() > Buffer || (bytes.size() == Buffer && bytes.back() != '\0'))
        return false;
    *text = bytes.substr(0, bytes.find('\0'));
    return true;
}

class CatalogueRandomTest : public ModuleTest {
protected:
    RegistrySandbox Registry;
};

std::wstring FoldedWide(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z')
            c = (wchar_t)(c - L'A' + L'a');
    return text;
}

// Fills a fresh Uninstall key with subkeys drawn from random, loads it and
// checks the list against what the stored bytes alone promise; the number of
// entries that promise is added to *listed. One subkey in ten has a name,
// or values, in UTF-16 beyond the ANSI code page: such a name is listed
// whenever its ANSI form would fit, and such a value whenever its ANSI form
// (one byte a character in the suite's code page, with the terminator)
// fits the 256-byte buffer.
void CheckRandomRegistry(Generator& random, int subkeys, size_t* listed) {
    const size_t LongestPathName = 203;  // with the base path, 255 characters
    const size_t LongestWideValue = 255;
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, WindowsUninstallKey);
    // Subkeys are made below the open Uninstall key: the platform's ANSI
    // calls refuse whole paths as long as the longest names make them.
    HKEY uninstall;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, WindowsUninstallKey, 0, NULL,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &uninstall, NULL),
              ERROR_SUCCESS);
    std::set<std::wstring> taken;  // key names are unique regardless of case
    std::vector<Row> expected;
    for (int i = 0; i < subkeys; i++) {
        bool beyond = random.Chance(10);
        std::wstring name;
        do
            name = beyond ? random.WideText(1 + random.Below(210)) : Wide(random.KeyName());
        while (!taken.insert(FoldedWide(name)).second);
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(uninstall, name.c_str(), 0, NULL, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, NULL, &key, NULL),
                  ERROR_SUCCESS)
            << Narrow(name);
        Row row = {Wide(WindowsUninstallKey) + L"\\" + name, "", L""};
        bool promised = name.size() <= LongestPathName;
        std::string ansiName;
        for (const wchar_t* value : {L"DisplayName", L"UninstallString"}) {
            if (random.Chance(15)) {
                promised = false;
                continue;
            }
            bool display = value[0] == L'D';
            if (beyond && random.Chance(50)) {
                std::wstring wide = random.WideText(random.ValueSize());
                EXPECT_EQ(RegSetValueExW(key, value, 0, REG_SZ, (const BYTE*)wide.c_str(),
                                         (DWORD)(wide.size() + 1) * sizeof(wchar_t)),
                          ERROR_SUCCESS);
                promised = promised && wide.size() <= LongestWideValue;
                if (display)
                    row.DisplayName = Narrow(wide, CP_OEMCP);
                else
                    row.UninstallString = wide;
                continue;
            }
            std::string bytes = random.ValueBytes();
            // A byte past the data that is not NUL, so the registry stores
            // exactly these bytes and adds no terminator of its own.
            std::string buffer = bytes + 'x';
            EXPECT_EQ(RegSetValueExA(key, Narrow(value).c_str(), 0, random.ValueType(),
                                     (const BYTE*)buffer.data(), (DWORD)bytes.size()),
                      ERROR_SUCCESS);
            std::string ansi;
            promised = ExpectedText(bytes, &ansi) && promised;
            if (display) {
                std::vector<char> oem(ansi.begin(), ansi.end());
                oem.push_back('\0');
                CharToOemA(oem.data(), oem.data());
                row.DisplayName = oem.data();
            } else {
                row.UninstallString = Wide(ansi);
            }
        }
        RegCloseKey(key);
        if (promised)
            expected.push_back(row);
    }

    RegCloseKey(uninstall);
    std::vector<Row> rows = LoadRows();
    // Order: by name with A to Z folded, each byte unsigned; ties may come
    // in any order, so the entries themselves are compared by key.
    std::vector<std::string> names, expectedNames;
    for (const Row& row : rows)
        names.push_back(Folded(row.DisplayName));
    for (const Row& row : expected)
        expectedNames.push_back(Folded(row.DisplayName));
    std::sort(expectedNames.begin(), expectedNames.end());
    size_t first = 0;
    while (first < names.size() && first < expectedNames.size() &&
           names[first] == expectedNames[first])
        first++;
    EXPECT_TRUE(names == expectedNames) << "names differ from position " << first;
    std::sort(rows.begin(), rows.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_TRUE(rows == expected) << rows.size() << " entries listed, " << expected.size()
                                  << " expected";
    *listed += expected.size();
}

TEST_F(CatalogueRandomTest, ListsWhatTheStoredBytesPromise) {
    const int Rounds = 8;
    const int Subkeys = 400;
    unsigned seed = SeedFromEnvironment();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (UNINSTALLMENU_RANDOM_SEED repeats it)");
    ASSERT_TRUE(Registry.Ready());
    Generator random(seed);
    ULONGLONG start = GetTickCount64();
    size_t listed = 0;
    for (int round = 0; round < Rounds && !HasFailure(); round++) {
        SCOPED_TRACE("round " + std::to_string(round));
        CheckRandomRegistry(random, Subkeys, &listed);
    }
    printf("[  figures ] seed %u: %d registries of %d subkeys, %zu entries listed, %.2f s\n",
           seed, Rounds, Subkeys, listed, (GetTickCount64() - start) / 1000.0);
}

// The other thread's work: subkeys that come and go, and values set and
// removed, each value naming the subkey it belongs to.
struct Churn {
    volatile LONG Stop;
    long Changes;
    unsigned Seed;
};

const int ChurnedSubkeys = 24;

std::string ChurnedName(int index) {
    return "churn" + std::to_string(index);
}

std::string ChurnedText(const char* value, const std::string& subkey, long change) {
    return std::string(value) + " of " + subkey + " #" + std::to_string(change);
}

DWORD WINAPI ChangeTheKey(void* argument) {
    Churn* churn = (Churn*)argument;
    Generator random(churn->Seed);
    while (!churn->Stop) {
        std::string path = std::string(WindowsUninstallKey) + "\\" +
                           ChurnedName(random.Below(ChurnedSubkeys));
        long change = churn->Changes++;
        if (random.Chance(25)) {
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
            continue;
        }
        HKEY key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
            continue;
        std::string subkey = path.substr(path.rfind('\\') + 1);
        for (const char* value : {"DisplayName", "UninstallString"}) {
            if (random.Chance(20)) {
                RegDeleteValueA(key, value);
            } else {
                std::string text = ChurnedText(value, subkey, change);
                RegSetValueExA(key, value, 0, REG_SZ, (const BYTE*)text.c_str(),
                               (DWORD)text.size() + 1);
            }
        }
        RegCloseKey(key);
    }
    return 0;
}

// The platform may hand the enumeration a subkey twice, or skip one, while
// the key changes; it may not mix two subkeys in one entry.
TEST_F(CatalogueRandomTest, KeyChangingDuringTheLoadGivesOnlyWholeEntries) {
    const ULONGLONG Milliseconds = 3000;
    ASSERT_TRUE(Registry.Ready());
    Registry.CreateUninstallKey();
    std::vector<HANDLE> open = OpenHandles();
    Churn churn = {0, 0, SeedFromEnvironment()};
    HANDLE thread = CreateThread(NULL, 0, ChangeTheKey, &churn, 0, NULL);
    ASSERT_NE(thread, nullptr);
    int loads = 0;
    size_t entries = 0;
    int mixed = 0;
    for (ULONGLONG start = GetTickCount64(); GetTickCount64() - start < Milliseconds; loads++) {
        for (const Row& row : LoadRows()) {
            entries++;
            std::string subkey = Narrow(row.KeyPath.substr(row.KeyPath.rfind(L'\\') + 1));
            std::string prefix = std::string(" of ") + subkey + " #";
            if (row.DisplayName.find("DisplayName" + prefix) != 0 ||
                Narrow(row.UninstallString).find("UninstallString" + prefix) != 0)
                mixed++;
        }
    }
    churn.Stop = 1;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(mixed, 0) << "entries whose texts are not their own subkey's";
    EXPECT_GT(churn.Changes, loads) << "the key hardly changed during the loads";
    EXPECT_EQ(OpenHandles(), open) << "handles left open";
    printf("[  figures ] %d loads with %ld changes of the key in between, %zu entries, %d mixed\n",
           loads, churn.Changes, entries, mixed);
}

}  // namespace
