// Forms: event order, modal results, default and cancel buttons, exceptions, the screen.
#include "classlib/StdCtrls.h"
#include "platform/msgbox.h"

#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Dialog {
    TForm* form;
    TEdit* edit;
    TButton* ok;
    TButton* cancel;
    Dialog() {
        form = new TForm(nullptr);
        form->SetBorderStyle(bsDialog);
        form->SetBounds(30, 30, 260, 120);
        edit = new TEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 120, 24);
        ok = new TButton(form);
        ok->SetParent(form);
        ok->SetBounds(150, 10, 75, 25);
        ok->SetCaption("OK");
        ok->SetDefault(true);
        ok->SetModalResult(mrOk);
        cancel = new TButton(form);
        cancel->SetParent(form);
        cancel->SetBounds(150, 45, 75, 25);
        cancel->SetCaption("Cancel");
        cancel->SetCancel(true);
        cancel->SetModalResult(mrCancel);
    }
    ~Dialog() { delete form; }
};

// Runs `step` from the event loop once the modal loop is running.
void later(std::function<void()> step) { QTimer::singleShot(0, std::move(step)); }

}  // namespace

TEST(Forms, ShowComesBeforeActivateAndCreateRunsOnce) {
    std::vector<std::string> log;
    auto* form = new TForm(nullptr);
    form->OnCreate = TNotifyEvent([&](TObject*) { log.push_back("create"); });
    form->OnShow = TNotifyEvent([&](TObject* s) {
        log.push_back(IsWindowVisible(static_cast<TForm*>(s)->Handle()) ? "show visible" : "show");
    });
    form->OnActivate = TNotifyEvent([&](TObject*) { log.push_back("activate"); });
    form->OnHide = TNotifyEvent([&](TObject*) { log.push_back("hide"); });
    form->DoCreate();
    form->DoCreate();
    form->Show();
    EXPECT_EQ(Screen->ActiveForm(), form);
    form->Hide();
    EXPECT_EQ(log, (std::vector<std::string>{"create", "show", "activate", "hide"}));
    delete form;
}

TEST(Forms, ModalResultOfAButtonStillRunsCloseQueryAndClose) {
    Dialog d;
    std::vector<std::string> log;
    int queries = 0;
    d.form->OnCloseQuery = TCloseQueryEvent([&](TObject*, bool& can) {
        ++queries;
        log.push_back("query");
        can = queries > 1;  // the first attempt is refused
    });
    d.form->OnClose = TCloseEvent([&](TObject*, TCloseAction& action) {
        log.push_back(action == caHide ? "close hide" : "close");
    });
    later([&] {
        SendMessageA(d.ok->Handle(), BM_CLICK, 0, 0);
        later([&] { SendMessageA(d.ok->Handle(), BM_CLICK, 0, 0); });
    });
    EXPECT_EQ(d.form->ShowModal(), mrOk);
    EXPECT_EQ(log, (std::vector<std::string>{"query", "query", "close hide"}));
    EXPECT_FALSE(d.form->Visible());
    EXPECT_FALSE(d.form->Modal());
}

TEST(Forms, EnterPressesTheDefaultButtonAndEscapeTheCancelButton) {
    Dialog d;
    later([&] {
        d.edit->SetFocus();
        QTest::keyClick(platform::windowWidget(d.edit->Handle()), Qt::Key_Return);
    });
    EXPECT_EQ(d.form->ShowModal(), mrOk);
    later([&] {
        d.edit->SetFocus();
        QTest::keyClick(platform::windowWidget(d.edit->Handle()), Qt::Key_Escape);
    });
    EXPECT_EQ(d.form->ShowModal(), mrCancel);
    // A focused button is the one Enter presses.
    later([&] {
        d.cancel->SetFocus();
        QTest::keyClick(platform::windowWidget(d.cancel->Handle()), Qt::Key_Return);
    });
    EXPECT_EQ(d.form->ShowModal(), mrCancel);
    // Closing the window cancels.
    later([&] { SendMessageA(d.form->Handle(), WM_CLOSE, 0, 0); });
    EXPECT_EQ(d.form->ShowModal(), mrCancel);
    EXPECT_THROW(
        {
            d.form->Show();
            d.form->ShowModal();
        },
        EInvalidOperation);
}

