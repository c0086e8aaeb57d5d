// The spin edit's contract, driven by key and mouse events on offscreen widgets.
#include "kit/KitSpin.h"
#include "platform/msgbox.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

class SpinEdits : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setManualTimers(true);
        RegisterKitSpin();
        form = new TForm(nullptr);
        form->SetBounds(50, 50, 320, 200);
        form->SetCaption("Spin");
        spin = new TKitSpinEdit(form);
        spin->SetParent(form);
        spin->SetBounds(10, 10, 100, 24);
        spin->OnChange = TNotifyEvent([this](TObject*) { ++changes; });
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 60, 100, 24);
        form->Show();
        spin->SetFocus();
        changes = 0;
    }
    void TearDown() override {
        delete form;
        platform::setManualTimers(false);
    }
    QWidget* editWidget() { return platform::windowWidget(spin->Handle()); }
    QWidget* buttonWidget() { return platform::windowWidget(spin->ButtonWindow()->Handle()); }
    void type(const char* text) { QTest::keyClicks(editWidget(), QString::fromLatin1(text)); }
    void key(Qt::Key k) { QTest::keyClick(editWidget(), k); }

    TForm* form = nullptr;
    TKitSpinEdit* spin = nullptr;
    TEdit* other = nullptr;
    int changes = 0;
};

}  // namespace

TEST_F(SpinEdits, WritingFormatsByValueType) {
    // Without a range any number is accepted.
    spin->SetValue(1e6L);
    EXPECT_EQ(spin->Text(), "1000000");
    spin->SetValue(2.5L);
    EXPECT_EQ(spin->Text(), "2");  // halves go to the even neighbour
    spin->SetValue(3.5L);
    EXPECT_EQ(spin->Text(), "4");
    spin->SetValue(-2.5L);
    EXPECT_EQ(spin->Text(), "-2");

    spin->SetValueType(vtFloat);
    spin->SetValue(3.14159L);
    EXPECT_EQ(spin->Text(), "3.14");
    spin->SetValue(0.125L);
    EXPECT_EQ(spin->Text(), "0.13");
    spin->SetDecimal(0);
    EXPECT_EQ(spin->Text(), "0");
    spin->SetDecimal(3);
    spin->SetValue(1.0L / 3.0L);
    EXPECT_EQ(spin->Text(), "0.333");

    spin->SetValueType(vtHex);
    spin->SetValue(255);
    EXPECT_EQ(spin->Text(), "FF");
    spin->SetValue(0);
    EXPECT_EQ(spin->Text(), "0");
}

TEST_F(SpinEdits, ReadingParsesOrFallsBackToMinValue) {
    spin->SetValueType(vtHex);
    spin->SetText("ff");
    EXPECT_EQ(spin->Value(), 255.0L);
    spin->SetText("FFFFFFFF");
    EXPECT_EQ(spin->Value(), 4294967295.0L);  // unsigned 32-bit
    spin->SetMinValue(3.7L);
    spin->SetText("");
    EXPECT_EQ(spin->Value(), 3.0L);  // MinValue truncated
    spin->SetText("1G");
    EXPECT_EQ(spin->Value(), 3.0L);

    spin->SetValueType(vtInteger);
    for (const char* bad : {"", "-", "+", "1e3", "12x", "99999999999"}) {
        spin->SetText(bad);
        EXPECT_EQ(spin->Value(), 3.0L) << bad;
    }
    spin->SetText("-42");
    EXPECT_EQ(spin->Value(), -42.0L);

    spin->SetValueType(vtFloat);
    spin->SetText("abc");
    EXPECT_EQ(spin->Value(), 3.7L);  // not truncated for floats
    spin->SetText("1.5e2");
    EXPECT_EQ(spin->Value(), 150.0L);
}

TEST_F(SpinEdits, OutOfRangeValuesSaturateAndNeverFail) {
    spin->SetValue(1e12L);
    EXPECT_EQ(spin->Text(), "2147483647");
    spin->SetValue(-1e12L);
    EXPECT_EQ(spin->Text(), "-2147483648");
    spin->SetValue(2147483647.6L);
    EXPECT_EQ(spin->Text(), "2147483647");
    spin->SetValue(std::numeric_limits<long double>::infinity());
    EXPECT_EQ(spin->Text(), "2147483647");
    EXPECT_NO_THROW(spin->SetValue(std::numeric_limits<long double>::quiet_NaN()));

    spin->SetValueType(vtHex);
    spin->SetValue(1e12L);
    EXPECT_EQ(spin->Text(), "FFFFFFFF");
    spin->SetValue(-5);
    EXPECT_EQ(spin->Text(), "0");
    spin->SetValue(4294967295.4L);
    EXPECT_EQ(spin->Text(), "FFFFFFFF");
}

