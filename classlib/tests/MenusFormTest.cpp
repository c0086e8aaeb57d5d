// The class library's menus on platform menus: a form's main menu driven through its menu
// bar, hints, shortcuts, radio groups and merging; pop-up menus with owner-drawn items and
// images, driven with the mouse.
#include "classlib/Filer.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Graphics.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"
#include "classlib/StdCtrls.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TMenuItem* addItem(TComponent* owner, TMenuItem* parent, const String& caption, const String& hint = {}) {
    auto* i = new TMenuItem(owner);
    i->SetCaption(caption);
    i->SetHint(hint);
    parent->Add(i);
    return i;
}

QAction* actionNamed(QWidget* w, const QString& text) {
    for (QAction* a : w->actions())
        if (a->text().startsWith(text)) return a;
    return nullptr;
}

String barText(HMENU menu, int pos) {
    char buf[64] = {};
    GetMenuStringA(menu, static_cast<UINT>(pos), buf, sizeof buf, MF_BYPOSITION);
    return buf;
}

struct MenuForm {
    TForm* form = new TForm(nullptr);
    TMainMenu* menu = new TMainMenu(form);
    TMenuItem* file = nullptr;
    TMenuItem* open = nullptr;
    TMenuItem* save = nullptr;
    TMenuItem* view = nullptr;
    TMenuItem* fit = nullptr;
    TMenuItem* whole = nullptr;
    TEdit* edit = new TEdit(form);
    std::vector<std::string> clicks;
    MenuForm() {
        form->SetBounds(20, 20, 360, 220);
        file = addItem(form, menu->Items(), "&File");
        open = addItem(form, file, "&Open...", "Open|Opens a picture");
        save = addItem(form, file, "&Save", "Save|Saves the picture");
        view = addItem(form, menu->Items(), "&View");
        view->SetGroupIndex(2);
        fit = addItem(form, view, "&Fit");
        whole = addItem(form, view, "&Whole");
        for (TMenuItem* r : {fit, whole}) {
            r->SetRadioItem(true);
            r->SetGroupIndex(1);
            r->SetAutoCheck(true);
        }
        fit->SetChecked(true);
        open->SetShortCut(ShortCut('O', ssCtrl));
        for (TMenuItem* i : {open, save, fit, whole})
            i->OnClick = TNotifyEvent([this](TObject* s) { clicks.push_back(static_cast<TMenuItem*>(s)->Caption()); });
        edit->SetParent(form);
        edit->SetBounds(10, 10, 120, 24);
        form->SetMenu(menu);
        form->Show();
    }
    ~MenuForm() { delete form; }
    QMenuBar* bar() const { return platform::windowWidget(form->Handle())->findChild<QMenuBar*>(); }
};

}  // namespace

TEST(MainMenus, TheBarOpensShowsHintsAndRunsTheItem) {
    MenuForm f;
    QMenuBar* bar = f.bar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetMenu(f.form->Handle()), f.menu->Handle());
    EXPECT_EQ(barText(f.file->Handle(), 0), "&Open...\tCtrl+O");
    // The bar takes its height from the client area.
    RECT client{};
    GetClientRect(f.form->Handle(), &client);
    EXPECT_GT(bar->height(), 0);
    EXPECT_EQ(client.bottom, platform::windowWidget(f.form->Handle())->height() - bar->height());
    EXPECT_EQ(bar->y(), 0);

    std::vector<String> hints;
    Application->OnHint = TNotifyEvent([&](TObject*) { hints.push_back(Application->Hint()); });
    QAction* fileAction = actionNamed(bar, "&File");
    ASSERT_NE(fileAction, nullptr);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(fileAction).center());
    QApplication::processEvents();
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction* save = actionNamed(menu, "&Save");
    ASSERT_NE(save, nullptr);
    QTest::mouseMove(menu, menu->actionGeometry(save).center());
    QApplication::processEvents();
    EXPECT_EQ(Application->Hint(), "Saves the picture");
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(save).center());
    for (int i = 0; i < 5 && f.clicks.empty(); ++i) QApplication::processEvents();
    EXPECT_EQ(f.clicks, (std::vector<std::string>{"&Save"}));
    EXPECT_EQ(Application->Hint(), "");  // cleared when the menu closed
    EXPECT_NE(std::find(hints.begin(), hints.end(), "Saves the picture"), hints.end());
    Application->OnHint = TNotifyEvent();
}

