// The class library's tool bar through real clicks: OnClick of each button, check buttons
// and groups (with and without AllowAllUp), the drop-down menu, hidden and disabled buttons.
#include "classlib/ComCtrls.h"
#include "classlib/Filer.h"
#include "classlib/Forms.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"
#include "platform/winuser.h"

#include <QImage>
#include <QPixmap>
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

TEST(ToolBarControl, ButtonsComeFromALayoutInTheOrderOfTheirPlaces) {
    RegisterStandardClasses();
    std::unique_ptr<TForm> form(new TForm(nullptr));
    TReader reader;
    reader.ReadRootComponent(form.get(), ParseLayout("object Form1: TForm\n"
                                                     "  Width = 300\n"
                                                     "  Height = 120\n"
                                                     "  object Bar: TToolBar\n"
                                                     "    ShowCaptions = True\n"
                                                     "    object Second: TToolButton\n"
                                                     "      Left = 40\n"
                                                     "      Caption = 'Save'\n"
                                                     "      Style = tbsCheck\n"
                                                     "      Down = True\n"
                                                     "    end\n"
                                                     "    object First: TToolButton\n"
                                                     "      Left = 0\n"
                                                     "      Caption = 'Open'\n"
                                                     "    end\n"
                                                     "  end\n"
                                                     "end\n"));
    auto* bar = qobject_cast<TToolBar*>(form->FindComponent("Bar"));
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->ButtonCount(), 2);
    EXPECT_EQ(bar->Buttons(0)->Name(), "First");
    EXPECT_EQ(bar->Buttons(1)->Name(), "Second");
    HWND h = bar->Handle();
    ASSERT_EQ(SendMessageA(h, TB_BUTTONCOUNT, 0, 0), 2);
    char text[16] = {};
    TBBUTTON b{};
    SendMessageA(h, TB_GETBUTTON, 1, reinterpret_cast<LPARAM>(&b));
    SendMessageA(h, TB_GETBUTTONTEXTA, static_cast<WPARAM>(b.idCommand), reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Save");
    EXPECT_TRUE(b.fsState & TBSTATE_CHECKED);
    EXPECT_EQ(b.fsStyle & TBSTYLE_CHECK, TBSTYLE_CHECK);
    // The button controls stand where the window shows their buttons.
    EXPECT_LT(bar->Buttons(0)->Left(), bar->Buttons(1)->Left());
    // With captions the bar grows to show the buttons whole.
    RECT r{};
    SendMessageA(h, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_GE(bar->Height(), r.bottom);
    form->Show();
    platform::windowWidget(h)->grab().toImage().save("/tmp/tessellon-classlib-toolbar.png");
}

TEST(ToolBarControl, ALayoutIsAlignedOnceItIsRead) {
    // A bar is top-aligned until its Align is read: the width read before stays.
    RegisterStandardClasses();
    std::unique_ptr<TForm> form(new TForm(nullptr));
    TReader reader;
    reader.ReadRootComponent(form.get(), ParseLayout("object Form1: TForm\n"
                                                     "  ClientWidth = 300\n"
                                                     "  ClientHeight = 200\n"
                                                     "  object Column: TToolBar\n"
                                                     "    Width = 30\n"
                                                     "    Align = alLeft\n"
                                                     "  end\n"
                                                     "  object Row: TToolBar\n"
                                                     "    Height = 40\n"
                                                     "  end\n"
                                                     "end\n"));
    auto* column = qobject_cast<TToolBar*>(form->FindComponent("Column"));
    auto* row = qobject_cast<TToolBar*>(form->FindComponent("Row"));
    ASSERT_NE(column, nullptr);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(column->Width(), 30);
    EXPECT_EQ(row->Width(), 300);
    EXPECT_EQ(row->Top(), 0);
    // The column starts below the top row and runs to the bottom.
    EXPECT_EQ(column->Top(), row->Height());
    EXPECT_EQ(column->Top() + column->Height(), 200);
}

TEST(ToolBarControl, AnImageListFreedBeforeTheBarIsForgotten) {
    BarForm f;
    auto* images = new TImageList(f.form.get());
    f.bar->SetImages(images);
    TToolButton* open = f.add("Open", tbsButton);
    open->SetImageIndex(0);
    f.show();
    images->Free();
    EXPECT_EQ(f.bar->Images(), nullptr);
    EXPECT_EQ(SendMessageA(f.bar->Handle(), TB_GETIMAGELIST, 0, 0), 0);
    f.click(open);
    EXPECT_EQ(f.clicks, std::vector<String>{"Open"});
    // A list made after the bar goes before it when the form is freed.
    f.bar->SetImages(new TImageList(f.form.get()));
    f.bar->SetHotImages(new TImageList(f.form.get()));
    f.form.reset();
}
