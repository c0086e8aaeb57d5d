// UTF-16 windows of class-library controls on both roads of the platform switch: typed
// characters above 255, the class library's 8-bit text calls, captions that survive a new
// window, captions of controls without a window, the notification format, class
// registration, and the wide hint window under real mouse moves.
#include "WideTestControls.h"

#include "classlib/ActnList.h"
#include "classlib/Menus.h"
#include "platform/gdi.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace widetest;

namespace {

class Roads : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        platform::setUnicodeWindows(GetParam());
        platform::setManualTimers(true);
        InitApplication();
        registerClasses();
        Application->ShowHint = true;
        Application->HintPause = 500;
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(60, 60, 420, 240);
    }
    void TearDown() override {
        Application->CancelHint();
        form.reset();
        platform::setManualTimers(false);
        platform::setUnicodeWindows(true);
        ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
    }
    bool wide() const { return GetParam(); }
    void show() {
        form->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(form->Handle())));
        QApplication::processEvents();
    }
    template <class T>
    T* add(int x, int y, int w, int h) {
        auto* c = new T(form.get());
        c->SetParent(form.get());
        c->SetBounds(x, y, w, h);
        return c;
    }
    static QWidget* widgetOf(TWinControl* c) { return platform::windowWidget(c->Handle()); }
    // One key event carrying a whole character (two UTF-16 units outside the basic plane).
    static void typeCharacter(QWidget* w, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, text);
        QApplication::sendEvent(w, &release);
    }

    std::unique_ptr<TForm> form;
};

INSTANTIATE_TEST_SUITE_P(Switch, Roads, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Utf16" : "Ansi"; });

}  // namespace

TEST_P(Roads, CharactersAboveTwoHundredFiftyFiveTypedIntoAWideEditReachItWhole) {
    auto* edit = add<TTestWideEdit>(10, 10, 300, 24);
    std::vector<int> pressed;
    edit->OnKeyPress = TKeyPressEvent([&](TObject*, char& Key) { pressed.push_back(static_cast<unsigned char>(Key)); });
    show();
    EXPECT_EQ(IsWindowUnicode(edit->Handle()) != FALSE, wide());
    edit->SetFocus();
    QWidget* w = widgetOf(edit);
    QTest::keyClick(w, Qt::Key_A);
    typeCharacter(w, QStringLiteral("ж"));
    typeCharacter(w, QStringLiteral("日"));
    typeCharacter(w, QString::fromUcs4(U"\U0001F600"));
    EXPECT_EQ(WideGetText(edit), u"aж日\U0001F600");
    if (wide()) {
        // The class library's handlers see 8-bit characters: 255 stands for the wide ones.
        EXPECT_EQ(pressed, (std::vector<int>{'a', 255, 255, 255, 255}));
    } else {
        // The 8-bit road carries the UTF-8 bytes of the code page.
        EXPECT_EQ(pressed.size(), 1u + 2 + 3 + 4);
    }
    // A handler that swallows a wide character keeps it out of the edit.
    edit->OnKeyPress = TKeyPressEvent([](TObject*, char& Key) {
        if (static_cast<unsigned char>(Key) == 255) Key = 0;
    });
    if (wide()) {
        QTest::keyClick(w, Qt::Key_B);
        typeCharacter(w, QStringLiteral("щ"));
        EXPECT_EQ(WideGetText(edit), u"aж日\U0001F600b");
    }
}

TEST_P(Roads, TheClassLibrarysEightBitTextCallsGetTheAnsiFormOfTheWideCaption) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    auto* button = add<TTestWideButton>(10, 10, 200, 30);
    show();
    const WideString caption = u"Grüße " + Greek;
    button->SetCaption(caption);
    const String ansi = WideToAnsi(caption);
    EXPECT_EQ(ansi, "Gr\xFC\xDF" "e ????????");
    // The class library's own WM_GETTEXT and WM_GETTEXTLENGTH, converted on the way.
    EXPECT_EQ(button->TButton::Caption(), ansi);
    EXPECT_EQ(GetWindowTextLengthA(button->Handle()), static_cast<int>(ansi.size()));
    EXPECT_EQ(WideGetText(button), wide() ? caption : AnsiToWide(ansi));
    // An 8-bit caption set through the class library reaches the wide one.
    button->TButton::SetCaption("Caf\xE9");
    EXPECT_EQ(WideGetText(button), u"Café");
    EXPECT_EQ(button->Caption(), u"Café");
}

