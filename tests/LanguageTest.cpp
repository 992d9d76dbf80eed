// The stand-in host's reading of language files and its choice among them.
#include <gtest/gtest.h>

#include "../host/PlugHost.h"
#include "../src/hostcalls/HostCalls.h"

TEST(LanguageTest, ReadsTheNameAndTheMessagesInOrder) {
    LanguageFile file;
    int line = -1;
    std::string error;
    ASSERT_TRUE(ParseLanguageText("// comment\r\n"
                                  ".Language=English,English\r\n"
                                  "\r\n"
                                  "  // indented comment\r\n"
                                  "\"First\"\r\n"
                                  "\"\"\r\n"
                                  "\"Say \"hi\"\"  \r\n"
                                  "\"Last\"",
                                  &file, &line, &error))
        << line << ": " << error;
    EXPECT_EQ(file.Name, "English");
    EXPECT_EQ(file.Messages, (std::vector<std::string>{"First", "", "Say \"hi\"", "Last"}));
}

struct LanguageFault {
    const char* Text;
    int Line;
    const char* Fragment;
};

TEST(LanguageTest, NamesTheLineItCannotRead) {
    const LanguageFault cases[] = {
        {"\"Early\"\n.Language=English,English\n", 1, "before the .Language= line"},
        {".Language=English,English\nUnquoted\n", 2, "double-quoted"},
        {".Language=English,English\n\"open\n", 2, "double-quoted"},
        {".Language=English,English\n\"a\"\n.Language=German,German\n", 3, "once"},
        {"// only\n.Language=,English\n", 2, "names no language"},
        {"// nothing here\n", 0, "no .Language= line"},
        {".Language=English,English\n", 0, "no messages"},
    };
    for (const LanguageFault& c : cases) {
        SCOPED_TRACE(c.Text);
        LanguageFile file;
        int line = -1;
        std::string error;
        EXPECT_FALSE(ParseLanguageText(c.Text, &file, &line, &error));
        EXPECT_EQ(line, c.Line) << error;
        EXPECT_NE(error.find(c.Fragment), std::string::npos) << error;
    }
}

static LanguageFile Named(const char* name) {
    LanguageFile file;
    file.Name = name;
    return file;
}

TEST(LanguageTest, ChoosesTheWantedLanguageElseEnglish) {
    std::vector<LanguageFile> files = {Named("English"), Named("Russian"), Named("German")};
    EXPECT_EQ(ChooseLanguage(files, "Russian"), 1);
    EXPECT_EQ(ChooseLanguage(files, "german"), 2);
    EXPECT_EQ(ChooseLanguage(files, "Klingon"), 0);
    EXPECT_EQ(ChooseLanguage({Named("Russian"), Named("english")}, "Klingon"), 1);
    EXPECT_EQ(ChooseLanguage({Named("Russian")}, "Klingon"), -1);
    EXPECT_EQ(ChooseLanguage({}, "English"), -1);
}

// The module's own language files, as shipped.
TEST(LanguageTest, ReadsTheModulesLanguageFiles) {
    LanguageFile english, russian, fallback;
    std::string error;
    ASSERT_TRUE(LoadLanguage(MODULE_LANGUAGE_FOLDER, "English", false, &english, &error)) << error;
    ASSERT_TRUE(LoadLanguage(MODULE_LANGUAGE_FOLDER, "RUSSIAN", false, &russian, &error)) << error;
    ASSERT_TRUE(LoadLanguage(MODULE_LANGUAGE_FOLDER, "Klingon", false, &fallback, &error)) << error;
    EXPECT_EQ(english.Messages.size(), MessageCount);
    EXPECT_EQ(russian.Messages.size(), MessageCount);
    EXPECT_EQ(russian.Name, "Russian");
    EXPECT_EQ(fallback.Name, "English");
    EXPECT_EQ(english.Messages[3], "Uninstall programs");
    EXPECT_EQ(english.Messages[10], "Cannot remove the entry:");
}

// The 3.x module's, in UTF-8: their messages in UTF-16; the 8-bit files are
// refused as such.
TEST(LanguageTest, ReadsUtf8FilesIntoUtf16) {
    LanguageFile russian;
    std::string error;
    ASSERT_TRUE(LoadLanguage(MODULE_LANGUAGE_FOLDER "\\far3", "Russian", true, &russian, &error))
        << error;
    ASSERT_EQ(russian.WideMessages.size(), MessageCount);
    EXPECT_EQ(russian.WideMessages[3].substr(0, 7), L"\x0423\x0434\x0430\x043B\x0435\x043D\x0438");
    EXPECT_FALSE(LoadLanguage(MODULE_LANGUAGE_FOLDER, "Russian", true, &russian, &error));
    EXPECT_NE(error.find("is not UTF-8"), std::string::npos) << error;
}