TEST(MainMenus, ShortcutsRadioGroupsAndChangesReachThePlatformMenu) {
    MenuForm f;
    // Ctrl+O in the edit runs the menu item before the edit sees the key.
    f.edit->SetFocus();
    QTest::keyClick(platform::windowWidget(f.edit->Handle()), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(f.clicks, (std::vector<std::string>{"&Open..."}));
    EXPECT_EQ(f.edit->Text(), "");
    // Ctrl+Alt shortcuts, and keys of no item that type as usual.
    f.save->SetShortCut(ShortCut('N', ssCtrl | ssAlt));
    QTest::keyClick(platform::windowWidget(f.edit->Handle()), Qt::Key_N, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(f.clicks.back(), "&Save");
    QTest::keyClick(platform::windowWidget(f.edit->Handle()), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(f.clicks.size(), 2u);
    f.clicks.clear();
    f.clicks.push_back("&Open...");

    // A radio item checked by code unchecks its group, in the platform menu too.
    const HMENU view = f.view->Handle();
    EXPECT_NE(GetMenuState(view, f.fit->Command(), MF_BYCOMMAND) & MF_CHECKED, 0u);
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(view, f.whole->Command(), FALSE, &info);
    EXPECT_NE(info.fType & MFT_RADIOCHECK, 0u);
    f.whole->SetChecked(true);
    EXPECT_FALSE(f.fit->Checked());
    EXPECT_EQ(GetMenuState(view, f.fit->Command(), MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_NE(GetMenuState(view, f.whole->Command(), MF_BYCOMMAND) & MF_CHECKED, 0u);
    // Disabled and hidden items.
    f.save->SetEnabled(false);
    EXPECT_NE(GetMenuState(f.file->Handle(), f.save->Command(), MF_BYCOMMAND) & MF_GRAYED, 0u);
    f.open->SetVisible(false);
    EXPECT_EQ(GetMenuItemCount(f.file->Handle()), 1);
    QTest::keyClick(platform::windowWidget(f.edit->Handle()), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(f.clicks.size(), 1u);  // a hidden item has no shortcut
    // A command that arrives as WM_COMMAND clicks its item (AutoCheck first).
    SendMessageA(f.form->Handle(), WM_COMMAND, f.fit->Command(), 0);
    EXPECT_TRUE(f.fit->Checked());
    EXPECT_EQ(f.clicks.back(), "&Fit");
}

TEST(MainMenus, MergedItemsReplaceTheGroupsTheyShare) {
    MenuForm f;
    TMainMenu child(f.form);
    TMenuItem* tools = addItem(f.form, child.Items(), "&Tools");
    tools->SetGroupIndex(1);
    TMenuItem* view2 = addItem(f.form, child.Items(), "&Picture view");
    view2->SetGroupIndex(2);
    addItem(f.form, tools, "&Filter");
    const HMENU bar = f.menu->Handle();
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    f.menu->Merge(&child);
    // File (0), Tools (1), Picture view (2, in place of View).
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    EXPECT_EQ(barText(bar, 0), "&File");
    EXPECT_EQ(barText(bar, 1), "&Tools");
    EXPECT_EQ(barText(bar, 2), "&Picture view");
    // Commands of merged items reach them through the form.
    bool filtered = false;
    tools->Items(0)->OnClick = TNotifyEvent([&](TObject*) { filtered = true; });
    SendMessageA(f.form->Handle(), WM_COMMAND, tools->Items(0)->Command(), 0);
    EXPECT_TRUE(filtered);
    f.menu->Unmerge(&child);
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    EXPECT_EQ(barText(bar, 1), "&View");
}

TEST(PopupMenus, OwnerDrawnItemsWithImagesArePaintedAndClicked) {
    TForm form(nullptr);
    form.SetBounds(10, 10, 200, 150);
    form.Show();
    TPopupMenu popup(&form);
    TImageList images(&form);
    images.SetWidth(16);
    images.SetHeight(16);
    TBitmap glyph;
    glyph.SetWidth(16);
    glyph.SetHeight(16);
    glyph.Canvas()->Brush()->SetColor(clLime);
    glyph.Canvas()->FillRect(RECT{0, 0, 16, 16});
    images.Add(&glyph, nullptr);
    popup.SetImages(&images);
    TMenuItem* painted = addItem(&form, popup.Items(), "Painted", "|Drawn by its handler");
    TMenuItem* withImage = addItem(&form, popup.Items(), "With image", "Image|Has a green image");
    withImage->SetImageIndex(0);
    TMenuItem* radio = addItem(&form, popup.Items(), "Radio", "");
    radio->SetRadioItem(true);
    radio->SetChecked(true);
    painted->OnMeasureItem = TMenuMeasureItemEvent([](TObject*, TCanvas*, int& w, int& h) {
        w = 150;
        h = 28;
    });
    painted->OnDrawItem = TMenuDrawItemEvent([](TObject*, TCanvas* c, const RECT& r, bool selected) {
        c->Brush()->SetColor(selected ? clBlue : clRed);
        c->FillRect(r);
    });
    std::vector<String> clicked;
    withImage->OnClick = TNotifyEvent([&](TObject*) { clicked.push_back("image"); });
    bool popped = false;
    popup.OnPopup = TNotifyEvent([&](TObject*) { popped = true; });
    QImage paintedFace, imageFace, radioFace;
    String hintOnImage;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        auto faces = menu->findChildren<QWidget*>(QStringLiteral("ownerDrawnMenuItem"));
        ASSERT_EQ(faces.size(), 3);
        std::sort(faces.begin(), faces.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
        QWidget* first = faces[0];
        QWidget* second = faces[1];
        radioFace = faces[2]->grab().toImage();
        EXPECT_EQ(first->size(), QSize(150, 28));
        paintedFace = first->grab().toImage();
        QTest::mouseMove(second, second->rect().center());
        QApplication::processEvents();
        hintOnImage = Application->Hint();
        imageFace = second->grab().toImage();
        QTest::mouseClick(second, Qt::LeftButton, {}, second->rect().center());
    });
    popup.Popup(50, 50);
    EXPECT_TRUE(popped);
    EXPECT_EQ(clicked, (std::vector<String>{"image"}));
    EXPECT_EQ(hintOnImage, "Has a green image");
    ASSERT_FALSE(paintedFace.isNull());
    EXPECT_EQ(QColor(paintedFace.pixel(75, 14)), QColor(255, 0, 0));
    // A checked radio item: its dot in the glyph column, its text on the menu's colour.
    ASSERT_FALSE(radioFace.isNull());
    const QRgb menuColour = QColor::fromRgb(ColorToRGB(clMenu) & 0xFF, (ColorToRGB(clMenu) >> 8) & 0xFF,
                                            (ColorToRGB(clMenu) >> 16) & 0xFF).rgb();
    int menuPixels = 0, dark = 0;
    for (int x = 30; x < radioFace.width(); ++x)
        for (int y = 0; y < radioFace.height(); ++y) {
            menuPixels += radioFace.pixel(x, y) == menuColour;
            dark += qGray(radioFace.pixel(x, y)) < 64;
        }
    EXPECT_GT(menuPixels, dark * 4);  // text on the menu colour, not a filled bar
    EXPECT_GT(dark, 0);               // the caption is there
    EXPECT_LT(qGray(radioFace.pixel(1 + 8, radioFace.height() / 2)), 64);  // the dot
    // The selected image item: highlight behind, the green image in the glyph column.
    ASSERT_FALSE(imageFace.isNull());
    EXPECT_EQ(QColor(imageFace.pixel(1 + 8, imageFace.height() / 2)), QColor(0, 255, 0));
    EXPECT_EQ(imageFace.pixel(imageFace.width() - 3, 2), QColor::fromRgb(ColorToRGB(clHighlight) & 0xFF,
                                                                         (ColorToRGB(clHighlight) >> 8) & 0xFF,
                                                                         (ColorToRGB(clHighlight) >> 16) & 0xFF)
                                                              .rgb());
}

TEST(Shortcuts, TextsAndKeys) {
    EXPECT_EQ(ShortCutToText(ShortCut('O', ssCtrl)), "Ctrl+O");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, ssShift)), "Shift+Del");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_F1 + 4, 0)), "F5");
    EXPECT_EQ(ShortCutToText(ShortCut('S', ssShift | ssCtrl | ssAlt)), "Shift+Ctrl+Alt+S");
    EXPECT_EQ(TextToShortCut("ctrl+o"), ShortCut('O', ssCtrl));
    EXPECT_EQ(TextToShortCut("Shift+Ctrl+F12"), ShortCut(VK_F1 + 11, ssShift | ssCtrl));
    EXPECT_EQ(TextToShortCut("Ctrl+"), 0);
    EXPECT_EQ(TextToShortCut("Hyper+X"), 0);
    WORD key = 0;
    TShiftState shift = 0;
    ShortCutToKey(ShortCut('Q', ssAlt), key, shift);
    EXPECT_EQ(key, 'Q');
    EXPECT_EQ(shift, static_cast<TShiftState>(ssAlt));
}

