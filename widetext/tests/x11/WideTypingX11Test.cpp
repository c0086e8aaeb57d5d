// Characters above 255 typed on a virtual display by another program (xdotool, through the
// X server's keyboard) into a UTF-16 edit of a wide form arrive whole, on both roads of the
// "UTF-16 windows" switch, and the application's OnMessage sees them.
#include "classlib/StdCtrls.h"
#include "platform/codepage.h"
#include "testsupport/TestSupport.h"
#include "widetext/WideForms.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using testsupport::waitFor;

bool xdotool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForStarted(5000)) return false;
    if (!waitFor([&] { return p.state() == QProcess::NotRunning; })) {
        p.kill();
        p.waitForFinished(1000);
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// An edit with a UTF-16 window.
class TUnicodeEdit : public TEdit {
public:
    explicit TUnicodeEdit(TComponent* AOwner) : TEdit(AOwner) {}
    ~TUnicodeEdit() override {
        Destroying();
        DestroyHandle();
    }

protected:
    void CreateWindowHandle(const TCreateParams& Params) override { CreateUnicodeWindow(this, Params, u"EDIT"); }
};

class WideTypingX11 : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (!testsupport::haveProgram("xdotool")) GTEST_SKIP() << "xdotool is needed";
        static const bool layouts = [] {
            QProcess p;
            p.start(QStringLiteral("setxkbmap"), {"-layout", "de,ru,gr"});
            return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        }();
        keyboardLayouts = layouts;
        platform::setUnicodeWindows(GetParam());
        InitApplication();
        InitWideApplication();
    }
    bool keyboardLayouts = false;
    void TearDown() override {
        DoneWideApplication();
        platform::setUnicodeWindows(true);
    }
};

INSTANTIATE_TEST_SUITE_P(Switch, WideTypingX11, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Utf16" : "Ansi"; });

}  // namespace

TEST_P(WideTypingX11, NonLatinCharactersTypedIntoAnEditOfAWideFormArriveWhole) {
    auto form = std::make_unique<TWideForm>(nullptr);
    form->SetBounds(100, 100, 420, 120);
    form->SetCaption(u"Eingabe · Ελληνικά");
    auto* edit = new TUnicodeEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(10, 10, 380, 26);
    std::vector<WPARAM> seen;
    Application->OnMessage = TMessageEvent([&](MSG& Msg, bool&) {
        if (Msg.message == WM_CHAR) seen.push_back(Msg.wParam);
    });
    form->Show();
    QWidget* w = platform::windowWidget(form->Handle());
    ASSERT_TRUE(waitFor([&] { return w->isVisible(); }));
    w->activateWindow();
    edit->SetFocus();
    QWidget* e = platform::windowWidget(edit->Handle());
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == e || (e->focusProxy() && QApplication::focusWidget() == e->focusProxy()); }));
    // The keyboard has German, Russian and Greek layouts, so xdotool finds every character on
    // a key without dead keys (a character it must first map to a spare key can be lost on
    // the way when the server is busy). One character at a time, each awaited.
    ASSERT_TRUE(keyboardLayouts);
    const QString typed = QStringLiteral("Grüße ΑΘΗΝΑ Москва");
    std::u16string expected;
    for (QChar c : typed) {
        expected += c.unicode();
        bool arrived = false;
        ASSERT_TRUE(xdotool({"type", QString(c)}));
        arrived = waitFor([&] { return WideGetText(edit) == expected; }, 5000);
        ASSERT_TRUE(arrived) << QString::fromStdU16String(WideGetText(edit)).toStdString();
    }
    // Each character once, as UTF-16.
    std::u16string fromMessages;
    for (WPARAM c : seen) fromMessages += static_cast<char16_t>(c);
    EXPECT_EQ(fromMessages, typed.toStdU16String());
    Application->OnMessage = TMessageEvent();
}
