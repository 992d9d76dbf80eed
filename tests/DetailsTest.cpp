// What a program's details and the list's other orders make of the values
// installers write, sound or not, read from a sandboxed registry.
#include <string>
#include <vector>

#include "../src/catalogue/Catalogue.h"
#include "support/ModuleTest.h"
#include "support/RegistrySandbox.h"
#include "support/Text.h"

TEST(DetailsValueTest, OnlyARealDayWrittenYYYYMMDDIsADate) {
    const struct {
        const wchar_t* Text;
        DWORD Date;  // 0: not a date
    } cases[] = {
        {L"20230105", 20230105}, {L"20240229", 20240229}, {L"20001231", 20001231},
        {L"2023-1-5", 0},        {L"20231345", 0},        {L"20230229", 0},
        {L"19000229", 0},        {L"20230431", 0},        {L"20230100", 0},
        {L"2023010", 0},         {L"202301050", 0},       {L"", 0},
        {L"16000101", 0},        {L" 20230105", 0},
    };
    for (const auto& c : cases) {
        DWORD date = 7;
        EXPECT_EQ(ParseInstallDate(c.Text, &date), c.Date != 0) << Narrow(c.Text);
        EXPECT_EQ(date, c.Date ? c.Date : 7u) << Narrow(c.Text);
    }
    wchar_t text[DateTextSize];
    FormatDate(20230105, text);
    EXPECT_EQ(std::wstring(text), L"2023-01-05");
}

TEST(DetailsValueTest, SizesAreShownInKbMbOrGbAsWindowsShowsThem) {
    const struct {
        DWORD Kilobytes;
        const wchar_t* Shown;
    } cases[] = {
        {0, L"0 KB"},          {512, L"512 KB"},        {1023, L"1023 KB"},
        {1024, L"1.0 MB"},     {12595, L"12.3 MB"},     {1048524, L"1023.9 MB"},
        {1048575, L"1.0 GB"},  {3670016, L"3.5 GB"},    {0xFFFFFFFF, L"4096.0 GB"},
    };
    for (const auto& c : cases) {
        wchar_t text[SizeTextSize];
        FormatSize(c.Kilobytes, text);
        EXPECT_EQ(std::wstring(text), c.Shown) << c.Kilobytes;
    }
}

class DetailsTest : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        ASSERT_TRUE(Registry.Ready());
    }
    void Text(const char* name, const std::string& value) {
        Registry.SetRawValue("Prog", name, REG_SZ, value.data(), (DWORD)value.size() + 1);
    }
    void Number(const char* name, DWORD value) {
        Registry.SetRawValue("Prog", name, REG_DWORD, &value, sizeof(value));
    }
    // The details of the one program, "Prog"; false when they cannot be read.
    bool Read(ProgramDetails* details) {
        int count = 0;
        UninstallEntry* entries = LoadUninstallList(&count);
        EXPECT_EQ(count, 1);
        bool read = entries && ReadProgramDetails(&entries[0], details);
        FreeUninstallList(entries, count);
        return read;
    }
    // Whether the details' date is the day the key was written, today (or
    // the day the test started, should it run across midnight).
    bool WrittenToday(const wchar_t* installed) const {
        return installed == Today() || installed == DayAtStart;
    }
    // Today's date, local, as the details write it.
    static std::wstring Today() {
        SYSTEMTIME now;
        GetLocalTime(&now);
        wchar_t text[DateTextSize];
        FormatDate((DWORD)now.wYear * 10000 + now.wMonth * 100 + now.wDay, text);
        return text;
    }

    RegistrySandbox Registry;
    std::wstring DayAtStart = Today();
};

TEST_F(DetailsTest, EveryValueAsInstallersWriteIt) {
    Registry.AddProgram("Prog", "Prog", "prog.exe");
    Text("DisplayVersion", "2.4.1");
    Text("Publisher", "Kestrel Labs");
    Text("InstallDate", "20230105");
    Number("EstimatedSize", 12595);
    Text("InstallLocation", "C:\\Program Files\\Prog");
    Text("QuietUninstallString", "prog.exe /S");
    Text("ParentDisplayName", "Prog Suite");
    Number("SystemComponent", 1);
    ProgramDetails details;
    ASSERT_TRUE(Read(&details));
    EXPECT_EQ(std::wstring(details.Version), L"2.4.1");
    EXPECT_EQ(std::wstring(details.Publisher), L"Kestrel Labs");
    EXPECT_EQ(std::wstring(details.Installed), L"2023-01-05");
    EXPECT_EQ(std::wstring(details.Size), L"12.3 MB");
    EXPECT_EQ(std::wstring(details.Folder), L"C:\\Program Files\\Prog");
    EXPECT_EQ(std::wstring(details.Quiet), L"prog.exe /S");
    EXPECT_EQ(std::wstring(details.UpdateOf), L"Prog Suite");
    EXPECT_TRUE(details.SystemComponent);
    // The sandbox stands in for the machine's key in the process's own view.
    std::wstring view = sizeof(void*) == 8 ? L" (64-bit)" : L" (32-bit)";
    EXPECT_EQ(std::wstring(details.Registry),
              L"HKEY_LOCAL_MACHINE\\" + Wide(WindowsUninstallKey) + L"\\Prog" + view);
}

