// The stand-in host's reader of registry editor files: every kind of value,
// the escapes, continuation lines, and the number of the first line it
// cannot read.
#include <gtest/gtest.h>

#include "../host/PlugHost.h"

static const char Key[] = "[HKEY_LOCAL_MACHINE\\Software\\Demo]\r\n";

static std::string Version5(const std::string& body) {
    return "Windows Registry Editor Version 5.00\r\n\r\n" + std::string(Key) + body;
}

static std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int value : values)
        bytes += (char)value;
    return bytes;
}

struct ValueCase {
    const char* Line;
    const char* Name;
    DWORD Type;
    bool IsText;
    std::string Data;
};

TEST(RegFileTest, ReadsEveryKindOfValue) {
    const ValueCase cases[] = {
        {R"("Plain"="some text")", "Plain", REG_SZ, true, "some text"},
        {R"("Path"="C:\\Program Files\\")", "Path", REG_SZ, true, "C:\\Program Files\\"},
        {R"("Quoted"="say \"hi\"")", "Quoted", REG_SZ, true, "say \"hi\""},
        {R"("Na\"me\\"="x")", "Na\"me\\", REG_SZ, true, "x"},
        {R"("Empty"="")", "Empty", REG_SZ, true, ""},
        {"\"Accent\"=\"Caf\xC3\xA9\"", "Accent", REG_SZ, true, "Caf\xC3\xA9"},
        {R"(@="the default")", "", REG_SZ, true, "the default"},
        {"\t\"Spaced\" = \"x\"  ", "Spaced", REG_SZ, true, "x"},
        {R"("Count"=dword:0000002a)", "Count", REG_DWORD, false, Bytes({0x2a, 0, 0, 0})},
        {R"("Short"=dword:1)", "Short", REG_DWORD, false, Bytes({1, 0, 0, 0})},
        {R"("Max"=DWORD:FFFFFFFF)", "Max", REG_DWORD, false, Bytes({0xff, 0xff, 0xff, 0xff})},
        {R"("Blob"=hex:01,ab,F,ff)", "Blob", REG_BINARY, false, Bytes({1, 0xab, 0xf, 0xff})},
        {R"("Nothing"=hex:)", "Nothing", REG_BINARY, false, ""},
        {R"("Expand"=hex(2):25,00,00,00)", "Expand", REG_EXPAND_SZ, false, Bytes({0x25, 0, 0, 0})},
        {R"("Multi"=hex(7):61,00,00,00,00,00)", "Multi", REG_MULTI_SZ, false,
         Bytes({0x61, 0, 0, 0, 0, 0})},
        {R"("Wide"=hex(b):01,02,03,04,05,06,07,08)", "Wide", REG_QWORD, false,
         Bytes({1, 2, 3, 4, 5, 6, 7, 8})},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.Line);
        RegScript script;
        RegError error;
        ASSERT_TRUE(ParseRegText(Version5(std::string(c.Line) + "\r\n"), &script, &error))
            << "line " << error.Line << ": " << error.Text;
        ASSERT_EQ(script.Actions.size(), 2u);
        const RegAction& value = script.Actions[1];
        EXPECT_EQ(value.Kind, SetValueStep);
        EXPECT_EQ(value.Key, "Software\\Demo");
        EXPECT_EQ(value.Name, c.Name);
        EXPECT_EQ(value.Type, c.Type);
        EXPECT_EQ(value.IsText, c.IsText);
        EXPECT_EQ(value.Data, c.Data);
        EXPECT_EQ(value.Line, 4);
    }
}

