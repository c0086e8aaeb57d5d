// The wide message dialog shown modally and answered with real keys: each button set with
// Enter, Esc and the buttons' hot keys; its layout (icon, wrapped text, centred buttons);
// the literal "&" of a path; and its Ctrl+C text read back from the clipboard.
#include "WideAppFixture.h"

#include "classlib/Consts.h"
#include "platform/msgbox.h"
#include "widetext/WideClipbrd.h"
#include "widetext/WideDialogs.h"
#include "widetext/WideExtCtrls.h"
#include "widetext/WideStdCtrls.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTimer>

#include <functional>
#include <map>
#include <vector>

using namespace widetest;

namespace {

class MessageDialog : public WideAppRoads {
protected:
    // The message dialog on show, else null.
    static TWideMessageForm* shownDialog() {
        for (int i = 0; i < Application->ComponentCount(); ++i)
            if (auto* f = qobject_cast<TWideMessageForm*>(Application->Components(i));
                f && f->HandleAllocated() && IsWindowVisible(f->Handle()))
                return f;
        return nullptr;
    }
    // Shows a dialog modally and runs `act` on it from its modal loop once it shows; the
    // dialog's modal result.
    static int answer(const WideString& Msg, TMsgDlgType Type, TMsgDlgButtons Buttons,
                      const std::function<void(TWideMessageForm*)>& Act) {
        bool acted = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            TWideMessageForm* form = shownDialog();
            if (acted || !form) return;
            acted = true;
            poll.stop();
            QWidget* w = platform::windowWidget(form->Handle());
            w->activateWindow();
            (void)QTest::qWaitForWindowActive(w, 2000);
            Act(form);
        });
        poll.start();
        const int result = WideMessageDlgPos(Msg, Type, Buttons, 0, -1, -1);
        EXPECT_TRUE(acted);
        return result;
    }
    // The control that has the focus (the widget keys go to).
    static QWidget* focusWidget() { return GetFocus() ? platform::windowWidget(GetFocus()) : nullptr; }
    static void key(int Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
        QWidget* w = focusWidget();
        ASSERT_NE(w, nullptr);
        QTest::keyClick(w, static_cast<Qt::Key>(Key), Modifiers);
    }
    static std::vector<std::string> buttonNames(TWideMessageForm* Form) {
        std::vector<std::string> names;
        for (int i = 0; i < Form->ComponentCount(); ++i)
            if (auto* b = qobject_cast<TWideButton*>(Form->Components(i))) names.push_back(b->Name());
        return names;
    }
};

INSTANTIATE_TEST_SUITE_P(Switch, MessageDialog, ::testing::Values(true, false), roadName);

int width(const RECT& R) { return R.right - R.left; }
int height(const RECT& R) { return R.bottom - R.top; }

struct KeyAnswer {
    int key;
    Qt::KeyboardModifiers modifiers;
    int result;  // 0: the dialog stays open
};

struct ButtonSet {
    const char* what;
    TMsgDlgButtons buttons;
    std::vector<std::string> names;
    std::vector<KeyAnswer> answers;
};

}  // namespace