TEST(Forms, DestroyRunsWhileComponentsExistAndTabMovesTheFocus) {
    Dialog d;
    d.form->Show();
    d.edit->SetFocus();
    QTest::keyClick(platform::windowWidget(d.edit->Handle()), Qt::Key_Tab);
    EXPECT_TRUE(d.ok->Focused());
    QTest::keyClick(platform::windowWidget(d.ok->Handle()), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(d.edit->Focused());
    bool sawEdit = false;
    TEdit* edit = d.edit;
    d.form->OnDestroy = TNotifyEvent([&](TObject*) { sawEdit = edit->Text().empty() && edit->Parent() != nullptr; });
    delete d.form;
    d.form = nullptr;
    EXPECT_TRUE(sawEdit);
}

TEST(Forms, ExceptionsAreShownThroughTheMessageBoxSeam) {
    InitApplication();
    platform::ScriptedMessageBoxes boxes;
    Application->SetTitle("Tessellon 4.5");
    EConvertError e("'x' is not a valid integer value");
    Application->HandleException(nullptr, e);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "'x' is not a valid integer value.");
    EXPECT_EQ(boxes.captions()[0], "Tessellon 4.5");
    EXPECT_EQ(boxes.shown()[0].icon(), MB_ICONSTOP);
    EAbort quiet("quiet");
    Application->HandleException(nullptr, quiet);
    EXPECT_EQ(boxes.shown().size(), 1u);

    std::string handled;
    Application->OnException = TExceptionEvent([&](TObject*, Exception& x) { handled = x.Message; });
    Application->HandleException(nullptr, e);
    EXPECT_EQ(handled, "'x' is not a valid integer value");
    EXPECT_EQ(boxes.shown().size(), 1u);
    Application->OnException = TExceptionEvent();

    // An exception in an event handler reaches the application, not the caller.
    Dialog d;
    d.form->Show();
    d.ok->SetModalResult(mrNone);
    d.ok->OnClick = TNotifyEvent([](TObject*) { throw EInvalidOperation("Broken handler"); });
    SendMessageA(d.ok->Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.texts()[1], "Broken handler.");
    boxes.answer(IDYES);
    EXPECT_EQ(Application->MessageBox("Sure?", "Question", MB_YESNO), IDYES);
}

TEST(Forms, ClosingTheMainFormEndsTheRun) {
    InitApplication();
    TForm* main = nullptr;
    Application->CreateForm(main);
    ASSERT_EQ(Application->MainForm(), main);
    TForm* second = nullptr;
    Application->CreateForm(second);
    EXPECT_EQ(Application->MainForm(), main);
    later([&] { main->Close(); });
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(main->Visible());
    delete second;
    delete main;
    EXPECT_EQ(Application->MainForm(), nullptr);
}


TEST(Forms, AShownFormWhoseWindowIsMadeAgainShowsAgainWithItsControls) {
    Dialog d;
    d.form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(d.form->Handle())));
    const HWND before = d.form->Handle();
    d.form->SetBorderStyle(bsSizeable);
    ASSERT_TRUE(d.form->HandleAllocated());
    EXPECT_NE(d.form->Handle(), before);
    EXPECT_TRUE(platform::windowWidget(d.form->Handle())->isVisible());
    EXPECT_TRUE(platform::windowWidget(d.ok->Handle())->isVisible());
    // A hidden form stays hidden.
    d.form->Hide();
    d.form->SetBorderStyle(bsDialog);
    EXPECT_FALSE(d.form->HandleAllocated() && IsWindowVisible(d.form->Handle()));
}

TEST(Forms, TwoShownFormsLetProcessMessagesReturnWithTheLastActive) {
    TForm first(nullptr);
    first.SetBounds(10, 10, 200, 120);
    TForm second(nullptr);
    second.SetBounds(60, 60, 200, 120);
    int activated = 0;
    first.OnActivate = TNotifyEvent([&](TObject*) { ++activated; });
    second.OnActivate = TNotifyEvent([&](TObject*) { ++activated; });
    first.Show();
    second.Show();
    Application->ProcessMessages();
    Application->ProcessMessages();
    EXPECT_EQ(Screen->ActiveForm(), &second);
    EXPECT_TRUE(first.Visible());
    EXPECT_LE(activated, 4);
    first.Hide();
    second.Hide();
    Application->ProcessMessages();
}
