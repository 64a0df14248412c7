#include "LyRememberedPairs.h"

#include <algorithm>

void TLyRememberedPairs::Remember(const QString& idOne, const QString& idTwo) {
    if (idOne.isEmpty() || idTwo.isEmpty())
        return;
    ForgetTrack(0, idOne);
    ForgetTrack(1, idTwo);
    FOneToTwo.insert(idOne, idTwo);
    FTwoToOne.insert(idTwo, idOne);
}

void TLyRememberedPairs::ForgetTrack(int side, const QString& id) {
    QHash<QString, QString>& own = side == 0 ? FOneToTwo : FTwoToOne;
    QHash<QString, QString>& other = side == 0 ? FTwoToOne : FOneToTwo;
    const auto found = own.constFind(id);
    if (found == own.cend())
        return;
    other.remove(found.value());
    own.erase(found);
}

void TLyRememberedPairs::Forget(const QString& idOne, const QString& idTwo) {
    if (!idOne.isEmpty() && FOneToTwo.value(idOne) == idTwo)
        ForgetTrack(0, idOne);
}

QStringList TLyRememberedPairs::IdsOne() const {
    QStringList ids = FOneToTwo.keys();
    std::sort(ids.begin(), ids.end());
    return ids;
}

QString TLyRememberedPairs::Partner(int side, const QString& id) const {
    return (side == 0 ? FOneToTwo : FTwoToOne).value(id);
}

void TLyRememberedPairs::Clear() {
    FOneToTwo.clear();
    FTwoToOne.clear();
}

QStringList TLyRememberedPairs::Texts() const {
    QStringList texts;
    texts.reserve(FOneToTwo.size());
    for (auto it = FOneToTwo.cbegin(); it != FOneToTwo.cend(); ++it)
        texts << it.key() + u' ' + it.value();
    std::sort(texts.begin(), texts.end());
    return texts;
}

QStringList TLyRememberedPairs::SetTexts(const QStringList& texts) {
    Clear();
    QStringList skipped;
    for (const QString& text : texts) {
        const QStringList ids = text.split(u' ', Qt::SkipEmptyParts);
        if (ids.size() == 2)
            Remember(ids[0], ids[1]);
        else
            skipped << text;
    }
    return skipped;
}