TEST_P(Roads, WideCaptionsAndHintsSurviveANewWindow) {
    if (wide()) {
        ASSERT_TRUE(platform::setAnsiCodePage(1252));
    }
    auto* button = add<TTestWideButton>(10, 10, 240, 30);
    auto* edit = add<TTestWideEdit>(10, 60, 240, 24);
    show();
    const WideString caption = Greek + u" " + Cjk + u" " + Astral;
    button->SetCaption(caption);
    button->SetHint(Cyrillic + u"|" + Cjk);
    WideSetText(edit, Cyrillic + u" " + Astral);
    const HWND before = button->Handle();
    button->RecreateWnd();
    edit->SetBorderStyle(bsNone);  // a new window
    EXPECT_NE(button->Handle(), before);
    EXPECT_EQ(IsWindowUnicode(button->Handle()) != FALSE, wide());
    EXPECT_EQ(WideGetText(button), caption);
    EXPECT_EQ(button->Hint(), Cyrillic + u"|" + Cjk);
    EXPECT_EQ(WideGetText(edit), Cyrillic + u" " + Astral);
    saveShot(form.get(), wide() ? "recreated-utf16.png" : "recreated-ansi.png");
}

TEST_P(Roads, ControlsWithoutAWindowKeepTheirWideCaptionBesideTheAnsiOne) {
    if (wide()) {
        ASSERT_TRUE(platform::setAnsiCodePage(1252));
    }
    auto* label = add<TTestWideLabel>(10, 10, 200, 20);
    label->SetCaption(Cjk);
    EXPECT_EQ(label->TLabel::Caption(), WideToAnsi(Cjk));
    EXPECT_EQ(label->Caption(), wide() ? Cjk : AnsiToWide(WideToAnsi(Cjk)));
    // Someone sets the 8-bit caption: the wide one follows.
    label->TLabel::SetCaption("plain");
    EXPECT_EQ(label->Caption(), u"plain");
    label->SetHint(Greek + u"|long");
    EXPECT_EQ(label->Hint(), wide() ? Greek + u"|long" : AnsiToWide(WideToAnsi(Greek)) + u"|long");
    EXPECT_EQ(WideGetHintOfParents(label), label->Hint());
    // The holder goes with its control.
    label->Free();
    EXPECT_EQ(TWideCaptionHolder::Find(label), nullptr);
}

TEST_P(Roads, TheNotificationFormatIsUnicodeForUnicodeWindowsOnly) {
    auto* edit = add<TTestWideEdit>(10, 10, 200, 24);
    auto* plain = add<TEdit>(10, 40, 200, 24);
    show();
    const auto ask = [&](TWinControl* asking) {
        return SendMessageW(edit->Handle(), WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(asking->Handle()), NF_QUERY);
    };
    auto* other = add<TTestWideEdit>(10, 70, 200, 24);
    EXPECT_EQ(ask(other), wide() ? NFR_UNICODE : NFR_ANSI);
    EXPECT_EQ(ask(plain), NFR_ANSI);
}

TEST(UnicodeWindows, SubclassingAWindowThatIsNotUnicodeIsAnInternalError) {
    InitApplication();
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->HandleNeeded();
    try {
        SubClassUnicodeControl(edit, "x");
        FAIL() << "no error";
    } catch (const EWideInternalError& e) {
        EXPECT_EQ(e.Message, "Internal Error: SubClassUnicodeControl.Control is not Unicode.");
    }
}

