// Actions linked to controls: values passed on, clicks and shortcuts running them, groups,
// and their update when the message loop is idle.
#include "classlib/ActnList.h"
#include "classlib/Filer.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class Actions : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(30, 30, 320, 200);
        list = new TActionList(form);
        open = new TAction(form);
        open->SetActionList(list);
        open->SetCaption("Open");
        open->SetHint("Open|Opens a picture");
        open->SetOnExecute(TNotifyEvent([this](TObject* sender) {
            ++executed;
            executedBy = sender;
            executedFrom = open->ActionComponent();
        }));
        button = new TButton(form);
        button->SetParent(form);
        button->SetBounds(10, 10, 100, 28);
        edit = new TEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 60, 150, 24);
    }
    void TearDown() override { delete form; }
    QWidget* widgetOf(TWinControl* c) { return platform::windowWidget(c->Handle()); }
    // Runs the message loop for a moment: it waits for messages, so the application idles.
    void idle() {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }

    TForm* form = nullptr;
    TActionList* list = nullptr;
    TAction* open = nullptr;
    TButton* button = nullptr;
    TEdit* edit = nullptr;
    int executed = 0;
    TObject* executedBy = nullptr;
    TComponent* executedFrom = nullptr;
};

// A form whose layout holds an action list and a button linked to one of its actions.
class TActionsForm : public TForm {
    Q_OBJECT
public:
    explicit TActionsForm(TComponent* AOwner) : TForm(AOwner) {
        PublishField("ActionList1", ActionList1);
        PublishField("OpenAction", OpenAction);
        PublishField("OpenButton", OpenButton);
    }
    Q_INVOKABLE void OpenActionExecute(TObject* Sender) { executedBy.push_back(Sender); }
    TActionList* ActionList1 = nullptr;
    TAction* OpenAction = nullptr;
    TButton* OpenButton = nullptr;
    std::vector<TObject*> executedBy;
};

}  // namespace

