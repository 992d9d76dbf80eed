// The binding to the host: the plug-ins menu entry the host is lent, its
// release at shutdown, and the warning box.
#include "support/ModuleTest.h"
#include "support/Text.h"

typedef ModuleTest ShellTest;

TEST_F(ShellTest, ReportsOnePluginMenuEntryTitledByMessage3) {
    PluginStartupInfo info = Host.StartupInfo();
    SetStartupInfo(&info);

    PluginInfo pi;
    memset(&pi, 0xCC, sizeof(pi));
    GetPluginInfo(&pi);

    EXPECT_EQ(pi.StructSize, (int)sizeof(PluginInfo));
    EXPECT_EQ(pi.Flags, 0u);
    ASSERT_EQ(pi.PluginMenuStringsNumber, 1);
    EXPECT_STREQ(pi.PluginMenuStrings[0], "Msg3");
    // A copy: the host's string may not outlive the call that returned it.
    EXPECT_NE(pi.PluginMenuStrings[0], Host.Messages[MsgPluginTitle].c_str());
    EXPECT_EQ(pi.DiskMenuStrings, nullptr);
    EXPECT_EQ(pi.DiskMenuNumbers, nullptr);
    EXPECT_EQ(pi.DiskMenuStringsNumber, 0);
    EXPECT_EQ(pi.PluginConfigStrings, nullptr);
    EXPECT_EQ(pi.PluginConfigStringsNumber, 0);
    EXPECT_EQ(pi.CommandPrefix, nullptr);

    ExitFAR();
}

TEST_F(ShellTest, LendsTheSameListsOnEveryCallUntilShutdown) {
    PluginStartupInfo info = Host.StartupInfo();
    SetStartupInfo(&info);
    PluginInfo first, second;
    GetPluginInfo(&first);
    Host.Messages[MsgPluginTitle] = "changed";
    GetPluginInfo(&second);
    EXPECT_EQ(first.PluginMenuStrings, second.PluginMenuStrings);
    EXPECT_STREQ(second.PluginMenuStrings[0], "Msg3");

    ExitFAR();
    PluginInfo after;
    GetPluginInfo(&after);
    EXPECT_EQ(after.PluginMenuStringsNumber, 0);
    EXPECT_EQ(after.PluginMenuStrings, nullptr);
    // The host may shut a module down that it never started, or twice: the
    // fixture's count shows nothing is released again.
    ExitFAR();
}

TEST_F(ShellTest, TakesTheServicesWhateverSizeTheRecordClaims) {
    PluginStartupInfo info = Host.StartupInfo();
    info.StructSize = 0;
    SetStartupInfo(&info);
    memset(&info, 0, sizeof(info));  // the module must hold its own copy
    ShowWarning(MsgKeyOpenFailed, nullptr);
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              std::vector<std::string>{R"(Message(module, 1, "Warnings", {"Msg0", "Msg8", "Msg1"}, 3, 1))"});
    ExitFAR();
}

TEST_F(ShellTest, WarningBoxHasTitleMessageDetailAndOneButton) {
    const BoxLine detail = {LineName, 0, L"Something went wrong"};
    ShowWarning(MsgRunFailed, &detail);
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              std::vector<std::string>{
                  R"(Message(module, 1, "Warnings", {"Msg0", "Msg9", "Something went wrong", "Msg1"}, 4, 1))"});
}

// The host draws a program's name in the OEM code page, as in its list, and
// shows any other text, such as a command, in the ANSI one.
TEST_F(ShellTest, BoxShowsNamesInTheOemCodePageAndCommandsInTheAnsiOne) {
    const wchar_t* text = L"Caf\u00e9 R\u00e9sum\u00e9";
    std::string oem = Narrow(text, CP_OEMCP), ansi = Narrow(text);
    ASSERT_NE(oem, ansi) << "the code pages agree here, so the test shows nothing";
    const BoxLine lines[] = {{LineName, 0, text}, {LineCommand, 0, text}};
    const BoxLine button = {LineMessage, MsgWarningButton, nullptr};
    Host.MessageAnswers = {0};
    EXPECT_EQ(HostShowMessage(BoxConfirmation, lines, 2, &button, 1), 0);
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              std::vector<std::string>{"Message(module, 0, \"Remove\", {\"" + oem + "\", \"" + ansi +
                                       "\", \"Msg1\"}, 3, 1)"});
}