TEST_P(MessageDialog, EachButtonSetIsAnsweredByEnterEscAndTheButtonsHotKeys) {
    const std::vector<ButtonSet> sets = {
        {"OK", MsgDlgButton(mbOK), {"OK"}, {{Qt::Key_Return, {}, mrOk}, {Qt::Key_Escape, {}, mrOk}}},
        {"OK Cancel",
         mbOKCancel,
         {"OK", "Cancel"},
         {{Qt::Key_Return, {}, mrOk}, {Qt::Key_Escape, {}, mrCancel}}},
        {"Yes No Cancel",
         mbYesNoCancel,
         {"Yes", "No", "Cancel"},
         {{Qt::Key_Return, {}, mrYes},
          {Qt::Key_Escape, {}, mrCancel},
          {Qt::Key_J, {}, mrYes},
          {Qt::Key_N, {}, mrNo},
          {Qt::Key_N, Qt::AltModifier, mrNo}}},
        {"Yes No",
         MsgDlgButton(mbYes) | MsgDlgButton(mbNo),
         {"Yes", "No"},
         {{Qt::Key_Escape, {}, mrNo}, {Qt::Key_J, Qt::AltModifier, mrYes}}},
        {"Abort Retry Ignore",
         mbAbortRetryIgnore,
         {"Abort", "Retry", "Ignore"},
         {{Qt::Key_Return, {}, mrRetry},
          {Qt::Key_A, {}, mrAbort},
          {Qt::Key_W, {}, mrRetry},
          {Qt::Key_I, Qt::AltModifier, mrIgnore}}},
        {"Yes, No to all, Yes to all, Cancel",
         MsgDlgButton(mbYes) | MsgDlgButton(mbNoToAll) | MsgDlgButton(mbYesToAll) | MsgDlgButton(mbCancel),
         {"Yes", "Cancel", "NoToAll", "YesToAll"},
         {{Qt::Key_A, {}, mrNoToAll}, {Qt::Key_L, {}, mrYesToAll}, {Qt::Key_Escape, {}, mrCancel}}},
        {"All, Help, OK",
         MsgDlgButton(mbAll) | MsgDlgButton(mbHelp) | MsgDlgButton(mbOK),
         {"OK", "All", "Help"},
         {{Qt::Key_A, {}, mrAll}, {Qt::Key_Return, {}, mrOk}}},
    };
    for (const ButtonSet& set : sets) {
        for (const KeyAnswer& a : set.answers) {
            SCOPED_TRACE(std::string(set.what) + ", key " + QKeySequence(a.key | a.modifiers).toString().toStdString());
            std::vector<std::string> names;
            const int result = answer(u"Frage: " + Cyrillic, mtConfirmation, set.buttons, [&](TWideMessageForm* form) {
                names = buttonNames(form);
                key(a.key, a.modifiers);
            });
            EXPECT_EQ(names, set.names);
            EXPECT_EQ(result, a.result);
        }
    }
}

TEST_P(MessageDialog, WithoutADefaultOrCancelButtonEnterAndEscLeaveTheDialogOpen) {
    // Abort and Ignore: neither is a default or cancel button.
    bool stillOpen = false;
    const int result = answer(u"Weiter?", mtWarning, mbAbortIgnore, [&](TWideMessageForm* form) {
        key(Qt::Key_Escape);
        QApplication::processEvents();
        stillOpen = IsWindowVisible(form->Handle()) != FALSE;
        key(Qt::Key_I);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, mrIgnore);
}

TEST_P(MessageDialog, TheLayoutHasTheIconTheWrappedTextAndACentredRowOfButtons) {
    const int screenW = Screen->Width();
    const int screenH = Screen->Height();
    // Longer than half the screen: it wraps within that width.
    WideString longText;
    for (int i = 0; i < 30; ++i) longText += Greek + u" " + Cjk + u" ";
    struct Seen {
        RECT client{};
        RECT image{}, label{}, frame{};
        std::vector<RECT> buttons;
        WideString caption, labelText;
        bool hasImage = false;
        int labelLineHeight = 0;
    } seen;
    const int result = answer(longText, mtError, mbYesNoCancel, [&](TWideMessageForm* form) {
        seen.client = form->ClientRect();
        seen.frame = RECT{form->Left(), form->Top(), form->Left() + form->Width(), form->Top() + form->Height()};
        seen.caption = form->Caption();
        if (auto* image = qobject_cast<TWideImage*>(form->FindComponent("Image"))) {
            seen.hasImage = !image->Picture()->Graphic()->Empty();
            seen.image = image->BoundsRect();
        }
        auto* label = qobject_cast<TWideLabel*>(form->FindComponent("Message"));
        ASSERT_NE(label, nullptr);
        seen.label = label->BoundsRect();
        seen.labelText = label->Caption();
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, label->Font()->Handle());
        SIZE line{0, 0};
        GetTextExtentPoint32W(dc, u"Ag", 2, &line);
        seen.labelLineHeight = line.cy;
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        for (const char* name : {"Yes", "No", "Cancel"}) {
            auto* b = qobject_cast<TWideButton*>(form->FindComponent(name));
            ASSERT_NE(b, nullptr) << name;
            seen.buttons.push_back(b->BoundsRect());
        }
        const QImage shot = platform::windowWidget(form->Handle())->grab().toImage();
        shot.save(QString::fromStdString(shot25(wide() ? "message-error-utf16.png" : "message-error-ansi.png")));
        key(Qt::Key_Escape);
    });
    EXPECT_EQ(result, mrCancel);
    EXPECT_EQ(seen.caption, u"Fehler");
    EXPECT_EQ(seen.labelText, onRoad(longText));
    ASSERT_TRUE(seen.hasImage);
    ASSERT_EQ(seen.buttons.size(), 3u);
    // Icon at the margins, 32 x 32; the text right of it, at the same top.
    EXPECT_EQ(width(seen.image), 32);
    EXPECT_EQ(height(seen.image), 32);
    EXPECT_GT(seen.image.left, 0);
    EXPECT_EQ(seen.label.top, seen.image.top);
    EXPECT_GT(seen.label.left, seen.image.right);
    // Wrapped within half the screen, over several lines.
    EXPECT_LE(width(seen.label), screenW / 2);
    EXPECT_GT(width(seen.label), screenW / 4);
    EXPECT_GE(height(seen.label), 3 * seen.labelLineHeight);
    // Buttons below the text, of one size, in one row, centred in the client area.
    for (const RECT& b : seen.buttons) {
        EXPECT_GT(b.top, seen.label.bottom);
        EXPECT_EQ(b.top, seen.buttons[0].top);
        EXPECT_EQ(width(b), width(seen.buttons[0]));
        EXPECT_LE(b.bottom, seen.client.bottom);
    }
    EXPECT_LT(seen.buttons[0].right, seen.buttons[1].left);
    EXPECT_LT(seen.buttons[1].right, seen.buttons[2].left);
    const int leftGap = seen.buttons.front().left;
    const int rightGap = seen.client.right - seen.buttons.back().right;
    EXPECT_LE(std::abs(leftGap - rightGap), 1);
    // The margins around the text are the same on both sides.
    EXPECT_EQ(seen.image.left, seen.client.right - seen.label.right);
    // The dialog is centred on the screen.
    EXPECT_LE(std::abs((seen.frame.left + seen.frame.right) / 2 - screenW / 2), 2);
    EXPECT_LE(std::abs((seen.frame.top + seen.frame.bottom) / 2 - screenH / 2), 2);
}

