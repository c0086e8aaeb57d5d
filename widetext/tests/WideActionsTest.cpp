// Wide actions updating a wide button and a wide menu item, wide canvas text, the wide
// clipboard, and the wide label, button and image: hot keys with real keys, disabled
// drawing, wide texts that the 8-bit code page cannot hold.
#include "WideAppFixture.h"

#include "classlib/Menus.h"
#include "platform/clipboard.h"
#include "platform/gdi.h"
#include "platform/winicon.h"
#include "widetext/WideActnList.h"
#include "widetext/WideClipbrd.h"
#include "widetext/WideExtCtrls.h"
#include "widetext/WideGraphics.h"
#include "widetext/WideMenus.h"
#include "widetext/WideStdCtrls.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

#include <memory>

using namespace widetest;

namespace {

class WideActions : public WideAppRoads {
protected:
    void SetUp() override {
        WideAppRoads::SetUp();
        ASSERT_TRUE(platform::setAnsiCodePage(1252));
        form = std::make_unique<TWideForm>(nullptr);
        form->SetBounds(60, 60, 420, 220);
        form->SetCaption(u"Aktionen " + Greek);
    }
    void TearDown() override {
        form.reset();
        WideAppRoads::TearDown();
    }
    template <class T>
    T* add(int x, int y, int w, int h) {
        auto* c = new T(form.get());
        c->SetParent(form.get());
        c->SetBounds(x, y, w, h);
        return c;
    }
    static WideString platformText(TMenuItem* Item) {
        HMENU h = Item->Parent()->Handle();
        WideString s(256, u'\0');
        s.resize(static_cast<std::size_t>(std::max(0, GetMenuStringW(h, Item->Command(), s.data(), 256, MF_BYCOMMAND))));
        return s;
    }
    static UINT menuState(TMenuItem* Item) { return GetMenuState(Item->Parent()->Handle(), Item->Command(), MF_BYCOMMAND); }

    std::unique_ptr<TWideForm> form;
};

INSTANTIATE_TEST_SUITE_P(Switch, WideActions, ::testing::Values(true, false), roadName);

}  // namespace

