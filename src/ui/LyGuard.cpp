#include "LyGuard.h"

#include "ArExceptions.h"
#include "LyDialogs.h"

#include <QTimer>

namespace {

void ShowLater(QWidget* parent, const QString& message) {
    QPointer<QWidget> guardedParent(parent);
    QTimer::singleShot(
        0, [guardedParent, message] { TLyDialogs::ShowMessage(guardedParent.data(), message); });
}

} // namespace

void LyGuarded(QWidget* parent, const std::function<void()>& call) noexcept {
    try {
        call();
    } catch (const Exception& error) {
        ShowLater(parent, error.Message());
    } catch (const std::exception& error) {
        ShowLater(parent, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ShowLater(parent, QStringLiteral("Unknown error."));
    }
}

void LyGuardedLater(QWidget* context, std::function<void()> call) {
    QPointer<QWidget> guardedContext(context);
    QTimer::singleShot(0, context, [guardedContext, call = std::move(call)] {
        if (guardedContext)
            LyGuarded(guardedContext.data(), call);
    });
}