TEST_P(MessageDialog, ShowWideMessageHasOneOkButtonNoIconTheApplicationTitleAndShowsAmpersandsLiterally) {
    const WideString title = u"Tessellon 4.5 " + Greek;
    WideApplication->SetTitle(title);
    // "&" in a path is a character like any other (a doubled one too): it keeps its width.
    const WideString path = u"/home/a&b/" + Cjk + u"/x&&y&&&&&&&&&&z";
    WideString caption;
    std::vector<std::string> names;
    bool hasImage = true;
    int labelWidth = 0;
    int literalWidth = 0;
    int prefixWidth = 0;
    bool acted = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        TWideMessageForm* form = shownDialog();
        if (acted || !form) return;
        acted = true;
        poll.stop();
        caption = form->Caption();
        names = buttonNames(form);
        hasImage = form->FindComponent("Image") != nullptr;
        auto* label = qobject_cast<TWideLabel*>(form->FindComponent("Message"));
        if (label) {
            labelWidth = label->Width();
            HDC dc = GetDC(nullptr);
            HGDIOBJ old = SelectObject(dc, label->Font()->Handle());
            const WideString text = label->Caption();
            RECT r{0, 0, 0, 0};
            WideApiDrawText(dc, text.c_str(), static_cast<int>(text.size()), r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
            literalWidth = r.right - r.left;
            r = RECT{0, 0, 0, 0};
            WideApiDrawText(dc, text.c_str(), static_cast<int>(text.size()), r, DT_CALCRECT | DT_SINGLELINE);
            prefixWidth = r.right - r.left;
            SelectObject(dc, old);
            ReleaseDC(nullptr, dc);
        }
        platform::windowWidget(form->Handle())
            ->grab()
            .toImage()
            .save(QString::fromStdString(shot25(wide() ? "show-wide-message-utf16.png" : "show-wide-message-ansi.png")));
        key(Qt::Key_Return);
    });
    poll.start();
    ShowWideMessage(path);
    ASSERT_TRUE(acted);
    EXPECT_EQ(caption, onRoad(title));
    EXPECT_EQ(names, std::vector<std::string>{"OK"});
    EXPECT_FALSE(hasImage);
    // Measured with every "&" shown.
    EXPECT_GT(literalWidth, prefixWidth);
    EXPECT_EQ(labelWidth, literalWidth);
}

