// Threads: synchronous hand-over to the user-interface thread, termination, waiting.
#include "classlib/Classes.h"
#include "platform/winuser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace {

// A thread that runs a body given by the test.
class TBodyThread : public TThread {
    Q_OBJECT

public:
    TBodyThread(bool Suspended, std::function<void(TBodyThread*)> Body, std::atomic<bool>* Destroyed = nullptr)
        : TThread(Suspended), body(std::move(Body)), destroyed(Destroyed) {}
    ~TBodyThread() override {
        if (destroyed) *destroyed = true;
    }
    using TThread::Synchronize;
    std::function<void(TBodyThread*)> body;
    std::atomic<bool>* destroyed;

protected:
    void Execute() override { body(this); }
};

bool onMainThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

// Runs the event loop until done() or two seconds have passed.
bool spinUntil(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

}  // namespace

TEST(CoreThreads, SynchronizeRunsOnTheMainThreadWhileTheCallerWaits) {
    std::vector<String> order;
    bool ranOnMain = false;
    TBodyThread thread(true, [&](TBodyThread* self) {
        order.push_back("before");
        self->Synchronize([&] {
            ranOnMain = onMainThread();
            order.push_back("synchronized");
        });
        order.push_back("after");
        self->SetReturnValue(7);
    });
    EXPECT_TRUE(thread.Suspended());
    thread.Resume();
    EXPECT_EQ(thread.WaitFor(), 7);  // serves the Synchronize call while it waits
    EXPECT_TRUE(ranOnMain);
    EXPECT_EQ(order, (std::vector<String>{"before", "synchronized", "after"}));
    EXPECT_TRUE(thread.Finished());
    EXPECT_EQ(thread.FatalException(), nullptr);
}

TEST(CoreThreads, TheEventLoopServesSynchronizeAndOnTerminate) {
    std::atomic<int> steps{0};
    bool terminateOnMain = false;
    TBodyThread thread(true, [&](TBodyThread* self) {
        while (!self->Terminated() && steps < 3) self->Synchronize([&] { ++steps; });
    });
    thread.OnTerminate = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &thread);
        terminateOnMain = onMainThread();
    };
    thread.Start();
    EXPECT_TRUE(spinUntil([&] { return thread.Finished(); }));
    EXPECT_EQ(steps, 3);
    EXPECT_TRUE(terminateOnMain);
    thread.WaitFor();
}

TEST(CoreThreads, ExceptionsCrossTheHandOver) {
    String caught;
    TBodyThread thread(true, [&](TBodyThread* self) {
        try {
            self->Synchronize([] { throw EConvertError("bad step"); });
        } catch (const EConvertError& e) {
            caught = e.Message;
        }
        throw EAbort("ended");
    });
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(caught, "bad step");
    ASSERT_NE(thread.FatalException(), nullptr);
    EXPECT_THROW(std::rethrow_exception(thread.FatalException()), EAbort);
}

