// Threads with synchronous hand-over to the user-interface thread.
#include "classlib/Classes.h"
#include "platform/winuser.h"

#include <QCoreApplication>
#include <QThread>

#include <deque>

namespace {

struct SyncRequest {
    const TThreadMethod* method;
    std::exception_ptr error;
    bool done = false;
};

// The waiting Synchronize calls; the same lock and condition wake a user-interface thread
// that waits in WaitFor.
std::mutex syncMutex;
std::condition_variable syncCv;
std::deque<SyncRequest*> syncQueue;

std::thread::id firstThread() {
    static const std::thread::id id = std::this_thread::get_id();
    return id;
}

void wakeMainThread() {
    {
        std::lock_guard<std::mutex> lock(syncMutex);
    }
    syncCv.notify_all();
}

}  // namespace

TThread::TThread(bool CreateSuspended) {
    firstThread();
    suspended_ = CreateSuspended;
    // A thread cannot start from the base constructor (Execute belongs to the derived
    // object, which is not built yet): it starts on the next turn of this thread's event loop,
    // or at Start, Resume or WaitFor, whichever comes first.
    if (!CreateSuspended)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!started_ && !suspended_) Resume();
            },
            Qt::QueuedConnection);
}

TThread::~TThread() {
    std::thread::id self;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        self = threadId_;
    }
    if (!thread_.joinable()) return;
    if (self == std::this_thread::get_id()) {
        thread_.detach();
        return;
    }
    Terminate();
    WaitFor();
}

void TThread::BeforeDestruction() {
    // Stops the thread while the derived object that Execute uses still exists.
    bool running;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running = thread_.joinable() && threadId_ != std::this_thread::get_id();
    }
    if (running) {
        Terminate();
        WaitFor();
    }
    TObject::BeforeDestruction();
}

void TThread::Resume() {
    std::lock_guard<std::mutex> lock(mutex_);
    suspended_ = false;
    if (started_) return;
    started_ = true;
    // run() takes the lock first, so thread_ is assigned before the thread uses it.
    thread_ = std::thread([this] { run(); });
}

void TThread::SetSuspended(bool Value) {
    if (!Value) {
        Resume();
        return;
    }
    // A running thread cannot be stopped from outside; it ends by Terminate.
    std::lock_guard<std::mutex> lock(mutex_);
    if (!started_) suspended_ = true;
}

void TThread::run() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        threadId_ = std::this_thread::get_id();
    }
    try {
        if (!terminated_) Execute();
    } catch (...) {
        fatal_ = std::current_exception();
    }
    try {
        DoTerminate();
    } catch (...) {
        if (!fatal_) fatal_ = std::current_exception();
    }
    const bool freeIt = freeOnTerminate_;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
    }
    done_.notify_all();
    wakeMainThread();
    if (freeIt) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            thread_.detach();
        }
        delete this;
    }
}

void TThread::DoTerminate() {
    if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

int TThread::WaitFor() {
    bool startNow = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (started_ && threadId_ == std::this_thread::get_id()) throw EThread(SThreadWaitSelf);
        if (!started_) {
            if (suspended_) throw EThread(SThreadNotStarted);
            startNow = true;
        }
    }
    if (startNow) Resume();
    if (IsMainThread()) {
        // Serve the thread's Synchronize calls and the messages it sends to windows while
        // waiting, or both would wait forever.
        static const int waker = platform::addSentMessageWaker(wakeMainThread);
        (void)waker;
        std::unique_lock<std::mutex> lock(syncMutex);
        while (!finished_) {
            syncCv.wait(lock, [this] {
                return finished_.load() || !syncQueue.empty() || platform::sentMessagesPending();
            });
            lock.unlock();
            CheckSynchronize();
            platform::serveSentMessages();
            lock.lock();
        }
    } else {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return finished_.load(); });
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (thread_.joinable()) thread_.join();
    }
    return returnValue_;
}

void TThread::Synchronize(const TThreadMethod& Method) { Synchronize(this, Method); }

void TThread::Synchronize(TThread*, const TThreadMethod& Method) {
    if (!Method) return;
    if (IsMainThread()) {
        Method();
        return;
    }
    SyncRequest request{&Method, nullptr, false};
    {
        std::lock_guard<std::mutex> lock(syncMutex);
        syncQueue.push_back(&request);
    }
    syncCv.notify_all();
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { TThread::CheckSynchronize(); }, Qt::QueuedConnection);
    {
        std::unique_lock<std::mutex> lock(syncMutex);
        syncCv.wait(lock, [&request] { return request.done; });
    }
    if (request.error) std::rethrow_exception(request.error);
}

bool TThread::CheckSynchronize() {
    if (!IsMainThread()) return false;
    bool any = false;
    // Only the calls waiting now: a thread that asks again at once is served by the next
    // call, so a busy thread cannot keep the user-interface thread here.
    std::size_t waiting;
    {
        std::lock_guard<std::mutex> lock(syncMutex);
        waiting = syncQueue.size();
    }
    for (; waiting > 0; --waiting) {
        SyncRequest* request;
        {
            std::lock_guard<std::mutex> lock(syncMutex);
            if (syncQueue.empty()) break;
            request = syncQueue.front();
            syncQueue.pop_front();
        }
        any = true;
        try {
            (*request->method)();
        } catch (...) {
            request->error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(syncMutex);
            request->done = true;
        }
        syncCv.notify_all();
    }
    return any;
}

bool TThread::IsMainThread() {
    if (QCoreApplication* app = QCoreApplication::instance()) return QThread::currentThread() == app->thread();
    return std::this_thread::get_id() == firstThread();
}

TCriticalSection::TCriticalSection() = default;
TCriticalSection::~TCriticalSection() = default;