TEST_P(WideActions, AWideActionUpdatesALinkedButtonAndMenuItem) {
    auto* action = new TWideAction(form.get());
    action->SetCaption(u"Ö&ffnen " + Cjk);
    action->SetHint(u"Öffnen|Öffnet " + Greek);
    action->SetShortCut(ShortCut('E', ssCtrl));
    int executed = 0;
    action->SetOnExecute(TNotifyEvent([&](TObject*) { ++executed; }));
    auto* button = add<TWideButton>(20, 20, 220, 32);
    auto* menu = new TMainMenu(form.get());
    auto* top = new TWideMenuItem(form.get());
    top->SetCaption(u"&Datei");
    menu->Items()->Add(top);
    auto* item = new TWideMenuItem(form.get());
    top->Add(item);
    form->SetMenu(menu);
    button->SetAction(action);
    item->SetAction(action);
    showAndActivate(form.get());

    // Linked: the wide texts, outside the 8-bit code page.
    EXPECT_EQ(button->Caption(), onRoad(u"Ö&ffnen " + Cjk));
    EXPECT_EQ(button->Hint(), onRoad(u"Öffnen|Öffnet " + Greek));
    EXPECT_EQ(item->Caption(), u"Ö&ffnen " + Cjk);
    EXPECT_EQ(item->Hint(), u"Öffnen|Öffnet " + Greek);
    EXPECT_EQ(platformText(item), onRoad(u"Ö&ffnen " + Cjk) + u"\tCtrl+E");
    EXPECT_FALSE(button->IsCaptionStored());
    EXPECT_FALSE(item->IsCaptionStored());

    // A new caption whose 8-bit form is the same as the old one's still reaches the clients.
    action->SetCaption(u"Ö&ffnen 中文字符集合");
    ASSERT_EQ(WideToAnsi(u"Ö&ffnen 中文字符集合"), WideToAnsi(u"Ö&ffnen " + Cjk));
    EXPECT_EQ(action->Caption(), u"Ö&ffnen 中文字符集合");
    EXPECT_EQ(button->Caption(), onRoad(u"Ö&ffnen 中文字符集合"));
    EXPECT_EQ(item->Caption(), u"Ö&ffnen 中文字符集合");
    action->SetCaption(u"&Копировать");
    EXPECT_EQ(button->Caption(), onRoad(u"&Копировать"));
    EXPECT_EQ(WideGetText(button), onRoad(u"&Копировать"));
    EXPECT_EQ(item->Caption(), u"&Копировать");
    EXPECT_EQ(platformText(item), onRoad(u"&Копировать") + u"\tCtrl+E");
    action->SetHint(Cyrillic + u"|" + Cjk);
    EXPECT_EQ(button->Hint(), onRoad(Cyrillic + u"|" + Cjk));
    EXPECT_EQ(item->Hint(), Cyrillic + u"|" + Cjk);
    platform::windowWidget(form->Handle())
        ->grab()
        .toImage()
        .save(QString::fromStdString(shot25(wide() ? "action-button-utf16.png" : "action-button-ansi.png")));

    // Enabled and checked.
    action->SetEnabled(false);
    EXPECT_FALSE(button->Enabled());
    EXPECT_FALSE(IsWindowEnabled(button->Handle()));
    EXPECT_FALSE(item->Enabled());
    EXPECT_TRUE(menuState(item) & MF_GRAYED);
    action->SetEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(button->Handle()));
    EXPECT_FALSE(menuState(item) & MF_GRAYED);
    action->SetChecked(true);
    EXPECT_TRUE(item->Checked());
    EXPECT_TRUE(menuState(item) & MF_CHECKED);
    action->SetChecked(false);
    EXPECT_FALSE(menuState(item) & MF_CHECKED);

    // A click on the button and the menu item's shortcut run the action.
    QWidget* b = platform::windowWidget(button->Handle());
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(executed, 1);
    QTest::keyClick(b, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(executed, 2);

    // A caption of the client's own ends the link of the caption, not of the rest.
    button->SetCaption(u"Eigenes " + Greek);
    action->SetCaption(u"Neu " + Cjk);
    EXPECT_EQ(button->Caption(), onRoad(u"Eigenes " + Greek));
    EXPECT_EQ(item->Caption(), u"Neu " + Cjk);
    action->SetEnabled(false);
    EXPECT_FALSE(button->Enabled());
}

TEST_P(WideActions, AssigningTakesTheWideTextsOfAnActionOrAControl) {
    auto* source = new TWideAction(form.get());
    source->SetCaption(Cjk);
    source->SetHint(u"kurz|" + Greek);
    auto* copy = new TWideAction(form.get());
    copy->Assign(source);
    EXPECT_EQ(copy->Caption(), Cjk);
    EXPECT_EQ(copy->Hint(), u"kurz|" + Greek);
    auto* label = add<TWideLabel>(10, 10, 100, 20);
    label->SetCaption(Cyrillic);
    label->SetHint(Greek);
    copy->Assign(label);
    EXPECT_EQ(copy->Caption(), onRoad(Cyrillic));
    EXPECT_EQ(copy->Hint(), onRoad(Greek));
    // Plain actions have no wide texts: the 8-bit ones widened.
    auto* plain = new TAction(form.get());
    WideSetActionCaption(plain, Cjk);
    EXPECT_EQ(plain->Caption(), WideToAnsi(Cjk));
    EXPECT_EQ(WideGetActionCaption(plain), AnsiToWide(WideToAnsi(Cjk)));
    // A wide hint action makes its hint the application's.
    TWideHintAction hintAction(nullptr);
    hintAction.SetHint(Cyrillic);
    hintAction.Execute();
    EXPECT_EQ(WideApplication->Hint(), Cyrillic);
}