TEST(UnicodeWindows, AClassIsRegisteredOnceForEachProcedure) {
    InitApplication();
    TCreateParams p;
    p.WinClassName = "TWideProbe";
    p.WindowClass.cbSize = sizeof p.WindowClass;
    p.WindowClass.style = CS_DBLCLKS;
    WideString name;
    RegisterUnicodeClass(p, name);
    EXPECT_EQ(name, u"TWideProbe.UnicodeClass");
    WNDCLASSEXW first{};
    first.cbSize = sizeof first;
    ASSERT_TRUE(GetClassInfoExW(nullptr, name.c_str(), &first));
    EXPECT_EQ(first.style, static_cast<UINT>(CS_DBLCLKS));
    // Again with the same procedure: nothing changes (a second registration would fail).
    p.WindowClass.style = CS_HREDRAW;
    RegisterUnicodeClass(p, name);
    WNDCLASSEXW again{};
    again.cbSize = sizeof again;
    ASSERT_TRUE(GetClassInfoExW(nullptr, name.c_str(), &again));
    EXPECT_EQ(again.lpfnWndProc, first.lpfnWndProc);
    EXPECT_EQ(again.style, static_cast<UINT>(CS_DBLCLKS));
    // Another procedure: the class is registered anew.
    RegisterUnicodeClass(p, name, true);
    ASSERT_TRUE(GetClassInfoExW(nullptr, name.c_str(), &again));
    EXPECT_EQ(again.lpfnWndProc, &TWinControl::InitialWndProc);
    EXPECT_EQ(again.style, static_cast<UINT>(CS_HREDRAW));
    // Class names are cut to 64 characters before the ending.
    p.WinClassName = String(80, 'X');
    RegisterUnicodeClass(p, name);
    EXPECT_EQ(name, WideString(64, u'X') + u".UnicodeClass");
}

TEST(UnicodeWindows, TheInitialProcedureOfTheClassLibraryAlsoMakesAUnicodeWindow) {
    InitApplication();
    class TInitialProcEdit : public TEdit {
    public:
        using TEdit::TEdit;
        WideString caption() { return WideGetText(this); }

    protected:
        void CreateWindowHandle(const TCreateParams& Params) override { CreateUnicodeWindow(this, Params, u"EDIT", true); }
    };
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    {
        TForm form(nullptr);
        auto* edit = new TInitialProcEdit(&form);
        edit->SetParent(&form);
        edit->SetText("start");
        EXPECT_TRUE(IsWindowUnicode(edit->Handle()));
        EXPECT_EQ(edit->caption(), u"start");
        WideSetText(edit, Cjk);
        EXPECT_EQ(edit->caption(), Cjk);
        edit->RecreateWnd();
        EXPECT_EQ(edit->caption(), Cjk);
    }
    ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
}

TEST(UnicodeWindows, SyncedStringsFollowTheAnsiTextAndTellItOfEveryChange) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    String ansi;
    std::vector<String> set;
    const auto setter = [&](const String& s) {
        set.push_back(s);
        ansi = s;
    };
    WideString wide;
    SetSyncedWideString(u"日本", wide, ansi, setter);
    EXPECT_EQ(ansi, "??");
    EXPECT_EQ(GetSyncedWideString(wide, ansi), u"日本");
    // Another text of the same 8-bit form: the setter first gets an empty text.
    set.clear();
    SetSyncedWideString(u"中国", wide, ansi, setter);
    EXPECT_EQ(set, (std::vector<String>{"", "??"}));
    EXPECT_EQ(GetSyncedWideString(wide, ansi), u"中国");
    // The same text again: nothing.
    set.clear();
    SetSyncedWideString(u"中国", wide, ansi, setter);
    EXPECT_TRUE(set.empty());
    // The 8-bit text changed by someone else wins on the next read.
    ansi = "Caf\xE9";
    EXPECT_EQ(GetSyncedWideString(wide, ansi), u"Café");
    EXPECT_FALSE(IsWideTextAnsi(u"日"));
    EXPECT_TRUE(IsWideTextAnsi(u"Café"));
    ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
}

TEST(UnicodeWindows, CharacterMessagesTravelSafelyThroughEightBitHandlers) {
    TMessage m{WM_CHAR, 0x65E5, 0, 0};
    MakeWMCharMsgSafeForAnsi(m);
    EXPECT_EQ(m.WParam, (static_cast<WPARAM>(0x65E5) << 16) | 255);
    RestoreWMCharMsg(m);
    EXPECT_EQ(m.WParam, 0x65E5u);
    // A handler that replaced the character keeps its choice.
    MakeWMCharMsgSafeForAnsi(m);
    m.WParam = (m.WParam & ~static_cast<WPARAM>(0xFFFF)) | 'x';
    RestoreWMCharMsg(m);
    EXPECT_EQ(m.WParam, static_cast<WPARAM>('x'));
    TMessage low{WM_CHAR, 0xE9, 0, 0};
    MakeWMCharMsgSafeForAnsi(low);
    EXPECT_EQ(low.WParam, 0xE9u);
    TMessage other{WM_KEYDOWN, 0x65E5, 0, 0};
    MakeWMCharMsgSafeForAnsi(other);
    EXPECT_EQ(other.WParam, 0x65E5u);
    EXPECT_EQ(GetShortHint(WideString(u"Kurz|Lang|mehr")), u"Kurz");
    EXPECT_EQ(GetLongHint(WideString(u"Kurz|Lang|mehr")), u"Lang|mehr");
    EXPECT_EQ(GetShortHint(WideString(u"beides")), u"beides");
    EXPECT_EQ(GetLongHint(WideString(u"beides")), u"beides");
}

