// Window hooks on a real control: message order with two hooks, swallowing, changed
// messages and results, WM_DESTROY and WM_QUIT, re-creation, a foreign subclasser, and
// hooks that detach or free themselves inside their handlers; mouse input by real clicks.
#include "kit/KitHook.h"

#include "classlib/Forms.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT WM_PROBE = WM_USER + 7;

std::vector<std::string>* Log = nullptr;

class TProbeControl : public TCustomControl {
    Q_OBJECT

public:
    explicit TProbeControl(TComponent* AOwner) : TCustomControl(AOwner) {
        SetBounds(10, 10, 80, 40);
    }
    int mouseDowns = 0;
    int destroys = 0;
    WPARAM lastWParam = 0;
    void Dispatch(TMessage& m) override {
        if (m.Msg == WM_PROBE) {
            if (Log) Log->push_back("control");
            lastWParam = m.WParam;
            m.Result = static_cast<LRESULT>(m.WParam * 2);
            return;
        }
        if (m.Msg == WM_DESTROY) ++destroys;
        if (m.Msg == WM_LBUTTONDOWN) ++mouseDowns;
        TCustomControl::Dispatch(m);
    }
};

WNDPROC ForeignPrev = nullptr;
int ForeignCalls = 0;
LRESULT ForeignProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_PROBE) ++ForeignCalls;
    return CallWindowProcA(ForeignPrev, w, m, wp, lp);
}

class Hooks : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterKitHook();
        Log = &log;
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 200, 120);
        probe = new TProbeControl(form);
        probe->SetParent(form);
        form->Show();
        probe->HandleNeeded();
    }
    void TearDown() override {
        // The hooks' handlers refer to the test's locals: they go before the windows do.
        for (int i = form->ComponentCount() - 1; i >= 0; --i)
            if (auto* h = qobject_cast<TKitWindowHook*>(form->Components(i))) delete h;
        delete form;
        kithooks::FreeHookList();
        Log = nullptr;
    }
    TKitWindowHook* Hook(const std::string& name) {
        auto* h = new TKitWindowHook(form);
        h->BeforeMessage = [this, name](TObject*, TMessage& m, bool& handled) {
            if (m.Msg == WM_PROBE) log.push_back("before " + name);
            if (m.Msg == WM_PROBE && swallow == name) handled = true;
        };
        h->AfterMessage = [this, name](TObject*, TMessage& m, bool&) {
            if (m.Msg == WM_PROBE) log.push_back("after " + name);
        };
        h->SetWinControl(probe);
        return h;
    }
    LRESULT Probe(WPARAM wp = 3) { return SendMessageA(probe->Handle(), WM_PROBE, wp, 0); }

    std::vector<std::string> log;
    std::string swallow;
    TForm* form = nullptr;
    TProbeControl* probe = nullptr;
};

}  // namespace

TEST_F(Hooks, LastAttachedSeesFirstAndHandledSwallowsTheRest) {
    TKitWindowHook* first = Hook("first");
    Hook("second");
    EXPECT_EQ(kithooks::HookCount(), 1);  // one subclassing per control
    EXPECT_EQ(Probe(), 6);
    EXPECT_EQ(log, (std::vector<std::string>{"before second", "before first", "control", "after second", "after first"}));

    log.clear();
    swallow = "second";
    EXPECT_EQ(Probe(), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"before second"}));

    // Inactive hooks see nothing; the window gets its own procedure back with the last one.
    log.clear();
    swallow.clear();
    first->SetActive(false);
    Probe();
    EXPECT_EQ(log, (std::vector<std::string>{"before second", "control", "after second"}));
    EXPECT_EQ(first->ControlHook(), nullptr);
    EXPECT_EQ(first->WinControl(), probe);
}

TEST_F(Hooks, HandlersChangeTheMessageBeforeAndTheResultAfter) {
    auto* h = new TKitWindowHook(form);
    h->BeforeMessage = [](TObject*, TMessage& m, bool&) {
        if (m.Msg == WM_PROBE) m.WParam = 50;
    };
    h->AfterMessage = [](TObject*, TMessage& m, bool&) {
        if (m.Msg == WM_PROBE) m.Result += 1;
    };
    h->SetWinControl(probe);
    EXPECT_EQ(Probe(3), 101);
    EXPECT_EQ(probe->lastWParam, 50u);
}

TEST_F(Hooks, RealMouseClicksPassThroughOrAreSwallowed) {
    int seen = 0;
    bool eat = false;
    auto* h = new TKitWindowHook(form);
    h->BeforeMessage = [&](TObject*, TMessage& m, bool& handled) {
        if (m.Msg != WM_LBUTTONDOWN) return;
        ++seen;
        handled = eat;
    };
    h->SetWinControl(probe);
    QWidget* w = platform::windowWidget(probe->Handle());
    ASSERT_TRUE(w);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(probe->mouseDowns, 1);
    eat = true;
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(probe->mouseDowns, 1);
}