TEST_F(SpinEdits, RangeClampsOnWriteAndOnLeavingNotOnReading) {
    spin->SetMinValue(1);
    spin->SetMaxValue(10);
    spin->SetValue(0);
    EXPECT_EQ(spin->Text(), "1");
    spin->SetValue(99);
    EXPECT_EQ(spin->Text(), "10");

    spin->SelectAll();
    type("25");
    EXPECT_EQ(spin->Text(), "25");
    EXPECT_EQ(spin->Value(), 25.0L);  // as typed while the field has the focus
    other->SetFocus();
    EXPECT_EQ(spin->Text(), "10");
}

TEST_F(SpinEdits, OnChangeFiresOnlyWhenTheTextChanges) {
    spin->SetValue(5);
    EXPECT_EQ(changes, 1);
    spin->SetValue(5);
    spin->SetValue(5.2L);  // still "5"
    EXPECT_EQ(changes, 1);
    spin->SetValue(6);
    EXPECT_EQ(changes, 2);
    // A value type change rewrites the text and fires once.
    spin->SetValueType(vtFloat);
    EXPECT_EQ(spin->Text(), "6.00");
    EXPECT_EQ(changes, 3);
}

TEST_F(SpinEdits, StepsStopAtTheMaximumButStillReportTheClick) {
    int tops = 0;
    spin->OnTopClick = TNotifyEvent([&](TObject*) { ++tops; });
    spin->SetMaxValue(10);
    spin->SetMinValue(0);
    spin->SetIncrement(2);
    spin->SetValue(9);
    spin->SetModified(false);
    changes = 0;
    spin->UpClick(spin);
    EXPECT_EQ(spin->Text(), "10");
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(spin->Modified());
    spin->SetModified(false);
    spin->UpClick(spin);
    EXPECT_EQ(spin->Text(), "10");
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(spin->Modified());
    EXPECT_EQ(tops, 2);

    // An exception from a handler still clears the changing state.
    spin->OnTopClick = TNotifyEvent([](TObject*) { throw EAbort("stop"); });
    spin->SetValue(2);
    changes = 0;
    EXPECT_THROW(spin->UpClick(spin), EAbort);
    spin->SetValue(7);
    EXPECT_EQ(changes, 2);
}

TEST_F(SpinEdits, ArrowKeysStepAndReadOnlyBeeps) {
    spin->SetValue(5);
    key(Qt::Key_Up);
    EXPECT_EQ(spin->Text(), "6");
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(spin->Text(), "4");
    spin->SetArrowKeys(false);
    key(Qt::Key_Up);
    EXPECT_EQ(spin->Text(), "4");
    spin->SetArrowKeys(true);

    spin->SetReadOnly(true);
    const int beeps = platform::beepCount();
    key(Qt::Key_Up);
    spin->DownClick(spin);
    EXPECT_EQ(spin->Text(), "4");
    EXPECT_EQ(platform::beepCount(), beeps + 2);
}

TEST_F(SpinEdits, TypingFilterByValueType) {
    spin->SetText("");
    const int beeps = platform::beepCount();
    type("1a2");
    EXPECT_EQ(spin->Text(), "12");
    EXPECT_EQ(platform::beepCount(), beeps + 1);

    spin->SetValueType(vtHex);
    spin->SetText("");
    type("1aF");
    EXPECT_EQ(spin->Text(), "1aF");

    spin->SetValueType(vtFloat);
    spin->SetText("");
    type("1.5.2e3E");
    EXPECT_EQ(spin->Text(), "1.52e3");  // one separator, one exponent mark
    EXPECT_TRUE(spin->IsValidChar('-'));
    EXPECT_TRUE(spin->IsValidChar('\b'));
}

TEST_F(SpinEdits, WithoutEditorOnlyStepsChangeTheText) {
    spin->SetValue(7);
    spin->SetEditorEnabled(false);
    const int beeps = platform::beepCount();
    type("3");
    key(Qt::Key_Backspace);
    EXPECT_EQ(spin->Text(), "7");
    EXPECT_EQ(platform::beepCount(), beeps + 2);
    QApplication::clipboard()->setText("55");
    spin->SelectAll();
    spin->PasteFromClipboard();
    spin->CutToClipboard();
    EXPECT_EQ(spin->Text(), "7");
    key(Qt::Key_Up);
    EXPECT_EQ(spin->Text(), "8");
    spin->UpClick(spin);
    EXPECT_EQ(spin->Text(), "9");
    // With the editor, paste works.
    spin->SetEditorEnabled(true);
    spin->SelectAll();
    spin->PasteFromClipboard();
    EXPECT_EQ(spin->Text(), "55");
}

