// Reading the programs Windows lists for removal, from a sandboxed registry.
#include <stdio.h>

#include <map>
#include <string>
#include <vector>

#include "../src/catalogue/Catalogue.h"
#include "support/ModuleTest.h"
#include "support/RegistrySandbox.h"
#include "support/TestChild.h"
#include "support/Text.h"

class CatalogueTest : public ModuleTest {
protected:
    // Loads the catalogue, keeps it as plain rows and releases it.
    struct Row {
        std::string KeyPath, DisplayName, UninstallString;
        KeyLocation Location;
    };
    // Every key the load opens is closed again.
    std::vector<Row> Load() {
        std::vector<HANDLE> open = OpenHandles();
        int count = -7;
        UninstallEntry* entries = LoadUninstallList(&count);
        EXPECT_EQ(OpenHandles(), open) << "the load left keys open";
        std::vector<Row> rows;
        for (int i = 0; i < count; i++)
            rows.push_back({Narrow(entries[i].KeyPath), Shown(entries[i].DisplayName),
                            Narrow(entries[i].UninstallString),
                            entries[i].Location});
        EXPECT_EQ(entries == nullptr, count == 0);
        FreeUninstallList(entries, count);
        return rows;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const Row& row : Load())
            names.push_back(row.DisplayName);
        return names;
    }
    static std::string KeyOf(const std::string& name) {
        return std::string(WindowsUninstallKey) + "\\" + name;
    }

    RegistrySandbox Registry;
};

TEST_F(CatalogueTest, ListsOnlyProgramsWithBothNameAndCommand) {
    ASSERT_TRUE(Registry.Ready());
    Registry.AddProgram("Both", "Complete", "C:\\complete\\uninst.exe /S");
    Registry.AddProgram("NameOnly", "No command", nullptr);
    Registry.AddProgram("CommandOnly", nullptr, "C:\\nameless\\uninst.exe");
    Registry.AddProgram("Neither", nullptr, nullptr);

    std::vector<Row> rows = Load();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].KeyPath, KeyOf("Both"));
    EXPECT_EQ(rows[0].DisplayName, "Complete");
    EXPECT_EQ(rows[0].UninstallString, "C:\\complete\\uninst.exe /S");
}

// Under the sandbox's override both registry views open the one scratch key,
// as on a system that shares the key between them: its programs come once,
// from the process's own view.
TEST_F(CatalogueTest, AKeyBothViewsOpenIsReadOnce) {
    ASSERT_TRUE(Registry.Ready());
    Registry.AddProgram("One", "One", "one.exe");
    Registry.AddProgram("Two", "Two", "two.exe");
    std::vector<Row> rows = Load();
    ASSERT_EQ(rows.size(), 2u);
    for (const Row& row : rows)
        EXPECT_EQ(row.Location.View, 0u) << row.DisplayName;
}

// The current user's own programs join the machine's in the one sorted list,
// each knowing its root; the same key name may stand under both.
TEST_F(CatalogueTest, CurrentUsersProgramsAreListedAmongTheMachines) {
    ASSERT_TRUE(Registry.Ready());
    Registry.AddProgram("Editor", "Editor (machine)", "machine.exe");
    Registry.AddProgram("Zed", "Zed", "zed.exe");
    Registry.AddProgram("Editor", "editor (mine)", "mine.exe", User);
    Registry.AddProgram("Chat", "Chat", "chat.exe", User);
    std::vector<Row> rows = Load();
    ASSERT_EQ(rows.size(), 4u);
    const char* order[] = {"Chat", "Editor (machine)", "editor (mine)", "Zed"};
    const HKEY roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,
                          HKEY_LOCAL_MACHINE};
    for (size_t i = 0; i < rows.size(); i++) {
        EXPECT_EQ(rows[i].DisplayName, order[i]);
        EXPECT_EQ(rows[i].Location.Root, roots[i]) << order[i];
        EXPECT_EQ(rows[i].Location.View, 0u) << order[i];
    }
    EXPECT_EQ(rows[2].KeyPath, KeyOf("Editor"));
}

