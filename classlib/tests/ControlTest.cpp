// Controls: messages and subclassing, re-created windows, code-fired events, references.
#include "classlib/Buttons.h"
#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/StdCtrls.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

namespace {

class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setManualTimers(true);
        form = new TForm(nullptr);
        form->SetBounds(20, 20, 300, 220);
        edit = new TEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 120, 24);
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 50, 120, 24);
        form->Show();
    }
    void TearDown() override {
        delete form;
        platform::setManualTimers(false);
    }
    QWidget* widgetOf(TWinControl* c) { return platform::windowWidget(c->Handle()); }
    TForm* form = nullptr;
    TEdit* edit = nullptr;
    TEdit* other = nullptr;
};

}  // namespace

TEST_F(Controls, ReplacedWindowProcSeesMessagesFirstAndCanSwallowThem) {
    std::vector<UINT> seen;
    TWndMethod old = edit->WindowProc;
    edit->WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_CHAR) seen.push_back(static_cast<UINT>(m.WParam));
        if (m.Msg == WM_CHAR && m.WParam == 'x') return;  // swallowed before the control
        old(m);
    };
    edit->SetFocus();
    QTest::keyClicks(widgetOf(edit), "axb");
    EXPECT_EQ(edit->Text(), "ab");
    EXPECT_EQ(seen, (std::vector<UINT>{'a', 'x', 'b'}));
    edit->WindowProc = old;
    QTest::keyClicks(widgetOf(edit), "x");
    EXPECT_EQ(edit->Text(), "abx");
}

TEST_F(Controls, KeyEventsCarryVirtualKeysAndKeyPressCanChangeTheCharacter) {
    std::vector<WORD> downs;
    TShiftState lastShift = 0;
    edit->OnKeyDown = TKeyEvent([&](TObject*, WORD& key, TShiftState shift) {
        downs.push_back(key);
        lastShift = shift;
    });
    edit->OnKeyPress = TKeyPressEvent([](TObject*, char& key) {
        if (key >= 'a' && key <= 'z') key = static_cast<char>(key - 'a' + 'A');
        if (key == '#') key = 0;
    });
    edit->SetFocus();
    QTest::keyClicks(widgetOf(edit), "ab#c");
    EXPECT_EQ(edit->Text(), "ABC");
    QTest::keyClick(widgetOf(edit), Qt::Key_Left, Qt::ShiftModifier);
    ASSERT_GE(downs.size(), 5u);
    EXPECT_EQ(downs[0], 'A');
    EXPECT_EQ(downs.back(), VK_LEFT);
    EXPECT_TRUE(lastShift & ssShift);
    EXPECT_EQ(edit->SelLength(), 1);  // the key reached the edit itself
}

TEST_F(Controls, EnterAndExitFollowTheFocus) {
    std::vector<std::string> log;
    edit->OnEnter = TNotifyEvent([&](TObject*) { log.push_back("enter edit"); });
    edit->OnExit = TNotifyEvent([&](TObject*) { log.push_back("exit edit"); });
    other->OnEnter = TNotifyEvent([&](TObject*) { log.push_back("enter other"); });
    other->SetFocus();
    log.clear();
    edit->SetFocus();
    other->SetFocus();
    EXPECT_EQ(log, (std::vector<std::string>{"enter edit", "exit edit", "enter other"}));
    EXPECT_EQ(form->ActiveControl(), other);
    EXPECT_TRUE(other->Focused());
}

