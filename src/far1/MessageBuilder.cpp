#include "Far1.h"

MessageBuilder::MessageBuilder(unsigned flags, const char* helpTopic)
    : Flags(flags),
      HelpTopic(helpTopic ? CopyString(helpTopic) : NULL),
      Items(NULL),
      ItemsNumber(0),
      ButtonsNumber(0) {
}

MessageBuilder::~MessageBuilder() {
    for (int i = 0; i < ItemsNumber; i++)
        FreeBlock(Items[i]);
    FreeBlock(Items);
    FreeBlock(HelpTopic);
}

void MessageBuilder::AddLine(const char* text) {
    ItemsNumber++;
    Items = (char**)ResizeBlock(Items, ItemsNumber * sizeof(char*));
    // The host takes the last ButtonsNumber items as buttons, so lines go
    // in before the first button.
    int slot = ItemsNumber - 1 - ButtonsNumber;
    for (int i = ItemsNumber - 1; i > slot; i--)
        Items[i] = Items[i - 1];
    Items[slot] = CopyString(text);
}

void MessageBuilder::AddLineMsg(int number) {
    AddLine(GetMsgText(number));
}

int MessageBuilder::AddButton(const char* text) {
    ItemsNumber++;
    Items = (char**)ResizeBlock(Items, ItemsNumber * sizeof(char*));
    Items[ItemsNumber - 1] = CopyString(text);
    ButtonsNumber++;
    return ButtonsNumber - 1;
}

int MessageBuilder::AddButtonMsg(int number) {
    return AddButton(GetMsgText(number));
}

int MessageBuilder::Show() {
    return Info.Message(Info.ModuleNumber, Flags, HelpTopic, Items, ItemsNumber, ButtonsNumber);
}
