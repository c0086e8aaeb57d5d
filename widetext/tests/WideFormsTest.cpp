// Wide forms and the wide application on both roads of the switch: typed characters above
// 255 reaching forms whole past the message hook, the application's wide title and hints,
// and the wide form's window, caption and hint.
#include "WideAppFixture.h"

#include "classlib/ActnList.h"
#include "widetext/WideActnList.h"
#include "widetext/WideStdCtrls.h"

#include <QKeyEvent>

#include <memory>
#include <vector>

using namespace widetest;

namespace {

class WideForms : public WideAppRoads {
protected:
    // One key event carrying a whole character (two UTF-16 units outside the basic plane).
    static void typeCharacter(QWidget* W, const QString& Text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, Text);
        QApplication::sendEvent(W, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, Text);
        QApplication::sendEvent(W, &release);
    }
};

INSTANTIATE_TEST_SUITE_P(Switch, WideForms, ::testing::Values(true, false), roadName);

}  // namespace

TEST_P(WideForms, TypedCharactersAboveTwoHundredFiftyFiveReachFormsWholeAndOnMessageSeesThemOnce) {
    // A plain form and a wide one, each with a UTF-16 edit.
    std::unique_ptr<TCustomForm> forms[] = {std::make_unique<TForm>(nullptr), std::make_unique<TWideForm>(nullptr)};
    for (auto& form : forms) {
        SCOPED_TRACE(form->metaObject()->className());
        form->SetBounds(60, 60, 360, 120);
        auto* edit = new TTestWideEdit(form.get());
        edit->SetParent(form.get());
        edit->SetBounds(10, 10, 300, 24);
        showAndActivate(form.get());
        edit->SetFocus();
        std::vector<WPARAM> seen;
        bool swallow = false;
        Application->OnMessage = TMessageEvent([&](MSG& Msg, bool& Handled) {
            if (Msg.message != WM_CHAR) return;
            seen.push_back(Msg.wParam);
            Handled = swallow;
        });
        QWidget* w = platform::windowWidget(edit->Handle());
        QTest::keyClick(w, Qt::Key_A);
        typeCharacter(w, QStringLiteral("ж"));
        typeCharacter(w, QStringLiteral("日"));
        typeCharacter(w, QString::fromUcs4(U"\U0001F600"));
        EXPECT_EQ(WideGetText(edit), u"aж日\U0001F600");
        EXPECT_EQ(seen, (std::vector<WPARAM>{'a', 0x436, 0x65E5, 0xD83D, 0xDE00}));
        // What OnMessage takes stays out of the edit, whatever the character.
        swallow = true;
        seen.clear();
        QTest::keyClick(w, Qt::Key_B);
        typeCharacter(w, QStringLiteral("щ"));
        EXPECT_EQ(seen, (std::vector<WPARAM>{'b', 0x449}));
        EXPECT_EQ(WideGetText(edit), u"aж日\U0001F600");
        Application->OnMessage = TMessageEvent();
    }
}

TEST_P(WideForms, AWideFormHasAUnicodeWindowWithAWideCaptionAndHint) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    auto form = std::make_unique<TWideForm>(nullptr);
    form->SetBounds(60, 60, 360, 200);
    const WideString caption = u"Größe " + Greek + u" " + Cjk;
    form->SetCaption(caption);
    form->SetHint(Cyrillic + u"|" + Greek);
    showAndActivate(form.get());
    EXPECT_EQ(IsWindowUnicode(form->Handle()) != FALSE, wide());
    EXPECT_EQ(form->Caption(), onRoad(caption));
    EXPECT_EQ(windowTitle(form.get()), onRoad(caption));
    EXPECT_EQ(form->Hint(), onRoad(Cyrillic + u"|" + Greek));
    // The class library's 8-bit caption is the code page's form.
    EXPECT_EQ(form->TForm::Caption(), WideToAnsi(caption));
    form->RecreateWnd();
    EXPECT_EQ(form->Caption(), onRoad(caption));
    EXPECT_EQ(windowTitle(form.get()), onRoad(caption));
}

