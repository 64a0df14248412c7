// Long operations as processes: one work routine on a worker thread that reports through a
// stack of tasks (a main task and nested sub tasks), can be cancelled, and tells its owner's
// listeners of every step on the main thread.
#pragma once

#include "ArExceptions.h"
#include "LyProcessListener.h"
#include "VxThreads.h"
#include "VxUtils.h"

#include <QList>
#include <QString>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class TLyProcess;

// Raised by TLyProcess::CheckCancelled; the run procedure swallows it.
class ELyProcessCancelled : public Exception {
public:
    ELyProcessCancelled()
        : Exception(QString()) {}
};

// One level of a process's progress. Changing operations assert that the task is running.
class ILyProcessTask {
public:
    virtual ~ILyProcessTask() = default;

    virtual TLyProcess* Process() const = 0;
    virtual QString Caption() const = 0;
    virtual bool IsMainTask() const = 0;
    virtual int Level() const = 0;
    virtual int StepCount() const = 0;
    virtual int Position() const = 0;
    virtual bool Running() const = 0;
    virtual bool Cancelled() const = 0;
    virtual bool Failed() const = 0;
    virtual ILyProcessTask* StartSubTask(int stepCount, const QString& caption) = 0;
    // Advances one step; a non-empty caption replaces the task's caption.
    virtual void Step(const QString& caption = QString()) = 0;
    virtual void SetPosition(int position, const QString& caption = QString()) = 0;
    virtual void Cancel() = 0;
    virtual void Fail(const QString& message) = 0;
    virtual void Finish() = 0;
};

// A task of a process. Its state is guarded by the process's lock, so the main thread can read
// it while the worker steps it.
class TLyProcessTask : public TVxOptionallyReferenceCountedObject, public ILyProcessTask {
public:
    // Progress is reported at most about this many times per task.
    static constexpr int kNotifyDivisor = 50;

    TLyProcessTask(TLyProcess* process, int level);

    TLyProcess* Process() const override { return FProcess; }
    QString Caption() const override;
    bool IsMainTask() const override { return FLevel == 0; }
    int Level() const override { return FLevel; }
    int StepCount() const override;
    int Position() const override;
    bool Running() const override;
    bool Cancelled() const override;
    bool Failed() const override;
    ILyProcessTask* StartSubTask(int stepCount, const QString& caption) override;
    void Step(const QString& caption = QString()) override;
    void SetPosition(int position, const QString& caption = QString()) override;
    void Cancel() override;
    void Fail(const QString& message) override;
    void Finish() override;

private:
    friend class TLyProcess;
    // Sets caption and step count and starts the task (it must not be running).
    void Start(int stepCount, const QString& caption);
    void Progress(int position, const QString& caption);
    void CancelIfRunning();

    TLyProcess* const FProcess;
    const int FLevel;
    QString FCaption;
    int FLastNotifiedPosition = 0;
    int FStepCount = 0;
    int FPosition = 0;
    bool FRunning = false;
    bool FCancelled = false;
    bool FFailed = false;
};

// The work of a process; it receives the worker thread, whose Terminated() it may poll.
using TLyProcessWork = std::function<void(TVxPausableThread& thread)>;

// One long operation at a time, run on its own worker thread.
//
// Threads: the main thread creates, starts, cancels and destroys the process; the worker runs
// the work and steps the tasks. Every task notification raised on the worker is handed to the
// main thread, and the worker waits until all listeners have returned. Whenever the main
// thread waits for a worker to end (Start, WaitFor, destruction) it keeps delivering the calls
// of every worker, this one's included.
//
// A listener may start the process again, also from within one of its notifications or while
// the main thread waits for its worker. Such a start is deferred until the main thread has
// left that wait or notification: starting at once would wait for a worker that waits for the
// listener, or free the thread object the wait still uses. Until the deferred start runs,
// Running() is true and a cancel drops it.
class TLyProcess {
public:
    TLyProcess();
    TLyProcess(const TLyProcess&) = delete;
    TLyProcess& operator=(const TLyProcess&) = delete;
    // Stops the worker and waits for it; must not be called from the worker itself.
    virtual ~TLyProcess();

    // The owner's name for log lines.
    const QString& Name() const { return FName; }
    void SetName(const QString& name) { FName = name; }
    ILyProcessListener* Listener() const { return FListener; }
    void SetListener(ILyProcessListener* listener) { FListener = listener; }
    // Cleared by the owner when its destruction begins: no new run can start.
    bool Alive() const { return FAlive; }
    void SetAlive(bool alive) { FAlive = alive; }
    // The name passed to the latest Start.
    const QString& RunName() const { return FRunName; }
    bool CancelRequested() const { return FCancelRequested.load(); }

    int TaskCount() const;
    // The task at `index`; outside the list raises EVxListError.
    ILyProcessTask* Task(int index) const;
    ILyProcessTask* MainTask() const;

