// Listeners and owners for the process tests: a recorder of every notification, one of a run's
// steps and failures, one of the threads the songs' changes are announced on, and an owner whose
// work can tell that the owner is going.
#pragma once

#include "LyProcess.h"
#include "LyProcessListener.h"
#include "VxThreads.h"

#include <QList>
#include <QStringList>

#include <atomic>
#include <thread>

// Records every notification as "Kind:caption" (task notifications) on the thread it arrives.
class TRecorder : public TLyProcessListener {
public:
    QStringList Events;
    QList<int> ProgressPositions;
    int OffMainThread = 0;
    TLyMulticastProcessListener* DetachFrom = nullptr;

    void OwnerChanged(TLyProcess*) override { Events << QStringLiteral("OwnerChanged"); }
    void OwnerDestroying(TLyProcess*) override {
        Events << QStringLiteral("OwnerDestroying");
        if (DetachFrom)
            DetachFrom->RemoveListener(this);
    }
    void TaskStarted(ILyProcessTask* t) override { Record(QStringLiteral("Started"), t); }
    void TaskProgressed(ILyProcessTask* t) override {
        ProgressPositions << t->Position();
        Record(QStringLiteral("Progressed"), t);
    }
    void TaskFailed(ILyProcessTask* t) override { Record(QStringLiteral("Failed"), t); }
    void TaskCancelled(ILyProcessTask* t) override { Record(QStringLiteral("Cancelled"), t); }
    void TaskFinished(ILyProcessTask* t) override {
        Record(t->Cancelled() ? QStringLiteral("Finished(cancelled)") : QStringLiteral("Finished"),
               t);
    }

private:
    void Record(const QString& kind, ILyProcessTask* task) {
        if (!IsMainThread())
            ++OffMainThread;
        Events << kind + u':' + task->Caption();
    }
};

// Records the main task's steps and step counts, the sub tasks' step counts and every failure
// of a run (the main task's last), on the main thread.
class TRunRecorder : public TLyProcessListener {
public:
    QStringList MainSteps;
    QList<int> MainStepCounts;
    QStringList Failures;
    QList<int> SubTaskStepCounts;

    void TaskStarted(ILyProcessTask* task) override {
        if (task->IsMainTask())
            MainStepCounts << task->StepCount();
        else
            SubTaskStepCounts << task->StepCount();
    }
    void TaskProgressed(ILyProcessTask* task) override {
        if (task->IsMainTask())
            MainSteps << task->Caption();
    }
    void TaskFailed(ILyProcessTask* task) override { Failures << task->Caption(); }
    void Clear() {
        MainSteps.clear();
        MainStepCounts.clear();
        Failures.clear();
        SubTaskStepCounts.clear();
    }
};

// Records the threads OwnerChanging arrives on.
class TChangingRecorder : public TLyProcessListener {
public:
    QList<std::thread::id> Threads;
    void OwnerChanging(TLyProcess*) override { Threads << std::this_thread::get_id(); }
};

class TOwner : public TLyProcessOwner {
public:
    ~TOwner() override {
        Going.store(true);
        ShutDownProcess();
    }
    std::atomic<bool> Going{false}; // read by its work
};
