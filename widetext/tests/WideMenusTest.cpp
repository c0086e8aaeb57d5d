// Wide menus on both roads of the switch: captions, hints and shortcut texts in the platform
// menus the user sees, opened with the mouse and with Alt and a hot key, an item chosen, the
// menu-selection hints; pop-up menus; hot-key routines and shortcut texts.
#include "WideAppFixture.h"

#include "classlib/Menus.h"
#include "platform/winuser.h"
#include "widetext/WideMenus.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <memory>
#include <vector>

using namespace widetest;

namespace {

// A wide form with a main menu of wide items:
//   "&Datei Ψ"  -> "Ö&ffnen 日本語" (Ctrl+O), "Rückgängig" (Ctrl+Z), "-", "Eigenschaften…" (Shift+F10)
//   "A&nsicht && &Правка" -> "&Копировать" (Ctrl+C)
// The second caption's hot key is the last single "&" (П); "&&" is a literal "&".
class WideMenus : public WideAppRoads {
protected:
    void SetUp() override {
        WideAppRoads::SetUp();
        form = std::make_unique<TWideForm>(nullptr);
        form->SetBounds(80, 80, 460, 260);
        form->SetCaption(u"Menü " + Greek);
        edit = new TTestWideEdit(form.get());
        edit->SetParent(form.get());
        edit->SetBounds(10, 10, 200, 24);
        menu = new TMainMenu(form.get());
        file = item(menu->Items(), u"&Datei Ψ");
        open = item(file, u"Ö&ffnen " + Cjk, ShortCut('O', ssCtrl), u"Öffnen|Öffnet ein Bild: " + Greek);
        undo = item(file, u"Rückgängig", ShortCut('Z', ssCtrl), u"Zurück|Nimmt " + Cyrillic + u" zurück");
        item(file, u"-");
        props = item(file, u"Eigenschaften…", ShortCut((VK_F1 + 9), ssShift));
        edits = item(menu->Items(), u"A&nsicht && &Правка");
        copy = item(edits, u"&Копировать", ShortCut('C', ssCtrl), u"Kopie|" + Cyrillic);
        for (TWideMenuItem* i : {open, undo, props, copy})
            i->OnClick = TNotifyEvent([this, i](TObject*) { clicked.push_back(i); });
        form->SetMenu(menu);
    }
    void TearDown() override {
        closePopups();
        form.reset();
        WideAppRoads::TearDown();
    }
    TWideMenuItem* item(TMenuItem* Parent, const WideString& Caption, TShortCut Key = 0, const WideString& Hint = {}) {
        auto* i = new TWideMenuItem(form.get());
        i->SetCaption(Caption);
        i->SetShortCut(Key);
        i->SetHint(Hint);
        Parent->Add(i);
        return i;
    }
    QMenuBar* bar() const {
        QWidget* w = platform::windowWidget(form->Handle());
        return w ? w->findChild<QMenuBar*>(QStringLiteral("windowMenuBar")) : nullptr;
    }
    static QMenu* openPopup() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }
    static void closePopups() {
        for (int i = 0; i < 5 && QApplication::activePopupWidget(); ++i) {
            QApplication::activePopupWidget()->close();
            QApplication::processEvents();
        }
    }
    static QAction* actionNamed(const QList<QAction*>& Actions, const QString& Start) {
        for (QAction* a : Actions)
            if (a->text().startsWith(Start)) return a;
        return nullptr;
    }
    // The text of a platform menu's entry for an item.
    static WideString platformText(TMenuItem* Item) {
        HMENU h = Item->Parent()->Handle();
        const int n = GetMenuStringW(h, Item->Command(), nullptr, 0, MF_BYCOMMAND);
        WideString s(static_cast<std::size_t>(std::max(n, 0)) + 1, u'\0');
        s.resize(static_cast<std::size_t>(std::max(0, GetMenuStringW(h, Item->Command(), s.data(), n + 1, MF_BYCOMMAND))));
        return s;
    }
    // The pointer onto an item, in steps, as a hand moves it.
    static void hover(QMenu* Menu, QAction* Action) {
        const QRect r = Menu->actionGeometry(Action);
        for (int dx : {-12, -6, 0}) QTest::mouseMove(Menu, r.center() + QPoint(dx, dx / 4));
    }
    // A key with its character, as a keyboard of that language sends it.
    static void typeKey(QWidget* W, int Key, const QString& Text, Qt::KeyboardModifiers Modifiers) {
        QKeyEvent press(QEvent::KeyPress, Key, Modifiers, Text);
        QApplication::sendEvent(W, &press);
        QKeyEvent release(QEvent::KeyRelease, Key, Modifiers, Text);
        QApplication::sendEvent(W, &release);
    }