TEST_P(MessageDialog, CtrlCPutsTheDialogsTextsOnTheClipboardWithABeep) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    const WideString msg = u"Datei „" + Cjk + u"“ fehlt:\r\n/home/a&b";
    WideString copied;
    int beeps = 0;
    const int result = answer(msg, mtWarning, mbYesNoCancel, [&](TWideMessageForm*) {
        QGuiApplication::clipboard()->clear();
        const int before = platform::beepCount();
        key(Qt::Key_C, Qt::ControlModifier);
        beeps = platform::beepCount() - before;
        // What another reader of the desktop's clipboard gets.
        copied = QGuiApplication::clipboard()->text().toStdU16String();
        key(Qt::Key_Escape);
    });
    EXPECT_EQ(result, mrCancel);
    EXPECT_EQ(beeps, 1);
    const WideString divider = WideString(27, u'-') + u"\r\n";
    const WideString expected = divider + u"Warnung\r\n" + divider + onRoad(msg) + u"\r\n" + divider +
                                u"Ja   Nein   Abbrechen   \r\n" + divider;
    EXPECT_EQ(copied, wide() ? expected : AnsiToWide(WideToAnsi(expected)));
}

TEST_P(MessageDialog, TheHelpButtonAsksTheApplicationsHelpOnTheDialogsTopic) {
    std::vector<int> asked;
    String fileWhileAsked;
    Application->HelpFile = "tessellon4.chm";
    Application->OnHelp = THelpEvent([&](TObject*, int Context, bool& CallHelp) {
        asked.push_back(Context);
        fileWhileAsked = Application->HelpFile;
        CallHelp = false;
    });
    bool stillOpen = false;
    bool acted = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        TWideMessageForm* form = shownDialog();
        if (acted || !form) return;
        acted = true;
        poll.stop();
        key(Qt::Key_H);  // "&Hilfe"
        stillOpen = IsWindowVisible(form->Handle()) != FALSE;
        key(Qt::Key_Return);
    });
    poll.start();
    const int result = WideMessageDlgPosHelp(u"Hilfe?", mtInformation, MsgDlgButton(mbOK) | MsgDlgButton(mbHelp), 77, 10,
                                             20, u"eigene.chm");
    ASSERT_TRUE(acted);
    EXPECT_EQ(result, mrOk);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(asked, std::vector<int>{77});
    EXPECT_EQ(fileWhileAsked, "eigene.chm");
    EXPECT_EQ(Application->HelpFile, "tessellon4.chm");
    Application->OnHelp = THelpEvent();
    Application->HelpFile = String();
}

TEST(MessageDialogTexts, CaptionsOfTypesAndButtonsAndTheirInternalErrors) {
    InitApplication();
    EXPECT_EQ(GetMessageCaption(mtWarning), u"Warnung");
    EXPECT_EQ(GetMessageCaption(mtError), u"Fehler");
    EXPECT_EQ(GetMessageCaption(mtInformation), u"Information");
    EXPECT_EQ(GetMessageCaption(mtConfirmation), u"Bestätigung");
    const std::map<TMsgDlgBtn, WideString> captions = {
        {mbYes, u"&Ja"},          {mbNo, u"&Nein"},           {mbOK, u"OK"},
        {mbCancel, u"Abbrechen"}, {mbAbort, u"&Abbrechen"},   {mbRetry, u"&Wiederholen"},
        {mbIgnore, u"&Ignorieren"}, {mbAll, u"&Alle"},        {mbNoToAll, u"&Alle Nein"},
        {mbYesToAll, u"A&lle Ja"}, {mbHelp, u"&Hilfe"},
    };
    for (const auto& [button, text] : captions) EXPECT_EQ(GetButtonCaption(button), text) << button;
    try {
        GetMessageCaption(static_cast<TMsgDlgType>(5));
        ADD_FAILURE() << "no error for an unknown type";
    } catch (const EWideInternalError& e) {
        EXPECT_EQ(e.Message, "Unexpected MsgType in GetMessageCaption.");
    }
    try {
        GetButtonCaption(static_cast<TMsgDlgBtn>(11));
        ADD_FAILURE() << "no error for an unknown button";
    } catch (const EWideInternalError& e) {
        EXPECT_EQ(e.Message, "Unexpected MsgDlgBtn in GetButtonCaption.");
    }
}