TEST_F(CatalogueTest, KeepsCommandAsStoredWithEnvironmentReferences) {
    ASSERT_TRUE(Registry.Ready());
    Registry.AddProgram("Env", "Env", "\"%ProgramFiles%\\Tool\\remove.exe\" /quiet");
    std::vector<Row> rows = Load();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].UninstallString, "\"%ProgramFiles%\\Tool\\remove.exe\" /quiet");
}

// Each value is read into the same buffers as the subkey before it; an empty,
// unterminated or non-text value must never show that subkey's text. Every
// subject follows a subkey with long values (subkeys enumerate by name).
TEST_F(CatalogueTest, ShortValuesNeverShowTheTextOfTheKeyBefore) {
    ASSERT_TRUE(Registry.Ready());
    std::string longName(200, 'L');
    std::string longCommand(220, 'C');
    const char* subjects[] = {"a", "b", "c", "d"};
    for (const char* subject : subjects)
        Registry.AddProgram(std::string(subject) + "1", longName.c_str(), longCommand.c_str());
    Registry.SetRawValue("a2", "DisplayName", REG_SZ, "", 0);
    Registry.SetRawValue("a2", "UninstallString", REG_SZ, "", 0);
    Registry.SetRawValue("b2", "DisplayName", REG_SZ, "", 1);
    Registry.SetRawValue("b2", "UninstallString", REG_SZ, "", 1);
    Registry.SetRawValue("c2", "DisplayName", REG_SZ, "Short", 5);
    Registry.SetRawValue("c2", "UninstallString", REG_SZ, "go", 2);
    DWORD number = 0x00434241;  // "ABC" and a terminator, little-endian
    Registry.SetRawValue("d2", "DisplayName", REG_DWORD, &number, sizeof(number));
    Registry.SetRawValue("d2", "UninstallString", REG_BINARY, "xyz", 3);

    std::map<std::string, std::pair<std::string, std::string>> byKey;
    for (const Row& row : Load())
        byKey[row.KeyPath] = {row.DisplayName, row.UninstallString};
    ASSERT_EQ(byKey.size(), 8u);
    EXPECT_EQ(byKey[KeyOf("a2")], std::make_pair(std::string(), std::string()));
    EXPECT_EQ(byKey[KeyOf("b2")], std::make_pair(std::string(), std::string()));
    EXPECT_EQ(byKey[KeyOf("c2")], std::make_pair(std::string("Short"), std::string("go")));
    EXPECT_EQ(byKey[KeyOf("d2")], std::make_pair(std::string("ABC"), std::string("xyz")));
    EXPECT_EQ(byKey[KeyOf("d1")], std::make_pair(longName, longCommand));
}

struct ValueLengthCase {
    const char* Label;
    size_t Characters;
    bool Terminated;
    bool Kept;
};

class CatalogueValueLengthTest : public CatalogueTest,
                                 public ::testing::WithParamInterface<ValueLengthCase> {};

TEST_P(CatalogueValueLengthTest, KeepsWholeValuesThatFitAndSkipsTheRest) {
    ASSERT_TRUE(Registry.Ready());
    const ValueLengthCase& c = GetParam();
    std::string text(c.Characters, 'v');
    DWORD size = (DWORD)c.Characters + (c.Terminated ? 1 : 0);
    for (const char* value : {"DisplayName", "UninstallString"}) {
        SCOPED_TRACE(value);
        Registry.AddProgram("Subject", "name", "command");
        Registry.SetRawValue("Subject", value, REG_SZ, text.c_str(), size);
        std::vector<Row> rows = Load();
        if (!c.Kept) {
            EXPECT_TRUE(rows.empty());
            continue;
        }
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(std::string(value) == "DisplayName" ? rows[0].DisplayName
                                                      : rows[0].UninstallString,
                  text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, CatalogueValueLengthTest,
    ::testing::Values(ValueLengthCase{"Chars255Terminated", 255, true, true},
                      ValueLengthCase{"Chars255Unterminated", 255, false, true},
                      ValueLengthCase{"Chars256Terminated", 256, true, false},
                      ValueLengthCase{"Chars256Unterminated", 256, false, false},
                      ValueLengthCase{"Chars300Terminated", 300, true, false}),
    [](const ::testing::TestParamInfo<ValueLengthCase>& info) { return info.param.Label; });

TEST_F(CatalogueTest, SkipsSubkeysWhosePathWouldNotFit) {
    ASSERT_TRUE(Registry.Ready());
    // The base path and separator take 52 characters of the 255 a path may hold.
    std::string fits(203, 'f');
    std::string tooLong(204, 't');
    Registry.AddProgram(fits, "Fits", "a");
    Registry.AddProgram(tooLong, "Too long", "b");
    std::vector<Row> rows = Load();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].DisplayName, "Fits");
    EXPECT_EQ(rows[0].KeyPath, KeyOf(fits));
    EXPECT_EQ(rows[0].KeyPath.size(), 255u);
}

