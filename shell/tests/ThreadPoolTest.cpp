// The worker thread pool: items, completions on the user-interface thread, the spawn rule
// and the load sample, cancellation, pausing, idle ends, stuck workers and a stress run.
#include "shell/ThreadPool.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

bool onMainThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

// Runs the event loop (which serves the workers' hand-overs) until done() or the timeout.
bool spinUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

void spinFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A latch the test opens; items block on it.
struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    std::atomic<int> waiting{0};
    void release() {
        {
            std::lock_guard l(m);
            open = true;
        }
        cv.notify_all();
    }
    void pass() {
        ++waiting;
        std::unique_lock l(m);
        cv.wait(l, [this] { return open; });
        --waiting;
    }
};

// An item with a body given by the test.
class TTestItem : public TBasicWorkItem {
public:
    TTestItem(TObject* Owner, std::function<void(TTestItem&)> Body) : TBasicWorkItem(Owner), body(std::move(Body)) {}
    void Execute() override {
        if (body) body(*this);
    }
    using TBasicWorkItem::CheckPaused;
    std::function<void(TTestItem&)> body;
};

std::shared_ptr<TTestItem> item(TObject* owner, std::function<void(TTestItem&)> body,
                                std::function<void(TBasicWorkItem*)> done = {}) {
    auto it = std::make_shared<TTestItem>(owner, std::move(body));
    if (done) it->SetOnDone(TWorkItemEvent(std::move(done)));
    return it;
}

// A clock and processor times the test sets.
struct FakeLoad {
    std::atomic<unsigned long long> now{1000};
    std::mutex m;
    TCpuTimes times{0, 0};
    void busy(int percent, unsigned long long span = 1000) {
        std::lock_guard l(m);
        times.Total += span;
        times.Idle += span * static_cast<unsigned long long>(100 - percent) / 100;
    }
    void install(TWorkerThreadPool& pool) {
        pool.SetLoadSources([this] { return now.load(); },
                            [this](TCpuTimes& t) {
                                std::lock_guard l(m);
                                t = times;
                                return true;
                            });
    }
};

class TOwner : public TObject {
    Q_OBJECT
};

// An owner that cancels its items when freed; its completions write into it.
class TListLike : public TObject {
    Q_OBJECT

public:
    explicit TListLike(TWorkerThreadPool* Pool) : pool(Pool) {}
    ~TListLike() override { pool->CancelWorkItems(this); }
    TWorkerThreadPool* pool;
    std::vector<int> results;
};

}  // namespace

