#include <string.h>

#include "Far1.h"

// lstrcpyn's limit for an item's text: at most 126 characters and the
// terminator, within the host's 128-character field.
const int MenuItemTextLimit = 127;
static_assert(MenuItemTextLimit <= (int)sizeof(FarMenuItem::Text), "item text limit");

MenuBuilder::MenuBuilder(int titleNumber, unsigned flags, const char* helpTopic)
    : Title(CopyString(GetMsgText(titleNumber))),
      Flags(flags),
      HelpTopic(helpTopic ? CopyString(helpTopic) : NULL),
      Bottom(NULL),
      BreakKeys(NULL),
      BreakCode(-1),
      X(-1),
      Y(-1),
      MaxHeight(0),
      Items(NULL),
      ItemsNumber(0) {
}

MenuBuilder::~MenuBuilder() {
    FreeBlock(Title);
    FreeBlock(Bottom);
    FreeBlock(HelpTopic);
    FreeBlock(Items);
}

int MenuBuilder::AddItem(const char* text, int selected, int checked, int separator) {
    ItemsNumber++;
    Items = (FarMenuItem*)ResizeBlock(Items, ItemsNumber * sizeof(FarMenuItem));
    FarMenuItem* item = &Items[ItemsNumber - 1];
    memset(item, 0, sizeof(*item));
    lstrcpynA(item->Text, text, MenuItemTextLimit);
    item->Selected = selected;
    item->Checked = checked;
    item->Separator = separator;
    return ItemsNumber - 1;
}

void MenuBuilder::SetBottom(const char* text) {
    FreeBlock(Bottom);
    Bottom = CopyString(text);
}

void MenuBuilder::SetBottomMsg(int number) {
    SetBottom(GetMsgText(number));
}

int MenuBuilder::Show() {
    return Info.Menu(Info.ModuleNumber, X, Y, MaxHeight, Flags, Title, Bottom, HelpTopic,
                     BreakKeys, &BreakCode, Items, ItemsNumber);
}