TEST_F(CatalogueTest, SortsByNameIgnoringTheCaseOfLetters) {
    ASSERT_TRUE(Registry.Ready());
    const char* names[] = {"beta", "Alpha", "ALPHA2", "zulu", "_tool", "[Bracket]", "`tick",
                           "^caret", "\\slash", "]close", "Zeta", "alp"};
    int key = 0;
    for (const char* name : names)
        Registry.AddProgram("k" + std::to_string(key++), name, "x");
    // Capitals fold to small letters, so the six bytes between Z and a sort
    // before every letter; a proper prefix sorts first.
    EXPECT_EQ(Names(), (std::vector<std::string>{"[Bracket]", "\\slash", "]close", "^caret",
                                                  "_tool", "`tick", "alp", "Alpha", "ALPHA2",
                                                  "beta", "Zeta", "zulu"}));
}

TEST_F(CatalogueTest, ShowsNamesInTheConsoleCodePage) {
    ASSERT_TRUE(Registry.Ready());
    const wchar_t* name = L"Caf\u00e9 R\u00e9sum\u00e9";
    char ansi[64], oem[64];
    ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, sizeof(ansi), NULL, NULL), 0);
    ASSERT_GT(WideCharToMultiByte(CP_OEMCP, 0, name, -1, oem, sizeof(oem), NULL, NULL), 0);
    ASSERT_STRNE(ansi, oem) << "the code pages agree here, so the test shows nothing";
    Registry.AddProgram("Accent", ansi, ansi);
    std::vector<Row> rows = Load();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].DisplayName, oem);
    EXPECT_EQ(rows[0].UninstallString, ansi);  // commands stay as the system runs them
}

// The list's order is the host's: by the bytes it shows, not by the stored
// UTF-16 text, in which e-acute (0xE9) comes before u-umlaut (0xFC).
TEST_F(CatalogueTest, OrdersByTheBytesTheHostShows) {
    ASSERT_TRUE(Registry.Ready());
    if (GetOEMCP() != 437)
        GTEST_SKIP() << "OEM code page " << GetOEMCP();
    Registry.AddProgram(L"e", L"\u00e9lan", L"e.exe");
    Registry.AddProgram(L"u", L"\u00fcber", L"u.exe");
    // In code page 437, u-umlaut is 0x81 and e-acute 0x82.
    EXPECT_EQ(Names(), (std::vector<std::string>{"\x81" "ber", "\x82" "lan"}));
}

// A display name stored beyond the ANSI code page is shown in what the OEM
// code page holds of it: its own letters where it has them, else the best
// form or '?'. The suite's OEM code page is 437; the Russian run's, 866.
struct ShownCase {
    const wchar_t* Stored;
    const char* In437;
    const char* In866;
};

class CatalogueShownTest : public CatalogueTest, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(CatalogueShownTest, NameBeyondTheAnsiCodePageShowsItsBestForm) {
    ASSERT_TRUE(Registry.Ready());
    UINT oem = GetOEMCP();
    if (oem != 437 && oem != 866)
        GTEST_SKIP() << "OEM code page " << oem;
    printf("[  figures ] OEM code page %u\n", oem);
    Registry.AddProgram(L"Shown", GetParam().Stored, L"shown.exe");
    std::vector<std::string> names = Names();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], oem == 437 ? GetParam().In437 : GetParam().In866);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CatalogueShownTest,
    ::testing::Values(
        ShownCase{L"\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u0430", "?????????",
                  "\x8f\xe0\xae\xa3\xe0\xa0\xac\xac\xa0"},
        ShownCase{L"\u5378\u8f7d 2", "?? 2", "?? 2"},
        ShownCase{L"\u2554\u2550 Box", "\xc9\xcd Box", "\xc9\xcd Box"}));

