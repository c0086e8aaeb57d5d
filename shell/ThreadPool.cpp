// The worker thread pool on std::thread, with hand-over to the user-interface thread
// through TThread::Synchronize.
#include "shell/ThreadPool.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

// ---- Work items ---------------------------------------------------------------------------

TThreadMethod TBasicWorkItem::GetCompletion() {
    std::lock_guard lock(mutex_);
    if (!onDone_) return {};
    return [this] { OnDone()(this); };
}

void TBasicWorkItem::Abort() {
    {
        std::lock_guard lock(mutex_);
        aborted_ = true;
    }
    wake_.notify_all();
}

void TBasicWorkItem::SetPaused(bool Value) {
    {
        std::lock_guard lock(mutex_);
        paused_ = Value;
    }
    wake_.notify_all();
}

void TBasicWorkItem::SetOnDone(const TWorkItemEvent& Value) {
    std::lock_guard lock(mutex_);
    onDone_ = Value;
}

TWorkItemEvent TBasicWorkItem::OnDone() const {
    std::lock_guard lock(mutex_);
    return onDone_;
}

bool TBasicWorkItem::CheckPaused() {
    std::unique_lock lock(mutex_);
    while (paused_ && !aborted_) wake_.wait_for(lock, 100ms);
    return aborted_;
}

// ---- Processors -----------------------------------------------------------------------------

bool ParseProcStatCpuTimes(const std::string& Text, TCpuTimes& Times) {
    std::istringstream lines(Text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name;
        if (!(fields >> name) || name != "cpu") continue;
        // user nice system idle iowait irq softirq steal; guest time is inside user already.
        unsigned long long v[8] = {};
        int n = 0;
        while (n < 8 && (fields >> v[n])) ++n;
        if (n < 4) return false;
        Times.Idle = v[3] + v[4];
        Times.Total = 0;
        for (int i = 0; i < n; ++i) Times.Total += v[i];
        return true;
    }
    return false;
}

bool ReadProcStatCpuTimes(TCpuTimes& Times) {
    std::ifstream in("/proc/stat");
    if (!in) return false;
    std::string first;
    if (!std::getline(in, first)) return false;
    return ParseProcStatCpuTimes(first, Times);
}

int ProcessorCount() {
    const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
    return n < 1 ? 1 : static_cast<int>(std::min<long>(n, 4096));
}

// ---- The shared state -------------------------------------------------------------------------

