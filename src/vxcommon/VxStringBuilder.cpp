#include "VxStringBuilder.h"

#include "ArExceptions.h"

#include <limits>

LY_UNIT("Units/VxUtils")

TVxStringBuilder::TVxStringBuilder(const QString& initialText, int capacity)
    : FBuffer(initialText)
    , FLength(int(initialText.size())) {
    if (capacity > FLength)
        FBuffer.resize(capacity);
}

void TVxStringBuilder::Append(QStringView text) {
    if (text.isEmpty())
        return;
    const qint64 needed = qint64(FLength) + text.size();
    if (needed > FBuffer.size()) {
        const qint64 grown = (qint64(FBuffer.size()) + text.size()) * 2;
        if (grown > std::numeric_limits<int>::max())
            throw EIntOverflow(QStringLiteral("Integer overflow"));
        FBuffer.resize(qsizetype(grown));
    }
    std::copy(text.begin(), text.end(), FBuffer.begin() + FLength);
    FLength = int(needed);
}

QString TVxStringBuilder::Text() {
    FBuffer.truncate(FLength);
    return FBuffer;
}

QChar TVxStringBuilder::Chars(int index) const {
    LY_ASSERT(index >= 1 && index <= FLength);
    return FBuffer.at(index - 1);
}

void TVxStringBuilder::Truncate(int length) {
    LY_ASSERT(length >= 0);
    if (length < FLength)
        FLength = length;
}