TEST(RegFileTest, ReadsKeysBelowEitherRootAndRemovals) {
    RegScript script;
    RegError error;
    ASSERT_TRUE(ParseRegText("REGEDIT4\n"
                             "; a comment\n"
                             "\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\A B\\]\n"
                             "\"Gone\"=-\n"
                             "[hkey_current_user\\Software\\C]\n"
                             "\"Mine\"=\"x\"\n"
                             "[-HKEY_CURRENT_USER\\Software\\D]\n"
                             "[hkey_local_machine]\n",
                             &script, &error))
        << error.Text;
    EXPECT_FALSE(script.WideHexStrings);
    struct Step {
        RegActionKind Kind;
        RegHive Hive;
        const char* Key;
        const char* Name;
        int Line;
    };
    const Step steps[] = {
        {AddKeyStep, MachineHive, "Software\\A B", "", 4},
        {RemoveValueStep, MachineHive, "Software\\A B", "Gone", 5},
        {AddKeyStep, UserHive, "Software\\C", "", 6},
        {SetValueStep, UserHive, "Software\\C", "Mine", 7},
        {RemoveKeyStep, UserHive, "Software\\D", "", 8},
        {AddKeyStep, MachineHive, "", "", 9},
    };
    ASSERT_EQ(script.Actions.size(), sizeof(steps) / sizeof(steps[0]));
    for (size_t i = 0; i < script.Actions.size(); i++) {
        SCOPED_TRACE(steps[i].Line);
        const RegAction& action = script.Actions[i];
        EXPECT_EQ(action.Kind, steps[i].Kind);
        EXPECT_EQ(action.Hive, steps[i].Hive);
        EXPECT_EQ(action.Key, steps[i].Key);
        EXPECT_EQ(action.Name, steps[i].Name);
        EXPECT_EQ(action.Line, steps[i].Line);
    }
}

TEST(RegFileTest, JoinsHexDataContinuedOnTheNextLines) {
    RegScript script;
    RegError error;
    ASSERT_TRUE(ParseRegText(Version5("\"Blob\"=hex:01,02,\\\r\n"
                                      "  03,04,\\\r\n"
                                      "  05\r\n"
                                      "\"Path\"=\"C:\\\\\"\r\n"
                                      "\"After\"=\"y\"\r\n"),
                             &script, &error))
        << "line " << error.Line << ": " << error.Text;
    EXPECT_TRUE(script.WideHexStrings);
    ASSERT_EQ(script.Actions.size(), 4u);
    EXPECT_EQ(script.Actions[1].Data, Bytes({1, 2, 3, 4, 5}));
    // A text ending in a backslash is complete: the next line is a value of its own.
    EXPECT_EQ(script.Actions[2].Data, "C:\\");
    EXPECT_EQ(script.Actions[3].Name, "After");
    EXPECT_EQ(script.Actions[3].Line, 8);
}

struct FaultCase {
    std::string Text;
    int Line;
    const char* Fragment;
};

TEST(RegFileTest, NamesTheFirstUnreadableLineAndKeepsNothing) {
    const FaultCase cases[] = {
        {"REGEDIT5\n[HKEY_LOCAL_MACHINE\\X]\n", 1, "first line"},
        {"\n\nhello\n", 3, "first line"},
        {"", 0, "empty"},
        {"REGEDIT4\n\"a\"=\"b\"\n", 2, "before the first [key]"},
        {"REGEDIT4\n[HKEY_USERS\\.DEFAULT\\X]\n", 2,
         "only keys under HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER"},
        {"REGEDIT4\n[HKEY_CURRENT_USER_LOCAL_SETTINGS\\X]\n", 2, "only keys under"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINEX]\n", 2, "only keys under HKEY_LOCAL_MACHINE"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X\n", 2, "must end with ]"},
        {"REGEDIT4\n[-HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"b\"\n", 3, "being removed"},
        {Version5("garbage\r\n"), 4, "neither"},
        {Version5("\"ok\"=\"fine\"\r\n\"a\"=\"C:\\Temp\"\r\n"), 5, "unknown escape \\T"},
        {Version5("\"a\"=\"open\r\n"), 4, "closing quote"},
        {Version5("\"a=\"b\"\r\n"), 4, "followed by ="},
        {Version5("\"a\"=\r\n"), 4, "no data"},
        {Version5("\"a\"=\"b\" junk\r\n"), 4, "after the closing quote"},
        {Version5("\"a\"=dword:123456789\r\n"), 4, "one to eight hex digits"},
        {Version5("\"a\"=dword:xyz\r\n"), 4, "one to eight hex digits"},
        {Version5("\"a\"=dword:\r\n"), 4, "one to eight hex digits"},
        {Version5("\"a\"=text\r\n"), 4, "none of"},
        {Version5("\"a\"=hex:01,zz\r\n"), 4, "not a hex digit"},
        {Version5("\"a\"=hex:123\r\n"), 4, "more than two"},
        {Version5("\"a\"=hex:01 02\r\n"), 4, "separated by commas"},
        {Version5("\"a\"=hex:01,\r\n"), 4, "missing after the last comma"},
        {Version5("\"a\"=hex(zz):01\r\n"), 4, "type N"},
        {Version5("\"a\"=hex:01,\\ x\r\n"), 4, "after the backslash"},
        {Version5("\"a\"=hex:01,\\\r\n  02,\\\r\n  zz\r\n"), 6, "not a hex digit"},
        {Version5("\"a\"=hex:01,\\\r\n"), 4, "past the end of the file"},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.Text);
        RegScript script;
        script.Actions.resize(1);
        RegError error;
        EXPECT_FALSE(ParseRegText(c.Text, &script, &error));
        EXPECT_EQ(error.Line, c.Line) << error.Text;
        EXPECT_NE(error.Text.find(c.Fragment), std::string::npos) << error.Text;
        EXPECT_TRUE(script.Actions.empty());
    }
}

