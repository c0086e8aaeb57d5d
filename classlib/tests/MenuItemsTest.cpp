// Menu items (nesting, separators, radio groups, accelerators, clicks) and pop-up menus,
// through the seam.
#include "classlib/Menus.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TMenuItem* item(TComponent* owner, const String& caption, TMenuItem* parent) {
    auto* i = new TMenuItem(owner);
    i->SetCaption(caption);
    parent->Add(i);
    return i;
}

}  // namespace

TEST(MenuItem, NestingRadioItemsAcceleratorsAndClicks) {
    TComponent owner(nullptr);
    TPopupMenu menu(&owner);
    TMenuItem* file = item(&owner, "&File", menu.Items());
    TMenuItem* line = item(&owner, "-", menu.Items());
    TMenuItem* a = item(&owner, "Fit &width", menu.Items());
    TMenuItem* b = item(&owner, "Fit &height", menu.Items());
    TMenuItem* open = item(&owner, "&Open...", file);
    EXPECT_EQ(menu.Items()->Count(), 4);
    EXPECT_EQ(open->Parent(), file);
    EXPECT_EQ(file->GetParentComponent(), &menu);
    EXPECT_EQ(open->GetParentComponent(), file);
    EXPECT_TRUE(line->IsLine());
    EXPECT_EQ(b->MenuIndex(), 3);
    EXPECT_THROW(menu.Items()->Add(open), EMenuError);  // already in a menu
    EXPECT_THROW(open->Add(file), EMenuError);         // its own parent
    // Accelerators.
    EXPECT_EQ(GetHotkey("Fit &width"), 'w');
    EXPECT_EQ(GetHotkey("Save && &quit"), 'q');
    EXPECT_EQ(GetHotkey("none"), 0);
    EXPECT_EQ(StripHotkey("Save && &quit"), "Save & quit");
    EXPECT_EQ(menu.Items()->FindByAccelerator('H'), b);
    // Radio items of one group exclude each other.
    a->SetRadioItem(true);
    b->SetRadioItem(true);
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());
    // Clicks: disabled items do nothing; AutoCheck toggles before OnClick.
    std::vector<std::string> log;
    open->OnClick = TNotifyEvent([&](TObject* s) { log.push_back(static_cast<TMenuItem*>(s)->Caption()); });
    open->Click();
    open->SetEnabled(false);
    open->Click();
    EXPECT_EQ(log, (std::vector<std::string>{"&Open..."}));
    open->SetEnabled(true);
    open->SetAutoCheck(true);
    open->OnClick = TNotifyEvent([&](TObject* s) { log.push_back(static_cast<TMenuItem*>(s)->Checked() ? "on" : "off"); });
    open->Click();
    open->Click();
    EXPECT_EQ(log.back(), "off");
    EXPECT_EQ(log[log.size() - 2], "on");
    // Freeing an item takes it out of its parent.
    delete a;
    EXPECT_EQ(menu.Items()->Count(), 3);
    EXPECT_EQ(menu.Items()->IndexOf(b), 2);
}

TEST(PopupMenu, SeamGetsTheMenuAndPointAndTheChosenItemRuns) {
    TComponent owner(nullptr);
    TPopupMenu menu(&owner);
    TMenuItem* go = item(&owner, "&Go", menu.Items());
    int clicks = 0, popups = 0;
    go->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
    menu.OnPopup = TNotifyEvent([&](TObject*) { ++popups; });
    POINT at{};
    TPopupMenuHandler old = SetPopupMenuHandler([&](TPopupMenu* m, int X, int Y) -> TMenuItem* {
        EXPECT_EQ(m, &menu);
        at = POINT{X, Y};
        return popups == 1 ? go : nullptr;
    });
    menu.Popup(120, 45);
    EXPECT_EQ(at.x, 120);
    EXPECT_EQ(at.y, 45);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(clicks, 1);
    menu.Popup(1, 2);  // dismissed
    EXPECT_EQ(popups, 2);
    EXPECT_EQ(clicks, 1);
    SetPopupMenuHandler(old);
}
