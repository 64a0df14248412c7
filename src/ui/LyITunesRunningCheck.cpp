#include "LyITunesRunningCheck.h"

#include "LyShell.h"
#include "LyTimers.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <optional>

namespace {

constexpr int kCheckIntervalMs = 1000;

} // namespace

TLyITunesRunningCheck::TProgramNames TLyITunesRunningCheck::SystemProgramNames() {
    return [] {
        return TLySystemProcessList().RunningProgramNames();
    };
}

TLyITunesRunningCheck::TLyITunesRunningCheck(QObject* parent, TProgramNames programNames)
    : QObject(parent)
    , FProgramNames(programNames ? std::move(programNames) : SystemProgramNames())
    , FTimer(TLyTimer::Create(this, kCheckIntervalMs)) {
    connect(FTimer, &TLyTimer::Fired, this, &TLyITunesRunningCheck::Check);
    FTimer->Start();
    Check();
}

TLyITunesRunningCheck::~TLyITunesRunningCheck() = default;

void TLyITunesRunningCheck::Check() {
    if (FReading)
        return;
    FReading = true;
    // The answer goes to the application object, which outlives the pool's work, and reaches
    // this check only if it still lives then.
    QPointer<TLyITunesRunningCheck> self(this);
    QThreadPool::globalInstance()->start([self, names = FProgramNames] {
        // An unreadable process list tells nothing; the next tick reads it again.
        std::optional<bool> running;
        try {
            running = ContainsITunes(names());
        } catch (...) {
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, running] {
                if (self)
                    self->Received(running);
            },
            Qt::QueuedConnection);
    });
}

void TLyITunesRunningCheck::Received(std::optional<bool> running) {
    FReading = false;
    if (!running)
        return;
    FKnown = true;
    FRunning = *running;
    Q_EMIT Checked(FRunning);
}
