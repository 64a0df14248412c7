#include "LyProcess.h"

#include "ArMessageLog.h"
#include "VxObjectList.h"

LY_UNIT("Units/LyProcess")

namespace {

QString MessageOf(const std::exception& error) {
    if (const auto* own = dynamic_cast<const Exception*>(&error))
        return own->Message();
    return QString::fromLocal8Bit(error.what());
}

// The helper whose work runs on this thread.
thread_local const std::atomic<bool>* tHelperStop = nullptr;

} // namespace

// ---------------------------------------------------------------------------------------------
// TLyProcessHelper

TLyProcessHelper::TLyProcessHelper(std::function<void()> work)
    : FWork(std::move(work)) {
    LY_ASSERT(bool(FWork));
    FThread = std::thread([this] { Run(); });
}

TLyProcessHelper::~TLyProcessHelper() {
    FStop.store(true);
    if (FThread.joinable())
        FThread.join();
}

void TLyProcessHelper::Join() {
    if (FThread.joinable())
        FThread.join();
    if (FError)
        std::rethrow_exception(std::exchange(FError, nullptr));
}

bool TLyProcessHelper::OnHelperThread() {
    return tHelperStop != nullptr;
}

bool TLyProcessHelper::CurrentStopRequested() {
    return tHelperStop && tHelperStop->load();
}

void TLyProcessHelper::Run() {
    tHelperStop = &FStop;
    try {
        FWork();
    } catch (...) {
        FError = std::current_exception();
    }
    tHelperStop = nullptr;
}

// ---------------------------------------------------------------------------------------------
// TLyProcessTask

TLyProcessTask::TLyProcessTask(TLyProcess* process, int level)
    : FProcess(process)
    , FLevel(level) {}

QString TLyProcessTask::Caption() const {
    std::lock_guard lock(FProcess->FLock);
    return FCaption;
}

int TLyProcessTask::StepCount() const {
    std::lock_guard lock(FProcess->FLock);
    return FStepCount;
}

int TLyProcessTask::Position() const {
    std::lock_guard lock(FProcess->FLock);
    return FPosition;
}

bool TLyProcessTask::Running() const {
    std::lock_guard lock(FProcess->FLock);
    return FRunning;
}

bool TLyProcessTask::Cancelled() const {
    std::lock_guard lock(FProcess->FLock);
    return FCancelled;
}

bool TLyProcessTask::Failed() const {
    std::lock_guard lock(FProcess->FLock);
    return FFailed;
}

void TLyProcessTask::Start(int stepCount, const QString& caption) {
    {
        std::lock_guard lock(FProcess->FLock);
        LY_ASSERT(!FRunning);
        FCaption = caption;
        FStepCount = stepCount;
        FPosition = 0;
        FLastNotifiedPosition = 0;
        FCancelled = false;
        FFailed = false;
        FRunning = true;
    }
    FProcess->Notify(this, TLyProcess::TNotification::Started);
}

ILyProcessTask* TLyProcessTask::StartSubTask(int stepCount, const QString& caption) {
    LY_ASSERT(Running());
    return FProcess->StartTask(FLevel + 1, stepCount, caption);
}

void TLyProcessTask::Step(const QString& caption) {
    Progress(-1, caption);
}

void TLyProcessTask::SetPosition(int position, const QString& caption) {
    Progress(position, caption);
}

void TLyProcessTask::Progress(int position, const QString& caption) {
    bool notify = false;
    {
        std::lock_guard lock(FProcess->FLock);
        LY_ASSERT(FRunning);
        if (!caption.isEmpty())
            FCaption = caption;
        FPosition = position < 0 ? CheckedIncrement(FPosition) : position;
        // A caption changed without a notification is seen at the next one.
        const int threshold = FStepCount / kNotifyDivisor;
        if (qint64(FPosition) > qint64(FLastNotifiedPosition) + threshold) {
            FLastNotifiedPosition = FPosition;
            notify = true;
        }
    }
    if (notify)
        FProcess->Notify(this, TLyProcess::TNotification::Progressed);
}