    std::unique_ptr<TWideForm> form;
    TTestWideEdit* edit = nullptr;
    TMainMenu* menu = nullptr;
    TWideMenuItem *file = nullptr, *open = nullptr, *undo = nullptr, *props = nullptr, *edits = nullptr, *copy = nullptr;
    std::vector<TMenuItem*> clicked;
};

INSTANTIATE_TEST_SUITE_P(Switch, WideMenus, ::testing::Values(true, false), roadName);

}  // namespace

TEST_P(WideMenus, ThePlatformMenusShowTheWideCaptionsWithTheirShortcutTexts) {
    showAndActivate(form.get());
    EXPECT_EQ(platformText(open), u"Ö&ffnen " + Cjk + u"\tCtrl+O");
    EXPECT_EQ(platformText(undo), u"Rückgängig\tCtrl+Z");
    EXPECT_EQ(platformText(props), u"Eigenschaften…\tShift+F10");
    // No shortcut on the bar.
    EXPECT_EQ(platformText(edits), u"A&nsicht && &Правка");
    // What Qt shows: the hot key is the last single "&", every other "&" is literal.
    QMenuBar* b = bar();
    ASSERT_NE(b, nullptr);
    QStringList texts;
    for (QAction* a : b->actions()) texts << a->text();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("&Datei Ψ"), QStringLiteral("A&&nsicht && &Правка")}));
    // A caption changed later reaches the entry.
    open->SetCaption(u"Ö&ffnen " + Cyrillic);
    EXPECT_EQ(platformText(open), u"Ö&ffnen " + Cyrillic + u"\tCtrl+O");
    edits->SetCaption(u"&Ψηφίο");
    EXPECT_TRUE(waitUntil([&] { return bar()->actions().size() == 2 && bar()->actions()[1]->text() == QStringLiteral("&Ψηφίο"); }));
}

TEST_P(WideMenus, EightBitCaptionsLoseWhatTheCodePageLacksOnlyOnTheAnsiRoad) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    open->SetCaption(u"Ö&ffnen " + Cjk);
    undo->SetCaption(u"Rückgängig");
    showAndActivate(form.get());
    // The item keeps its wide caption on both roads; the 8-bit road's platform menu shows
    // the 8-bit one.
    EXPECT_EQ(open->Caption(), u"Ö&ffnen " + Cjk);
    EXPECT_EQ(platformText(open), onRoad(u"Ö&ffnen " + Cjk) + u"\tCtrl+O");
    EXPECT_EQ(platformText(undo), u"Rückgängig\tCtrl+Z");
    // Someone moves the 8-bit caption's hot key: the wide caption's moves with it.
    if (wide()) {
        open->TMenuItem::SetCaption("\xD6" "ff&nen ??????");
        EXPECT_EQ(open->Caption(), u"Öff&nen " + Cjk);
        EXPECT_EQ(platformText(open), u"Öff&nen " + Cjk + u"\tCtrl+O");
    }
}