TEST_P(Roads, AWideHintShowsInTheWideHintWindowUnderTheMouse) {
    if (wide()) {
        ASSERT_TRUE(platform::setAnsiCodePage(1252));
    }
    auto* button = add<TTestWideButton>(20, 20, 200, 40);
    button->SetCaption(Greek);
    button->SetShowHint(true);
    const WideString hint = Greek + u" " + Astral + u"|" + Cyrillic + u" " + Cjk;
    button->SetHint(hint);
    show();
    for (int round = 0; round < 2; ++round) {
        QTest::mouseMove(widgetOf(button), QPoint(30 + round, 20));
        EXPECT_EQ(Application->Hint(), WideToAnsi(Cyrillic + u" " + Cjk));  // the long part
        platform::advanceTime(500);
        THintWindow* w = Application->ActiveHintWindow();
        ASSERT_NE(w, nullptr);
        auto* wideWindow = qobject_cast<TWideCustomHintWindow*>(w);
        if (wide()) {
            ASSERT_NE(wideWindow, nullptr);
            EXPECT_TRUE(IsWindowUnicode(w->Handle()));
            EXPECT_EQ(wideWindow->Caption(), Greek + u" " + Astral);  // the short part, whole
        } else {
            EXPECT_EQ(wideWindow, nullptr);
            EXPECT_EQ(w->Caption(), WideToAnsi(Greek + u" " + Astral));
        }
        const QImage shot = saveShot(w, std::string("hint-") + (wide() ? "utf16" : "ansi") + "-" + std::to_string(round) + ".png");
        EXPECT_GT(inkPixels(shot), 20);
        // The same after the control's window is made again.
        Application->CancelHint();
        button->RecreateWnd();
        QApplication::processEvents();
    }
}

TEST(UnicodeWindows, TheHintOfAControlWhoseActionHasAShortcutShowsIt) {
    platform::setManualTimers(true);
    InitApplication();
    registerClasses();
    Application->ShowHint = true;
    {
        TForm form(nullptr);
        form.SetBounds(60, 60, 300, 200);
        TActionList list(&form);
        TAction action(&form);
        action.SetActionList(&list);
        action.SetShortCut(ShortCut('O', ssCtrl));
        auto* button = new TTestWideButton(&form);
        button->SetParent(&form);
        button->SetBounds(10, 10, 150, 30);
        button->SetAction(&action);
        button->SetShowHint(true);
        button->SetHint(u"Öffnen " + Cjk + u"|Öffnet ein Bild");
        form.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(form.Handle())));
        QWidget* w = platform::windowWidget(button->Handle());
        QTest::mouseMove(w, QPoint(20, 10));
        platform::advanceTime(Application->HintPause);
        auto* hint = qobject_cast<TWideCustomHintWindow*>(Application->ActiveHintWindow());
        ASSERT_NE(hint, nullptr);
        EXPECT_EQ(hint->Caption(), u"Öffnen " + Cjk + u" (Ctrl+O)");
        Application->CancelHint();
        Application->HintShortCuts = false;
        QTest::mouseMove(w, QPoint(25, 12));
        platform::advanceTime(Application->HintPause);
        hint = qobject_cast<TWideCustomHintWindow*>(Application->ActiveHintWindow());
        ASSERT_NE(hint, nullptr);
        EXPECT_EQ(hint->Caption(), u"Öffnen " + Cjk);
        Application->HintShortCuts = true;
        Application->CancelHint();
        // A control without a window asks for the wide window itself.
        auto* label = new TTestWideLabel(&form);
        label->SetParent(&form);
        label->SetBounds(10, 80, 150, 20);
        label->SetCaption(Greek);
        label->SetShowHint(true);
        label->SetHint(Cyrillic);
        QTest::mouseMove(platform::windowWidget(form.Handle()), QPoint(20, 85));
        platform::advanceTime(Application->HintPause);
        hint = qobject_cast<TWideCustomHintWindow*>(Application->ActiveHintWindow());
        ASSERT_NE(hint, nullptr);
        EXPECT_EQ(hint->Caption(), Cyrillic);
        Application->CancelHint();
    }
    platform::setManualTimers(false);
}