void TLyProcessTask::Cancel() {
    {
        std::lock_guard lock(FProcess->FLock);
        LY_ASSERT(FRunning);
        FCancelled = true;
    }
    FProcess->Notify(this, TLyProcess::TNotification::Cancelled);
}

void TLyProcessTask::CancelIfRunning() {
    {
        std::lock_guard lock(FProcess->FLock);
        if (!FRunning)
            return;
        FCancelled = true;
    }
    FProcess->Notify(this, TLyProcess::TNotification::Cancelled);
}

void TLyProcessTask::Fail(const QString& message) {
    {
        std::lock_guard lock(FProcess->FLock);
        LY_ASSERT(FRunning);
        FFailed = true;
        if (!message.isEmpty())
            FCaption = message;
    }
    FProcess->Notify(this, TLyProcess::TNotification::Failed);
}

void TLyProcessTask::Finish() {
    {
        std::lock_guard lock(FProcess->FLock);
        LY_ASSERT(FRunning);
        FRunning = false;
    }
    FProcess->Notify(this, TLyProcess::TNotification::Finished);
}

// ---------------------------------------------------------------------------------------------
// TLyProcess

class TLyProcess::TMainThreadInside {
public:
    explicit TMainThreadInside(TLyProcess* process)
        : FProcess(IsMainThread() ? process : nullptr) {
        if (FProcess)
            ++FProcess->FMainThreadInside;
    }
    ~TMainThreadInside() {
        if (FProcess)
            --FProcess->FMainThreadInside;
    }
    TMainThreadInside(const TMainThreadInside&) = delete;
    TMainThreadInside& operator=(const TMainThreadInside&) = delete;

private:
    TLyProcess* const FProcess;
};

TLyProcess::TLyProcess() = default;

TLyProcess::~TLyProcess() {
    StopAndWait();
}

void TLyProcess::StopAndWait() {
    DropDeferredStart();
    if (FThread) {
        LY_ASSERT(!FThread->IsCurrentThread());
        AwaitWorker(true);
    }
    DropDeferredStart(); // asked for while the worker ended
}

void TLyProcess::AwaitWorker(bool stop) {
    TMainThreadInside inside(this);
    if (stop)
        FThread->TerminateAndWait();
    else
        FThread->WaitFor();
}

int TLyProcess::TaskCount() const {
    std::lock_guard lock(FLock);
    return int(FTasks.size());
}

ILyProcessTask* TLyProcess::Task(int index) const {
    std::lock_guard lock(FLock);
    if (index < 0 || index >= FTasks.size())
        throw EVxListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FTasks.at(index).get();
}

ILyProcessTask* TLyProcess::MainTask() const {
    LY_ASSERT(TaskCount() > 0);
    return Task(0);
}

bool TLyProcess::Running() const {
    return FStartDeferred.load() || (FThread && !FThread->Finished());
}

bool TLyProcess::Working() const {
    return FStartDeferred.load() || (FThread && !FThread->Done());
}

void TLyProcess::Start(const QString& runName, TLyProcessWork work) {
    LY_ASSERT(!FThread || !FThread->IsCurrentThread());
    LY_ASSERT(FAlive);
    LY_ASSERT(!Running());
    LY_ASSERT(bool(work));
    if (FMainThreadInside > 0)
        DeferStart(runName, std::move(work));
    else
        StartNow(runName, std::move(work));
}

void TLyProcess::StartNow(QString runName, TLyProcessWork work) {
    if (FThread) {
        AwaitWorker(true); // a cancelled run may still be unwinding
        FThread.reset();
        if (FDeferredWork) {
            // Asked for by a listener during the wait, so later than this start.
            runName = FDeferredRunName;
            work = std::move(FDeferredWork);
            DropDeferredStart();
        }
    }
    FWork = std::move(work);
    FCancelRequested.store(false);
    FRunName = runName;
    FThread = std::make_unique<TVxPausableThread>([this](TVxPausableThread& t) { Run(t); });
    FThread->Resume();
}

