// Worker threads and the main-thread call queue.
//
// A worker that must run something on the main (user-interface) thread hands the call over
// and waits until it has run. The main thread runs handed-over calls from its event loop and
// also whenever it waits for a worker to end, so neither side can wait for the other forever.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

// Records the calling thread as the main thread. When a QCoreApplication exists, its event
// loop also runs handed-over calls from then on. Call once from main() before any worker starts.
void VxThreadsStartup();
// Runs the calls still queued and detaches the queue from the event loop.
void VxThreadsShutdown();

bool IsMainThread();

// Runs `call` on the main thread and returns when it has run. On the main thread itself it runs
// at once. An exception raised by `call` is raised again in the calling thread.
void RunOnMainThread(const std::function<void()>& call);

// Queues `call` to run on the main thread after the calls handed over before it, and returns at
// once; nobody waits for it. It runs from the event loop or while the main thread waits for a
// worker, and must not raise.
void PostToMainThread(std::function<void()> call);

// Main thread only: runs every call handed over or posted so far; returns how many ran.
int ProcessMainThreadCalls();

// A thread that runs one piece of work. It is created suspended; Resume starts it. The work
// polls Terminated() to stop early; TerminateAndWait is the orderly stop.
class TVxPausableThread {
public:
    using TExecuteEvent = std::function<void(TVxPausableThread& thread)>;

    explicit TVxPausableThread(TExecuteEvent onExecute = {});
    TVxPausableThread(const TVxPausableThread&) = delete;
    TVxPausableThread& operator=(const TVxPausableThread&) = delete;
    // Terminates a started thread and waits for it to end.
    virtual ~TVxPausableThread();

    // Starts the thread; later calls do nothing.
    void Resume();
    void Terminate() { FTerminated.store(true); }
    bool Terminated() const { return FTerminated.load(); }
    // False while the work runs (and before it starts), true after it.
    bool Done() const { return FDone.load(); }
    bool Finished() const { return Done() || Terminated(); }
    bool Started() const { return FStarted.load(); }

    // Waits until the work has ended; a thread that never started has nothing to wait for.
    // On the main thread, handed-over calls keep running meanwhile.
    void WaitFor();
    void TerminateAndWait();

    bool IsCurrentThread() const;
    // The thread object deletes itself when the work ends. Set before Resume; nobody may wait
    // for or delete such a thread.
    void SetFreeOnTerminate(bool value);
    // An exception that escaped the work, or null.
    std::exception_ptr FatalException() const;

protected:
    // The work; the base calls OnExecute when it is set.
    virtual void DoExecute();

private:
    void Execute();

    TExecuteEvent FOnExecute;
    std::thread FThread;
    std::mutex FJoinLock;
    std::exception_ptr FFatalException;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FDone{false};
    std::atomic<bool> FStarted{false};
    std::atomic<bool> FExited{false};
    std::atomic<std::thread::id> FThreadId{};
    bool FFreeOnTerminate = false;
};
