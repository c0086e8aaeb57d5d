// Hints under the mouse: the wait, the window with the short hint, CM_HINTSHOW's record,
// the application's long hint, and what ends a hint.
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "platform/gdi.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class TOtherHintWindow : public THintWindow {
    Q_OBJECT
public:
    using THintWindow::THintWindow;
};

// A panel whose hint asks for a hint window of its own class.
class TAskingPanel : public TPanel {
    Q_OBJECT
public:
    using TPanel::TPanel;
    void Dispatch(TMessage& m) override {
        if (m.Msg == CM_HINTSHOW) reinterpret_cast<THintInfo*>(m.LParam)->HintWindowClass = THintWindowClass::Of<TOtherHintWindow>();
        TPanel::Dispatch(m);
    }
};

class Hints : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setManualTimers(true);
        InitApplication();
        Application->ShowHint = true;
        Application->HintPause = 500;
        Application->HintShortPause = 50;
        Application->HintHidePause = 2500;
        form = new TForm(nullptr);
        form->SetBounds(50, 50, 360, 220);
        open = new TPanel(form);
        open->SetParent(form);
        open->SetBounds(10, 10, 120, 40);
        open->SetHint("Open|Opens a picture");
        open->SetShowHint(true);
        save = new TPanel(form);
        save->SetParent(form);
        save->SetBounds(10, 80, 120, 40);
        save->SetHint("Save|Saves the picture");
        save->SetShowHint(true);
        plain = new TPanel(form);
        plain->SetParent(form);
        plain->SetBounds(200, 10, 120, 40);
        plain->SetHint("Plain|Shows no hint window");
        form->Show();
    }
    void TearDown() override {
        Application->CancelHint();
        delete form;
        platform::setManualTimers(false);
    }
    QWidget* widgetOf(TWinControl* c) { return platform::windowWidget(c->Handle()); }
    THintWindow* shown() { return Application->ActiveHintWindow(); }

    TForm* form = nullptr;
    TPanel* open = nullptr;
    TPanel* save = nullptr;
    TPanel* plain = nullptr;
};

}  // namespace

TEST_F(Hints, AHoveredControlShowsItsShortHintAfterThePauseAndHidesItLater) {
    int hintEvents = 0;
    TNotifyEvent old = Application->OnHint;
    Application->OnHint = TNotifyEvent([&](TObject*) { ++hintEvents; });
    QTest::mouseMove(widgetOf(open), QPoint(30, 20));
    Application->OnHint = old;
    EXPECT_EQ(Application->Hint(), "Opens a picture");  // the long part, at once
    EXPECT_GE(hintEvents, 1);
    platform::advanceTime(499);
    EXPECT_EQ(shown(), nullptr);
    platform::advanceTime(1);
    THintWindow* w = shown();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Caption(), "Open");
    // Below the cursor, inside the screen.
    const QPoint cursor = widgetOf(open)->mapToGlobal(QPoint(30, 20));
    const RECT r = w->HintRect();
    EXPECT_EQ(r.left, cursor.x());
    EXPECT_GT(r.top, cursor.y());
    EXPECT_GT(r.right - r.left, 10);
    EXPECT_GT(r.bottom - r.top, 8);
    QWidget* hw = platform::windowWidget(w->Handle());
    ASSERT_NE(hw, nullptr);
    EXPECT_TRUE(hw->isVisible());
    EXPECT_TRUE(hw->isWindow());
    EXPECT_EQ(hw->pos(), QPoint(r.left, r.top));
    // The window shows the text in the info colours: dark text on the info background.
    const QImage img = hw->grab().toImage();
    const QColor bk(static_cast<QRgb>(0xFF000000u | qRgb(GetRValue(GetSysColor(COLOR_INFOBK)),
                                                          GetGValue(GetSysColor(COLOR_INFOBK)),
                                                          GetBValue(GetSysColor(COLOR_INFOBK)))));
    int background = 0;
    int ink = 0;
    for (int y = 2; y < img.height() - 2; ++y)
        for (int x = 2; x < img.width() - 2; ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c == bk) ++background;
            else if (qGray(c.rgb()) < 128) ++ink;
        }
    EXPECT_GT(background, ink);
    EXPECT_GT(ink, 5);
    img.save(QString::fromUtf8(testing::TempDir().c_str()) + "hint.png");
    // Moving inside the control keeps it.
    QTest::mouseMove(widgetOf(open), QPoint(40, 25));
    EXPECT_EQ(shown(), w);
    platform::advanceTime(2500);
    EXPECT_EQ(shown(), nullptr);
    // It does not come back while the mouse stays on the control.
    QTest::mouseMove(widgetOf(open), QPoint(42, 25));
    platform::advanceTime(1000);
    EXPECT_EQ(shown(), nullptr);
}

TEST_F(Hints, TheNextControlsHintComesAfterTheShortPauseAndAClickEndsIt) {
    QTest::mouseMove(widgetOf(open), QPoint(30, 20));
    platform::advanceTime(500);
    ASSERT_NE(shown(), nullptr);
    QTest::mouseMove(widgetOf(save), QPoint(30, 20));
    EXPECT_EQ(shown(), nullptr);
    EXPECT_EQ(Application->Hint(), "Saves the picture");
    platform::advanceTime(50);
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(shown()->Caption(), "Save");
    QTest::mousePress(widgetOf(save), Qt::LeftButton, Qt::NoModifier, QPoint(30, 20));
    EXPECT_EQ(shown(), nullptr);
    QTest::mouseRelease(widgetOf(save), Qt::LeftButton, Qt::NoModifier, QPoint(30, 20));
    // After a click the full pause applies again.
    QTest::mouseMove(widgetOf(open), QPoint(30, 20));
    platform::advanceTime(100);
    EXPECT_EQ(shown(), nullptr);
    platform::advanceTime(400);
    EXPECT_NE(shown(), nullptr);
    QTest::keyClick(widgetOf(form), Qt::Key_A);
    EXPECT_EQ(shown(), nullptr);
}