void TLyProcess::DeferStart(const QString& runName, TLyProcessWork work) {
    FDeferredRunName = runName;
    FDeferredWork = std::move(work);
    FStartDeferred.store(true);
}

void TLyProcess::DropDeferredStart() {
    FDeferredWork = nullptr;
    FDeferredRunName.clear();
    FStartDeferred.store(false);
}

void TLyProcess::LaunchDeferredStart() {
    const QString runName = FDeferredRunName;
    TLyProcessWork work = std::move(FDeferredWork);
    DropDeferredStart();
    if (FAlive && work)
        StartNow(runName, std::move(work)); // the old worker has ended or been told to stop
}

void TLyProcess::PostDeferredStart() {
    if (!FDeferredWork || FLaunchPosted)
        return;
    FLaunchPosted = true;
    PostToMainThread([anchor = std::weak_ptr<TLyProcess*>(FAnchor)] {
        const std::shared_ptr<TLyProcess*> alive = anchor.lock();
        if (!alive)
            return;
        TLyProcess* process = *alive;
        process->FLaunchPosted = false;
        // A wait or delivery under way takes the start over when it ends.
        if (process->FMainThreadInside > 0 || !process->FDeferredWork)
            return;
        try {
            process->LaunchDeferredStart();
        } catch (const std::exception& error) {
            LogFormat(QStringLiteral("[%s] Cannot start [%s]: %s"),
                      {process->FName, process->FRunName, MessageOf(error)}, mtError,
                      QStringLiteral("Default"));
        }
    });
}

ILyProcessTask* TLyProcess::StartTask(int level, int stepCount, const QString& caption) {
    std::shared_ptr<TLyProcessTask> task;
    {
        std::lock_guard lock(FLock);
        LY_ASSERT(level >= 0 && level <= FTasks.size());
        if (level == FTasks.size()) {
            task = std::make_shared<TLyProcessTask>(this, level);
            FTasks.append(task);
        } else {
            task = FTasks.at(level);
            LY_ASSERT(!task->FRunning);
        }
    }
    task->Start(stepCount, caption);
    return task.get();
}

void TLyProcess::CheckCancelled() {
    if (!FThread || FThread->Done())
        return;
    const bool requested = FCancelRequested.load() || FThread->Terminated();
    if (TLyProcessHelper::OnHelperThread()) {
        // The single raise belongs to the worker: a helper that took it would leave the worker
        // running on to the end of its piece.
        if (requested || TLyProcessHelper::CurrentStopRequested())
            throw ELyProcessCancelled();
        return;
    }
    if (requested && !FCancelRaised.exchange(true))
        throw ELyProcessCancelled();
}

void TLyProcess::Cancel() {
    LY_ASSERT(Running());
    CancelRun();
}

void TLyProcess::CancelIfRunning() {
    if (Running())
        CancelRun(); // the worker may end meanwhile: cancelling an ended run changes nothing
}

void TLyProcess::CancelRun() {
    DropDeferredStart();
    if (!FThread || FThread->Finished())
        return; // only a deferred start was going on
    for (const std::shared_ptr<TLyProcessTask>& task : RunningTasksDeepestFirst())
        task->CancelIfRunning(); // the worker may finish a task meanwhile
    FCancelRaised.store(false);
    FCancelRequested.store(true);
    FThread->Terminate();
}

void TLyProcess::WaitFor() {
    if (!IsMainThread()) {
        if (FThread)
            FThread->WaitFor();
        return;
    }
    while (FThread) {
        AwaitWorker(false);
        if (FMainThreadInside > 0 || !FDeferredWork)
            return; // an outer wait takes over a deferred start
        LaunchDeferredStart();
    }
}