TEST_P(WideActions, HotKeysOfButtonsAndLabelsAreTheirLastSingleAmpersandWithOrWithoutAlt) {
    int psi = 0, exit = 0;
    auto* psiButton = add<TWideButton>(10, 10, 160, 30);
    psiButton->SetCaption(u"&Ψηφίο");
    psiButton->OnClick = TNotifyEvent([&](TObject*) { ++psi; });
    psiButton->SetName("psi");
    auto* exitButton = add<TWideButton>(10, 50, 160, 30);
    exitButton->SetName("exit");
    exitButton->SetCaption(u"Save && &Exit");
    exitButton->OnClick = TNotifyEvent([&](TObject*) { ++exit; });
    int umlaut = 0;
    auto* umlautButton = add<TWideButton>(10, 90, 160, 30);
    umlautButton->SetCaption(u"Gr&üße");
    umlautButton->OnClick = TNotifyEvent([&](TObject*) { ++umlaut; });
    auto* label = add<TWideLabel>(200, 10, 100, 20);
    label->SetCaption(u"&Имя:");
    auto* edit = add<TTestWideEdit>(200, 40, 160, 24);
    label->SetFocusControl(edit);
    showAndActivate(form.get());
    psiButton->SetFocus();
    QWidget* focus = platform::windowWidget(psiButton->Handle());
    const auto typeKey = [&](int Key, const QString& Text, Qt::KeyboardModifiers Modifiers) {
        QTest::sendKeyEvent(QTest::Click, focus, static_cast<Qt::Key>(Key), Text, Modifiers);
    };
    // A button with the focus takes plain letters as hot keys, any case. The 8-bit road
    // keeps only what the code page holds: "&??????" has no Ψ.
    typeKey(0x3A8, QStringLiteral("ψ"), Qt::NoModifier);
    EXPECT_EQ(psi, wide() ? 1 : 0);
    typeKey(Qt::Key_E, QStringLiteral("e"), Qt::NoModifier);
    EXPECT_EQ(exit, 1);
    // "&&" is a literal ampersand: S is no hot key.
    typeKey(Qt::Key_S, QStringLiteral("s"), Qt::NoModifier);
    EXPECT_EQ(exit, 1);
    typeKey(Qt::Key_E, QStringLiteral("E"), Qt::AltModifier);
    EXPECT_EQ(exit, 2);
    // A character of the code page above 127 on both roads.
    typeKey(0xDC, QStringLiteral("ü"), Qt::NoModifier);
    EXPECT_EQ(umlaut, 1);
    // The label's hot key moves the focus to its control.
    typeKey(0x418, QStringLiteral("и"), Qt::AltModifier);
    EXPECT_EQ(GetFocus() == edit->Handle(), wide());
    EXPECT_EQ(psi, wide() ? 1 : 0);
    EXPECT_EQ(exit + umlaut, 3);
    EXPECT_TRUE(IsWideCharAccel(u'ψ', u"&Ψηφίο"));
    EXPECT_FALSE(IsWideCharAccel(u'S', u"Save && &Exit"));
    EXPECT_FALSE(IsWideCharAccel(u'x', u"Only && doubled"));
}

TEST_P(WideActions, LabelsMeasureAndDrawTheirWideCaptionDisabledOnesEmbossed) {
    auto* label = add<TWideLabel>(20, 20, 10, 10);
    label->Font()->SetHeight(-20);
    label->SetCaption(Cjk + u" " + Greek);
    auto* dimmed = add<TWideLabel>(20, 70, 10, 10);
    dimmed->Font()->SetHeight(-20);
    dimmed->SetCaption(Cjk + u" " + Greek);
    dimmed->SetEnabled(false);
    auto* plain = add<TWideLabel>(20, 120, 10, 10);
    plain->SetShowAccelChar(false);
    plain->SetCaption(u"a&&&&&&&&b");
    auto* prefixed = add<TWideLabel>(20, 150, 10, 10);
    prefixed->SetCaption(u"a&&&&&&&&b");
    showAndActivate(form.get());
    // Sized to the text; "&" counts as a character without accelerators.
    EXPECT_GT(label->Width(), 100);
    EXPECT_GT(plain->Width(), prefixed->Width());
    const QImage shot = platform::windowWidget(form->Handle())->grab().toImage();
    shot.save(QString::fromStdString(shot25(wide() ? "labels-utf16.png" : "labels-ansi.png")));
    const auto count = [&](TControl* c, COLORREF colour) {
        int n = 0;
        for (int y = c->Top(); y < c->Top() + c->Height() + 1; ++y)
            for (int x = c->Left(); x < c->Left() + c->Width() + 1; ++x)
                if (shot.pixel(x, y) == qRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour)))
                    ++n;
        return n;
    };
    const COLORREF shadow = ColorToRGB(clBtnShadow);
    const COLORREF highlight = ColorToRGB(clBtnHighlight);
    const COLORREF text = ColorToRGB(label->Font()->Color());
    EXPECT_GT(count(label, text), 50);
    EXPECT_LT(count(label, shadow), 10);
    EXPECT_EQ(count(dimmed, text), 0);
    if (wide()) {
        // Embossed: in the highlight colour one pixel down and right, then in the shadow's.
        EXPECT_GT(count(dimmed, shadow), 50);
        EXPECT_GT(count(dimmed, highlight), 20);
    } else {
        // The class library's drawing.
        EXPECT_GT(count(dimmed, ColorToRGB(clGrayText)), 50);
    }
}

