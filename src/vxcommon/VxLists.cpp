#include "VxLists.h"

#include "ArFormat.h"
#include "VxStringBuilder.h"

#include <QHashFunctions>

#include <algorithm>
#include <cstring>

LY_UNIT("Units/VxLists")

namespace {

// The folded value QString::compare gives the unit at `index`: a low surrogate that follows a high
// one stands for their code point; any other unit for itself.
char32_t FoldedUnit(const char16_t* units, qsizetype index) noexcept {
    char32_t codePoint = units[index];
    if (QChar::isLowSurrogate(codePoint) && index > 0 && QChar::isHighSurrogate(units[index - 1]))
        codePoint = QChar::surrogateToUcs4(units[index - 1], units[index]);
    return QChar::toCaseFolded(codePoint);
}

} // namespace

bool VxCaseInsensitiveEqual(QStringView a, QStringView b) noexcept {
    // Unit by unit as QString::compare, with a shortcut for ASCII. Case folding never changes
    // the length of a string, so different lengths never compare equal.
    const qsizetype length = a.size();
    if (length != b.size())
        return false;
    const char16_t* unitsA = a.utf16();
    const char16_t* unitsB = b.utf16();
    if (length == 0 || std::memcmp(unitsA, unitsB, size_t(length) * sizeof(char16_t)) == 0)
        return true;
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t unitA = unitsA[i];
        const char16_t unitB = unitsB[i];
        // Equal units are equal values: the units before them matched, so a surrogate pair
        // begun there was begun in both strings.
        if (unitA == unitB)
            continue;
        if (unitA < 0x80 && unitB < 0x80) {
            if ((unitA | 0x20) != (unitB | 0x20) || char16_t((unitA | 0x20) - u'a') >= 26)
                return false;
            continue;
        }
        if (FoldedUnit(unitsA, i) != FoldedUnit(unitsB, i))
            return false;
    }
    return true;
}

size_t VxCaseInsensitiveHash(QStringView text, size_t seed) noexcept {
    // Folds the text chunk by chunk into a buffer on the stack and chains qHash over the chunks.
    // Equal keys have the same length and the same surrogate pairs, so their chunks end at the
    // same places, and they fold to the same units (folding keeps each code point's length).
    constexpr qsizetype ChunkSize = 256;
    char16_t folded[ChunkSize];
    size_t hash = seed;
    const char16_t* units = text.utf16();
    const qsizetype length = text.size();
    qsizetype start = 0;
    do {
        qsizetype end = std::min(start + ChunkSize, length);
        if (end < length && QChar::isHighSurrogate(units[end - 1]) &&
            QChar::isLowSurrogate(units[end]))
            --end;
        // ASCII first, without branches; then the rest of a chunk that holds more than ASCII.
        char16_t seen = 0;
        for (qsizetype i = start; i < end; ++i) {
            const char16_t unit = units[i];
            seen |= unit;
            folded[i - start] = char16_t(unit - u'A') < 26 ? char16_t(unit + (u'a' - u'A')) : unit;
        }
        if (seen >= 0x80) {
            for (qsizetype i = start; i < end; ++i) {
                char32_t codePoint = units[i];
                if (codePoint < 0x80)
                    continue;
                const bool pair = QChar::isHighSurrogate(codePoint) && i + 1 < end &&
                                  QChar::isLowSurrogate(units[i + 1]);
                if (pair)
                    codePoint = QChar::surrogateToUcs4(units[i], units[i + 1]);
                codePoint = QChar::toCaseFolded(codePoint);
                if (pair) {
                    folded[i - start] = QChar::highSurrogate(codePoint);
                    folded[i + 1 - start] = QChar::lowSurrogate(codePoint);
                    ++i;
                } else {
                    folded[i - start] = char16_t(codePoint);
                }
            }
        }
        hash = qHash(QStringView(folded, end - start), hash);
        start = end;
    } while (start < length);
    return hash;
}

size_t TVxCaseInsensitiveHasher::operator()(QStringView text) const noexcept {
    // Seeded per process like QHash, so that crafted keys cannot be made to collide.
    return VxCaseInsensitiveHash(text, QHashSeed::globalSeed());
}

TVxHashMap::TVxHashMap()
    : FLineBreak(QStringLiteral("\r\n"))
    , FNameValueSeparator(QStringLiteral("="))
    , FQuoteChar(u'"')
    , FEscapeChar(u'"') {}

QString TVxHashMap::AsText() const {
    TVxStringBuilder builder;
    bool any = false;
    IterateTextEntries([&](const QString& key, const QVariant& value) {
        AppendEntryText(builder, key, value);
        builder.Append(FLineBreak);
        any = true;
        return true;
    });
    if (any)
        builder.RemoveLast(int(FLineBreak.size()));
    return builder.Text();
}

void TVxHashMap::AppendEntryText(TVxStringBuilder& builder, QStringView key,
                                 const QVariant& value) const {
    const bool quoted = !FQuoteChar.isNull();
    if (quoted)
        builder.Append(QStringView(&FQuoteChar, 1));
    builder.Append(key);
    if (!value.isNull()) {
        builder.Append(FNameValueSeparator);
        QString text = value.toString();
        if (quoted && !FEscapeChar.isNull())
            text.replace(FQuoteChar, QString(FEscapeChar) + FQuoteChar);
        builder.Append(text);
    }
    if (quoted)
        builder.Append(QStringView(&FQuoteChar, 1));
}

bool TVxHashMap::IterateTextEntries(const TTextEntryCallback& callback) const {
    return IterateKeys([&callback](const QString& key) { return callback(key, QVariant()); });
}

void TVxHashMap::CheckNotIterating() const {
    LY_ASSERT_MSG(FIterationDepth.load(std::memory_order_relaxed) == 0,
                  "Cannot change the keys of a hash map while iterating it");
}

void TVxHashMap::CheckKeyWasNew(bool wasNew) {
    LY_ASSERT_MSG(wasNew, "The key is in the hash map already");
}

void TVxHashMap::RaiseKeyNotFound(QStringView key) {
    throw EVxListsError(ArFormat(QStringLiteral("Key [%s] not found."), {key.toString()}));
}

void TVxVariantHashMap::Remove(QStringView key) {
    CheckNotIterating();
    const auto it = FMap.find(TKey::Probe(key));
    if (it == FMap.end())
        RaiseKeyNotFound(key);
    FMap.erase(it);
}

void TVxVariantHashMap::Clear() {
    CheckNotIterating();
    FMap.clear();
}

bool TVxVariantHashMap::IterateKeys(const TKeyCallback& callback) const {
    return IterateTable(FMap,
                        [&callback](const QString& key, const QVariant&) { return callback(key); });
}

QVariant TVxVariantHashMap::GetValue(QStringView key) const {
    return FMap.value(TKey::Probe(key));
}

void TVxVariantHashMap::SetValue(const QString& key, const QVariant& value) {
    const auto it = FMap.find(TKey::Probe(key));
    if (it != FMap.end()) {
        it.value() = value;
        return;
    }
    CheckNotIterating();
    FMap.insert(TKey(key), value);
}

void TVxVariantHashMap::Reserve(int count) {
    CheckNotIterating();
    FMap.reserve(std::max(count, 0));
}

bool TVxVariantHashMap::Iterate(const TEntryCallback& callback) const {
    return IterateTable(FMap, callback);
}

bool TVxVariantHashMap::IterateTextEntries(const TTextEntryCallback& callback) const {
    return IterateTable(FMap, callback);
}