TEST_F(Hooks, DestroyAlwaysReachesTheControlAndRecreationIsWatchedAgain) {
    std::vector<UINT> afterDestroy;
    Hook("probe");
    auto* a = new TKitWindowHook(form);
    a->AfterMessage = [&](TObject*, TMessage& m, bool&) {
        if (m.Msg == WM_DESTROY) afterDestroy.push_back(1);
    };
    a->SetWinControl(probe);
    auto* b = new TKitWindowHook(form);
    b->BeforeMessage = [](TObject*, TMessage& m, bool& handled) {
        if (m.Msg == WM_DESTROY) handled = true;
    };
    b->AfterMessage = [&](TObject*, TMessage& m, bool&) {
        if (m.Msg == WM_DESTROY) afterDestroy.push_back(2);
    };
    b->SetWinControl(probe);

    const HWND old = probe->Handle();
    probe->RecreateWnd();
    probe->HandleNeeded();
    EXPECT_NE(probe->Handle(), old);
    EXPECT_EQ(probe->destroys, 1);  // Handled did not keep it from the control
    // With Handled set only the last attached client hears of it afterwards.
    EXPECT_EQ(afterDestroy, (std::vector<UINT>{2}));

    // The procedure goes into the new window once the current message is over.
    platform::processPendingMessages();
    log.clear();
    EXPECT_EQ(Probe(), 6);
    EXPECT_EQ(log, (std::vector<std::string>{"before probe", "control", "after probe"}));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(probe->Handle(), GWLP_WNDPROC)),
              kithooks::FindHook(probe)->NewProc());
}

TEST_F(Hooks, QuitIsNotShownBeforeButAfter) {
    int before = 0, after = 0;
    auto* h = new TKitWindowHook(form);
    h->BeforeMessage = [&](TObject*, TMessage& m, bool&) { before += m.Msg == WM_QUIT; };
    h->AfterMessage = [&](TObject*, TMessage& m, bool&) { after += m.Msg == WM_QUIT; };
    h->SetWinControl(probe);
    SendMessageA(probe->Handle(), WM_QUIT, 0, 0);
    EXPECT_EQ(before, 0);
    EXPECT_EQ(after, 1);
}

TEST_F(Hooks, AForeignSubclasserInstalledLaterIsNotUndone) {
    TKitWindowHook* h = Hook("h");
    HWND wnd = probe->Handle();
    ForeignCalls = 0;
    ForeignPrev = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));
    EXPECT_EQ(ForeignPrev, kithooks::FindHook(probe)->NewProc());
    Probe();
    EXPECT_EQ(ForeignCalls, 1);
    EXPECT_EQ(log, (std::vector<std::string>{"before h", "control", "after h"}));

    delete h;
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC)), &ForeignProc);
    // The subclasser's chain still runs through our procedure, which now only passes on.
    platform::processPendingMessages();
    log.clear();
    EXPECT_EQ(Probe(), 6);
    EXPECT_EQ(ForeignCalls, 2);
    EXPECT_EQ(log, std::vector<std::string>{"control"});

    // A new hook takes the same place instead of a second one on top.
    Hook("again");
    log.clear();
    Probe();
    EXPECT_EQ(log, (std::vector<std::string>{"before again", "control", "after again"}));
    EXPECT_EQ(kithooks::HookCount(), 1);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC)), &ForeignProc);
}

TEST_F(Hooks, DetachingOrFreeingInsideAHandlerKeepsTheWalkSound) {
    TKitWindowHook* first = Hook("first");
    auto* killer = new TKitWindowHook(form);
    killer->BeforeMessage = [&](TObject*, TMessage& m, bool&) {
        if (m.Msg != WM_PROBE) return;
        log.push_back("killer");
        first->SetActive(false);  // the next client in the walk
        delete killer;            // and itself
        killer = nullptr;
    };
    killer->SetWinControl(probe);
    EXPECT_EQ(Probe(), 6);
    EXPECT_EQ(log, (std::vector<std::string>{"killer", "control"}));
    EXPECT_EQ(killer, nullptr);

    // A watched control that is freed takes its hooks' link with it.
    first->SetActive(true);
    log.clear();
    Probe();
    EXPECT_EQ(log, (std::vector<std::string>{"before first", "control", "after first"}));
    delete probe;
    probe = nullptr;
    EXPECT_EQ(first->WinControl(), nullptr);
    platform::processPendingMessages();
    EXPECT_EQ(kithooks::HookCount(), 0);
}

TEST_F(Hooks, IsFormIsStreamedForAHookOnItsOwnForm) {
    auto* h = new TKitWindowHook(form);
    h->SetName("Hook1");
    h->SetWinControl(form);
    EXPECT_FALSE(h->IsWinControlStored());
    const String text = WriteComponentText(form);
    EXPECT_NE(text.find("IsForm = True"), String::npos) << text;
    EXPECT_EQ(text.find("WinControl ="), String::npos) << text;
}

#include "KitHookTest.moc"
