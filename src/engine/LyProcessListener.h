// Observers of long operations: the listener interface, a do-nothing base and the multicast
// listener that forwards every notification to the listeners registered with an owner.
#pragma once

#include "VxUtils.h"

#include <QList>

#include <mutex>

class TLyProcess;
class ILyProcessTask;

// Every notification reaches listeners on the main thread: task notifications raised on a
// worker are handed over while the worker waits; OwnerChanging is sent on the main thread
// whichever thread opens an update of the songs; OwnerChanged and OwnerDestroying come from the
// main thread's own calls. A listener may therefore touch the user interface in any of them.
class ILyProcessListener {
public:
    virtual ~ILyProcessListener() = default;

    // The owner's presented data changed (sort order, columns).
    virtual void OwnerChanged(TLyProcess* process) = 0;
    // The data under the owner is about to change in a batch.
    virtual void OwnerChanging(TLyProcess* process) = 0;
    // The owner is going; the listener must remove itself from the owner's listeners here.
    virtual void OwnerDestroying(TLyProcess* process) = 0;
    virtual void TaskStarted(ILyProcessTask* task) = 0;
    virtual void TaskProgressed(ILyProcessTask* task) = 0;
    // The task's caption now holds the failure message.
    virtual void TaskFailed(ILyProcessTask* task) = 0;
    virtual void TaskCancelled(ILyProcessTask* task) = 0;
    // Sent for every task still running when the work ended, also after a failure or cancel.
    virtual void TaskFinished(ILyProcessTask* task) = 0;
};

// Ignores every notification; descendants override what they need. Freed by its creator.
class TLyProcessListener : public TVxOptionallyReferenceCountedObject, public ILyProcessListener {
public:
    void OwnerChanged(TLyProcess*) override {}
    void OwnerChanging(TLyProcess*) override {}
    void OwnerDestroying(TLyProcess*) override {}
    void TaskStarted(ILyProcessTask*) override {}
    void TaskProgressed(ILyProcessTask*) override {}
    void TaskFailed(ILyProcessTask*) override {}
    void TaskCancelled(ILyProcessTask*) override {}
    void TaskFinished(ILyProcessTask*) override {}
};

// Forwards each notification to every registered listener in registration order. The list is
// thread-safe and does not own its listeners; a listener added twice is called twice.
class TLyMulticastProcessListener : public TLyProcessListener {
public:
    void AddListener(ILyProcessListener* listener);
    // Removes the first occurrence; nothing when absent.
    void RemoveListener(ILyProcessListener* listener);
    int Count() const;
    bool Contains(ILyProcessListener* listener) const;

    void OwnerChanged(TLyProcess* process) override;
    void OwnerChanging(TLyProcess* process) override;
    // Listeners may remove themselves from within this call.
    void OwnerDestroying(TLyProcess* process) override;
    void TaskStarted(ILyProcessTask* task) override;
    void TaskProgressed(ILyProcessTask* task) override;
    void TaskFailed(ILyProcessTask* task) override;
    void TaskCancelled(ILyProcessTask* task) override;
    void TaskFinished(ILyProcessTask* task) override;

private:
    template <typename Notify>
    void ForEach(const Notify& notify) const;
    ILyProcessListener* At(int index) const;

    mutable std::mutex FLock;
    QList<ILyProcessListener*> FListeners;
};