// The current user's programs alone do not make a list: the machine's key
// is what Windows always has.
TEST_F(CatalogueTest, MissingKeyWarnsAndLeavesCountUntouched) {
    ASSERT_TRUE(Registry.Ready());
    Registry.AddProgram("Mine", "Mine", "mine.exe", User);
    int count = 42;
    EXPECT_EQ(LoadUninstallList(&count), nullptr);
    EXPECT_EQ(count, 42);
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              std::vector<std::string>{R"(Message(module, 1, "Warnings", {"Msg0", "Msg8", "Msg1"}, 3, 1))"});
    EXPECT_EQ(LoadUninstallList(nullptr), nullptr);
}

TEST_F(CatalogueTest, NothingQualifyingGivesNullAndZeroWithoutWarning) {
    ASSERT_TRUE(Registry.Ready());
    Registry.CreateUninstallKey();
    int count = 42;
    EXPECT_EQ(LoadUninstallList(&count), nullptr);
    EXPECT_EQ(count, 0);

    Registry.AddProgram("NameOnly", "No command", nullptr);
    count = 42;
    EXPECT_EQ(LoadUninstallList(&count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(LoadUninstallList(nullptr), nullptr);
    EXPECT_TRUE(Host.Calls.empty());
}

// The order both hosts' lists take, over the keys their bindings make: the
// 1.x one's key holds one code unit per OEM byte.
struct CompareCase {
    const wchar_t* Left;
    const wchar_t* Right;
    int Expected;
};

class CompareByDisplayNameTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CompareByDisplayNameTest, AnswersExactlyMinusOneZeroOrOne) {
    const CompareCase& c = GetParam();
    UninstallEntry left = {nullptr, nullptr, const_cast<wchar_t*>(c.Left), nullptr, {}, 0, false};
    UninstallEntry right = {nullptr, nullptr, const_cast<wchar_t*>(c.Right), nullptr, {}, 0, false};
    EXPECT_EQ(CompareByDisplayName(&left, &right), c.Expected);
    EXPECT_EQ(CompareByDisplayName(&right, &left), -c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, CompareByDisplayNameTest,
    ::testing::Values(CompareCase{L"abc", L"ABC", 0}, CompareCase{L"", L"", 0},
                      CompareCase{L"a", L"z", -1},           // not the code units' difference
                      CompareCase{L"Apple", L"banana", -1},  // capitals fold
                      CompareCase{L"ab", L"abc", -1},        // a proper prefix first
                      CompareCase{L"", L"a", -1},
                      CompareCase{L"_x", L"a", -1},          // 0x5F before folded letters
                      CompareCase{L"Z", L"_", 1},
                      CompareCase{L"z", L"\x80", -1},        // units above 127 are unsigned
                      CompareCase{L"\x82", L"\x81", 1},
                      CompareCase{L"\xC0", L"\xE0", -1},     // letters beyond A to Z are not folded
                      CompareCase{L"\xFF", L"\x100", -1},    // beyond a byte
                      CompareCase{L"\x7FFF", L"\xFFFF", -1}),  // 16-bit units are unsigned
    [](const ::testing::TestParamInfo<CompareCase>& info) {
        return "Case" + std::to_string(info.index);
    });

// A test program ended before it removed its scratch keys (by the time limit)
// leaves them under its id, which Wine gives another program at once.
TEST(RegistrySandboxTest, StartsEmptyWhereAnEndedProgramWithItsIdLeftKeys) {
    std::string next;
    {
        RegistrySandbox first;
        ASSERT_TRUE(first.Ready());
        size_t dash = first.Path().rfind('-');
        next = first.Path().substr(0, dash + 1) +
               std::to_string(std::stoi(first.Path().substr(dash + 1)) + 1);
    }
    std::string path = next + "\\" + WindowsUninstallKey + "\\Stale";
    HKEY stale;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, NULL, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, NULL, &stale, NULL),
              ERROR_SUCCESS);
    RegCloseKey(stale);
    RegistrySandbox second;
    ASSERT_EQ(second.Path(), next);
    EXPECT_FALSE(second.HasProgram("Stale"));
}
