// Listeners and owners for the process tests: a recorder of every notification and an owner
// whose work can tell that the owner is going.
#pragma once

#include "LyProcess.h"
#include "LyProcessListener.h"
#include "VxThreads.h"

#include <QList>
#include <QStringList>

#include <atomic>

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

class TOwner : public TLyProcessOwner {
public:
    ~TOwner() override {
        Going.store(true);
        ShutDownProcess();
    }
    std::atomic<bool> Going{false}; // read by its work
};