TEST_F(Controls, RecreatedWindowKeepsTextBoundsChildrenAndState) {
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(150, 10, 120, 100);
    auto* check = new TCheckBox(form);
    check->SetParent(panel);
    check->SetBounds(5, 5, 100, 20);
    check->SetChecked(true);
    edit->SetText("keep me");
    edit->SetModified(true);
    const HWND before = panel->Handle();
    panel->RecreateWnd();
    EXPECT_NE(panel->Handle(), before);
    EXPECT_EQ(GetParent(check->Handle()), panel->Handle());
    EXPECT_EQ(SendMessageA(check->Handle(), BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
    EXPECT_EQ(panel->Left(), 150);
    EXPECT_EQ(panel->Width(), 120);
    edit->SetBorderStyle(bsNone);  // recreates the edit
    EXPECT_EQ(edit->Text(), "keep me");
    EXPECT_TRUE(edit->Modified());
    EXPECT_FALSE(GetWindowLongA(edit->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

TEST_F(Controls, CheckBoxAndRadioButtonFireWhenCodeChangesThem) {
    auto* check = new TCheckBox(form);
    check->SetParent(form);
    int clicks = 0;
    check->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
    check->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    check->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(widgetOf(check), Qt::LeftButton, Qt::NoModifier, QPoint(6, 8));
    EXPECT_FALSE(check->Checked());
    EXPECT_EQ(clicks, 2);

    auto* a = new TRadioButton(form);
    auto* b = new TRadioButton(form);
    a->SetParent(form);
    b->SetParent(form);
    a->SetBounds(150, 10, 100, 20);
    b->SetBounds(150, 40, 100, 20);
    int aClicks = 0, bClicks = 0;
    a->OnClick = TNotifyEvent([&](TObject*) { ++aClicks; });
    b->OnClick = TNotifyEvent([&](TObject*) { ++bClicks; });
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->Checked());
    EXPECT_EQ(aClicks, 1);  // not when it goes off
    EXPECT_EQ(bClicks, 1);
    QTest::mouseClick(widgetOf(a), Qt::LeftButton, Qt::NoModifier, QPoint(6, 8));
    EXPECT_TRUE(a->Checked());
    EXPECT_FALSE(b->Checked());
    EXPECT_EQ(aClicks, 2);
}

TEST_F(Controls, EnablingARunningTimerDoesNotRestartIt) {
    auto* timer = new TTimer(form);
    int ticks = 0;
    timer->SetInterval(100);
    timer->SetOnTimer(TNotifyEvent([&](TObject*) { ++ticks; }));
    platform::advanceTime(60);
    timer->SetEnabled(true);
    platform::advanceTime(40);
    EXPECT_EQ(ticks, 1);
    timer->SetEnabled(false);
    platform::advanceTime(500);
    EXPECT_EQ(ticks, 1);
    timer->SetEnabled(true);
    platform::advanceTime(99);
    EXPECT_EQ(ticks, 1);
    platform::advanceTime(1);
    EXPECT_EQ(ticks, 2);
    delete timer;
    EXPECT_EQ(platform::activeTimerCount(), 0);
}

TEST_F(Controls, FreeNotificationClearsReferences) {
    auto* label = new TLabel(form);
    auto* target = new TEdit(form);
    auto* menuStandIn = new TTimer(form);
    label->SetFocusControl(target);
    edit->SetPopupMenu(menuStandIn);
    delete target;
    delete menuStandIn;
    EXPECT_EQ(label->FocusControl(), nullptr);
    EXPECT_EQ(edit->PopupMenu(), nullptr);
}

TEST_F(Controls, GroupedSpeedButtonsStayExclusive) {
    auto* a = new TSpeedButton(form);
    auto* b = new TSpeedButton(form);
    for (TSpeedButton* s : {a, b}) {
        s->SetParent(form);
        s->SetGroupIndex(1);
    }
    a->SetBounds(150, 10, 23, 22);
    b->SetBounds(180, 10, 23, 22);
    int clicks = 0;
    b->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
    a->SetDown(true);
    QTest::mouseClick(widgetOf(form), Qt::LeftButton, Qt::NoModifier, QPoint(190, 20));
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(clicks, 1);
    b->SetDown(false);  // the last one down stays down without AllowAllUp
    EXPECT_TRUE(b->Down());
    b->SetAllowAllUp(true);
    b->SetDown(false);
    EXPECT_FALSE(b->Down());
}

TEST_F(Controls, MouseEventsReachGraphicControlsWithTheShiftState) {
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetAutoSize(false);
    label->SetBounds(150, 100, 80, 20);
    TShiftState shift = 0;
    int x = -1, clicks = 0;
    label->OnMouseDown = TMouseEvent([&](TObject*, TMouseButton, TShiftState s, int X, int) {
        shift = s;
        x = X;
    });
    label->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
    QTest::mouseClick(widgetOf(form), Qt::LeftButton, Qt::ControlModifier, QPoint(160, 110));
    EXPECT_TRUE(shift & ssLeft);
    EXPECT_TRUE(shift & ssCtrl);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(clicks, 1);
}

TEST_F(Controls, UpDownReportsNextAndPrevious) {
    auto* ud = new TUpDown(form);
    ud->SetParent(form);
    ud->SetBounds(150, 10, 16, 30);
    ud->SetMax(10);
    std::vector<TUDBtnType> clicks;
    ud->OnClick = TUDClickEvent([&](TObject*, TUDBtnType b) { clicks.push_back(b); });
    bool allow = true;
    ud->OnChanging = TUDChangingEvent([&](TObject*, bool& a) { a = allow; });
    QWidget* w = widgetOf(ud);
    QWidget* up = w->childAt(QPoint(w->width() / 2, 2));
    QWidget* down = w->childAt(QPoint(w->width() / 2, w->height() - 3));
    ASSERT_TRUE(up && down);
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(clicks, (std::vector<TUDBtnType>{btNext, btNext, btPrev}));
    EXPECT_EQ(ud->Position(), 1);
    allow = false;
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(ud->Position(), 1);
    EXPECT_EQ(clicks.size(), 3u);
}

TEST_F(Controls, AlignAndAnchorsFollowTheParent) {
    auto* top = new TPanel(form);
    top->SetParent(form);
    top->SetHeight(30);
    top->SetAlign(alTop);
    auto* client = new TPanel(form);
    client->SetParent(form);
    client->SetAlign(alClient);
    auto* anchored = new TButton(form);
    anchored->SetParent(client);
    anchored->SetBounds(client->ClientWidth() - 80, 10, 70, 25);
    anchored->SetAnchors(akRight | akTop);
    EXPECT_EQ(top->Width(), form->ClientWidth());
    EXPECT_EQ(client->Top(), 30);
    EXPECT_EQ(client->Height(), form->ClientHeight() - 30);
    const int gap = client->ClientWidth() - anchored->Left();
    form->SetWidth(form->Width() + 50);
    EXPECT_EQ(top->Width(), form->ClientWidth());
    EXPECT_EQ(client->ClientWidth() - anchored->Left(), gap);  // kept its distance to the right edge
    EXPECT_EQ(anchored->Width(), 70);
}

TEST_F(Controls, HintOfTheControlUnderTheMouseBecomesTheApplicationHint) {
    std::vector<std::string> hints;
    Application->OnHint = TNotifyEvent([&](TObject*) { hints.push_back(Application->Hint()); });
    edit->SetHint("Short|The long part");
    QWidget* w = widgetOf(edit);
    QTest::mouseMove(w, QPoint(5, 5));
    QTest::mouseMove(platform::windowWidget(form->Handle()), QPoint(200, 150));
    Application->OnHint = TNotifyEvent();
    ASSERT_GE(hints.size(), 2u);
    EXPECT_EQ(hints[0], "The long part");
    EXPECT_EQ(hints[1], "");
    EXPECT_EQ(GetShortHint("Short|The long part"), "Short");
}