TEST(ThreadPool, ItemsRunOnWorkersAndCompleteOnTheUserInterfaceThread) {
    TWorkerThreadPool pool;
    std::atomic<int> executedOffMain{0};
    std::vector<int> completed;
    int allDone = 0;
    pool.OnAllItemsDone = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &pool);
        EXPECT_TRUE(onMainThread());
        ++allDone;
    };
    for (int i = 0; i < 20; ++i)
        pool.AddWorkItem(item(
            nullptr, [&](TTestItem&) { executedOffMain += onMainThread() ? 0 : 1; },
            [&, i](TBasicWorkItem* Sender) {
                EXPECT_TRUE(onMainThread());
                EXPECT_NE(Sender, nullptr);
                completed.push_back(i);
            }));
    ASSERT_TRUE(spinUntil([&] { return allDone > 0 && pool.PendingCount() == 0; }));
    EXPECT_EQ(executedOffMain, 20);
    ASSERT_EQ(completed.size(), 20u);
    std::sort(completed.begin(), completed.end());
    for (int i = 0; i < 20; ++i) EXPECT_EQ(completed[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(allDone, 1);
    EXPECT_GE(pool.ThreadCount(), 1);
    EXPECT_EQ(pool.FailedCount(), 0);
}

TEST(ThreadPool, AnItemThatThrowsIsSkippedAndTheWorkerGoesOn) {
    TWorkerThreadPool pool;
    FakeLoad load;
    load.install(pool);
    load.now += 201;
    load.busy(100);  // one worker only: the one that survives the exceptions runs everything
    int completions = 0;
    int allDone = 0;
    pool.OnAllItemsDone = [&](TObject*) { ++allDone; };
    for (int i = 0; i < 6; ++i) {
        const bool throws = i % 2 == 0;
        pool.AddWorkItem(item(
            nullptr,
            [throws, i](TTestItem&) {
                if (!throws) return;
                if (i == 2) throw 42;  // not even a std::exception
                throw std::runtime_error("broken picture");
            },
            [&](TBasicWorkItem*) { ++completions; }));
    }
    ASSERT_TRUE(spinUntil([&] { return allDone == 1; }));
    EXPECT_EQ(pool.ThreadCount(), 1);
    EXPECT_EQ(completions, 3);
    EXPECT_EQ(pool.FailedCount(), 3);
    EXPECT_EQ(pool.PendingCount(), 0);

    // A completion that throws on the user-interface thread is counted too.
    pool.AddWorkItem(item(nullptr, nullptr, [](TBasicWorkItem*) { throw std::runtime_error("late"); }));
    ASSERT_TRUE(spinUntil([&] { return allDone == 2; }));
    EXPECT_EQ(pool.FailedCount(), 4);
}

TEST(ThreadPool, AnItemWithoutDoneEventReportsNothingAndStillCountsAsDone) {
    TWorkerThreadPool pool;
    std::atomic<bool> ran{false};
    auto it = item(nullptr, [&](TTestItem&) { ran = true; });
    EXPECT_FALSE(it->GetCompletion());
    int allDone = 0;
    pool.OnAllItemsDone = [&](TObject*) { ++allDone; };
    pool.AddWorkItem(it);
    ASSERT_TRUE(spinUntil([&] { return allDone == 1; }));
    EXPECT_TRUE(ran);
    EXPECT_EQ(pool.PendingCount(), 0);
}

TEST(ThreadPool, SpawnRuleFollowsTheClockAndTheLoad) {
    TWorkerThreadPool pool(4);
    FakeLoad load;
    load.install(pool);
    auto gate = std::make_shared<Gate>();
    auto blocker = [gate](TTestItem&) { gate->pass(); };

    // The baseline is taken at creation: an immediate second sample over a zero interval
    // reads the previous value (0), never 100, so the second worker starts at once.
    pool.AddWorkItem(item(nullptr, blocker));
    EXPECT_EQ(pool.ThreadCount(), 1);
    pool.AddWorkItem(item(nullptr, blocker));
    EXPECT_EQ(pool.ThreadCount(), 2);
    EXPECT_EQ(pool.ProcessorLoad(), 0);

    // A third only 200 ms after the last decision and only below 80 %.
    auto later = [&](unsigned long long ms, int percent) {
        load.now += ms;
        load.busy(percent);
        pool.AddWorkItem(item(nullptr, blocker));
        return pool.ThreadCount();
    };
    EXPECT_EQ(later(199, 90), 2);
    EXPECT_EQ(later(201, 90), 2);
    EXPECT_EQ(pool.ProcessorLoad(), 90);
    EXPECT_EQ(later(201, 50), 3);
    EXPECT_EQ(pool.ProcessorLoad(), 50);

    gate->release();
    ASSERT_TRUE(spinUntil([&] { return pool.PendingCount() == 0; }));
}

TEST(ThreadPool, TheFirstItemStartsAWorkerWhateverTheLoad) {
    TWorkerThreadPool pool;
    FakeLoad load;
    load.install(pool);
    load.now += 500;
    load.busy(100);
    EXPECT_EQ(pool.ProcessorLoad(), 100);
    auto gate = std::make_shared<Gate>();
    pool.AddWorkItem(item(nullptr, [gate](TTestItem&) { gate->pass(); }));
    pool.AddWorkItem(item(nullptr, [gate](TTestItem&) { gate->pass(); }));
    EXPECT_EQ(pool.ThreadCount(), 1);
    gate->release();
    ASSERT_TRUE(spinUntil([&] { return pool.PendingCount() == 0; }));
}

TEST(ThreadPool, LoadIsTheIdleShareOfTheAggregateLineRoundedHalfToEven) {
    TCpuTimes t;
    ASSERT_TRUE(ParseProcStatCpuTimes("cpu  10 2 8 70 10 0 0 0 5 0\ncpu0 1 1 1 1 1 0 0 0\nintr 1\n", t));
    EXPECT_EQ(t.Idle, 80u);    // idle + iowait
    EXPECT_EQ(t.Total, 100u);  // guest time lies inside user time already
    EXPECT_FALSE(ParseProcStatCpuTimes("cpu0 1 2 3 4\n", t));
    EXPECT_FALSE(ParseProcStatCpuTimes("cpu 1 2 3\n", t));
    TCpuTimes real;
    EXPECT_TRUE(ReadProcStatCpuTimes(real));
    EXPECT_GT(real.Total, 0u);
    EXPECT_GE(ProcessorCount(), 1);

    TWorkerThreadPool pool;
    FakeLoad load;
    load.install(pool);
    // 87.5 % goes to 88 and 62.5 % to 62 (halves to the even neighbour).
    {
        std::lock_guard l(load.m);
        load.times.Total += 8;
        load.times.Idle += 1;
    }
    load.now += 201;
    EXPECT_EQ(pool.ProcessorLoad(), 88);
    {
        std::lock_guard l(load.m);
        load.times.Total += 8;
        load.times.Idle += 3;
    }
    load.now += 100;
    EXPECT_EQ(pool.ProcessorLoad(), 88);  // within 200 ms: the last sample
    load.now += 101;
    EXPECT_EQ(pool.ProcessorLoad(), 62);
    // No time passed on the processors: the previous value stays.
    load.now += 500;
    EXPECT_EQ(pool.ProcessorLoad(), 62);
    // Unreadable times count as no load.
    pool.SetLoadSources([&] { return load.now.load(); }, [](TCpuTimes&) { return false; });
    load.now += 500;
    EXPECT_EQ(pool.ProcessorLoad(), 0);
}

TEST(ThreadPool, ASingleProcessorMachineRunsAtMostEightWorkers) {
    TWorkerThreadPool pool(1);
    EXPECT_EQ(pool.MaxRunningThreads(), 8);
    FakeLoad load;
    load.install(pool);
    auto gate = std::make_shared<Gate>();
    std::atomic<int> running{0}, most{0};
    for (int i = 0; i < 30; ++i) {
        load.now += 300;
        load.busy(0);
        pool.AddWorkItem(item(nullptr, [&, gate](TTestItem&) {
            const int r = ++running;
            int m = most;
            while (r > m && !most.compare_exchange_weak(m, r)) {
            }
            gate->pass();
            --running;
        }));
        EXPECT_LE(pool.ThreadCount(), 8);
    }
    EXPECT_EQ(pool.ThreadCount(), 8);
    ASSERT_TRUE(spinUntil([&] { return gate->waiting == 8; }));
    gate->release();
    ASSERT_TRUE(spinUntil([&] { return pool.PendingCount() == 0; }));
    EXPECT_EQ(most, 8);
}

TEST(ThreadPool, CancellingAnOwnerKeepsTheOthersInOrderAndAbortsOnlyItsRunningItem) {
    TWorkerThreadPool pool;
    FakeLoad load;
    load.install(pool);
    TOwner a, b;
    auto gate = std::make_shared<Gate>();
    std::mutex m;
    std::vector<int> order;
    std::vector<int> completed;
    int allDone = 0;
    pool.OnAllItemsDone = [&](TObject*) { ++allDone; };

    // Two workers, one blocked in an item of each owner.
    auto runningA = item(&a, [gate](TTestItem&) { gate->pass(); }, [&](TBasicWorkItem*) { completed.push_back(-1); });
    auto runningB = item(&b, [gate](TTestItem&) { gate->pass(); }, [&](TBasicWorkItem*) { completed.push_back(-2); });
    pool.AddWorkItem(runningA);
    pool.AddWorkItem(runningB);
    ASSERT_EQ(pool.ThreadCount(), 2);
    ASSERT_TRUE(spinUntil([&] { return gate->waiting == 2; }));
    for (int i = 0; i < 6; ++i) {
        TObject* owner = i % 2 ? static_cast<TObject*>(&b) : &a;
        pool.AddWorkItem(item(owner, [&, i](TTestItem&) {
            std::lock_guard l(m);
            order.push_back(i);
        }, [&, i](TBasicWorkItem*) { completed.push_back(i); }));
    }
    EXPECT_EQ(pool.PendingCount(), 8);

    pool.CancelWorkItems(&a);
    EXPECT_TRUE(runningA->Aborted());
    EXPECT_FALSE(runningB->Aborted());  // another owner's running item is left alone
    EXPECT_EQ(pool.PendingCount(), 5);  // the three removed items count as done

    gate->release();
    ASSERT_TRUE(spinUntil([&] { return allDone == 1; }));
    EXPECT_EQ(order, (std::vector<int>{1, 3, 5}));
    // The cancelled running item of owner a reports nothing.
    EXPECT_EQ(std::count(completed.begin(), completed.end(), -1), 0);
    EXPECT_EQ(std::count(completed.begin(), completed.end(), -2), 1);
    EXPECT_EQ(completed.size(), 4u);
}

TEST(ThreadPool, ItemsAddedDuringACancellationAreDropped) {
    TWorkerThreadPool pool;
    auto gate = std::make_shared<Gate>();
    std::atomic<bool> lateRan{false};
    class TAddingOnAbort : public TTestItem {
    public:
        TAddingOnAbort(TWorkerThreadPool* Pool, std::shared_ptr<Gate> G, std::atomic<bool>* Late)
            : TTestItem(nullptr, [G](TTestItem&) { G->pass(); }), pool(Pool), late(Late) {}
        void Abort() override {
            TTestItem::Abort();
            pool->AddWorkItem(item(nullptr, [this](TTestItem&) { *late = true; }));
        }
        TWorkerThreadPool* pool;
        std::atomic<bool>* late;
    };
    pool.AddWorkItem(std::make_shared<TAddingOnAbort>(&pool, gate, &lateRan));
    ASSERT_TRUE(spinUntil([&] { return gate->waiting == 1; }));
    pool.CancelWorkItems();
    EXPECT_EQ(pool.PendingCount(), 1);  // only the running item
    gate->release();
    ASSERT_TRUE(spinUntil([&] { return pool.PendingCount() == 0; }));
    spinFor(50);
    EXPECT_FALSE(lateRan);
}

TEST(ThreadPool, AnOwnerFreedWhileItsItemsRunGetsNoLateResult) {
    TWorkerThreadPool pool;
    auto gate = std::make_shared<Gate>();
    auto late = std::make_shared<std::atomic<int>>(0);
    auto* list = new TListLike(&pool);
    for (int i = 0; i < 12; ++i)
        pool.AddWorkItem(item(list, [gate](TTestItem& self) {
            gate->pass();
            if (self.Aborted()) return;
        }, [list, late, i](TBasicWorkItem*) {
            ++*late;
            list->results.push_back(i);  // would write into freed memory
        }));
    ASSERT_TRUE(spinUntil([&] { return gate->waiting >= 2; }));
    delete list;  // cancels in its destructor
    gate->release();
    ASSERT_TRUE(spinUntil([&] { return pool.PendingCount() == 0; }));
    spinFor(20);
    EXPECT_EQ(*late, 0);
}

TEST(ThreadPool, PausedWorkersTakeNoItemsAndItemsSeeThePause) {
    TWorkerThreadPool pool;
    FakeLoad load;
    load.install(pool);
    load.now += 201;
    load.busy(100);
    std::atomic<bool> sawPause{false};
    std::atomic<bool> checking{false};
    std::atomic<int> later{0};
    pool.AddWorkItem(item(nullptr, [&](TTestItem& self) {
        checking = true;
        while (!self.Paused()) std::this_thread::yield();
        sawPause = true;
        EXPECT_FALSE(self.CheckPaused());  // returns once resumed
    }));
    ASSERT_TRUE(spinUntil([&] { return checking.load(); }));
    pool.SetPaused(true);
    pool.AddWorkItem(item(nullptr, [&](TTestItem&) { ++later; }));
    spinFor(150);
    EXPECT_TRUE(sawPause);
    EXPECT_EQ(later, 0);
    EXPECT_EQ(pool.PendingCount(), 2);
    pool.SetPaused(false);
    ASSERT_TRUE(spinUntil([&] { return pool.PendingCount() == 0; }));
    EXPECT_EQ(later, 1);
}

TEST(ThreadPool, CheckPausedReportsAnAbortWhilePaused) {
    auto it = item(nullptr, nullptr);
    it->SetPaused(true);
    std::atomic<bool> result{false};
    std::thread t([&] { result = it->CheckPaused(); });
    std::this_thread::sleep_for(30ms);
    it->Abort();
    t.join();
    EXPECT_TRUE(result);
}

TEST(ThreadPool, IdleWorkersEndAndAnItemQueuedMeanwhileStillRuns) {
    TWorkerThreadPool pool;
    pool.SetIdleTimeout(40);
    int ended = 0, allEnded = 0;
    pool.OnThreadTerminated = [&](TObject* Sender, TWorkerThread* Thread) {
        EXPECT_EQ(Sender, &pool);
        EXPECT_TRUE(onMainThread());
        EXPECT_TRUE(Thread->Terminated());
        ++ended;
    };
    pool.OnAllThreadsTerminated = [&](TObject*) { ++allEnded; };
    pool.AddWorkItem(item(nullptr, nullptr));
    ASSERT_TRUE(spinUntil([&] { return pool.ThreadCount() == 0 && allEnded == 1; }));
    EXPECT_EQ(ended, 1);

    // Items queued around the moment a worker gives up are never stranded.
    std::atomic<int> ran{0};
    for (int round = 0; round < 15; ++round) {
        std::this_thread::sleep_for(std::chrono::milliseconds(36 + round % 8));
        pool.AddWorkItem(item(nullptr, [&](TTestItem&) { ++ran; }));
        ASSERT_TRUE(spinUntil([&] { return ran == round + 1; }, 2000)) << "round " << round;
    }
    ASSERT_TRUE(spinUntil([&] { return pool.ThreadCount() == 0; }));
}

TEST(ThreadPool, AllItemsDoneIsNotReportedWhileItemsQueuedSinceArePending) {
    TWorkerThreadPool pool;
    int allDone = 0;
    pool.OnAllItemsDone = [&](TObject*) { ++allDone; };
    pool.AddWorkItem(item(nullptr, nullptr));
    // The worker reaches zero and waits to report it while this thread queues more.
    while (pool.PendingCount() != 0) std::this_thread::sleep_for(1ms);
    Gate gate;
    pool.AddWorkItem(item(nullptr, [&](TTestItem&) { gate.pass(); }));
    spinFor(100);
    EXPECT_EQ(allDone, 0);
    EXPECT_EQ(pool.PendingCount(), 1);
    gate.release();
    ASSERT_TRUE(spinUntil([&] { return allDone == 1; }));
    EXPECT_EQ(pool.PendingCount(), 0);
}

TEST(ThreadPool, APoolDestroyedWhileAnIdleWorkerReportsItsEndServesTheReport) {
    int ended = 0;
    {
        TWorkerThreadPool pool;
        pool.SetIdleTimeout(20);
        int allDone = 0;
        pool.OnAllItemsDone = [&](TObject*) { ++allDone; };
        pool.OnThreadTerminated = [&](TObject*, TWorkerThread*) { ++ended; };
        pool.AddWorkItem(item(nullptr, nullptr));
        ASSERT_TRUE(spinUntil([&] { return allDone == 1; }));
        // Without events served the worker times out and blocks on its end report.
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (pool.ThreadCount() != 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        ASSERT_EQ(pool.ThreadCount(), 0);
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(ended, 1);
}

TEST(ThreadPool, TerminatingWaitsForWorkersAndCountsTheirItems) {
    auto pool = std::make_unique<TWorkerThreadPool>();
    std::atomic<int> started{0}, aborted{0};
    int allDone = 0;
    pool->OnAllItemsDone = [&](TObject*) { ++allDone; };
    for (int i = 0; i < 5; ++i)
        pool->AddWorkItem(item(nullptr, [&](TTestItem& self) {
            ++started;
            while (!self.Aborted()) std::this_thread::sleep_for(1ms);
            ++aborted;
        }));
    ASSERT_EQ(pool->ThreadCount(), 2);
    ASSERT_TRUE(spinUntil([&] { return started == 2; }));
    pool->TerminateAll(true);
    EXPECT_EQ(pool->ThreadCount(), 0);
    EXPECT_EQ(pool->PendingCount(), 0);
    EXPECT_EQ(started, 2);  // the queued ones were cancelled
    EXPECT_EQ(aborted, 2);
    EXPECT_EQ(allDone, 1);
    // The pool takes work again afterwards.
    std::atomic<bool> ran{false};
    pool->AddWorkItem(item(nullptr, [&](TTestItem&) { ran = true; }));
    ASSERT_TRUE(spinUntil([&] { return ran.load() && pool->PendingCount() == 0; }));
    pool.reset();
}

TEST(ThreadPool, AStuckWorkerIsDetachedAfterTheTimeoutAndTouchesNothingFreed) {
    auto gate = std::make_shared<Gate>();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    auto completed = std::make_shared<std::atomic<bool>>(false);
    QElapsedTimer t;
    {
        TWorkerThreadPool pool;
        pool.SetHardTerminationTimeout(300);
        pool.AddWorkItem(item(nullptr, [gate, finished](TTestItem&) {
            gate->pass();  // ignores the abort
            *finished = true;
        }, [completed](TBasicWorkItem*) { *completed = true; }));
        ASSERT_TRUE(spinUntil([&] { return gate->waiting == 1; }));
        t.start();
    }
    const qint64 took = t.elapsed();
    EXPECT_GE(took, 250);
    EXPECT_LT(took, 2000);
    gate->release();
    ASSERT_TRUE(spinUntil([&] { return finished->load(); }));
    spinFor(50);
    EXPECT_FALSE(*completed);
}

TEST(ThreadPool, DestroyingThePoolFromItsOwnCompletionDoesNotHang) {
    auto* pool = new TWorkerThreadPool;
    pool->SetHardTerminationTimeout(2000);
    bool freed = false;
    pool->AddWorkItem(item(nullptr, nullptr, [&](TBasicWorkItem*) {
        delete pool;
        freed = true;
    }));
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(spinUntil([&] { return freed; }));
    EXPECT_LT(t.elapsed(), 1500);
    spinFor(30);
}

TEST(ThreadPool, TheShellPoolsLiveBetweenInitAndDone) {
    EXPECT_EQ(FolderSizeThreadPool(), nullptr);
    {
        TShellThreadPools pools;
        ASSERT_NE(FolderSizeThreadPool(), nullptr);
        ASSERT_NE(ThumbnailThreadPool(), nullptr);
        EXPECT_NE(FolderSizeThreadPool(), ThumbnailThreadPool());
        std::atomic<bool> ran{false};
        ThumbnailThreadPool()->AddWorkItem(item(nullptr, [&](TTestItem&) { ran = true; }));
        ASSERT_TRUE(spinUntil([&] { return ran.load(); }));
    }
    EXPECT_EQ(FolderSizeThreadPool(), nullptr);
    EXPECT_EQ(ThumbnailThreadPool(), nullptr);
}

// Thousands of items, some throwing, some cancelled with their owners, on as many workers
// as the pool allows; run in the sanitizer builds too.
TEST(ThreadPool, StressWithThrowingItemsAndOwnersFreedMidway) {
    TWorkerThreadPool pool;
    FakeLoad load;
    load.install(pool);
    std::mt19937 random(7);
    std::atomic<int> executed{0}, running{0}, most{0};
    int completions = 0, allDone = 0;
    pool.OnAllItemsDone = [&](TObject*) { ++allDone; };
    std::vector<std::unique_ptr<TListLike>> owners;
    for (int i = 0; i < 8; ++i) owners.push_back(std::make_unique<TListLike>(&pool));
    const int total = 4000;
    for (int i = 0; i < total; ++i) {
        TListLike* owner = owners[static_cast<std::size_t>(random() % owners.size())].get();
        const bool throws = random() % 7 == 0;
        const int spin = static_cast<int>(random() % 200);
        load.now += 250;  // an idle machine: a worker may start with every item
        load.busy(0);
        pool.AddWorkItem(item(owner, [&, throws, spin](TTestItem& self) {
            const int r = ++running;
            int m = most;
            while (r > m && !most.compare_exchange_weak(m, r)) {
            }
            volatile int x = 0;
            for (int k = 0; k < spin * 50 && !self.Aborted(); ++k) x = x + k;
            ++executed;
            --running;
            if (throws) throw std::runtime_error("bad");
        }, [owner, i, &completions](TBasicWorkItem*) {
            owner->results.push_back(i);
            ++completions;
        }));
        if (i % 500 == 250) {
            // Free one owner in the middle of the run: its items must never report again.
            owners.erase(owners.begin());
            owners.push_back(std::make_unique<TListLike>(&pool));
        }
        if (i % 100 == 0) QCoreApplication::processEvents();
    }
    ASSERT_TRUE(spinUntil([&] { return pool.PendingCount() == 0 && allDone > 0; }, 60000));
    EXPECT_LE(most, pool.MaxRunningThreads());
    EXPECT_LE(pool.ThreadCount(), pool.MaxRunningThreads());
    EXPECT_GT(executed, total / 2);
    EXPECT_GT(pool.FailedCount(), 0);
    std::size_t kept = 0;
    for (const auto& o : owners) kept += o->results.size();
    EXPECT_LE(kept, static_cast<std::size_t>(completions));
    owners.clear();
}

#include "ThreadPoolTest.moc"