TEST(CoreThreads, SynchronizeOnTheMainThreadJustRuns) {
    bool ran = false;
    TThread::Synchronize(nullptr, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(TThread::IsMainThread());
    EXPECT_FALSE(TThread::CheckSynchronize());
}

TEST(CoreThreads, OneCheckServesOnlyTheCallsWaitingWhenItStarts) {
    // The second thread asks while the first one's call runs: that call waits for the next
    // check, so a thread asking again and again cannot hold the user-interface thread.
    std::atomic<bool> secondAsking{false};
    std::atomic<int> firstRan{0}, secondRan{0};
    TBodyThread second(true, [&](TBodyThread* self) {
        secondAsking = true;
        self->Synchronize([&] { ++secondRan; });
    });
    TBodyThread first(true, [&](TBodyThread* self) {
        self->Synchronize([&] {
            ++firstRan;
            second.Resume();
            while (!secondAsking) std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));  // it is in the queue now
        });
    });
    first.Resume();
    QElapsedTimer t;
    t.start();
    while (firstRan == 0 && t.elapsed() < 2000) {
        if (TThread::CheckSynchronize()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(firstRan, 1);
    EXPECT_EQ(secondRan, 0);
    EXPECT_TRUE(TThread::CheckSynchronize());
    EXPECT_EQ(secondRan, 1);
    first.WaitFor();
    second.WaitFor();
}

TEST(CoreThreads, StartingWaitingAndFreeing) {
    // Not suspended: starts from the event loop (or WaitFor) once the object is built.
    std::atomic<bool> ran{false};
    TBodyThread soon(false, [&](TBodyThread*) { ran = true; });
    EXPECT_TRUE(spinUntil([&] { return ran.load(); }));
    soon.WaitFor();

    TBodyThread direct(false, [&](TBodyThread*) {});
    direct.WaitFor();
    EXPECT_TRUE(direct.Finished());

    TBodyThread never(true, [](TBodyThread*) {});
    EXPECT_THROW(never.WaitFor(), EThread);

    String selfWait;
    TBodyThread waiter(true, [&](TBodyThread* self) {
        try {
            self->WaitFor();
        } catch (const EThread& e) {
            selfWait = e.Message;
        }
    });
    waiter.Resume();
    waiter.WaitFor();
    EXPECT_EQ(selfWait, "A thread cannot wait for itself");

    // A thread that frees itself when it ends.
    std::atomic<bool> destroyed{false};
    auto* loose = new TBodyThread(true, [](TBodyThread* self) { self->Synchronize([] {}); }, &destroyed);
    loose->SetFreeOnTerminate(true);
    loose->Resume();
    EXPECT_TRUE(spinUntil([&] { return destroyed.load(); }));

    // Free stops a running thread before the derived object goes.
    std::atomic<bool> destroyed2{false};
    auto* busy = new TBodyThread(true, [](TBodyThread* self) {
        while (!self->Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }, &destroyed2);
    busy->Resume();
    busy->Free();
    EXPECT_TRUE(destroyed2);
}

TEST(CoreThreads, CriticalSectionsAreRecursive) {
    TCriticalSection lock;
    long counter = 0;
    auto work = [&](TBodyThread*) {
        for (int i = 0; i < 10000; ++i) {
            lock.Enter();
            lock.Enter();
            ++counter;
            lock.Leave();
            lock.Leave();
        }
    };
    TBodyThread a(true, work), b(true, work);
    a.Resume();
    b.Resume();
    a.WaitFor();
    b.WaitFor();
    EXPECT_EQ(counter, 20000);
    EXPECT_TRUE(lock.TryEnter());
    lock.Leave();
}

#include "CoreThreadTest.moc"

namespace {
std::vector<bool> sentOnMain;
LRESULT recordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER + 9) {
        sentOnMain.push_back(onMainThread());
        return static_cast<LRESULT>(w) * 2;
    }
    return DefWindowProcA(h, m, w, l);
}
}  // namespace

TEST(CoreThreads, AWorkersSendMessageIsServedWhileTheMainThreadWaitsForIt) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = recordingProc;
    wc.lpszClassName = "ThreadSendTarget";
    RegisterClassExA(&wc);
    HWND target = CreateWindowExA(0, "ThreadSendTarget", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(target, nullptr);
    sentOnMain.clear();
    TBodyThread thread(true, [&](TBodyThread* self) {
        LRESULT sum = 0;
        for (int i = 1; i <= 3; ++i) sum += SendMessageA(target, WM_USER + 9, static_cast<WPARAM>(i), 0);
        // Synchronize calls and sent messages mix.
        self->Synchronize([] {});
        sum += SendMessageA(target, WM_USER + 9, 10, 0);
        self->SetReturnValue(static_cast<int>(sum));
    });
    thread.Resume();
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(thread.WaitFor(), 2 + 4 + 6 + 20);  // no deadlock: the wait served the messages
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_EQ(sentOnMain, (std::vector<bool>{true, true, true, true}));
    DestroyWindow(target);
}
