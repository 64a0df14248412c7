#include "VxThreads.h"

#include "ArExceptions.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <condition_variable>
#include <deque>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

LY_UNIT("Units/VxUtils")

namespace {

// A call a worker waits for (Call), or a posted one that the queue owns (Posted).
struct THandedCall {
    const std::function<void()>* Call = nullptr;
    std::exception_ptr Error;
    bool Ran = false;
    std::function<void()> Posted;
};

// The queue of calls handed to the main thread. Workers wake an idle event loop through a
// self-pipe watched by a socket notifier: only our own mutex orders the queue, so no Qt
// cross-thread machinery is involved (and ThreadSanitizer can see every hand-over).
class TMainThreadQueue {
public:
    std::mutex Lock;
    std::condition_variable MainWake; // the main thread waits here for calls or a worker's end
    std::condition_variable CallsRan; // workers wait here for their call to have run
    std::deque<THandedCall*> Calls;
    std::atomic<std::thread::id> MainThread{};
    int WakeRead = -1;
    int WakeWrite = -1;
    std::unique_ptr<QSocketNotifier> Notifier;

    void WakeEventLoop() {
        if (WakeWrite >= 0) {
            const char byte = 1;
            [[maybe_unused]] const auto written = ::write(WakeWrite, &byte, 1);
        }
    }
    void DrainWakePipe() {
        char buffer[256];
        while (::read(WakeRead, buffer, sizeof buffer) > 0) {
        }
    }
};

TMainThreadQueue& Queue() {
    static TMainThreadQueue queue;
    return queue;
}

// Main thread: runs handed-over calls until `finished` holds.
void WaitOnMainThreadUntil(const std::function<bool()>& finished) {
    TMainThreadQueue& q = Queue();
    for (;;) {
        ProcessMainThreadCalls();
        std::unique_lock lock(q.Lock);
        if (finished())
            return;
        q.MainWake.wait(lock, [&] { return !q.Calls.empty() || finished(); });
    }
}

} // namespace

void VxThreadsStartup() {
    TMainThreadQueue& q = Queue();
    q.MainThread.store(std::this_thread::get_id());
    if (!QCoreApplication::instance() || q.Notifier)
        return;
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
        return; // calls still run whenever the main thread waits for a worker
    {
        std::lock_guard lock(q.Lock);
        q.WakeRead = fds[0];
        q.WakeWrite = fds[1];
    }
    q.Notifier = std::make_unique<QSocketNotifier>(fds[0], QSocketNotifier::Read);
    QObject::connect(q.Notifier.get(), &QSocketNotifier::activated, q.Notifier.get(), [] {
        Queue().DrainWakePipe();
        ProcessMainThreadCalls();
    });
}

void VxThreadsShutdown() {
    TMainThreadQueue& q = Queue();
    ProcessMainThreadCalls();
    q.Notifier.reset();
    std::lock_guard lock(q.Lock);
    if (q.WakeRead >= 0) {
        ::close(q.WakeRead);
        ::close(q.WakeWrite);
        q.WakeRead = q.WakeWrite = -1;
    }
}

bool IsMainThread() {
    return Queue().MainThread.load() == std::this_thread::get_id();
}

void RunOnMainThread(const std::function<void()>& call) {
    if (IsMainThread()) {
        call();
        return;
    }
    TMainThreadQueue& q = Queue();
    THandedCall handed;
    handed.Call = &call;
    {
        std::unique_lock lock(q.Lock);
        LY_ASSERT_MSG(q.MainThread.load() != std::thread::id(),
                      "The main thread has not been recorded (VxThreadsStartup)");
        q.Calls.push_back(&handed);
        q.MainWake.notify_all();
        q.WakeEventLoop();
        q.CallsRan.wait(lock, [&] { return handed.Ran; });
    }
    if (handed.Error)
        std::rethrow_exception(handed.Error);
}

void PostToMainThread(std::function<void()> call) {
    auto posted = std::make_unique<THandedCall>();
    posted->Posted = std::move(call);
    TMainThreadQueue& q = Queue();
    std::lock_guard lock(q.Lock);
    q.Calls.push_back(posted.release());
    q.MainWake.notify_all();
    q.WakeEventLoop();
}

int ProcessMainThreadCalls() {
    LY_ASSERT(IsMainThread());
    TMainThreadQueue& q = Queue();
    int count = 0;
    for (;;) {
        THandedCall* handed = nullptr;
        {
            std::lock_guard lock(q.Lock);
            if (q.Calls.empty())
                return count;
            handed = q.Calls.front();
            q.Calls.pop_front();
        }
        // Run outside the lock: the call may itself start, wait for or hand over work.
        if (!handed->Call) {
            const std::unique_ptr<THandedCall> posted(handed);
            posted->Posted();
            ++count;
            continue;
        }
        std::exception_ptr error;
        try {
            (*handed->Call)();
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard lock(q.Lock);
            // Moved, not copied: the worker then holds the only reference and frees the
            // exception itself (a count dropped here would free it out of ThreadSanitizer's
            // sight, in the uninstrumented standard library).
            handed->Error = std::move(error);
            handed->Ran = true;
        }
        q.CallsRan.notify_all();
        ++count;
    }
}

TVxPausableThread::TVxPausableThread(TExecuteEvent onExecute)
    : FOnExecute(std::move(onExecute)) {}

TVxPausableThread::~TVxPausableThread() {
    if (FFreeOnTerminate && IsCurrentThread())
        return; // deleting itself at the end of its own work
    if (FStarted.load() && !IsCurrentThread())
        TerminateAndWait();
}

void TVxPausableThread::Resume() {
    if (FStarted.exchange(true))
        return;
    if (FFreeOnTerminate) {
        // The thread may delete this object at any moment from now on: touch no member.
        std::thread([this] { Execute(); }).detach();
        return;
    }
    std::lock_guard lock(FJoinLock);
    FThread = std::thread([this] { Execute(); });
}

void TVxPausableThread::Execute() {
    FThreadId.store(std::this_thread::get_id());
    FDone.store(false);
    try {
        DoExecute();
    } catch (...) {
        FFatalException = std::current_exception();
    }
    FDone.store(true);
    if (FFreeOnTerminate) {
        delete this;
        return;
    }
    TMainThreadQueue& q = Queue();
    {
        std::lock_guard lock(q.Lock);
        FExited.store(true);
    }
    q.MainWake.notify_all();
}

void TVxPausableThread::DoExecute() {
    if (FOnExecute)
        FOnExecute(*this);
}

void TVxPausableThread::WaitFor() {
    LY_ASSERT(!IsCurrentThread());
    LY_ASSERT(!FFreeOnTerminate);
    if (!FStarted.load())
        return;
    if (IsMainThread())
        WaitOnMainThreadUntil([this] { return FExited.load(); });
    std::lock_guard lock(FJoinLock);
    if (FThread.joinable())
        FThread.join();
}

void TVxPausableThread::TerminateAndWait() {
    Terminate();
    Resume();
    WaitFor();
}

bool TVxPausableThread::IsCurrentThread() const {
    return FThreadId.load() == std::this_thread::get_id();
}

void TVxPausableThread::SetFreeOnTerminate(bool value) {
    LY_ASSERT(!FStarted.load());
    FFreeOnTerminate = value;
}

std::exception_ptr TVxPausableThread::FatalException() const {
    return FFatalException;
}
