#include "LyIdleUpdate.h"

#include "LyGuard.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QWidget>

void LyUpdateWhenIdle(QWidget* owner, std::function<void()> update) {
    QCoreApplication* application = QCoreApplication::instance();
    QAbstractEventDispatcher* dispatcher =
        application ? QAbstractEventDispatcher::instance(application->thread()) : nullptr;
    if (!dispatcher)
        return;
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, owner,
                     [owner, update = std::move(update)] { LyGuarded(owner, update); });
}
