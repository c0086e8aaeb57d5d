// Threads with synchronous hand-over to the user-interface thread, and critical sections.
// Part of Classes.h; include that.
//
// The user-interface thread is the thread of the Qt application object (or, without one,
// the thread that first used this module). Synchronize runs a method there while the
// calling thread waits; called on that thread itself it just runs the method. The
// user-interface thread serves waiting calls from its event loop and inside WaitFor.
#pragma once

#include "classlib/Classes.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread : public TObject {
    Q_OBJECT

public:
    // A suspended thread starts with Resume (or Start). Any other thread starts on the next
    // turn of the creating thread's event loop, or at Start, Resume or WaitFor if earlier
    // (Execute belongs to the derived object, which the base constructor cannot wait for).
    explicit TThread(bool CreateSuspended);
    // Terminates and waits for a running thread (not when it frees itself). Free the object
    // with Free() or FreeAndNil: they stop the thread in BeforeDestruction, while the
    // derived object that Execute uses still exists (plain delete stops it only afterwards).
    ~TThread() override;
    void BeforeDestruction() override;

    void Resume();
    void Start() { Resume(); }
    void Terminate() { terminated_ = true; }
    // Waits for the end of the thread (serving Synchronize calls when called on the
    // user-interface thread) and gives ReturnValue. EThread when called from the thread itself
    // or for a suspended thread that was never started. Not for FreeOnTerminate threads.
    int WaitFor();

    bool Suspended() const { return suspended_; }
    // False resumes; true only holds back a thread that has not started yet.
    void SetSuspended(bool Value);
    bool Terminated() const { return terminated_; }
    bool Finished() const { return finished_; }
    bool FreeOnTerminate() const { return freeOnTerminate_; }
    void SetFreeOnTerminate(bool Value) { freeOnTerminate_ = Value; }
    TThreadPriority Priority() const { return priority_; }
    void SetPriority(TThreadPriority Value) { priority_ = Value; }
    int ReturnValue() const { return returnValue_; }
    void SetReturnValue(int Value) { returnValue_ = Value; }
    std::thread::id ThreadID() const { return threadId_; }
    // The exception that ended Execute, if any.
    std::exception_ptr FatalException() const { return fatal_; }

    // Fired on the user-interface thread after Execute ends.
    TNotifyEvent OnTerminate;

    // Runs Method on the user-interface thread and waits; an exception it raises is raised
    // again in the calling thread.
    void Synchronize(const TThreadMethod& Method);
    static void Synchronize(TThread* Thread, const TThreadMethod& Method);
    // Runs the waiting Synchronize calls; true when there were any. Only on the
    // user-interface thread (elsewhere it does nothing).
    static bool CheckSynchronize();
    static bool IsMainThread();

protected:
    virtual void Execute() = 0;
    // Fires OnTerminate through Synchronize.
    virtual void DoTerminate();

private:
    void run();

    std::thread thread_;
    std::thread::id threadId_;
    std::mutex mutex_;
    std::condition_variable done_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> suspended_{false};
    std::atomic<bool> freeOnTerminate_{false};
    std::atomic<bool> started_{false};
    TThreadPriority priority_ = tpNormal;
    int returnValue_ = 0;
    std::exception_ptr fatal_;
};

// A recursive lock.
class TCriticalSection : public TObject {
    Q_OBJECT

public:
    TCriticalSection();
    ~TCriticalSection() override;
    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }
    void Acquire() { Enter(); }
    void Release() { Leave(); }
    bool TryEnter() { return mutex_.try_lock(); }

private:
    std::recursive_mutex mutex_;
};