TEST_P(WideMenus, OpenedWithTheMouseTheItemsShowTheirHintsAndOneIsChosen) {
    showAndActivate(form.get());
    QMenuBar* b = bar();
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(b, Qt::LeftButton, {}, b->actionGeometry(b->actions()[0]).center());
    ASSERT_TRUE(waitUntil([] { return openPopup() != nullptr; }));
    QMenu* popup = openPopup();
    QStringList texts;
    for (QAction* a : popup->actions())
        if (!a->isSeparator()) texts << a->text();
    EXPECT_EQ(texts, (QStringList{QString::fromStdU16String(u"Ö&ffnen " + Cjk + u"\tCtrl+O"),
                                  QStringLiteral("Rückgängig\tCtrl+Z"), QStringLiteral("Eigenschaften…\tShift+F10")}));
    popup->grab().save(QString::fromStdString(shot25(wide() ? "menu-file-utf16.png" : "menu-file-ansi.png")));
    // Hovering an item makes the long part of its wide hint the application's.
    QAction* undoAction = actionNamed(popup->actions(), QStringLiteral("Rück"));
    ASSERT_NE(undoAction, nullptr);
    hover(popup, undoAction);
    ASSERT_TRUE(waitUntil([&] { return WideApplication->Hint() == u"Nimmt " + Cyrillic + u" zurück"; }))
        << QString::fromStdU16String(WideApplication->Hint()).toStdString();
    EXPECT_EQ(Application->Hint(), WideToAnsi(u"Nimmt " + Cyrillic + u" zurück"));
    QAction* openAction = actionNamed(popup->actions(), QStringLiteral("Ö"));
    ASSERT_NE(openAction, nullptr);
    hover(popup, openAction);
    ASSERT_TRUE(waitUntil([&] { return WideApplication->Hint() == u"Öffnet ein Bild: " + Greek; }))
        << QString::fromStdU16String(WideApplication->Hint()).toStdString();
    QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(openAction).center());
    ASSERT_TRUE(waitUntil([&] { return !clicked.empty(); }));
    EXPECT_EQ(clicked, std::vector<TMenuItem*>{open});
    // The menu closed: the hint goes.
    EXPECT_TRUE(waitUntil([&] { return WideApplication->Hint().empty(); }));
}

TEST_P(WideMenus, AltAndAHotKeyOpenAMenuAndTheItemsHotKeyChoosesIt) {
    showAndActivate(form.get());
    edit->SetFocus();
    QWidget* focus = platform::windowWidget(edit->Handle());
    // The second menu's hot key is П, the last single "&": Alt+П opens it, Alt+N does not.
    QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_N, QStringLiteral("n"), Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_EQ(openPopup(), nullptr);
    closePopups();
    QTest::sendKeyEvent(QTest::Click, focus, static_cast<Qt::Key>(0x41F), QStringLiteral("п"), Qt::AltModifier);
    ASSERT_TRUE(waitUntil([] { return openPopup() != nullptr; }));
    QMenu* popup = openPopup();
    ASSERT_EQ(popup->actions().size(), 1);
    EXPECT_EQ(popup->actions()[0]->text(), QStringLiteral("&Копировать\tCtrl+C"));
    // Its item by its hot key К.
    typeKey(popup, 0x41A, QStringLiteral("к"), Qt::NoModifier);
    ASSERT_TRUE(waitUntil([&] { return !clicked.empty(); }));
    EXPECT_EQ(clicked, std::vector<TMenuItem*>{copy});
    clicked.clear();
    ASSERT_TRUE(waitUntil([] { return openPopup() == nullptr; }));
    // The offscreen platform leaves the closed menu active; a desktop gives the form back.
    showAndActivate(form.get());
    // Alt+D opens the first menu; the arrow keys select (the hint follows) and Enter chooses.
    QTest::keyClick(focus, Qt::Key_D, Qt::AltModifier);
    ASSERT_TRUE(waitUntil([] { return openPopup() != nullptr; }));
    popup = openPopup();
    // Opened from the keyboard, the first item is selected.
    EXPECT_TRUE(waitUntil([&] { return WideApplication->Hint() == u"Öffnet ein Bild: " + Greek; }));
    QTest::keyClick(popup, Qt::Key_Down);
    EXPECT_TRUE(waitUntil([&] { return WideApplication->Hint() == u"Nimmt " + Cyrillic + u" zurück"; }));
    QTest::keyClick(popup, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return !clicked.empty(); }));
    EXPECT_EQ(clicked, std::vector<TMenuItem*>{undo});
    clicked.clear();
    ASSERT_TRUE(waitUntil([] { return openPopup() == nullptr; }));
    showAndActivate(form.get());
    // The shortcuts run the items without opening the menu.
    edit->SetFocus();
    QTest::keyClick(focus, Qt::Key_F10, Qt::ShiftModifier);
    QTest::keyClick(focus, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(clicked, (std::vector<TMenuItem*>{props, open}));
}

