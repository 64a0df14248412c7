// The one way slots, timers, drop handlers and listeners of the windows run engine calls: an
// exception never escapes into Qt's event loop or back into the engine; its message is shown
// in a message box once the notification that caused it has returned.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

// Runs `call` at once. An exception it raises is caught; its message is shown (parented to
// `parent` while it lives) from the event loop, after the caller has returned.
void LyGuarded(QWidget* parent, const std::function<void()>& call) noexcept;

// Runs `call` guarded from the event loop, after the current event has been handled; nothing
// when `context` is gone by then. For work that must not run inside the signal that asked for
// it (a menu item that rebuilds its own menu).
void LyGuardedLater(QWidget* context, std::function<void()> call);
