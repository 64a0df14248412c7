#include "LyBaseFrame.h"

#include "LyGuard.h"

#include <QEvent>

TLyBase::TLyBase(QWidget* parent)
    : QWidget(parent) {}

TLyBase::~TLyBase() = default;

void TLyBase::EnsureInitialised() {
    if (FInitialised || !parentWidget())
        return;
    FInitialised = true;
    LyGuarded(this, [this] { Initialise(); });
}

void TLyBase::EnsureFinalised() {
    if (FFinalised)
        return;
    FFinalised = true;
    if (FInitialised)
        LyGuarded(nullptr, [this] { Finalise(); });
}

bool TLyBase::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::Show)
        EnsureInitialised();
    return QWidget::event(event);
}