TEST_P(WideMenus, APopupMenuShowsWideCaptionsAndHintsAndReturnsTheChosenItem) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    auto* popupMenu = new TPopupMenu(form.get());
    auto* first = item(popupMenu->Items(), u"Erstes " + Greek, 0, u"eins|" + Greek + u" lang");
    auto* second = item(popupMenu->Items(), u"&Zweites " + Cjk, ShortCut(VK_DELETE, ssCtrl), u"zwei|" + Cjk + u" lang");
    first->OnClick = TNotifyEvent([&](TObject*) { clicked.push_back(first); });
    second->OnClick = TNotifyEvent([&](TObject*) { clicked.push_back(second); });
    showAndActivate(form.get());
    // The caption changes while the menu is closed: the pop-up shows the new one.
    first->SetCaption(u"&Erstes " + Cyrillic);
    QStringList texts;
    WideString hintSeen;
    bool acted = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QMenu* popup = openPopup();
        if (acted || !popup || !popup->isVisible()) return;
        acted = true;
        poll.stop();
        for (QAction* a : popup->actions()) texts << a->text();
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Down);
        hintSeen = WideApplication->Hint();
        QTest::keyClick(popup, Qt::Key_Return);
    });
    poll.start();
    popupMenu->Popup(120, 120);
    ASSERT_TRUE(acted);
    EXPECT_EQ(texts, (QStringList{QString::fromStdU16String(onRoad(u"&Erstes " + Cyrillic)),
                                  QString::fromStdU16String(onRoad(u"&Zweites " + Cjk) + u"\tCtrl+Del")}));
    EXPECT_EQ(hintSeen, Cjk + u" lang");
    EXPECT_EQ(clicked, std::vector<TMenuItem*>{second});
}

TEST(WideMenuTexts, HotKeysAreTheCharacterAfterTheLastSingleAmpersand) {
    EXPECT_EQ(WideGetHotKeyPos(u"&Datei"), 2);
    EXPECT_EQ(WideGetHotKey(u"&Datei"), u"D");
    EXPECT_EQ(WideGetHotKey(u"Save && &Exit"), u"E");
    EXPECT_EQ(WideGetHotKey(u"A&nsicht && &Правка"), u"П");
    EXPECT_EQ(WideGetHotKeyPos(u"Only && doubled &&"), 0);
    EXPECT_EQ(WideGetHotKeyPos(u"Trailing&"), 0);
    EXPECT_EQ(WideGetHotKeyPos(u"&&&x"), 4);
    EXPECT_EQ(WideStripHotKey(u"&File"), u"File");
    EXPECT_EQ(WideStripHotKey(u"Save && &Exit"), u"Save & Exit");
    EXPECT_TRUE(WideSameCaption(u"&öffnen", u"Ö&FFNEN"));
    EXPECT_FALSE(WideSameCaptionStr(u"&öffnen", u"Ö&FFNEN"));
    EXPECT_TRUE(WideSameCaptionStr(u"&Öffnen", u"Ö&ffnen"));
    // The hot key of "Open" moved from before O to before p.
    WideString dest = u"&Open " + Cjk;
    SyncHotKeyPosition(u"O&pen " + Cjk, dest);
    EXPECT_EQ(dest, u"O&pen " + Cjk);
    dest = u"Sa&ve && Exit";
    SyncHotKeyPosition(u"Save && E&xit", dest);
    EXPECT_EQ(dest, u"Save && E&xit");
}