TEST_F(Hints, WithoutShowHintNoWindowAppearsButTheLongHintStillGoesToTheApplication) {
    QTest::mouseMove(widgetOf(plain), QPoint(30, 20));
    EXPECT_EQ(Application->Hint(), "Shows no hint window");
    platform::advanceTime(3000);
    EXPECT_EQ(shown(), nullptr);
    Application->ShowHint = false;
    QTest::mouseMove(widgetOf(open), QPoint(30, 20));
    platform::advanceTime(3000);
    EXPECT_EQ(shown(), nullptr);
    Application->ShowHint = true;
    // A child without a hint of its own shows its parent's, when it shows hints.
    auto* inner = new TPanel(form);
    inner->SetParent(open);
    inner->SetBounds(60, 5, 40, 30);
    inner->SetShowHint(true);
    QTest::mouseMove(widgetOf(inner), QPoint(10, 10));
    platform::advanceTime(500);
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(shown()->Caption(), "Open");
}

TEST_F(Hints, CmHintShowMayChangeTheRecordOrRefuseTheHint) {
    TWndMethod old = open->WindowProc;
    bool refuse = false;
    TControl* seenControl = nullptr;
    POINT seenCursor{-1, -1};
    open->WindowProc = [&](TMessage& m) {
        if (m.Msg == CM_HINTSHOW) {
            auto* info = reinterpret_cast<THintInfo*>(m.LParam);
            seenControl = info->HintControl;
            seenCursor = info->CursorPos;
            EXPECT_EQ(info->HintStr, "Open");
            EXPECT_EQ(info->HideTimeout, 2500);
            info->HintStr = "Open the picture";
            info->HintPos = POINT{5, 7};
            info->HideTimeout = 0;
            // The hint stays only over the control's left half.
            info->CursorRect = RECT{0, 0, 60, 40};
            m.Result = refuse ? 1 : 0;
            return;
        }
        old(m);
    };
    QTest::mouseMove(widgetOf(open), QPoint(30, 20));
    platform::advanceTime(500);
    EXPECT_EQ(seenControl, open);
    EXPECT_EQ(seenCursor.x, 30);
    EXPECT_EQ(seenCursor.y, 20);
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(shown()->Caption(), "Open the picture");
    EXPECT_EQ(shown()->HintRect().left, 5);
    EXPECT_EQ(shown()->HintRect().top, 7);
    platform::advanceTime(10000);
    EXPECT_NE(shown(), nullptr);  // no hide timeout
    // Leaving the cursor rectangle asks again after the short pause.
    seenControl = nullptr;
    refuse = true;
    QTest::mouseMove(widgetOf(open), QPoint(90, 20));
    EXPECT_EQ(shown(), nullptr);
    platform::advanceTime(50);
    EXPECT_EQ(seenControl, open);
    EXPECT_EQ(shown(), nullptr);
    open->WindowProc = old;
}

TEST_F(Hints, TheApplicationsOnShowHintSeesTheRecordLastAndMayStopTheHint) {
    bool allow = true;
    TControl* asked = nullptr;
    TShowHintEvent old = Application->OnShowHint;
    Application->OnShowHint = TShowHintEvent([&](String& text, bool& canShow, THintInfo& info) {
        asked = info.HintControl;
        text = text + " (Ctrl+O)";
        canShow = allow;
    });
    QTest::mouseMove(widgetOf(open), QPoint(30, 20));
    platform::advanceTime(500);
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(asked, open);
    EXPECT_EQ(shown()->Caption(), "Open (Ctrl+O)");
    allow = false;
    QTest::mouseMove(widgetOf(save), QPoint(30, 20));
    platform::advanceTime(500);
    EXPECT_EQ(asked, save);
    EXPECT_EQ(shown(), nullptr);
    Application->OnShowHint = old;
}

TEST_F(Hints, AControlThatAsksForAnotherHintWindowClassGetsOneOfThatClass) {
    auto* asking = new TAskingPanel(form);
    asking->SetParent(form);
    asking->SetBounds(200, 80, 120, 40);
    asking->SetHint("Own|Own window");
    asking->SetShowHint(true);
    QTest::mouseMove(widgetOf(asking), QPoint(30, 20));
    platform::advanceTime(500);
    ASSERT_NE(shown(), nullptr);
    EXPECT_NE(qobject_cast<TOtherHintWindow*>(shown()), nullptr);
    EXPECT_EQ(shown()->Caption(), "Own");
    // The next plain request gets the plain window again.
    QTest::mouseMove(widgetOf(open), QPoint(30, 20));
    platform::advanceTime(50);
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(qobject_cast<TOtherHintWindow*>(shown()), nullptr);
    EXPECT_STREQ(shown()->metaObject()->className(), "THintWindow");
    EXPECT_EQ(shown()->Caption(), "Open");
}

#include "HintWindowTest.moc"
