#include "FailingDevice.h"

#include <algorithm>

TLyFailingDevice::TLyFailingDevice(qint64 failAfter, const QByteArray& content)
    : FFailAfter(failAfter)
    , FContent(content) {}

qint64 TLyFailingDevice::readData(char* data, qint64 maxSize) {
    if (FPassed >= FFailAfter) {
        setErrorString(QStringLiteral("Simulated read failure"));
        return -1;
    }
    const qint64 available = qMin(FContent.size() - FPassed, FFailAfter - FPassed);
    const qint64 n = qMax<qint64>(0, qMin(maxSize, available));
    std::copy_n(FContent.constData() + FPassed, n, data);
    FPassed += n;
    return n;
}

qint64 TLyFailingDevice::writeData(const char* data, qint64 maxSize) {
    if (FPassed >= FFailAfter) {
        setErrorString(QStringLiteral("Simulated write failure"));
        return -1;
    }
    const qint64 n = qMin(maxSize, FFailAfter - FPassed);
    FWritten.append(data, n);
    FPassed += n;
    return n;
}