    // A worker exists and has neither finished nor been asked to stop, or a start is deferred.
    bool Running() const;
    // A worker exists whose work has not ended, or a start is deferred: unlike Running() it
    // stays true while a cancelled run unwinds. Main thread only.
    bool Working() const;
    // Waits for a previous worker to end, then runs `work` on a new worker; returns at once.
    // A start asked for while this one waits comes later: it runs instead of this one.
    void Start(const QString& runName, TLyProcessWork work);
    // Starts the task of `level`: a new one when level is the number of tasks, otherwise the
    // existing one, which must not be running.
    ILyProcessTask* StartTask(int level, int stepCount, const QString& caption);
    ILyProcessTask* StartMainTask(int stepCount, const QString& caption) {
        return StartTask(0, stepCount, caption);
    }
    // Called by work routines between items: raises ELyProcessCancelled once per cancel request.
    // On a helper's thread it raises on every check after a cancel request, and once the
    // helper has been told to stop.
    void CheckCancelled();
    // Marks the running tasks cancelled (deepest first) and asks the work to stop; does not wait.
    void Cancel();
    // Cancel when a run is going on; unlike checking Running() first, it does not fail when the
    // worker ends between the check and the cancel.
    void CancelIfRunning();
    // Asks the worker to stop and waits for it to end; not from the worker itself. Starts asked
    // for meanwhile are dropped.
    void StopAndWait();
    // Blocks until the current worker (if any) has ended, and then a run that a listener
    // started meanwhile; on the main thread notifications keep being delivered meanwhile.
    void WaitFor();

protected:
    // Ends the run's running tasks as the run procedure does when `error` escapes the work:
    // failed with its message unless it is ELyProcessCancelled, then finished, innermost
    // first. For work that goes on after such an error.
    void EndRunningTasks(std::exception_ptr error);

private:
    friend class TLyProcessTask;
    enum class TNotification { Started, Progressed, Failed, Cancelled, Finished };
    // Counts the main thread into a wait for this process's worker or a delivery of one of
    // its notifications (the main thread only; elsewhere it does nothing).
    class TMainThreadInside;

    void StartNow(QString runName, TLyProcessWork work);
    // Main thread: waits for the worker to end, stopping it first when `stop` is set.
    void AwaitWorker(bool stop);
    void DeferStart(const QString& runName, TLyProcessWork work);
    void DropDeferredStart();
    void LaunchDeferredStart();
    // Runs the deferred start from the main thread's call queue.
    void PostDeferredStart();
    void Run(TVxPausableThread& thread);
    void FailRunningTasks(const QString& message);
    void CancelRun();
    // Logs the notification and delivers it to the listener on the main thread.
    void Notify(TLyProcessTask* task, TNotification notification);
    // The running tasks, deepest first, kept alive while they are used outside the lock.
    QList<std::shared_ptr<TLyProcessTask>> RunningTasksDeepestFirst() const;

    QString FName;
    ILyProcessListener* FListener = nullptr;
    mutable std::mutex FLock; // guards the task list and every task's state
    QList<std::shared_ptr<TLyProcessTask>> FTasks;
    std::atomic<bool> FCancelRequested{false};
    std::atomic<bool> FCancelRaised{false};
    bool FAlive = true;
    QString FRunName;
    std::unique_ptr<TVxPausableThread> FThread;
    TLyProcessWork FWork;
    // The main thread's waits and deliveries under way, and the start deferred meanwhile
    // (main thread only; FStartDeferred also answers Running() on the worker).
    int FMainThreadInside = 0;
    QString FDeferredRunName;
    TLyProcessWork FDeferredWork;
    std::atomic<bool> FStartDeferred{false};
    bool FLaunchPosted = false;
    // A posted launch holds it weakly, so it does nothing once the process is gone.
    std::shared_ptr<TLyProcess*> FAnchor = std::make_shared<TLyProcess*>(this);
};

// A piece of a process's work that runs beside the worker on a thread of its own, so that
// independent pieces (the two libraries) use two processor cores. It reports no progress; the
// worker joins it and shows it as done.
class TLyProcessHelper {
public:
    // Starts `work` at once; call from a process's worker. The work checks for cancelling
    // through the process's CheckCancelled like the worker.
    explicit TLyProcessHelper(std::function<void()> work);
    TLyProcessHelper(const TLyProcessHelper&) = delete;
    TLyProcessHelper& operator=(const TLyProcessHelper&) = delete;
    // Tells the work to stop at its next check and waits for it; what it raised is dropped
    // (the worker is unwinding from an error of its own, which is the one to report).
    ~TLyProcessHelper();
    // Waits for the work to end and raises again what it raised.
    void Join();
    // True when the calling thread runs a helper's work that has been told to stop.
    static bool CurrentStopRequested();
    static bool OnHelperThread();

private:
    void Run();

    std::function<void()> FWork;
    std::atomic<bool> FStop{false};
    std::exception_ptr FError;
    std::thread FThread;
};

// An object that owns one process and the multicast listener that the user interface registers
// with (a project, a view).
class TLyProcessOwner : public TVxUpdateable {
public:
    TLyProcessOwner();
    // Calls ShutDownProcess if the descendant has not.
    ~TLyProcessOwner() override;

    TLyProcess* Process() const { return FProcess.get(); }
    TLyMulticastProcessListener* Listeners() const { return FListeners.get(); }
    virtual void NotifyOwnerChanged();

protected:
    // Stops the process for good: no new run can start, the listeners are told the owner is
    // going (they detach), and the worker is stopped and awaited. A descendant whose work uses
    // its own members calls this first thing in its destructor, before those members go.
    // Later calls do nothing.
    void ShutDownProcess();

private:
    std::unique_ptr<TLyProcess> FProcess;
    std::unique_ptr<TLyMulticastProcessListener> FListeners;
    bool FShutDown = false;
};
