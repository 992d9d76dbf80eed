// The stand-in host's reading of plug-in help files, its choice among them
// and its layout of a topic.
#include <gtest/gtest.h>

#include "../host/PlugHost.h"

static const std::string Mark = "\xEF\xBB\xBF";
static const std::string Header = ".Language=English,English\n";
static const std::string Good = Header + "@Contents\n$ #Title#\nText ~more~@Other@\n@Other\nx\n";

static std::string Utf16(const std::string& ascii) {
    std::string bytes;
    for (char c : ascii)
        bytes += std::string(1, c) + '\0';
    return bytes;
}

struct ReadCase {
    std::string Bytes;
    PluginInterface Reader;
    const char* Language;  // kept, refused or not
    int Line;
    const char* Fault;     // null: read, its first topic's first line Text
    const wchar_t* Text;
};

TEST(HelpFileTest, ReadsWhatTheHostShowsAndRefusesTheRest) {
    const ReadCase cases[] = {
        {Mark + Header + "@Contents\nGrüße\n", Interface3, "English", 0, nullptr, L"Grüße"},
        {Mark + Header + "@Contents\nGrüße\n", Interface1, "English", 0, nullptr, L"Grüße"},
        {".Language=Russian,Russian\n@Contents\n\x8F\xE0\xA8\xA2\xA5\xE2\n", Interface1,
         "Russian", 0, nullptr, L"Привет"},
        {Header + "@Alias=Contents\n@Contents\n ~a~@alias@ ~b~@:Host@ ~c~@<C:\\x\\>T@ "
                  "~d~@https://x.org/@ 50~~ a@@b\n",
         Interface1, "English", 0, nullptr, nullptr},
        {Good, Interface3, "English", 0, "wrong encoding: no UTF-8 byte-order mark", nullptr},
        {"\xFF\xFE" + Utf16(Good), Interface1, "", 0, "wrong encoding: UTF-16", nullptr},
        {Utf16(Good), Interface1, "", 1, "wrong encoding: control characters", nullptr},
        {Mark + Header + "@Contents\nbad \xFF\n", Interface3, "English", 3,
         "wrong encoding: not UTF-8", nullptr},
        {Header + "@Contents\nCaf\xC3\xA9\nCaf\x82\n", Interface1, "English", 4,
         "wrong encoding: line 3 reads as UTF-8", nullptr},
        {"@Contents\n.Language=English,English\n", Interface1, "", 1, "no .Language= line",
         nullptr},
        {Header + "@Contents\nsee ~it~@Missing@\n", Interface1, "English", 3,
         "a link to a missing topic: Missing", nullptr},
        {Header + "@Contents\nan open ~link\n", Interface1, "English", 3,
         "does not end on its line", nullptr},
        {Header + "@Contents\n@contents\n", Interface1, "English", 3, "a second time", nullptr},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.Bytes);
        HelpFile file;
        HelpFault fault = {-1, ""};
        bool read = ParseHelpBytes(c.Bytes, c.Reader, 866, &file, &fault);
        EXPECT_EQ(file.Language, c.Language);
        if (!c.Fault) {
            ASSERT_TRUE(read) << fault.Line << ": " << fault.Text;
            EXPECT_EQ(FindHelpTopic(file, L"CONTENTS"), 0);
            if (c.Text) {
                EXPECT_EQ(file.Topics[0].Lines[0], c.Text);
            }
            continue;
        }
        EXPECT_FALSE(read);
        EXPECT_EQ(fault.Line, c.Line) << fault.Text;
        EXPECT_NE(fault.Text.find(c.Fault), std::string::npos) << fault.Text;
    }
}

struct LayoutCase {
    std::vector<std::wstring> Lines;
    std::wstring Title;
    std::vector<std::wstring> Shown;
};

TEST(HelpFileTest, LaysTheTopicOutAsTheHostDoes) {
    const LayoutCase cases[] = {
        {{L"$ #The title#", L"$ second header", L"First line", L"joined #here#, wrapped.",
          L" Indented one", L"", L"^Centred", L"next ^literal", L"@-", L"raw", L"lines", L"@+",
          L"@=", L"##1 ~~2 @@3 ~link~@T@ end", L"", L""},
         L"The title",
         {L"second header", L"First line joined", L"here, wrapped.", L" Indented one", L"",
          L"   Centred next", L"     ^literal", L"raw", L"lines", L"#1 ~2 @3 link end"}},
        {{L"Averyveryverylongword then"}, L"Name", {L"Averyveryverylongwo", L"rd then"}},
    };
    for (const LayoutCase& c : cases) {
        std::wstring title;
        std::vector<std::wstring> lines;
        FormatHelpTopic(HelpTopic{L"Name", 1, c.Lines}, 19, &title, &lines);
        EXPECT_EQ(title, c.Title);
        EXPECT_EQ(lines, c.Shown);
    }
}

static HelpFile InLanguage(const char* name) {
    HelpFile file;
    file.Language = name;
    return file;
}

TEST(HelpFileTest, ChoosesTheWantedLanguageElseEnglishElseTheLast) {
    std::vector<HelpFile> files = {InLanguage("German"), InLanguage("English"),
                                   InLanguage("Russian"), InLanguage("")};
    EXPECT_EQ(ChooseHelpFile(files, "russian"), 2);
    EXPECT_EQ(ChooseHelpFile(files, "Klingon"), 1);
    EXPECT_EQ(ChooseHelpFile({InLanguage("German"), InLanguage("Russian"), InLanguage("")},
                             "Klingon"),
              1);
    EXPECT_EQ(ChooseHelpFile({InLanguage("")}, "English"), -1);
}

struct ShippedCase {
    const char* Folder;
    PluginInterface Reader;
    const char* Wanted;
    UINT CodePage;
    const wchar_t* ListTitle;
};

// The module's own, as shipped, each in its encoding and chosen by its
// language: the topics the module asks for, the text as written.
TEST(HelpFileTest, ReadsTheModulesHelpFiles) {
    const ShippedCase cases[] = {
        {MODULE_LANGUAGE_FOLDER, Interface1, "Russian", 866, L"Список и его клавиши"},
        {MODULE_LANGUAGE_FOLDER, Interface1, "Klingon", 437, L"The list and its keys"},
        {MODULE_LANGUAGE_FOLDER "\\far3", Interface3, "russian", 437, L"Список и его клавиши"},
    };
    for (const ShippedCase& c : cases) {
        SCOPED_TRACE(std::string(c.Folder) + " " + c.Wanted);
        HelpFile file;
        HelpFault fault;
        ASSERT_EQ(LoadHelp(c.Folder, c.Wanted, c.Reader, c.CodePage, &file, &fault), HelpLoaded)
            << file.Path << ":" << fault.Line << ": " << fault.Text;
        for (const wchar_t* topic : {L"Contents", L"List", L"Remove", L"Details", L"Warnings"})
            EXPECT_GE(FindHelpTopic(file, topic), 0) << Utf8Text(topic);
        std::wstring title;
        std::vector<std::wstring> lines;
        FormatHelpTopic(file.Topics[FindHelpTopic(file, L"list")], MaxHelpWidth, &title, &lines);
        EXPECT_EQ(title, c.ListTitle);
    }
}
