// A process listener that hands each notification to the same-named handler of a window or
// frame, guarded (LyGuard.h), so that an engine error never returns into the engine's
// notification. A target without a handler for a notification ignores it; a target whose
// handlers are private befriends TLyGuardedListener<Target>.
#pragma once

#include "LyGuard.h"
#include "LyProcessListener.h"

template <class T>
class TLyGuardedListener final : public TLyProcessListener {
public:
    explicit TLyGuardedListener(T* target)
        : FTarget(target) {}

    void OwnerChanged(TLyProcess* p) override {
        if constexpr (requires { FTarget->OwnerChanged(p); })
            LyGuarded(FTarget, [&] { FTarget->OwnerChanged(p); });
    }
    void OwnerChanging(TLyProcess* p) override {
        if constexpr (requires { FTarget->OwnerChanging(p); })
            LyGuarded(FTarget, [&] { FTarget->OwnerChanging(p); });
    }
    void OwnerDestroying(TLyProcess* p) override {
        if constexpr (requires { FTarget->OwnerDestroying(p); })
            LyGuarded(FTarget, [&] { FTarget->OwnerDestroying(p); });
    }
    void TaskStarted(ILyProcessTask* t) override {
        if constexpr (requires { FTarget->TaskStarted(t); })
            LyGuarded(FTarget, [&] { FTarget->TaskStarted(t); });
    }
    void TaskProgressed(ILyProcessTask* t) override {
        if constexpr (requires { FTarget->TaskProgressed(t); })
            LyGuarded(FTarget, [&] { FTarget->TaskProgressed(t); });
    }
    void TaskFailed(ILyProcessTask* t) override {
        if constexpr (requires { FTarget->TaskFailed(t); })
            LyGuarded(FTarget, [&] { FTarget->TaskFailed(t); });
    }
    void TaskCancelled(ILyProcessTask* t) override {
        if constexpr (requires { FTarget->TaskCancelled(t); })
            LyGuarded(FTarget, [&] { FTarget->TaskCancelled(t); });
    }
    void TaskFinished(ILyProcessTask* t) override {
        if constexpr (requires { FTarget->TaskFinished(t); })
            LyGuarded(FTarget, [&] { FTarget->TaskFinished(t); });
    }

private:
    T* FTarget;
};
