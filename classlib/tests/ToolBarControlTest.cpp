// The class library's tool bar through real clicks: OnClick of each button, check buttons
// and groups (with and without AllowAllUp), the drop-down menu, hidden and disabled buttons.
#include "classlib/ComCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "platform/winuser.h"

#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct BarForm {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TToolBar* bar;
    std::vector<TToolButton*> buttons;
    std::vector<String> clicks;
    BarForm() {
        form->SetBounds(0, 0, 400, 200);
        bar = new TToolBar(form.get());
        bar->SetParent(form.get());
        bar->SetFlat(true);
    }
    TToolButton* add(const String& name, TToolButtonStyle style, bool grouped = false) {
        auto* b = new TToolButton(form.get());
        b->SetName(name);
        b->SetStyle(style);
        b->SetGrouped(grouped);
        b->SetLeft(1000 + static_cast<int>(buttons.size()));  // after the others
        b->SetParent(bar);
        b->OnClick = [this, name](TObject*) { clicks.push_back(name); };
        buttons.push_back(b);
        return b;
    }
    void show() {
        form->Show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(form->Handle())));
    }
    void click(TToolButton* b, int dx = 0) {
        const QPoint p(b->Left() + b->Width() / 2 + dx, b->Top() + b->Height() / 2);
        QTest::mouseClick(platform::windowWidget(bar->Handle()), Qt::LeftButton, {}, p);
    }
};

}  // namespace

TEST(ToolBarControl, ButtonsClickCheckAndGroup) {
    BarForm f;
    TToolButton* open = f.add("Open", tbsButton);
    TToolButton* grid = f.add("Grid", tbsCheck);
    f.add("Sep", tbsSeparator);
    TToolButton* pen = f.add("Pen", tbsCheck, true);
    TToolButton* brush = f.add("Brush", tbsCheck, true);
    TToolButton* off = f.add("Off", tbsButton);
    off->SetEnabled(false);
    pen->SetDown(true);
    f.show();
    ASSERT_EQ(f.bar->ButtonCount(), 6);
    EXPECT_EQ(f.bar->Buttons(0), open);
    EXPECT_LT(open->Left(), grid->Left());
    EXPECT_EQ(open->Top(), grid->Top());
    EXPECT_GT(open->Width(), 0);

    f.click(open);
    f.click(grid);
    EXPECT_TRUE(grid->Down());
    f.click(grid);
    EXPECT_FALSE(grid->Down());
    f.click(brush);
    EXPECT_TRUE(brush->Down());
    EXPECT_FALSE(pen->Down());
    f.click(brush);
    EXPECT_TRUE(brush->Down());  // one of the group stays down
    brush->SetAllowAllUp(true);
    f.click(brush);
    EXPECT_FALSE(brush->Down());
    EXPECT_FALSE(SendMessageA(f.bar->Handle(), TB_ISBUTTONCHECKED, 5, 0));
    f.click(off);
    EXPECT_EQ(f.clicks, (std::vector<String>{"Open", "Grid", "Grid", "Brush", "Brush", "Brush"}));
    off->SetEnabled(true);
    f.click(off);
    EXPECT_EQ(f.clicks.back(), "Off");

    // A hidden button leaves its place to the next one.
    const int penLeft = pen->Left();
    grid->SetVisible(false);
    EXPECT_LT(pen->Left(), penLeft);
    // Down set by code shows on the window.
    pen->SetDown(true);
    EXPECT_TRUE(SendMessageA(f.bar->Handle(), TB_ISBUTTONCHECKED, 4, 0));
}

TEST(ToolBarControl, DropDownButtonShowsItsMenuBelowIt) {
    BarForm f;
    auto* menu = new TPopupMenu(f.form.get());
    auto* item = new TMenuItem(menu);
    item->SetCaption("Zoom in");
    menu->Items()->Add(item);
    TToolButton* zoom = f.add("Zoom", tbsDropDown);
    zoom->SetDropdownMenu(menu);
    f.show();
    int shown = 0;
    POINT where{};
    TPopupMenu* seen = nullptr;
    auto previous = SetPopupMenuHandler([&](TPopupMenu* m, int x, int y) -> TMenuItem* {
        ++shown;
        seen = m;
        where = POINT{x, y};
        return nullptr;
    });
    f.click(zoom, zoom->Width() / 2 - 4);  // on the arrow
    SetPopupMenuHandler(previous);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(seen, menu);
    POINT below{zoom->Left(), zoom->Top() + zoom->Height()};
    ClientToScreen(f.bar->Handle(), &below);
    EXPECT_EQ(where.x, below.x);
    EXPECT_EQ(where.y, below.y);
    EXPECT_TRUE(f.clicks.empty());
    f.click(zoom, -zoom->Width() / 2 + 4);  // on its face
    EXPECT_EQ(f.clicks, std::vector<String>{"Zoom"});
    EXPECT_EQ(shown, 1);
}
