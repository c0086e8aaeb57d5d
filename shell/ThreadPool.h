// The worker thread pool: small background jobs (work items) run on a bounded set of
// worker threads that start on demand and end after a minute without work. An item does
// its work in Execute on a worker and hands its result to the user-interface thread
// through its completion, which the worker runs there synchronously (TThread::Synchronize).
//
// Guarantees beyond the plain queue:
// - An exception escaping Execute (or a completion) never ends the program: the item's
//   completion is skipped, it still counts as done, and the worker goes on.
// - Cancelling an owner's items (on the user-interface thread) removes its queued items and
//   aborts its running ones; no completion of a cancelled item runs afterwards, so an owner
//   that cancels in its destructor receives no late result.
// - The pool's shared state outlives the pool object: a worker stuck in an item past the
//   hard-termination timeout is detached and never touches freed memory when it ends.
// Create and destroy pools on the user-interface thread.
#pragma once

#include "classlib/Classes.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// One job. Whatever it needs it carries; Execute runs on a worker and must not touch the
// user interface or shared program data.
class IWorkItem {
public:
    virtual ~IWorkItem() = default;
    // What to run on the user-interface thread after Execute; empty when there is nothing.
    virtual TThreadMethod GetCompletion() = 0;
    // The owner by which CancelWorkItems finds the item (compared by identity).
    virtual TObject* GetOwner() const = 0;
    virtual void Execute() = 0;
    virtual void Abort() = 0;
    virtual void SetPaused(bool Value) = 0;
};
using IWorkItemPtr = std::shared_ptr<IWorkItem>;

class TBasicWorkItem;
using TWorkItemEvent = TEvent<void(TBasicWorkItem* Sender)>;

// The base of the shell controls' items: aborted and paused flags, an owner and a done
// event that the completion fires.
class TBasicWorkItem : public IWorkItem {
public:
    explicit TBasicWorkItem(TObject* Owner = nullptr) : owner_(Owner) {}

    // The done event's dispatcher when OnDone is set, else empty.
    TThreadMethod GetCompletion() override;
    TObject* GetOwner() const override { return owner_; }
    void Abort() override;
    void SetPaused(bool Value) override;

    bool Aborted() const { return aborted_; }
    bool Paused() const { return paused_; }
    // Setting the done event also sets the completion.
    void SetOnDone(const TWorkItemEvent& Value);
    TWorkItemEvent OnDone() const;

protected:
    void SetOwner(TObject* Owner) { owner_ = Owner; }
    // For Execute: waits while the item is paused and not aborted; true once it has been
    // aborted (then stop early).
    bool CheckPaused();

private:
    TObject* owner_;
    std::atomic<bool> aborted_{false};
    std::atomic<bool> paused_{false};
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    TWorkItemEvent onDone_;
};

// What a load sample is made of: the aggregate idle time (iowait included) and the total
// time of all processors, in any unit.
struct TCpuTimes {
    unsigned long long Idle = 0;
    unsigned long long Total = 0;
};
// Reads the times; false when they cannot be read.
using TCpuTimesSource = std::function<bool(TCpuTimes& Times)>;
// A clock in milliseconds.
using TTickSource = std::function<unsigned long long()>;

// The aggregate "cpu" line of /proc/stat.
bool ReadProcStatCpuTimes(TCpuTimes& Times);
// Parses that line out of the text of /proc/stat; false when it is missing or short.
bool ParseProcStatCpuTimes(const std::string& Text, TCpuTimes& Times);
// Online processors (sysconf), at least 1.
int ProcessorCount();

// A worker of a pool, as the thread-terminated event shows it.
class TWorkerThread;
using TThreadTerminatedEvent = TEvent<void(TObject* Sender, TWorkerThread* Thread)>;

namespace threadpool_detail {
struct Core;
}

class TWorkerThreadPool : public TObject {
    Q_OBJECT

public:
    // ProcessorCount 0 asks the system; the pool runs at most 8 workers per processor.
    explicit TWorkerThreadPool(int ProcessorCount = 0);
    // Terminates the workers and waits for them (at most the hard-termination timeout).
    ~TWorkerThreadPool() override;

    // Queues an item and may start a worker; dropped while a cancellation or termination
    // runs. Any thread.
    void AddWorkItem(const IWorkItemPtr& Item);
    // Removes the owner's queued items (all with null) and aborts its running ones (all with
    // null). Removed items count as done. Call on the user-interface thread.
    void CancelWorkItems(TObject* Owner = nullptr);
    // Cancels all work and tells every worker to end; with Wait, waits for them while
    // serving synchronized calls, and detaches a worker still busy after the timeout.
    void TerminateAll(bool Wait);
    // Pauses or resumes every worker (and its current item); a paused worker takes no item.
    void SetPaused(bool Value);

    // Live workers (those not told to end).
    int ThreadCount() const;
    int MaxRunningThreads() const { return maxThreads_; }
    // Items queued or running that have not been counted as done.
    int PendingCount() const;
    // Items whose Execute or completion raised an exception.
    int FailedCount() const;
    // The processor load in whole per cent (0 to 100), sampled at most every 200 ms.
    int ProcessorLoad();

    unsigned IdleTimeout() const;
    void SetIdleTimeout(unsigned Milliseconds);
    unsigned HardTerminationTimeout() const;
    void SetHardTerminationTimeout(unsigned Milliseconds);
    // The clock of the spawn rule and the load samples, and where the load comes from;
    // empty restores the real ones. Takes a new baseline sample.
    void SetLoadSources(TTickSource Clock, TCpuTimesSource Times);

    // On the user-interface thread: every item done (the pending count reached 0).
    TNotifyEvent OnAllItemsDone;
    // On the user-interface thread: a worker ended; the last one also fires
    // OnAllThreadsTerminated.
    TThreadTerminatedEvent OnThreadTerminated;
    TNotifyEvent OnAllThreadsTerminated;

private:
    friend struct threadpool_detail::Core;
    std::shared_ptr<threadpool_detail::Core> core_;
    int maxThreads_;
};

// A worker as the pool's events see it.
class TWorkerThread {
public:
    bool Terminated() const { return terminated_; }
    bool Paused() const { return paused_; }

private:
    friend struct threadpool_detail::Core;
    friend class TWorkerThreadPool;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> paused_{false};
};

// The shell controls' two pools, one for folder sizes and one for thumbnails; null outside
// InitShellThreadPools and DoneShellThreadPools.
TWorkerThreadPool* FolderSizeThreadPool();
TWorkerThreadPool* ThumbnailThreadPool();
// Called by the program after its application object exists and before it goes.
void InitShellThreadPools();
void DoneShellThreadPools();

// Creates the two pools for its lifetime.
class TShellThreadPools {
public:
    TShellThreadPools() { InitShellThreadPools(); }
    ~TShellThreadPools() { DoneShellThreadPools(); }
    TShellThreadPools(const TShellThreadPools&) = delete;
    TShellThreadPools& operator=(const TShellThreadPools&) = delete;
};