// A value of another type than installers write is shown when it is text
// and left out otherwise; a date that is not one gives way to the day the
// key was written, as Windows' own list has it.
TEST_F(DetailsTest, ValuesOfOtherTypesAreShownAsTextOrLeftOut) {
    Registry.AddProgram("Prog", "Prog", "prog.exe");
    Number("DisplayVersion", 3);
    Text("EstimatedSize", "about 12 MB");
    Number("InstallDate", 20230105);
    Text("SystemComponent", "1");
    Text("ParentKeyName", "ProgSuite");
    ProgramDetails details;
    ASSERT_TRUE(Read(&details));
    EXPECT_EQ(std::wstring(details.Version), L"");
    EXPECT_EQ(std::wstring(details.Size), L"about 12 MB");
    EXPECT_TRUE(WrittenToday(details.Installed)) << Narrow(details.Installed);
    EXPECT_FALSE(details.SystemComponent);
    EXPECT_EQ(std::wstring(details.UpdateOf), L"ProgSuite");
    EXPECT_EQ(std::wstring(details.Publisher), L"");
}

TEST_F(DetailsTest, TextIsEndedAtItsEndOrFirstNulAndCutToItsBuffer) {
    Registry.AddProgram("Prog", "Prog", "prog.exe");
    Registry.SetRawValue("Prog", "DisplayVersion", REG_SZ, "1.0", 3);  // no terminator
    Registry.SetRawValue("Prog", "Publisher", REG_SZ, "Acme\0Hidden", 12);
    Text("InstallLocation", std::string(3000, 'f'));
    Text("InstallDate", "2023-1-5");
    ProgramDetails details;
    ASSERT_TRUE(Read(&details));
    EXPECT_EQ(std::wstring(details.Version), L"1.0");
    EXPECT_EQ(std::wstring(details.Publisher), L"Acme");
    std::wstring folder = details.Folder;
    EXPECT_EQ(folder.size(), DetailTextSize - 1);
    EXPECT_EQ(folder, std::wstring(DetailTextSize - 4, L'f') + DetailCutMark);
    EXPECT_TRUE(WrittenToday(details.Installed)) << Narrow(details.Installed);
}

TEST_F(DetailsTest, AKeyRemovedSinceTheListWasReadHasNone) {
    Registry.AddProgram("Prog", "Prog", "prog.exe");
    int count = 0;
    UninstallEntry* entries = LoadUninstallList(&count);
    ASSERT_EQ(count, 1);
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, entries[0].KeyPath), ERROR_SUCCESS);
    ProgramDetails details;
    EXPECT_FALSE(ReadProgramDetails(&entries[0], &details));
    FreeUninstallList(entries, count);
}

// Newest or largest first; equal figures, and programs without one (after
// all that have one), by name.
TEST_F(DetailsTest, OrdersByDateAndBySize) {
    const struct {
        const char* Name;
        const char* Date;  // null: none, so the key's own day, today
        DWORD Size;        // 0: none
    } programs[] = {
        {"b-old", "20190301", 100},  {"a-new", "20240110", 0},   {"c-mid", "20210704", 5000},
        {"d-mid", "20210704", 5000}, {"e-undated", nullptr, 700}, {"f-bad", "20231345", 0},
    };
    for (const auto& p : programs) {
        Registry.AddProgram(p.Name, p.Name, "x.exe");
        if (p.Date)
            Registry.SetRawValue(p.Name, "InstallDate", REG_SZ, p.Date, 9);
        if (p.Size)
            Registry.SetRawValue(p.Name, "EstimatedSize", REG_DWORD, &p.Size, sizeof(DWORD));
    }
    auto order = [](ListOrder by) {
        int count = 0;
        UninstallEntry* entries = LoadUninstallList(&count, by);
        std::vector<std::string> names;
        for (int i = 0; i < count; i++)
            names.push_back(Narrow(entries[i].DisplayName));
        FreeUninstallList(entries, count);
        return names;
    };
    EXPECT_EQ(order(OrderByDate), (std::vector<std::string>{"e-undated", "f-bad", "a-new", "c-mid",
                                                            "d-mid", "b-old"}));
    EXPECT_EQ(order(OrderBySize), (std::vector<std::string>{"c-mid", "d-mid", "e-undated", "b-old",
                                                            "a-new", "f-bad"}));
}