TEST_P(WideActions, CanvasTextMovesThePenPastTheTextAndShiftsRightToLeftText) {
    TBitmap bitmap;
    bitmap.SetWidth(300);
    bitmap.SetHeight(40);
    TCanvas* c = bitmap.Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(RECT{0, 0, 300, 40});
    c->Font()->SetColor(clBlack);
    c->Font()->SetHeight(-16);
    const SIZE extent = WideCanvasTextExtent(c, Cjk);
    EXPECT_GT(extent.cx, 0);
    EXPECT_GT(extent.cy, 0);
    EXPECT_EQ(WideCanvasTextWidth(c, Cjk), extent.cx);
    EXPECT_EQ(WideCanvasTextHeight(c, Cjk), extent.cy);
    EXPECT_NE(WideCanvasTextWidth(c, Cjk), WideCanvasTextWidth(c, AnsiToWide(WideToAnsi(Cjk))));
    WideCanvasTextOut(c, 10, 5, Cjk);
    EXPECT_EQ(c->PenPos().x, 10 + extent.cx);
    EXPECT_EQ(c->PenPos().y, 5);
    int inkInside = 0, inkOutside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 300; ++x) {
            const COLORREF p = GetPixel(c->Handle(), x, y);
            if (GetRValue(p) + GetGValue(p) + GetBValue(p) < 384) ++(x >= 10 && x < 10 + extent.cx ? inkInside : inkOutside);
        }
    EXPECT_GT(inkInside, 30);
    EXPECT_EQ(inkOutside, 0);
    c->TextFlags = ETO_RTLREADING;
    WideCanvasTextOut(c, 10, 5, Cjk);
    EXPECT_EQ(c->PenPos().x, 10 + extent.cx + 1 + extent.cx);
}

TEST_P(WideActions, TheWideClipboardCarriesUtf16TextThatEightBitReadersGetToo) {
    const WideString text = Cjk + u" " + Astral + u"\r\nGrüße";
    WideClipboard()->SetAsWideText(text);
    EXPECT_EQ(WideClipboard()->AsWideText(), onRoad(text));
    // The desktop's clipboard has the text (what another program pastes).
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdU16String(), onRoad(text));
    // An 8-bit reader gets the code page's form.
    EXPECT_EQ(WideClipboard()->AsText(), WideToAnsi(text));
    if (wide()) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
        EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
        CloseClipboard();
    }
    // Text from elsewhere.
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(Cyrillic + u" ok"));
    EXPECT_EQ(WideClipboard()->AsWideText(), onRoad(Cyrillic + u" ok"));
    // No text at all.
    QGuiApplication::clipboard()->clear();
    EXPECT_EQ(WideClipboard()->AsWideText(), u"");
}

TEST_P(WideActions, TheWideImageHasAWidePictureAndHint) {
    auto* image = add<TWideImage>(10, 10, 32, 32);
    EXPECT_NE(qobject_cast<TWidePicture*>(image->Picture()), nullptr);
    int changes = 0;
    image->Picture()->OnChange = TNotifyEvent([&](TObject*) { ++changes; });
    TIcon icon;
    icon.SetHandle(LoadIconW(nullptr, MAKEINTRESOURCEW(IDI_QUESTION)));
    image->Picture()->SetGraphic(&icon);
    EXPECT_GE(changes, 1);
    EXPECT_EQ(image->Picture()->Width(), 32);
    image->SetHint(Greek + u"|" + Cjk);
    EXPECT_EQ(image->Hint(), onRoad(Greek + u"|" + Cjk));
}
