// Enabled rules run when the main thread's event loop is about to wait for events, the
// counterpart of an idle handler: after every burst of input or notifications, never in the
// middle of one. A rule must be cheap: it answers from state kept when rows are rebuilt or the
// selection changes, never by walking rows.
#pragma once

#include <functional>

class QWidget;

// Runs `update` (guarded, parented to `owner`) each time the main thread's event loop is about
// to wait, for as long as `owner` lives. Call on the main thread after the application exists.
void LyUpdateWhenIdle(QWidget* owner, std::function<void()> update);