static std::string Utf16File(const wchar_t* text) {
    std::string bytes = "\xFF\xFE";
    for (const wchar_t* c = text; *c; c++) {
        bytes += (char)(*c & 0xFF);
        bytes += (char)(*c >> 8);
    }
    return bytes;
}

TEST(RegFileTest, DecodesTheEncodingsTheEditorWrites) {
    std::string text;
    RegError error;
    ASSERT_TRUE(DecodeRegBytes(Utf16File(L"Windows Registry Editor Version 5.00\r\n\"N\"=\"Caf\x00E9\"\r\n"),
                               &text, &error));
    EXPECT_EQ(text, "Windows Registry Editor Version 5.00\r\n\"N\"=\"Caf\xC3\xA9\"\r\n");

    ASSERT_TRUE(DecodeRegBytes("\xEF\xBB\xBFWindows Registry Editor Version 5.00\n", &text, &error));
    EXPECT_EQ(text, "Windows Registry Editor Version 5.00\n");

    // The old format is in the ANSI code page, whichever that is here.
    std::string ansi = "REGEDIT4\n\"N\"=\"Caf\xE9\"\n";
    wchar_t wide[64];
    int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), (int)ansi.size(), wide, 64);
    char utf8[128];
    int utf8Length = WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8, sizeof(utf8), NULL, NULL);
    ASSERT_TRUE(DecodeRegBytes(ansi, &text, &error));
    EXPECT_EQ(text, std::string(utf8, utf8Length));
    ASSERT_TRUE(DecodeRegBytes("\r\n" + ansi, &text, &error)) << error.Text;
    EXPECT_EQ(text, "\r\n" + std::string(utf8, utf8Length));

    EXPECT_FALSE(DecodeRegBytes("Windows Registry Editor Version 5.00\n\n\"N\"=\"Caf\xE9\"\n", &text,
                                &error));
    EXPECT_EQ(error.Line, 3);
    EXPECT_FALSE(DecodeRegBytes("\xFF\xFE\x41", &text, &error));
    // Half of a surrogate pair is no text at all.
    EXPECT_FALSE(DecodeRegBytes(Utf16File(L"REGEDIT4\r\n\xD800\r\n"), &text, &error));
    EXPECT_NE(error.Text.find("marked UTF-16 but is not"), std::string::npos) << error.Text;
}

// A file of the given size, its bytes never written (sparse where the file
// system allows), removed by the destructor.
class SizedFile {
public:
    explicit SizedFile(LONGLONG size) {
        char folder[MAX_PATH];
        GetTempPathA(sizeof(folder), folder);
        Path = std::string(folder) + "plughost-sized-" + std::to_string(GetCurrentProcessId()) +
               ".reg";
        HANDLE file = CreateFileA(Path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        LARGE_INTEGER end;
        end.QuadPart = size;
        Made = file != INVALID_HANDLE_VALUE && SetFilePointerEx(file, end, NULL, FILE_BEGIN) &&
               SetEndOfFile(file);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    ~SizedFile() { DeleteFileA(Path.c_str()); }

    std::string Path;
    bool Made;
};

TEST(RegFileTest, RefusesAFileTooLargeToReadWhateverItsSize) {
    // Past 4 GB, the low 32 bits of this size alone say 10 bytes.
    const LONGLONG sizes[] = {(LONGLONG)MaxInputFileSize + 1, 0x10000000ALL};
    for (LONGLONG size : sizes) {
        SCOPED_TRACE(size);
        SizedFile file(size);
        ASSERT_TRUE(file.Made);
        std::string bytes, error;
        EXPECT_FALSE(ReadWholeFile(file.Path.c_str(), &bytes, &error));
        EXPECT_NE(error.find("too large"), std::string::npos) << error;
        EXPECT_TRUE(bytes.empty());
    }
}