TEST(WideMenuTexts, ShortcutTextsNameModifiersInOrderAndTheKey) {
    platform::setUnicodeWindows(true);
    EXPECT_EQ(WideShortCutToText(ShortCut('Z', ssCtrl)), u"Ctrl+Z");
    EXPECT_EQ(WideShortCutToText(ShortCut((VK_F1 + 9), ssShift)), u"Shift+F10");
    EXPECT_EQ(WideShortCutToText(ShortCut('7', ssShift | ssCtrl | ssAlt)), u"Shift+Ctrl+Alt+7");
    EXPECT_EQ(WideShortCutToText(ShortCut(VK_NUMPAD0 + 5, ssAlt)), u"Alt+5");
    EXPECT_EQ(WideShortCutToText(ShortCut(VK_DELETE, ssCtrl)), AnsiToWide(ShortCutToText(ShortCut(VK_DELETE, ssCtrl))));
    EXPECT_EQ(WideShortCutToText(ShortCut(VK_ADD, ssCtrl)), u"Ctrl+Num +");
    EXPECT_EQ(WideShortCutToText(0), u"");
    EXPECT_EQ(WideShortCutToText(ShortCut(0xFF, ssCtrl)), u"");
    // The 8-bit road gives the class library's text.
    platform::setUnicodeWindows(false);
    EXPECT_EQ(WideShortCutToText(ShortCut((VK_F1 + 9), ssShift)), AnsiToWide(ShortCutToText(ShortCut((VK_F1 + 9), ssShift))));
    platform::setUnicodeWindows(true);
}

TEST_P(WideMenus, OwnerDrawnItemsAreMeasuredAndDrawnWithTheWideTexts) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    auto* popupMenu = new TPopupMenu(form.get());
    popupMenu->SetOwnerDraw(true);
    const WideString longCaption = u"&Σχέδιο " + Cjk + Cjk;
    auto* wideItem = item(popupMenu->Items(), longCaption, ShortCut('Z', ssCtrl));
    auto* shortItem = item(popupMenu->Items(), u"&Ok");
    int measured = 0;
    wideItem->OnMeasureItem = TMenuMeasureItemEvent([&](TObject*, TCanvas*, int& Width, int&) {
        measured = Width;  // the program's own handler comes last
    });
    showAndActivate(form.get());
    QImage shot;
    std::vector<int> widths;
    bool acted = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QMenu* popup = openPopup();
        if (acted || !popup || !popup->isVisible()) return;
        acted = true;
        poll.stop();
        QApplication::processEvents();
        for (QWidget* w : popup->findChildren<QWidget*>(QStringLiteral("ownerDrawnMenuItem"))) widths.push_back(w->width());
        shot = popup->grab().toImage();
        popup->close();
    });
    poll.start();
    popupMenu->Popup(100, 100);
    ASSERT_TRUE(acted);
    shot.save(QString::fromStdString(shot25(wide() ? "menu-ownerdrawn-utf16.png" : "menu-ownerdrawn-ansi.png")));
    ASSERT_EQ(widths.size(), 2u);
    // Both rows span the menu, which is as wide as the widest measure.
    EXPECT_EQ(widths[0], measured);
    EXPECT_EQ(widths[1], measured);
    // The 8-bit caption is "&???????..." : the wide one, measured, is wider on UTF-16 windows.
    HDC dc = GetDC(nullptr);
    SIZE wideSize{0, 0}, ansiSize{0, 0};
    const WideString stripped = WideStripHotKey(longCaption);
    const WideString ansi = AnsiToWide(WideToAnsi(stripped));
    GetTextExtentPoint32W(dc, stripped.c_str(), static_cast<int>(stripped.size()), &wideSize);
    GetTextExtentPoint32W(dc, ansi.c_str(), static_cast<int>(ansi.size()), &ansiSize);
    ReleaseDC(nullptr, dc);
    ASSERT_NE(wideSize.cx, ansiSize.cx);
    if (wide()) {
        EXPECT_GT(measured, wideSize.cx);
    }
    // Ink where the caption goes in both rows, and right-aligned shortcut text in the first.
    ASSERT_FALSE(shot.isNull());
    const auto ink = [&](int x0, int x1, int y0, int y1) {
        int n = 0;
        for (int y = std::max(0, y0); y < std::min(shot.height(), y1); ++y)
            for (int x = std::max(0, x0); x < std::min(shot.width(), x1); ++x)
                if (qGray(shot.pixel(x, y)) < 100) ++n;
        return n;
    };
    const int rowHeight = shot.height() / 2;
    EXPECT_GT(ink(26, 26 + wideSize.cx / 2, 0, rowHeight), 30);
    EXPECT_GT(ink(shot.width() - 60, shot.width() - 8, 0, rowHeight), 10);
    EXPECT_GT(ink(26, 60, rowHeight, shot.height()), 10);
    (void)shortItem;
}