TEST(ActionLayouts, AnActionListItsActionsAndTheirClientsAreReadAndWrittenBack) {
    RegisterClasses<TActionsForm>();
    RegisterStandardClasses();
    const String text = "object ActionsForm: TActionsForm\n"
                        "  Left = 10\n  Top = 10\n  Width = 300\n  Height = 120\n"
                        "  object OpenButton: TButton\n"
                        "    Left = 8\n    Top = 8\n    Width = 100\n    Height = 28\n"
                        "    Action = OpenAction\n"
                        "  end\n"
                        "  object ActionList1: TActionList\n"
                        "    object OpenAction: TAction\n"
                        "      Caption = 'Open...'\n"
                        "      Hint = 'Open|Opens a picture'\n"
                        "      ShortCut = 16463\n"
                        "      OnExecute = OpenActionExecute\n"
                        "    end\n"
                        "  end\n"
                        "end\n";
    TActionsForm form(nullptr);
    ReadComponentText(text, &form);
    ASSERT_NE(form.ActionList1, nullptr);
    ASSERT_NE(form.OpenAction, nullptr);
    ASSERT_NE(form.OpenButton, nullptr);
    EXPECT_EQ(form.OpenAction->ActionList(), form.ActionList1);
    EXPECT_EQ(form.ActionList1->ActionCount(), 1);
    EXPECT_EQ(form.OpenAction->ShortCut(), 16463);
    EXPECT_EQ(form.OpenButton->Action(), form.OpenAction);
    // The button shows the action, read after it.
    EXPECT_EQ(form.OpenButton->Caption(), "Open...");
    EXPECT_EQ(form.OpenButton->Hint(), "Open|Opens a picture");
    // The action is written inside its list, the link as a reference.
    const String written = WriteComponentText(&form);
    EXPECT_NE(written.find("Action = OpenAction"), String::npos) << written;
    const std::size_t list = written.find("object ActionList1: TActionList");
    const std::size_t action = written.find("object OpenAction: TAction");
    ASSERT_NE(list, String::npos) << written;
    ASSERT_NE(action, String::npos) << written;
    EXPECT_LT(list, action);
    EXPECT_NE(written.find("OnExecute = OpenActionExecute"), String::npos) << written;
    TActionsForm back(nullptr);
    ReadComponentText(written, &back);
    EXPECT_EQ(back.OpenButton->Action(), back.OpenAction);
    EXPECT_EQ(WriteComponentText(&back), written);
    // A click on the button read back runs the action read back.
    back.Show();
    QTest::mouseClick(platform::windowWidget(back.OpenButton->Handle()), Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    ASSERT_EQ(back.executedBy.size(), 1u);
    EXPECT_EQ(back.executedBy[0], back.OpenAction);
}

TEST_F(Actions, ALinkedButtonShowsTheActionAndAClickRunsIt) {
    button->SetAction(open);
    EXPECT_EQ(button->Caption(), "Open");
    EXPECT_EQ(button->Hint(), "Open|Opens a picture");
    form->Show();
    QTest::mouseClick(widgetOf(button), Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    EXPECT_EQ(executed, 1);
    EXPECT_EQ(executedBy, open);
    EXPECT_EQ(executedFrom, button);
    EXPECT_EQ(open->ActionComponent(), nullptr);

    open->SetCaption("Open...");
    open->SetEnabled(false);
    EXPECT_EQ(button->Caption(), "Open...");
    EXPECT_FALSE(button->Enabled());
    open->SetEnabled(true);
    // A caption the control set itself is no longer the action's.
    button->SetCaption("Mine");
    open->SetCaption("Open again");
    EXPECT_EQ(button->Caption(), "Mine");
    open->SetVisible(false);
    EXPECT_FALSE(button->Visible());
}

TEST_F(Actions, AClickHandlerOfTheControlsOwnWinsAndAnActionGoneLeavesTheControlAlone) {
    button->SetAction(open);
    int own = 0;
    button->OnClick = TNotifyEvent([&](TObject*) { ++own; });
    form->Show();
    QTest::mouseClick(widgetOf(button), Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    EXPECT_EQ(own, 1);
    EXPECT_EQ(executed, 0);
    delete open;
    open = nullptr;
    EXPECT_EQ(button->Action(), nullptr);
    QTest::mouseClick(widgetOf(button), Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    EXPECT_EQ(own, 2);
}

TEST_F(Actions, IdleUpdatesEnableTheActionsOfVisibleClientsOnly) {
    bool canOpen = false;
    int updates = 0;
    open->OnUpdate = TNotifyEvent([&](TObject*) {
        ++updates;
        open->SetEnabled(canOpen);
    });
    button->SetAction(open);
    idle();
    EXPECT_EQ(updates, 0);  // the form is not shown
    form->Show();
    idle();
    EXPECT_GT(updates, 0);
    EXPECT_FALSE(open->Enabled());
    EXPECT_FALSE(button->Enabled());
    QTest::mouseClick(widgetOf(button), Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    EXPECT_EQ(executed, 0);
    canOpen = true;
    idle();
    EXPECT_TRUE(button->Enabled());
    QTest::mouseClick(widgetOf(button), Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    EXPECT_EQ(executed, 1);
    // A hidden client's action is left alone.
    button->Hide();
    const int before = updates;
    idle();
    EXPECT_EQ(updates, before);
}

TEST_F(Actions, AnActionWithoutAnyHandlerDisablesItselfAndTheListMayHandleFirst) {
    auto* orphan = new TAction(form);
    orphan->SetActionList(list);
    orphan->SetCaption("Nothing");
    auto* other = new TButton(form);
    other->SetParent(form);
    other->SetBounds(120, 10, 100, 28);
    other->SetAction(orphan);
    form->Show();
    idle();
    EXPECT_FALSE(orphan->Enabled());
    EXPECT_FALSE(other->Enabled());

    bool handled = true;
    TBasicAction* seen = nullptr;
    list->OnExecute = TActionEvent([&](TBasicAction* a, bool& h) {
        seen = a;
        h = handled;
    });
    button->SetAction(open);
    QTest::mouseClick(widgetOf(button), Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    EXPECT_EQ(seen, open);
    EXPECT_EQ(executed, 0);
    handled = false;
    QTest::mouseClick(widgetOf(button), Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    EXPECT_EQ(executed, 1);
}

TEST_F(Actions, CheckedActionsOfAGroupExcludeEachOtherAndTheirCheckBoxesFollow) {
    auto* small = new TAction(form);
    auto* large = new TAction(form);
    int runs = 0;
    for (TAction* a : {small, large}) {
        a->SetActionList(list);
        a->SetGroupIndex(1);
        a->SetAutoCheck(true);
        a->SetOnExecute(TNotifyEvent([&](TObject*) { ++runs; }));
    }
    small->SetCaption("Small");
    large->SetCaption("Large");
    auto* box = new TCheckBox(form);
    box->SetParent(form);
    box->SetBounds(10, 100, 120, 20);
    box->SetAction(small);
    form->Show();
    QTest::mouseClick(widgetOf(box), Qt::LeftButton, Qt::NoModifier, QPoint(6, 10));
    EXPECT_TRUE(small->Checked());
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(runs, 1);  // once, although checking the box clicks it
    large->Execute();
    EXPECT_TRUE(large->Checked());
    EXPECT_FALSE(small->Checked());
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(runs, 2);
}

TEST_F(Actions, AShortcutRunsTheEnabledActionInsteadOfTypingTheKey) {
    open->SetShortCut('K' | 0x4000);  // Ctrl+K
    form->Show();
    edit->SetFocus();
    QTest::keyClick(widgetOf(edit), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(executed, 1);
    QTest::keyClick(widgetOf(edit), Qt::Key_K);
    EXPECT_EQ(executed, 1);  // plain K is no shortcut
    EXPECT_EQ(edit->Text(), "k");
    open->SetEnabled(false);
    open->OnUpdate = TNotifyEvent([](TObject*) {});
    QTest::keyClick(widgetOf(edit), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(executed, 1);
}

TEST_F(Actions, AHintActionMakesItsHintTheApplicationsHint) {
    THintAction hint(form);
    hint.SetHint("Ready");
    String seen;
    TNotifyEvent old = Application->OnHint;
    Application->OnHint = TNotifyEvent([&](TObject*) { seen = Application->Hint(); });
    EXPECT_TRUE(hint.Execute());
    Application->OnHint = old;
    EXPECT_EQ(seen, "Ready");
}

#include "ActionListTest.moc"