TEST(MainMenus, ALayoutGivesTheFormItsMenuBar) {
    RegisterStandardClasses();
    TForm form(nullptr);
    ReadComponentText(R"(object MenuLayoutForm: TForm
  Left = 10
  Top = 10
  Width = 300
  Height = 200
  Menu = MainMenu1
  object MainMenu1: TMainMenu
    object FileItem: TMenuItem
      Caption = '&File'
      object OpenItem: TMenuItem
        Caption = '&Open'
        ShortCut = 16463
        Hint = 'Open|Opens a file'
      end
    end
  end
end
)",
                      &form);
    ASSERT_NE(form.Menu(), nullptr);
    form.Show();
    EXPECT_EQ(GetMenu(form.Handle()), form.Menu()->Handle());
    TMenuItem* file = form.Menu()->Items()->Items(0);
    EXPECT_EQ(barText(form.Menu()->Handle(), 0), "&File");
    EXPECT_EQ(barText(file->Handle(), 0), "&Open\tCtrl+O");
    EXPECT_NE(platform::windowWidget(form.Handle())->findChild<QMenuBar*>(), nullptr);
}

TEST(PopupMenus, ARightClickOnAControlShowsItsMenu) {
    TForm form(nullptr);
    form.SetBounds(40, 40, 240, 160);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(20, 20, 120, 80);
    TPopupMenu popup(&form);
    TMenuItem* copy = addItem(&form, popup.Items(), "&Copy", "|Copies the panel");
    addItem(&form, popup.Items(), "&Paste");
    panel->SetPopupMenu(&popup);
    form.Show();
    std::vector<String> log;
    popup.OnPopup = TNotifyEvent([&](TObject*) { log.push_back("popup"); });
    copy->OnClick = TNotifyEvent([&](TObject*) { log.push_back("copy"); });
    String hint;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QAction* a = actionNamed(menu, "&Copy");
        ASSERT_NE(a, nullptr);
        QTest::mouseMove(menu, menu->actionGeometry(a).center());
        QApplication::processEvents();
        hint = Application->Hint();
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
    });
    // What the window system delivers for a right click on the panel.
    QWidget* w = platform::windowWidget(panel->Handle());
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(30, 30), w->mapToGlobal(QPoint(30, 30)));
    QApplication::sendEvent(w, &click);
    for (int i = 0; i < 5 && log.size() < 2; ++i) QApplication::processEvents();
    EXPECT_EQ(log, (std::vector<String>{"popup", "copy"}));
    EXPECT_EQ(popup.PopupComponent(), panel);
    EXPECT_EQ(hint, "Copies the panel");
}