namespace threadpool_detail {

namespace {

unsigned long long steadyMilliseconds() {
    return static_cast<unsigned long long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

constexpr unsigned long long kSpawnInterval = 200;
constexpr unsigned long long kSampleInterval = 200;
constexpr int kLoadThreshold = 80;

// Runs f on the user-interface thread and waits; false when f (or the hand-over) raised.
bool runOnUserInterface(const std::function<void()>& f) {
    try {
        TThread::Synchronize(nullptr, f);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

struct Worker {
    TWorkerThread view;
    std::thread thread;
    IWorkItemPtr current;
    bool currentCancelled = false;  // its current item was cancelled: skip the completion
    bool inHandler = false;         // the user-interface thread runs a handler for it now
    bool abandoned = false;         // detached after the timeout: touches nothing shared
    bool finished = false;          // no longer touches the pool
};
using WorkerPtr = std::shared_ptr<Worker>;

struct Core : std::enable_shared_from_this<Core> {
    mutable std::mutex mutex;
    std::condition_variable wake;     // workers: an item, a pause change, the end
    std::condition_variable changed;  // waiters: a worker finished or needs the UI thread
    std::deque<IWorkItemPtr> queue;
    std::vector<WorkerPtr> workers;   // started and not yet ended
    std::vector<WorkerPtr> ending;    // left the live list, still reporting their end
    std::vector<std::thread> zombies;  // ended threads, to be joined
    TWorkerThreadPool* pool = nullptr;  // null once the pool object is gone
    bool cancelling = false;
    bool terminating = false;
    bool closed = false;
    bool paused = false;
    std::atomic<int> pending{0};
    std::atomic<int> failed{0};
    unsigned idleTimeout = 60000;
    unsigned hardTimeout = 3000;
    int maxThreads = 8;

    TTickSource clock;
    TCpuTimesSource times;
    TCpuTimes lastTimes;
    bool haveTimes = false;
    unsigned long long lastSampleTick = 0;
    int lastLoad = 0;
    bool decided = false;
    unsigned long long lastDecisionTick = 0;

    unsigned long long tick() const { return clock ? clock() : steadyMilliseconds(); }

    // Under the lock.
    void takeBaseline() {
        TCpuTimes t;
        haveTimes = (times ? times(t) : ReadProcStatCpuTimes(t));
        if (haveTimes) lastTimes = t;
        lastSampleTick = tick();
        lastLoad = 0;
    }

    // Under the lock.
    int sampleLoad(unsigned long long now) {
        if (now - lastSampleTick <= kSampleInterval) return lastLoad;
        TCpuTimes t;
        const bool ok = times ? times(t) : ReadProcStatCpuTimes(t);
        double load = lastLoad;
        if (!ok) {
            load = -1;
        } else if (haveTimes && t.Total > lastTimes.Total && t.Idle >= lastTimes.Idle) {
            const double idle = static_cast<double>(t.Idle - lastTimes.Idle);
            const double total = static_cast<double>(t.Total - lastTimes.Total);
            load = 100.0 - idle / total * 100.0;
        }
        // A zero interval (or counters that went back) keeps the previous sample.
        if (ok) {
            lastTimes = t;
            haveTimes = true;
        }
        lastSampleTick = now;
        lastLoad = static_cast<int>(std::clamp(std::nearbyint(load), 0.0, 100.0));
        return lastLoad;
    }

    int liveCount() const {
        return static_cast<int>(std::count_if(workers.begin(), workers.end(),
                                              [](const WorkerPtr& w) { return !w->view.terminated_; }));
    }

    // Under the lock, after an item was queued.
    void spawnRule() {
        const int live = liveCount();
        if (live >= maxThreads) return;
        const unsigned long long now = tick();
        if (decided && now - lastDecisionTick < kSpawnInterval && live >= 2) return;
        if (live == 0 || sampleLoad(now) < kLoadThreshold) startWorker();
        decided = true;
        lastDecisionTick = now;
    }

    // Under the lock; the new thread waits for the lock before it looks at itself.
    void startWorker() {
        auto w = std::make_shared<Worker>();
        w->view.paused_ = paused;
        workers.push_back(w);
        try {
            w->thread = std::thread(&Core::run, shared_from_this(), w);
        } catch (...) {
            // No thread could be made: the item stays queued for the next chance.
            workers.pop_back();
        }
    }

    std::vector<std::thread> takeZombies() {
        std::vector<std::thread> out;
        out.swap(zombies);
        return out;
    }

    static void joinAll(std::vector<std::thread>& threads) {
        for (std::thread& t : threads) {
            if (!t.joinable()) continue;
            if (t.get_id() == std::this_thread::get_id())
                t.detach();
            else
                t.join();
        }
    }

    // The pool object while it exists, for handlers on the user-interface thread.
    TWorkerThreadPool* livePool() const {
        std::lock_guard lock(mutex);
        return pool;
    }

    // Runs a handler for worker w on the user-interface thread.
    void handOver(const WorkerPtr& w, const std::function<void()>& handler, bool countFailure) {
        {
            std::lock_guard lock(mutex);
            if (w->abandoned || !pool) return;
        }
        changed.notify_all();
        const bool ok = runOnUserInterface([&] {
            {
                std::lock_guard lock(mutex);
                if (w->abandoned || !pool) return;
                w->inHandler = true;
            }
            struct Clear {
                Core* core;
                Worker* w;
                ~Clear() {
                    std::lock_guard lock(core->mutex);
                    w->inHandler = false;
                }
            } clear{this, w.get()};
            handler();
        });
        if (!ok && countFailure) ++failed;
    }

    // A handler that raises does not stop the pool (nor a destructor that fires it). Items
    // queued while the hand-over waited make the news stale: their own end reports it.
    void allItemsDone() {
        if (pending.load() != 0) return;
        try {
            if (TWorkerThreadPool* p = livePool()) {
                const TNotifyEvent e = p->OnAllItemsDone;
                e(p);
            }
        } catch (...) {
        }
    }

    // From any thread: fires the all-items-done event on the user-interface thread.
    void allItemsDoneNow() {
        if (TThread::IsMainThread())
            allItemsDone();
        else
            runOnUserInterface([this] { allItemsDone(); });
    }

    // One item counted as done, from a worker.
    void itemDone(const WorkerPtr& w) {
        if (pending.fetch_sub(1) == 1) handOver(w, [this] { allItemsDone(); }, false);
    }

    static void run(std::shared_ptr<Core> core, WorkerPtr self) {
        for (;;) {
            IWorkItemPtr item;
            {
                std::unique_lock lock(core->mutex);
                auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(core->idleTimeout);
                for (;;) {
                    if (self->view.terminated_) break;
                    if (!self->view.paused_ && !core->queue.empty()) {
                        item = std::move(core->queue.front());
                        core->queue.pop_front();
                        break;
                    }
                    if (core->wake.wait_until(lock, deadline) == std::cv_status::timeout) {
                        // The queue is looked at once more under the lock before ending.
                        if (!self->view.paused_ && !core->queue.empty()) continue;
                        if (std::chrono::steady_clock::now() >= deadline) break;
                    }
                }
                if (!item) {
                    self->view.terminated_ = true;
                    break;
                }
                self->current = item;
                self->currentCancelled = false;
            }
            if (self->view.paused_) item->SetPaused(true);

            bool ok = true;
            try {
                item->Execute();
            } catch (...) {
                ok = false;
            }
            TThreadMethod completion;
            if (ok) {
                try {
                    completion = item->GetCompletion();
                } catch (...) {
                    ok = false;
                }
            }
            if (!ok) ++core->failed;
            if (completion)
                core->handOver(self, [&] {
                    {
                        std::lock_guard lock(core->mutex);
                        if (self->currentCancelled) return;
                    }
                    completion();
                }, true);

            bool abandoned;
            {
                std::lock_guard lock(core->mutex);
                self->current.reset();
                abandoned = self->abandoned;
            }
            completion = nullptr;
            item.reset();  // the item's destructor runs outside the lock
            if (!abandoned) core->itemDone(self);
        }

        // Leave the live list, tell the pool, then hand the thread over for joining.
        bool last;
        {
            std::lock_guard lock(core->mutex);
            auto& ws = core->workers;
            ws.erase(std::remove(ws.begin(), ws.end(), self), ws.end());
            last = ws.empty();
            if (!self->abandoned) core->ending.push_back(self);
        }
        core->handOver(self, [&] {
            TWorkerThreadPool* p = core->livePool();
            if (!p) return;
            const TThreadTerminatedEvent e = p->OnThreadTerminated;
            e(p, &self->view);
            if (!last) return;
            p = core->livePool();
            if (!p) return;
            const TNotifyEvent all = p->OnAllThreadsTerminated;
            all(p);
        }, false);
        {
            std::lock_guard lock(core->mutex);
            if (!self->abandoned) core->zombies.push_back(std::move(self->thread));
            auto& es = core->ending;
            es.erase(std::remove(es.begin(), es.end(), self), es.end());
            self->finished = true;
        }
        core->changed.notify_all();
    }

    // Waits for the given workers to finish, serving synchronized calls on the
    // user-interface thread; detaches those still running after the timeout.
    void waitFor(const std::vector<WorkerPtr>& ws) {
        const bool ui = TThread::IsMainThread();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(hardTimeout);
        for (;;) {
            {
                std::unique_lock lock(mutex);
                auto unfinished = [&] {
                    return std::count_if(ws.begin(), ws.end(), [](const WorkerPtr& w) {
                        return !w->finished && !w->abandoned;
                    });
                };
                // A worker whose handler runs below us cannot end before we return.
                if (ui)
                    for (const WorkerPtr& w : ws)
                        if (w->inHandler && !w->finished) abandon(w);
                if (unfinished() == 0) return;
                if (std::chrono::steady_clock::now() >= deadline) {
                    for (const WorkerPtr& w : ws)
                        if (!w->finished) abandon(w);
                    return;
                }
                changed.wait_for(lock, 5ms, [&] { return unfinished() == 0; });
            }
            if (ui) TThread::CheckSynchronize();
        }
    }

    // Under the lock.
    void abandon(const WorkerPtr& w) {
        if (w->abandoned) return;
        w->abandoned = true;
        w->view.terminated_ = true;
        if (w->thread.joinable()) w->thread.detach();
        workers.erase(std::remove(workers.begin(), workers.end(), w), workers.end());
        ending.erase(std::remove(ending.begin(), ending.end(), w), ending.end());
    }

    ~Core() {
        // Whatever was not joined belongs to no one any more.
        for (std::thread& t : zombies)
            if (t.joinable()) t.detach();
    }
};

}  // namespace threadpool_detail

using threadpool_detail::Core;
using threadpool_detail::WorkerPtr;

// ---- The pool ---------------------------------------------------------------------------------

TWorkerThreadPool::TWorkerThreadPool(int Processors)
    : core_(std::make_shared<Core>()), maxThreads_(8 * (Processors > 0 ? Processors : ProcessorCount())) {
    std::lock_guard lock(core_->mutex);
    core_->pool = this;
    core_->maxThreads = maxThreads_;
    core_->takeBaseline();
}

TWorkerThreadPool::~TWorkerThreadPool() {
    {
        std::lock_guard lock(core_->mutex);
        core_->closed = true;
    }
    TerminateAll(true);
    std::vector<std::thread> zombies;
    {
        std::lock_guard lock(core_->mutex);
        core_->pool = nullptr;
        zombies = core_->takeZombies();
    }
    Core::joinAll(zombies);
}

void TWorkerThreadPool::AddWorkItem(const IWorkItemPtr& Item) {
    if (!Item) return;
    std::vector<std::thread> zombies;
    {
        std::lock_guard lock(core_->mutex);
        if (core_->cancelling || core_->terminating || core_->closed) return;
        ++core_->pending;
        core_->queue.push_back(Item);
        core_->spawnRule();
        zombies = core_->takeZombies();
    }
    core_->wake.notify_one();
    Core::joinAll(zombies);
}

void TWorkerThreadPool::CancelWorkItems(TObject* Owner) {
    std::vector<IWorkItemPtr> removed, running;
    {
        std::lock_guard lock(core_->mutex);
        core_->cancelling = true;
        std::deque<IWorkItemPtr> kept;
        for (IWorkItemPtr& item : core_->queue) {
            if (!Owner || item->GetOwner() == Owner)
                removed.push_back(std::move(item));
            else
                kept.push_back(std::move(item));
        }
        core_->queue.swap(kept);
        for (auto it = core_->workers.rbegin(); it != core_->workers.rend(); ++it) {
            const WorkerPtr& w = *it;
            if (w->current && (!Owner || w->current->GetOwner() == Owner)) {
                w->currentCancelled = true;
                running.push_back(w->current);
            }
        }
    }
    for (const IWorkItemPtr& item : running) {
        try {
            item->Abort();
        } catch (...) {
        }
    }
    {
        std::lock_guard lock(core_->mutex);
        core_->cancelling = false;
    }
    const int n = static_cast<int>(removed.size());
    removed.clear();
    running.clear();
    if (n > 0 && core_->pending.fetch_sub(n) == n) core_->allItemsDoneNow();
}

void TWorkerThreadPool::TerminateAll(bool Wait) {
    {
        std::lock_guard lock(core_->mutex);
        core_->terminating = true;
    }
    struct Reset {
        Core* core;
        ~Reset() {
            std::lock_guard lock(core->mutex);
            core->terminating = false;
        }
    } reset{core_.get()};
    CancelWorkItems(nullptr);
    std::vector<WorkerPtr> ws;
    {
        std::lock_guard lock(core_->mutex);
        for (auto it = core_->workers.rbegin(); it != core_->workers.rend(); ++it) {
            (*it)->view.terminated_ = true;
            ws.push_back(*it);
        }
        // Workers that ended on their own may still wait to report it on this thread; a
        // pool gone before they do would leave them blocked for good.
        ws.insert(ws.end(), core_->ending.begin(), core_->ending.end());
    }
    core_->wake.notify_all();
    if (Wait) core_->waitFor(ws);
    std::deque<IWorkItemPtr> left;
    std::vector<std::thread> zombies;
    {
        std::lock_guard lock(core_->mutex);
        left.swap(core_->queue);
        zombies = core_->takeZombies();
    }
    Core::joinAll(zombies);
    left.clear();
    // Items of detached workers never report: count them as done now.
    if (Wait && core_->pending.exchange(0) != 0) core_->allItemsDoneNow();
}

void TWorkerThreadPool::SetPaused(bool Value) {
    std::vector<IWorkItemPtr> items;
    {
        std::lock_guard lock(core_->mutex);
        core_->paused = Value;
        for (const WorkerPtr& w : core_->workers) {
            w->view.paused_ = Value;
            if (w->current) items.push_back(w->current);
        }
    }
    core_->wake.notify_all();
    for (const IWorkItemPtr& item : items) item->SetPaused(Value);
}

int TWorkerThreadPool::ThreadCount() const {
    std::lock_guard lock(core_->mutex);
    return core_->liveCount();
}

int TWorkerThreadPool::PendingCount() const { return core_->pending.load(); }

int TWorkerThreadPool::FailedCount() const { return core_->failed.load(); }

int TWorkerThreadPool::ProcessorLoad() {
    std::lock_guard lock(core_->mutex);
    return core_->sampleLoad(core_->tick());
}

unsigned TWorkerThreadPool::IdleTimeout() const {
    std::lock_guard lock(core_->mutex);
    return core_->idleTimeout;
}

void TWorkerThreadPool::SetIdleTimeout(unsigned Milliseconds) {
    {
        std::lock_guard lock(core_->mutex);
        core_->idleTimeout = Milliseconds;
    }
    core_->wake.notify_all();
}

unsigned TWorkerThreadPool::HardTerminationTimeout() const {
    std::lock_guard lock(core_->mutex);
    return core_->hardTimeout;
}

void TWorkerThreadPool::SetHardTerminationTimeout(unsigned Milliseconds) {
    std::lock_guard lock(core_->mutex);
    core_->hardTimeout = Milliseconds;
}

void TWorkerThreadPool::SetLoadSources(TTickSource Clock, TCpuTimesSource Times) {
    std::lock_guard lock(core_->mutex);
    core_->clock = std::move(Clock);
    core_->times = std::move(Times);
    core_->decided = false;
    core_->takeBaseline();
}

// ---- The shell controls' pools -------------------------------------------------------------

namespace {
TWorkerThreadPool* folderSizePool = nullptr;
TWorkerThreadPool* thumbnailPool = nullptr;
}  // namespace

TWorkerThreadPool* FolderSizeThreadPool() { return folderSizePool; }
TWorkerThreadPool* ThumbnailThreadPool() { return thumbnailPool; }

void InitShellThreadPools() {
    if (!folderSizePool) folderSizePool = new TWorkerThreadPool;
    if (!thumbnailPool) thumbnailPool = new TWorkerThreadPool;
}

void DoneShellThreadPools() {
    // Reverse order of creation.
    delete thumbnailPool;
    thumbnailPool = nullptr;
    delete folderSizePool;
    folderSizePool = nullptr;
}
