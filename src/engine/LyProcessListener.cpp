#include "LyProcessListener.h"

void TLyMulticastProcessListener::AddListener(ILyProcessListener* listener) {
    std::lock_guard lock(FLock);
    FListeners.append(listener);
}

void TLyMulticastProcessListener::RemoveListener(ILyProcessListener* listener) {
    std::lock_guard lock(FLock);
    FListeners.removeOne(listener);
}

int TLyMulticastProcessListener::Count() const {
    std::lock_guard lock(FLock);
    return int(FListeners.size());
}

bool TLyMulticastProcessListener::Contains(ILyProcessListener* listener) const {
    std::lock_guard lock(FLock);
    return FListeners.contains(listener);
}

ILyProcessListener* TLyMulticastProcessListener::At(int index) const {
    std::lock_guard lock(FLock);
    return index < FListeners.size() ? FListeners.at(index) : nullptr;
}

template <typename Notify>
void TLyMulticastProcessListener::ForEach(const Notify& notify) const {
    // The count is taken once; the lock is not held during a call, so a listener may take
    // its time or raise.
    const int count = Count();
    for (int i = 0; i < count; ++i)
        if (ILyProcessListener* listener = At(i))
            notify(listener);
}

void TLyMulticastProcessListener::OwnerChanged(TLyProcess* process) {
    ForEach([&](ILyProcessListener* l) { l->OwnerChanged(process); });
}

void TLyMulticastProcessListener::OwnerChanging(TLyProcess* process) {
    ForEach([&](ILyProcessListener* l) { l->OwnerChanging(process); });
}

void TLyMulticastProcessListener::OwnerDestroying(TLyProcess* process) {
    // A listener that removed itself lets the next one move into its place: advance only past
    // a listener that is still there.
    int index = 0;
    while (ILyProcessListener* listener = At(index)) {
        listener->OwnerDestroying(process);
        if (At(index) == listener)
            ++index;
    }
}

void TLyMulticastProcessListener::TaskStarted(ILyProcessTask* task) {
    ForEach([&](ILyProcessListener* l) { l->TaskStarted(task); });
}

void TLyMulticastProcessListener::TaskProgressed(ILyProcessTask* task) {
    ForEach([&](ILyProcessListener* l) { l->TaskProgressed(task); });
}

void TLyMulticastProcessListener::TaskFailed(ILyProcessTask* task) {
    ForEach([&](ILyProcessListener* l) { l->TaskFailed(task); });
}

void TLyMulticastProcessListener::TaskCancelled(ILyProcessTask* task) {
    ForEach([&](ILyProcessListener* l) { l->TaskCancelled(task); });
}

void TLyMulticastProcessListener::TaskFinished(ILyProcessTask* task) {
    ForEach([&](ILyProcessListener* l) { l->TaskFinished(task); });
}