TEST(UnicodeWindows, AFormWithACyrillicAndCjkTitleKeepsItAndItsHintsWhenMadeAgain) {
    platform::setManualTimers(true);
    InitApplication();
    registerClasses();
    Application->ShowHint = true;
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    {
        TTestWideForm form(nullptr);
        form.SetBounds(80, 80, 420, 220);
        const WideString title = Cyrillic + u" — " + Cjk + u" " + Astral;
        form.SetCaption(title);
        auto* button = new TTestWideButton(&form);
        button->SetParent(&form);
        button->SetBounds(20, 20, 220, 40);
        button->SetCaption(Greek);
        button->SetShowHint(true);
        button->SetHint(u"Short " + Greek + u"|Long " + Cyrillic);
        form.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(form.Handle())));
        for (int round = 0; round < 2; ++round) {
            EXPECT_TRUE(IsWindowUnicode(form.Handle()));
            EXPECT_EQ(form.Caption(), title);
            EXPECT_EQ(windowTitle(&form), title);
            EXPECT_TRUE(platform::windowWidget(form.Handle())->isVisible());
            QTest::mouseMove(platform::windowWidget(button->Handle()), QPoint(30 + 3 * round, 20));
            platform::advanceTime(Application->HintPause);
            auto* hint = qobject_cast<TWideCustomHintWindow*>(Application->ActiveHintWindow());
            ASSERT_NE(hint, nullptr);
            EXPECT_EQ(hint->Caption(), u"Short " + Greek);
            EXPECT_EQ(Application->Hint(), WideToAnsi(u"Long " + Cyrillic));
            saveShot(&form, "wide-form-" + std::to_string(round) + ".png");
            saveShot(hint, "wide-form-hint-" + std::to_string(round) + ".png");
            Application->CancelHint();
            form.SetBorderStyle(round == 0 ? bsSingle : bsSizeable);  // a new window
            QApplication::processEvents();
        }
    }
    platform::setManualTimers(false);
    ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
}

TEST(UnicodeWindows, CaptionsAndHintsThatAnActionSuppliesAreNotStored) {
    InitApplication();
    registerClasses();
    TForm form(nullptr);
    TActionList list(&form);
    TAction action(&form);
    action.SetActionList(&list);
    action.SetCaption("Speichern");
    action.SetHint(WideToAnsi(u"Speichert das Bild für später"));
    auto* button = new TTestWideButton(&form);
    button->SetParent(&form);
    EXPECT_TRUE(IsCaptionStored(button));
    EXPECT_TRUE(IsHintStored(button));
    button->SetAction(&action);
    EXPECT_EQ(button->Caption(), u"Speichern");
    EXPECT_FALSE(IsCaptionStored(button));
    EXPECT_FALSE(IsHintStored(button));
    // A caption of its own is stored again.
    button->SetCaption(Greek);
    EXPECT_TRUE(IsCaptionStored(button));
    const String text = WriteComponentText(&form);
    EXPECT_NE(text.find("Caption_UTF7"), String::npos) << text;
    EXPECT_EQ(text.find("Hint_UTF7"), String::npos) << text;
}

TEST(UnicodeWindows, TheWideHintWindowTakesTheSizeOfAWideTextSetApart) {
    InitApplication();
    TWideCustomHintWindow hint(Application);
    hint.HandleNeeded();
    hint.SetCaption(u"x");
    const int narrow = hint.Width();
    hint.SetCaption(Cjk + u" " + Cjk + u" " + Astral);
    EXPECT_GT(hint.Width(), narrow + 40);
    EXPECT_GT(hint.Height(), 6);
    EXPECT_EQ(hint.Caption(), Cjk + u" " + Cjk + u" " + Astral);
}