// On both roads: the window's UTF-16 text, or the 8-bit title with the wide one kept beside it.
TEST_P(WideForms, TheApplicationsTitleIsWideAndATitleSetBeforeItsWindowIsAppliedWhenTheWindowIsMade) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    const WideString title = u"Tessellon 4.5 " + Greek;
    if (Application->HandleAllocated())
        GTEST_SKIP() << "the application's window was made by an earlier test of this process";
    WideApplication->SetTitle(title);
    EXPECT_FALSE(Application->HandleAllocated());
    EXPECT_EQ(WideApplication->Title(), title);
    EXPECT_EQ(Application->Title(), WideToAnsi(title));
    // The first form makes the application's window.
    auto form = std::make_unique<TWideForm>(nullptr);
    form->HandleNeeded();
    ASSERT_TRUE(Application->HandleAllocated());
    EXPECT_EQ(WideApplication->Title(), title);
    EXPECT_EQ(Application->Title(), WideToAnsi(title));
    // Once the window exists the title is its text.
    WideApplication->SetTitle(u"Tessellon " + Cyrillic);
    EXPECT_EQ(WideApplication->Title(), u"Tessellon " + Cyrillic);
    EXPECT_EQ(Application->Title(), WideToAnsi(u"Tessellon " + Cyrillic));
    // An 8-bit title set by the class library reaches the wide one.
    Application->SetTitle("Caf\xE9");
    EXPECT_EQ(WideApplication->Title(), u"Café");
}

TEST_P(WideForms, TheApplicationsHintIsWideAndSyncedWithTheEightBitOne) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    int changes = 0;
    Application->OnHint = TNotifyEvent([&](TObject*) { ++changes; });
    WideApplication->SetHint(Cjk + u" Größe");
    EXPECT_EQ(WideApplication->Hint(), Cjk + u" Größe");
    EXPECT_EQ(Application->Hint(), WideToAnsi(Cjk + u" Größe"));
    EXPECT_EQ(changes, 1);
    // Another text of the same 8-bit form still tells the application (its 8-bit hint goes
    // through an empty one).
    WideApplication->SetHint(Greek.substr(0, 6) + u" Größe");
    EXPECT_EQ(WideApplication->Hint(), Greek.substr(0, 6) + u" Größe");
    EXPECT_GE(changes, 2);
    Application->SetHint("Gr\xFC\xDF" "e");
    EXPECT_EQ(WideApplication->Hint(), u"Grüße");
    Application->OnHint = TNotifyEvent();
}

TEST_P(WideForms, TheHintOfTheControlUnderTheMouseBecomesTheApplicationsWideHint) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    TForm* mainForm = nullptr;
    Application->CreateForm(mainForm);
    ASSERT_EQ(Application->MainForm(), mainForm);
    mainForm->SetBounds(60, 60, 360, 160);
    auto* button = new TWideButton(mainForm);
    button->SetParent(mainForm);
    button->SetBounds(20, 20, 200, 30);
    button->SetCaption(Greek);
    button->SetHint(u"kurz|" + Cjk + u" lang");
    auto* plain = new TTestWideLabel(mainForm);
    plain->SetParent(mainForm);
    plain->SetBounds(20, 80, 200, 20);
    plain->SetCaption(u"ohne Hinweis");
    showAndActivate(mainForm);
    QWidget* w = platform::windowWidget(mainForm->Handle());
    QTest::mouseMove(w, QPoint(5, 5));
    QTest::mouseMove(platform::windowWidget(button->Handle()), QPoint(50, 12));
    ASSERT_TRUE(waitUntil([&] { return WideApplication->Hint() == onRoad(Cjk + u" lang"); }))
        << QString::fromStdU16String(WideApplication->Hint()).toStdString();
    // On UTF-16 windows the main form, not a wide one, carries the layer's idle control.
    bool idleControl = false;
    for (int i = 0; i < mainForm->ControlCount(); ++i)
        idleControl = idleControl || qobject_cast<TWideAppIdleEventControl*>(mainForm->Controls(i)) != nullptr;
    EXPECT_EQ(idleControl, wide());
    QTest::mouseMove(w, QPoint(30, 90));
    ASSERT_TRUE(waitUntil([&] { return WideApplication->Hint().empty(); }));
    delete mainForm;
    EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST_P(WideForms, TheApplicationWindowsHookRecordsSettingChangesAndRunsTheWideHintAction) {
    const HWND app = Application->Handle();
    const DWORD before = WideApplication->SettingChangeTime();
    QTest::qWait(30);
    SendMessageW(app, WM_SETTINGCHANGE, 0, 0);
    EXPECT_GT(WideApplication->SettingChangeTime(), before);
    // The class library's hint action for the application's hint: the wide one goes instead.
    WideApplication->SetHint(Cjk + u" Größe");
    THintAction same(nullptr);
    same.SetHint(Application->Hint());
    EXPECT_EQ(SendMessageW(app, CM_ACTIONEXECUTE, 0, reinterpret_cast<LPARAM>(static_cast<TObject*>(&same))), 1);
    EXPECT_EQ(WideApplication->Hint(), Cjk + u" Größe");
    THintAction other(nullptr);
    other.SetHint("anders");
    EXPECT_NE(SendMessageW(app, CM_ACTIONEXECUTE, 0, reinterpret_cast<LPARAM>(static_cast<TObject*>(&other))), 1);
}
