#include "ArExceptions.h"

#include <atomic>
#include <limits>

Exception::Exception(QString message)
    : FMessage(std::move(message))
    , FWhat(FMessage.toUtf8()) {}

void RaiseAssertionFailed(const char* unit, int line, const char* message) {
    const QString text = message ? QString::fromUtf8(message) : QStringLiteral("Assertion failure");
    throw EAssertionFailed(
        QStringLiteral("%1 (%2, line %3)").arg(text, QString::fromUtf8(unit)).arg(line));
}

namespace {

void AbortOnDestructorAssertion(const QString& message) {
    qFatal("%s", qPrintable(message));
}

std::atomic<TDestructorAssertionHandler> gDestructorAssertionHandler{&AbortOnDestructorAssertion};

} // namespace

void ReportDestructorAssertion(const char* unit, int line, const char* message) {
    gDestructorAssertionHandler.load()(QStringLiteral("%1 (%2, line %3)")
                                           .arg(QString::fromUtf8(message), QString::fromUtf8(unit))
                                           .arg(line));
}

TDestructorAssertionHandler SetDestructorAssertionHandler(TDestructorAssertionHandler handler) {
    return gDestructorAssertionHandler.exchange(handler ? handler : &AbortOnDestructorAssertion);
}

int CheckedIncrement(int value) {
    if (value == std::numeric_limits<int>::max())
        throw EIntOverflow(QStringLiteral("Integer overflow"));
    return value + 1;
}
