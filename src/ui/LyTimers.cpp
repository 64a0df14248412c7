#include "LyTimers.h"

#include "ArExceptions.h"

#include <QList>
#include <QPointer>
#include <QTimer>

LY_UNIT("Units/LyTimers")

namespace {

class TLyQtTimer : public TLyTimer {
public:
    TLyQtTimer(QObject* parent, int intervalMs, bool singleShot)
        : TLyTimer(parent, intervalMs, singleShot)
        , FTimer(this) {
        FTimer.setInterval(intervalMs);
        FTimer.setSingleShot(singleShot);
        connect(&FTimer, &QTimer::timeout, this, &TLyTimer::Fired);
    }
    void Start() override { FTimer.start(); }
    void Stop() override { FTimer.stop(); }
    bool Active() const override { return FTimer.isActive(); }

private:
    QTimer FTimer;
};

class TLyManualTimer : public TLyTimer {
public:
    using TLyTimer::TLyTimer;
    void Start() override {
        FActive = true;
        FElapsed = 0;
    }
    void Stop() override { FActive = false; }
    bool Active() const override { return FActive; }

    // Fires once if a full interval has passed; false when nothing is left to fire.
    bool FireDue() {
        if (!FActive || FElapsed < Interval())
            return false;
        FElapsed -= Interval();
        if (SingleShot())
            FActive = false;
        Q_EMIT Fired();
        return true;
    }
    void Pass(int ms) {
        if (FActive)
            FElapsed += ms;
    }

private:
    bool FActive = false;
    int FElapsed = 0;
};

// The manual timers made while a TLyManualTimers lives; null when none does.
QList<QPointer<TLyManualTimer>>*& ManualTimers() {
    static QList<QPointer<TLyManualTimer>>* timers = nullptr;
    return timers;
}

} // namespace

TLyTimer::TLyTimer(QObject* parent, int intervalMs, bool singleShot)
    : QObject(parent)
    , FInterval(intervalMs)
    , FSingleShot(singleShot) {
    LY_ASSERT(intervalMs > 0);
}

TLyTimer* TLyTimer::Create(QObject* parent, int intervalMs, bool singleShot) {
    if (!ManualTimers())
        return new TLyQtTimer(parent, intervalMs, singleShot);
    auto* timer = new TLyManualTimer(parent, intervalMs, singleShot);
    ManualTimers()->append(timer);
    return timer;
}

TLyManualTimers::TLyManualTimers() {
    LY_ASSERT(!ManualTimers());
    ManualTimers() = new QList<QPointer<TLyManualTimer>>;
}

TLyManualTimers::~TLyManualTimers() {
    delete ManualTimers();
    ManualTimers() = nullptr;
}

void TLyManualTimers::Advance(int ms) {
    // A timer started by another's Fired counts from that moment: it is not given this time.
    const QList<QPointer<TLyManualTimer>> timers = *ManualTimers();
    for (const auto& timer : timers)
        if (timer)
            timer->Pass(ms);
    for (const auto& timer : timers)
        while (timer && timer->FireDue()) {
        }
}
