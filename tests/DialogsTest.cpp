// Message boxes and menus as the host receives them from the builders.
#include <string>
#include <vector>

#include "../src/far1/Far1.h"
#include "support/ModuleTest.h"

typedef ModuleTest MessageBuilderTest;
typedef ModuleTest MenuBuilderTest;

typedef std::vector<std::string> Calls;

TEST_F(MessageBuilderTest, LinesGoBeforeButtonsWhateverTheOrderOfAdding) {
    {
        MessageBuilder box(FMSG_WARNING, "Topic");
        box.AddLine("Title");
        box.AddLine("A");
        EXPECT_EQ(box.AddButton("X"), 0);
        box.AddLine("B");
        EXPECT_EQ(box.AddButton("Y"), 1);
        Host.MessageAnswers = {1};
        EXPECT_EQ(box.Show(), 1);
    }
    EXPECT_EQ(Host.Calls,
              Calls{R"(Message(module, 1, "Topic", {"Title", "A", "B", "X", "Y"}, 5, 2))"});
}

TEST_F(MessageBuilderTest, TitleIsTheFirstLineEvenAfterButtons) {
    {
        MessageBuilder box(0, nullptr);
        box.AddButtonMsg(MsgDeleteTitle);
        box.AddButtonMsg(MsgDeleteDecline);
        box.AddLineMsg(MsgDeleteTitle);
        box.AddLineMsg(MsgDeleteQuestion);
        box.AddLine("");  // an empty line is a line like any other
        box.Show();
    }
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              Calls{R"(Message(module, 0, null, {"Msg6", "Msg7", "", "Msg6", "Msg2"}, 5, 2))"});
}

TEST_F(MessageBuilderTest, BoxWithoutButtonsIsOnlyDrawn) {
    {
        MessageBuilder notice(0, nullptr);
        notice.AddLine("");
        notice.AddLine("Working...");
        notice.Show();
    }
    EXPECT_EQ(Host.Calls, Calls{R"(Message(module, 0, null, {"", "Working..."}, 2, 0))"});
}

TEST_F(MessageBuilderTest, KeepsItsOwnCopiesAcrossRepeatedShows) {
    {
        char text[] = "changing";
        MessageBuilder box(0, nullptr);
        box.AddLine(text);
        box.AddButtonMsg(MsgWarningButton);
        text[0] = 'X';
        Host.Messages[MsgWarningButton] = "gone";
        box.Show();
        box.Show();
    }
    EXPECT_EQ(Host.CallsExceptGetMsg(), Calls(2, R"(Message(module, 0, null, {"changing", "Msg1"}, 2, 1))"));
}

TEST_F(MessageBuilderTest, KeepsItsOwnHelpTopicAndReleasesItUnshown) {
    {
        char topic[] = "Help";
        MessageBuilder box(0, topic);
        topic[0] = 'X';
        box.Show();
    }
    { MessageBuilder unshown(0, "Help"); }
    EXPECT_EQ(Host.Calls, Calls{R"(Message(module, 0, "Help", {}, 0, 0))"});
}

TEST_F(MenuBuilderTest, HandsTheHostEverythingItWasGiven) {
    static const int breakKeys[] = {VK_DELETE, 0};
    {
        MenuBuilder menu(MsgPluginTitle, FMENU_AUTOHIGHLIGHT, "Contents");
        menu.BreakKeys = breakKeys;
        EXPECT_EQ(menu.AddItem("First", 0, 0, 0), 0);
        EXPECT_EQ(menu.AddItem("Second", 1, 0, 0), 1);
        EXPECT_EQ(menu.AddItem("", 0, 1, 1), 2);
        menu.SetBottomMsg(MsgMenuBottom);
        Host.MenuAnswers = {{1, -1}};
        EXPECT_EQ(menu.Show(), 1);
    }
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              Calls{R"(Menu(module, -1, -1, 0, 4, "Msg3", "Msg4", "Contents", {46, 0}, &code, )"
                    R"({"First", "Second" 100, "" 011}, 3))"});
}

TEST_F(MenuBuilderTest, BareMenuHasNoBottomLineNoKeysAndNoItems) {
    {
        MenuBuilder menu(MsgPluginTitle, 0, nullptr);
        menu.Show();
    }
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              Calls{R"(Menu(module, -1, -1, 0, 0, "Msg3", null, null, null, &code, {}, 0))"});
}

TEST_F(MenuBuilderTest, BreakCodeTellsWhichBreakKeyClosedTheMenu) {
    static const int breakKeys[] = {VK_F8, VK_DELETE, 0};
    MenuBuilder menu(MsgPluginTitle, 0, nullptr);
    menu.BreakKeys = breakKeys;
    menu.AddItem("a", 0, 0, 0);
    menu.AddItem("b", 0, 0, 0);
    EXPECT_EQ(menu.BreakCode, -1);
    Host.MenuAnswers = {{0, -1}, {1, 1}};
    EXPECT_EQ(menu.Show(), 0);
    EXPECT_EQ(menu.BreakCode, -1);  // Enter: the host leaves it alone
    EXPECT_EQ(menu.Show(), 1);
    EXPECT_EQ(menu.BreakCode, 1);
}

TEST_F(MenuBuilderTest, CutsLongItemTextsToWhatTheItemHolds) {
    std::string longText;
    for (int i = 0; i < 200; i++)
        longText += (char)('a' + i % 26);
    std::string exactly126 = longText.substr(0, 126);
    std::string exactly127 = longText.substr(0, 127);
    {
        MenuBuilder menu(MsgPluginTitle, 0, nullptr);
        menu.AddItem(longText.c_str(), 0, 0, 0);
        menu.AddItem(exactly126.c_str(), 0, 0, 0);
        menu.AddItem(exactly127.c_str(), 0, 0, 0);
        Host.OnMenu = [](const FarMenuItem* items, int count) {
            ASSERT_EQ(count, 3);
            for (int i = 0; i < count; i++)
                EXPECT_EQ(strlen(items[i].Text), 126u) << "item " << i;
        };
        menu.Show();
    }
    std::string cut = "\"" + exactly126 + "\"";
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              Calls{"Menu(module, -1, -1, 0, 0, \"Msg3\", null, null, null, &code, {" + cut + ", " +
                    cut + ", " + cut + "}, 3)"});
}

TEST_F(MenuBuilderTest, SettingTheBottomLineAgainKeepsOnlyTheSecond) {
    {
        MenuBuilder menu(MsgPluginTitle, 0, nullptr);
        menu.SetBottom("first");
        menu.SetBottom("second");
        menu.Show();
        menu.Show();
    }
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              Calls(2, R"(Menu(module, -1, -1, 0, 0, "Msg3", "second", null, null, &code, {}, 0))"));
}

TEST_F(MenuBuilderTest, TitleIsACopyOfTheHostsText) {
    {
        MenuBuilder menu(MsgPluginTitle, 0, nullptr);
        Host.Messages[MsgPluginTitle] = "changed after construction";
        menu.Show();
    }
    EXPECT_EQ(Host.CallsExceptGetMsg(),
              Calls{R"(Menu(module, -1, -1, 0, 0, "Msg3", null, null, null, &code, {}, 0))"});
}
