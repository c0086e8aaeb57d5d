// The wide clipboard on a virtual display, between this process and another program
// (xclip): what we copy as UTF-16 another program pastes as the same text, and what another
// program copies we read whole; on both roads of the "UTF-16 windows" switch.
#include "platform/codepage.h"
#include "widetext/WideClipbrd.h"
#include "testsupport/TestSupport.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

using testsupport::waitFor;

// Runs a program to its end while this process keeps serving the clipboard.
QByteArray run(const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(QStringLiteral("xclip"), args);
    EXPECT_TRUE(p.waitForStarted(10000));
    if (!input.isEmpty()) p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(waitFor([&] { return p.state() == QProcess::NotRunning; }));
    return p.readAllStandardOutput();
}

const WideString kText = u"Grüße · Ελληνικά · Кириллица · 日本語の名前 · \U0001F600";

class WideClipboardX11 : public ::testing::TestWithParam<bool> {
protected:
    void TearDown() override {
        platform::setUnicodeWindows(true);
        ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
    }
};

INSTANTIATE_TEST_SUITE_P(Switch, WideClipboardX11, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Utf16" : "Ansi"; });

}  // namespace

TEST_P(WideClipboardX11, AnotherProgramPastesWhatWeCopyAndWeReadWhatItCopies) {
    platform::setUnicodeWindows(GetParam());
    WideClipboard()->SetAsWideText(kText);
    const QByteArray pasted = run({"-o", "-selection", "clipboard"});
    EXPECT_EQ(QString::fromUtf8(pasted).toStdU16String(), kText);
    // Its 8-bit reader asks for the plain string type.
    const QByteArray plain = run({"-o", "-selection", "clipboard", "-t", "UTF8_STRING"});
    EXPECT_EQ(QString::fromUtf8(plain).toStdU16String(), kText);

    // Back: xclip serves its text until the next owner takes the clipboard.
    QProcess owner;
    owner.start(QStringLiteral("xclip"), {"-quiet", "-i", "-selection", "clipboard"});
    ASSERT_TRUE(owner.waitForStarted(10000));
    const WideString back = u"Zurück: " + kText.substr(8);
    owner.write(QString::fromStdU16String(back).toUtf8());
    owner.closeWriteChannel();
    EXPECT_TRUE(waitFor([&] { return WideClipboard()->AsWideText() == back; }))
        << QString::fromStdU16String(WideClipboard()->AsWideText()).toStdString();
    owner.kill();
    owner.waitForFinished(5000);
}

TEST(WideClipboardX11Ansi, ASingleByteCodePageLosesOnlyOnTheAnsiRoad) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    for (bool wide : {true, false}) {
        platform::setUnicodeWindows(wide);
        WideClipboard()->SetAsWideText(kText);
        const QByteArray pasted = run({"-o", "-selection", "clipboard"});
        EXPECT_EQ(QString::fromUtf8(pasted).toStdU16String(), wide ? kText : AnsiToWide(WideToAnsi(kText))) << wide;
        EXPECT_EQ(WideClipboard()->AsText(), WideToAnsi(kText));
    }
    platform::setUnicodeWindows(true);
    ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
}