QList<std::shared_ptr<TLyProcessTask>> TLyProcess::RunningTasksDeepestFirst() const {
    std::lock_guard lock(FLock);
    QList<std::shared_ptr<TLyProcessTask>> running;
    for (qsizetype i = FTasks.size() - 1; i >= 0; --i)
        if (FTasks.at(i)->FRunning)
            running.append(FTasks.at(i));
    return running;
}

void TLyProcess::Run(TVxPausableThread& thread) {
    std::exception_ptr error;
    try {
        FWork(thread);
    } catch (...) {
        error = std::current_exception();
    }
    FWork = nullptr;
    EndRunningTasks(error);
    std::lock_guard lock(FLock);
    FTasks.clear();
}

void TLyProcess::EndRunningTasks(std::exception_ptr error) {
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const ELyProcessCancelled&) {
            FCancelRaised.store(false);
        } catch (const std::exception& e) {
            FailRunningTasks(MessageOf(e));
        } catch (...) {
            FailRunningTasks(QStringLiteral("Unknown error"));
        }
    }
    for (const std::shared_ptr<TLyProcessTask>& task : RunningTasksDeepestFirst()) {
        try {
            task->Finish();
        } catch (...) { // a failing listener must not stop the clean-up
        }
    }
}

void TLyProcess::FailRunningTasks(const QString& message) {
    for (const std::shared_ptr<TLyProcessTask>& task : RunningTasksDeepestFirst()) {
        try {
            task->Fail(message);
        } catch (...) { // a failing listener must not stop the clean-up
        }
    }
}

void TLyProcess::Notify(TLyProcessTask* task, TNotification notification) {
    static const char16_t* const kLogFormats[] = {
        u"[%s] Start task [%s]", nullptr, u"[%s] Error in task [%s]", u"[%s] Cancel task [%s]",
        u"[%s] Finish task [%s]"};
    auto deliver = [&] {
        // A start a listener asks for now runs once the delivery is over (see Start).
        struct TDelivery {
            TLyProcess* Process;
            TMainThreadInside Inside{Process};
            ~TDelivery() {
                if (Process->FMainThreadInside == 1)
                    Process->PostDeferredStart();
            }
        } delivery{this};
        if (const char16_t* format = kLogFormats[int(notification)])
            LogFormat(QString::fromUtf16(format), {FName, task->Caption()}, mtInfo,
                      QStringLiteral("Default"));
        if (!FListener)
            return;
        switch (notification) {
        case TNotification::Started:
            FListener->TaskStarted(task);
            break;
        case TNotification::Progressed:
            FListener->TaskProgressed(task);
            break;
        case TNotification::Failed:
            FListener->TaskFailed(task);
            break;
        case TNotification::Cancelled:
            FListener->TaskCancelled(task);
            break;
        case TNotification::Finished:
            FListener->TaskFinished(task);
            break;
        }
    };
    RunOnMainThread(deliver);
}

// ---------------------------------------------------------------------------------------------
// TLyProcessOwner

TLyProcessOwner::TLyProcessOwner()
    : FProcess(std::make_unique<TLyProcess>())
    , FListeners(std::make_unique<TLyMulticastProcessListener>()) {
    FProcess->SetListener(FListeners.get());
}

TLyProcessOwner::~TLyProcessOwner() {
    if (!FShutDown)
        ShutDownProcess();
}

void TLyProcessOwner::NotifyOwnerChanged() {
    FProcess->Listener()->OwnerChanged(FProcess.get());
}

void TLyProcessOwner::ShutDownProcess() {
    if (FShutDown)
        return; // a descendant's destructor did it already
    FShutDown = true;
    FProcess->SetAlive(false);
    FListeners->OwnerDestroying(FProcess.get());
    FProcess->StopAndWait(); // while Process() still answers for the work that is ending
    FProcess.reset();
}