TEST(MainMenus, OwnerDrawnItemsOfTheBarsMenusPaintThroughTheForm) {
    MenuForm f;
    f.menu->SetOwnerDraw(true);
    int drawn = 0;
    f.save->OnDrawItem = TMenuDrawItemEvent([&](TObject*, TCanvas* c, const RECT& r, bool selected) {
        ++drawn;
        c->Brush()->SetColor(selected ? clYellow : clPurple);
        c->FillRect(r);
    });
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(f.file->Handle(), f.save->Command(), FALSE, &info);
    EXPECT_NE(info.fType & MFT_OWNERDRAW, 0u);
    GetMenuItemInfoA(f.menu->Handle(), 0, TRUE, &info);
    EXPECT_EQ(info.fType & MFT_OWNERDRAW, 0u);  // the bar itself shows texts
    QMenuBar* bar = f.bar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(actionNamed(bar, "&File")).center());
    QApplication::processEvents();
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    auto faces = menu->findChildren<QWidget*>(QStringLiteral("ownerDrawnMenuItem"));
    ASSERT_EQ(faces.size(), 2);
    std::sort(faces.begin(), faces.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
    const QImage before = faces[1]->grab().toImage();
    QTest::mouseMove(faces[1], faces[1]->rect().center());
    QApplication::processEvents();
    const QImage after = faces[1]->grab().toImage();
    EXPECT_EQ(Application->Hint(), "Saves the picture");
    QTest::keyClick(menu, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_GE(drawn, 2);
    EXPECT_EQ(QColor(before.pixel(before.width() / 2, before.height() / 2)), QColor(128, 0, 128));
    EXPECT_EQ(QColor(after.pixel(after.width() / 2, after.height() / 2)), QColor(255, 255, 0));
}