TEST_F(SpinEdits, WithoutEditorNoKeyOrMenuOfTheEditChangesTheText) {
    spin->SetValue(42);
    spin->SetEditorEnabled(false);
    spin->SetFocus();
    QApplication::clipboard()->setText("55");
    const auto chord = [&](Qt::Key k, Qt::KeyboardModifiers m) { QTest::keyClick(editWidget(), k, m); };
    spin->SelectAll();
    chord(Qt::Key_Insert, Qt::ShiftModifier);  // paste
    chord(Qt::Key_V, Qt::ControlModifier);
    chord(Qt::Key_Delete, Qt::ShiftModifier);  // cut
    chord(Qt::Key_X, Qt::ControlModifier);
    chord(Qt::Key_Delete, Qt::NoModifier);
    chord(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(spin->Text(), "42");
    SendMessageA(spin->Handle(), EM_SETSEL, 1, 1);
    chord(Qt::Key_Delete, Qt::NoModifier);
    chord(Qt::Key_Delete, Qt::ControlModifier);
    chord(Qt::Key_K, Qt::ControlModifier);  // Qt's delete to the end of the line
    chord(Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(spin->Text(), "42");
    // The edit's own menu: paste and delete are refused the same way.
    spin->SelectAll();
    for (const QString& command : {QStringLiteral("&Paste"), QStringLiteral("&Delete")}) {
        QTimer::singleShot(0, [command] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            for (QAction* a : menu->actions())
                if (a->text() == command) QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        });
        QContextMenuEvent ce(QContextMenuEvent::Mouse, QPoint(4, 4), editWidget()->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(editWidget(), &ce);
        EXPECT_EQ(spin->Text(), "42") << command.toStdString();
    }
    // The steps still work, and with the editor the same keys edit again.
    key(Qt::Key_Up);
    EXPECT_EQ(spin->Text(), "43");
    spin->SetEditorEnabled(true);
    spin->SelectAll();
    chord(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(spin->Text(), "55");
    SendMessageA(spin->Handle(), EM_SETSEL, 0, 0);
    chord(Qt::Key_Delete, Qt::NoModifier);
    EXPECT_EQ(spin->Text(), "5");
}

TEST_F(SpinEdits, ValueTypeChangeRoundsTheIncrement) {
    spin->SetValueType(vtFloat);
    spin->SetIncrement(0.1L);
    spin->SetValue(2.25L);
    spin->SetValueType(vtInteger);
    EXPECT_EQ(spin->Increment(), 1.0L);
    EXPECT_EQ(spin->Text(), "0");  // "2.25" does not parse as an integer: MinValue
    spin->SetValueType(vtFloat);
    spin->SetIncrement(2.5L);
    spin->SetValueType(vtHex);
    EXPECT_EQ(spin->Increment(), 2.0L);
}

TEST_F(SpinEdits, EnterPressesTheDefaultButtonOnceAndEscapeTheCancelButton) {
    auto* ok = new TButton(form);
    ok->SetParent(form);
    ok->SetBounds(200, 10, 75, 25);
    ok->SetDefault(true);
    auto* cancel = new TButton(form);
    cancel->SetParent(form);
    cancel->SetBounds(200, 40, 75, 25);
    cancel->SetCancel(true);
    int oks = 0, cancels = 0;
    ok->OnClick = TNotifyEvent([&](TObject*) { ++oks; });
    cancel->OnClick = TNotifyEvent([&](TObject*) { ++cancels; });
    spin->SetFocus();
    spin->SetValue(12);
    key(Qt::Key_Return);
    EXPECT_EQ(oks, 1);
    EXPECT_EQ(cancels, 0);
    EXPECT_EQ(spin->Text(), "12");  // not inserted
    key(Qt::Key_Escape);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(oks, 1);
}

TEST_F(SpinEdits, HeldButtonRepeatsAfter400ThenEvery100Milliseconds) {
    spin->SetValue(0);
    QWidget* b = buttonWidget();
    ASSERT_TRUE(b);
    const QPoint top(3, 3);
    QTest::mousePress(b, Qt::LeftButton, Qt::NoModifier, top);
    EXPECT_EQ(spin->Text(), "1");  // at once
    EXPECT_EQ(spin->Button()->Down(), TKitSpinButton::sbTopDown);
    platform::advanceTime(399);
    EXPECT_EQ(spin->Text(), "1");
    platform::advanceTime(1);
    EXPECT_EQ(spin->Text(), "2");
    platform::advanceTime(99);
    EXPECT_EQ(spin->Text(), "2");
    platform::advanceTime(1);
    EXPECT_EQ(spin->Text(), "3");
    platform::advanceTime(200);
    EXPECT_EQ(spin->Text(), "5");

    // Off the button no steps; back on the same half they go on.
    QTest::mouseMove(b, QPoint(b->width() + 30, -20));
    EXPECT_EQ(spin->Button()->Down(), TKitSpinButton::sbNotDown);
    platform::advanceTime(300);
    EXPECT_EQ(spin->Text(), "5");
    // The other half does not count.
    QTest::mouseMove(b, QPoint(b->width() - 2, b->height() - 2));
    platform::advanceTime(100);
    EXPECT_EQ(spin->Text(), "5");
    QTest::mouseMove(b, top);
    platform::advanceTime(100);
    EXPECT_EQ(spin->Text(), "6");

    QTest::mouseRelease(b, Qt::LeftButton, Qt::NoModifier, top);
    EXPECT_EQ(spin->Button()->Down(), TKitSpinButton::sbNotDown);
    EXPECT_FALSE(spin->Button()->RepeatTimer()->Enabled());  // the timer stops on mouse-up
    platform::advanceTime(1000);
    EXPECT_EQ(spin->Text(), "6");

    // The bottom half steps down; a new hold starts with the long delay again.
    QTest::mousePress(b, Qt::LeftButton, Qt::NoModifier, QPoint(b->width() - 3, b->height() - 3));
    EXPECT_EQ(spin->Text(), "5");
    platform::advanceTime(399);
    EXPECT_EQ(spin->Text(), "5");
    platform::advanceTime(1);
    EXPECT_EQ(spin->Text(), "4");
    QTest::mouseRelease(b, Qt::LeftButton, Qt::NoModifier, QPoint(b->width() - 3, b->height() - 3));
}

TEST_F(SpinEdits, ClickingTheButtonFocusesTheEdit) {
    other->SetFocus();
    EXPECT_FALSE(spin->Focused());
    QWidget* b = buttonWidget();
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    EXPECT_TRUE(spin->Focused());
    EXPECT_EQ(spin->Text(), "1");
}

TEST_F(SpinEdits, StandardButtonKindUsesTheUpDownControl) {
    spin->SetButtonKind(bkStandard);
    ASSERT_TRUE(spin->UpDown());
    EXPECT_EQ(spin->Button(), nullptr);
    EXPECT_EQ(spin->ButtonWindow(), nullptr);
    EXPECT_EQ(spin->UpDown()->Width(), std::min(GetSystemMetrics(SM_CXVSCROLL), 15));
    spin->SetValue(3);
    // The up-down control reports through its parent; drive its arrows as a user would.
    QWidget* ud = platform::windowWidget(spin->UpDown()->Handle());
    ASSERT_TRUE(ud);
    const QPoint upPoint(ud->width() / 2, 2);
    const QPoint downPoint(ud->width() / 2, ud->height() - 3);
    QTest::mouseClick(ud->childAt(upPoint), Qt::LeftButton, Qt::NoModifier,
                      ud->childAt(upPoint)->mapFrom(ud, upPoint));
    EXPECT_EQ(spin->Text(), "4");
    QTest::mouseClick(ud->childAt(downPoint), Qt::LeftButton, Qt::NoModifier,
                      ud->childAt(downPoint)->mapFrom(ud, downPoint));
    QTest::mouseClick(ud->childAt(downPoint), Qt::LeftButton, Qt::NoModifier,
                      ud->childAt(downPoint)->mapFrom(ud, downPoint));
    EXPECT_EQ(spin->Text(), "2");
    EXPECT_EQ(spin->UpDown()->Position(), 0);  // it always rests at 0
    spin->SetButtonKind(bkDiagonal);
    EXPECT_EQ(spin->UpDown(), nullptr);
    ASSERT_TRUE(spin->Button());
}

TEST_F(SpinEdits, ButtonStaysSquareAndEditRectLeavesRoomForIt) {
    spin->SetBounds(10, 10, 120, 30);
    TWinControl* w = spin->ButtonWindow();
    EXPECT_EQ(w->Width(), w->Height());
    EXPECT_EQ(w->Width(), 27);  // Height - 3 with a 3-D border
    EXPECT_EQ(w->Left(), 120 - 30 - 1);
    RECT r{};
    SendMessageA(spin->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.right, spin->ClientWidth() - spin->ButtonWidth() - 2);
    // A height below the font's minimum is raised to it.
    spin->SetHeight(4);
    EXPECT_GT(spin->Height(), 4);
    EXPECT_GE(spin->Height(), 4 * GetSystemMetrics(SM_CYBORDER) + 1 + 8);
}

TEST_F(SpinEdits, DisablingReachesTheButtons) {
    spin->SetEnabled(false);
    EXPECT_FALSE(spin->Button()->Enabled());
    spin->SetEnabled(true);
    spin->SetButtonKind(bkStandard);
    spin->SetEnabled(false);
    EXPECT_FALSE(spin->UpDown()->Enabled());
}

TEST_F(SpinEdits, FocusControlIsClearedWhenItGoes) {
    auto* button = new TKitSpinButton(form);
    auto* target = new TEdit(form);
    button->SetFocusControl(target);
    EXPECT_EQ(button->FocusControl(), target);
    delete target;
    EXPECT_EQ(button->FocusControl(), nullptr);
    delete button;
}

TEST_F(SpinEdits, AlignmentRecreatesTheWindowAndKeepsTheText) {
    spin->SetValue(42);
    const HWND before = spin->Handle();
    spin->SetAlignment(taRightJustify);
    EXPECT_TRUE(GetWindowLongA(spin->Handle(), GWL_STYLE) & ES_RIGHT);
    EXPECT_EQ(spin->Text(), "42");
    EXPECT_NE(before, spin->Handle());
    EXPECT_FALSE(IsWindow(before));
    spin->SetAlignment(taCenter);
    EXPECT_TRUE(GetWindowLongA(spin->Handle(), GWL_STYLE) & ES_CENTER);
    EXPECT_TRUE(GetWindowLongA(spin->Handle(), GWL_STYLE) & ES_MULTILINE);
}

TEST(SpinGlyphs, ArrowsAreSixBySixOneBitBlackOnWhite) {
    RegisterKitSpin();
    TBitmap up;
    up.LoadFromResourceName(nullptr, "KITSPINUP");
    ASSERT_EQ(up.Width(), 6);
    ASSERT_EQ(up.Height(), 6);
    EXPECT_EQ(up.PixelFormat(), pf1bit);
    const char* rows[6] = {"..XX..", ".XXXX.", "XXXXXX", "..XX..", "..XX..", "..XX.."};
    TBitmap down;
    down.LoadFromResourceName(nullptr, "KITSPINDOWN");
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const TColor want = rows[y][x] == 'X' ? clBlack : clWhite;
            EXPECT_EQ(up.Canvas()->Pixel(x, y) & 0xFFFFFF, want) << x << "," << y;
            EXPECT_EQ(down.Canvas()->Pixel(x, 5 - y) & 0xFFFFFF, want) << x << "," << y;
        }
    EXPECT_EQ(up.TransparentColor(), clWhite);
}

TEST(SpinStorage, DefaultsAreNotStored) {
    RegisterKitSpin();
    TKitSpinEdit spin(nullptr);
    EXPECT_FALSE(spin.IsIncrementStored());
    EXPECT_FALSE(spin.IsMinStored());
    EXPECT_FALSE(spin.IsMaxStored());
    EXPECT_FALSE(spin.IsValueStored());
    EXPECT_EQ(spin.Text(), "0");
    EXPECT_EQ(spin.Decimal(), 2);
    EXPECT_EQ(spin.ButtonKind(), bkDiagonal);
    EXPECT_TRUE(spin.EditorEnabled());
    EXPECT_TRUE(spin.ArrowKeys());
    spin.SetIncrement(0.5L);
    spin.SetValue(3);
    EXPECT_TRUE(spin.IsIncrementStored());
    EXPECT_TRUE(spin.IsValueStored());
    // The class registry creates the kit's classes by name.
    EXPECT_NE(FindClass("TKitSpinEdit"), nullptr);
    EXPECT_NE(FindClass("TKitSpinButton"), nullptr);
    EXPECT_NE(FindClass("TKitUpDown"), nullptr);
}

