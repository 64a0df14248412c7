#include "LyMatching.h"

#include <algorithm>
#include <array>
#include <limits>

LY_UNIT("Units/LyProject")

namespace {

constexpr int kSoundexLength = 20;

// The four component texts of one track, normalised once for the mode and reused for every
// key built from them; TKeyViews refers to them, or to the parts of a stored key.
using TKeyParts = std::array<QString, 4>;
using TKeyViews = std::array<QStringView, 4>;

bool IsAsciiLetter(char16_t u) {
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

// Every letter, combining mark and digit of `text` (NFC), of whatever script; spaces,
// punctuation and symbols go. *latinOrAscii (when given) receives whether the result is empty,
// ASCII only or holds a letter of the Latin script: then a phonetic key is its Soundex code.
QString AlphanumericText(const QString& text, bool* latinOrAscii = nullptr) {
    QString result(text.size(), Qt::Uninitialized);
    QChar* out = result.data();
    const auto* p = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* const end = p + text.size();
    bool ascii = true;
    bool latin = false;
    while (p < end) {
        const char16_t u = *p;
        if (u < 0x80) {
            if ((u >= u'0' && u <= u'9') || IsAsciiLetter(u))
                *out++ = QChar(u);
            ++p;
            continue;
        }
        char32_t c = u;
        int units = 1;
        if (QChar::isHighSurrogate(u) && p + 1 < end && QChar::isLowSurrogate(p[1])) {
            c = QChar::surrogateToUcs4(u, p[1]);
            units = 2;
        }
        const QChar::Category category = QChar::category(c);
        const bool letter = category >= QChar::Letter_Uppercase && category <= QChar::Letter_Other;
        if (letter || category <= QChar::Number_Other) { // marks and numbers come first
            ascii = false;
            if (latinOrAscii && letter && !latin)
                latin = QChar::script(c) == QChar::Script_Latin;
            for (int i = 0; i < units; ++i)
                *out++ = QChar(p[i]);
        }
        p += units;
    }
    result.truncate(out - result.constData());
    if (latinOrAscii) {
        if (!ascii && !latin) // ASCII letters are Latin letters too
            latin = std::any_of(result.cbegin(), result.cend(),
                                [](QChar c) { return IsAsciiLetter(c.unicode()); });
        *latinOrAscii = ascii || latin;
    }
    return result;
}

QString NormalisedPart(const QString& text, tLySongCompareMode mode) {
    // Mac exports often store accented letters decomposed: compare them composed.
    const QString composed = text.normalized(QString::NormalizationForm_C);
    switch (mode) {
    case scmExactMatch:
    case scmPersistentIdMatch: // tracks without an identifier are compared as they are
        return composed;
    case scmAlphanumericMatch:
        return AlphanumericText(composed);
    case scmPhoneticMatch: {
        // Soundex knows only Latin letters: text of other scripts is compared as it is.
        bool latinOrAscii = true;
        QString alphanumeric = AlphanumericText(composed, &latinOrAscii);
        return latinOrAscii ? SoundexCode(alphanumeric) : alphanumeric;
    }
    }
    return composed;
}

TKeyParts KeyParts(const TLySongProperties& properties, tLySongCompareMode mode,
                   tLySongCompareComponentSet components) {
    TKeyParts parts;
    for (int c = sccTitle; c <= sccGenre; ++c)
        if (components.Contains(tLySongCompareComponent(c)))
            parts[c] = NormalisedPart(properties.Text(tLySongPart(c)), mode);
    return parts;
}

// The key of a track compared by its Persistent ID, when it has one: "#" and the identifier,
// which no key of texts begins with. Empty otherwise.
QString IdentifierKey(const TLySongProperties& properties, tLySongCompareMode mode) {
    if (mode != scmPersistentIdMatch || properties.PersistentId().isEmpty())
        return {};
    return u'#' + properties.PersistentId();
}

TKeyViews Views(const TKeyParts& parts) {
    return {parts[0], parts[1], parts[2], parts[3]};
}

// The parts of a full key of the alphanumeric or phonetic mode, whose parts never hold "/";
// false when `key` does not have one part for each component.
bool SplitKey(const QString& key, tLySongCompareComponentSet components, TKeyViews* views) {
    qsizetype pos = 0;
    for (int c = sccTitle; c <= sccGenre; ++c) {
        if (!components.Contains(tLySongCompareComponent(c)))
            continue;
        if (pos >= key.size() || key.at(pos) != u'/')
            return false;
        qsizetype end = key.indexOf(u'/', pos + 1);
        if (end < 0)
            end = key.size();
        (*views)[c] = QStringView(key).sliced(pos + 1, end - pos - 1);
        pos = end;
    }
    return pos == key.size();
}

// Builds the key into `key`, reusing its memory.
void ComposeInto(QString& key, const TKeyViews& parts, tLySongCompareComponentSet components) {
    qsizetype length = 0;
    for (int c = sccTitle; c <= sccGenre; ++c)
        if (components.Contains(tLySongCompareComponent(c)))
            length += 1 + parts[c].size();
    key.resize(length);
    QChar* out = key.data();
    for (int c = sccTitle; c <= sccGenre; ++c) {
        if (components.Contains(tLySongCompareComponent(c))) {
            *out++ = u'/';
            out = std::copy(parts[c].cbegin(), parts[c].cend(), out);
        }
    }
}

QString Compose(const TKeyViews& parts, tLySongCompareComponentSet components) {
    QString key;
    ComposeInto(key, parts, components);
    return key;
}

int SoundexScore(QChar c) {
    switch (c.toUpper().unicode()) {
    case u'H':
    case u'W':
        return -1;
    case u'B':
    case u'F':
    case u'P':
    case u'V':
        return 1;
    case u'C':
    case u'G':
    case u'J':
    case u'K':
    case u'Q':
    case u'S':
    case u'X':
    case u'Z':
        return 2;
    case u'D':
    case u'T':
        return 3;
    case u'L':
        return 4;
    case u'M':
    case u'N':
        return 5;
    case u'R':
        return 6;
    default: // vowels, Y, digits and everything else
        return 0;
    }
}

// The components that may be dropped, from genre down to title.
template <typename Visit>
bool ForEachDroppable(tLySongCompareComponentSet components, tLySongCompareComponentSet canBeEmpty,
                      const Visit& visit) {
    const tLySongCompareComponentSet droppable = components & canBeEmpty;
    for (int c = sccGenre; c >= sccTitle; --c)
        if (droppable.Contains(tLySongCompareComponent(c)) && visit(tLySongCompareComponent(c)))
            return true;
    return false;
}

// The shortened component sets one track has reached, one bit for each of the 16 sets.
// Dropping the same components in another order reaches a set again, with the same
// components still allowed to be empty: its keys were looked up already and nothing changes.
class TVisitedSets {
public:
    // True the first time `components` is reached.
    bool Visit(tLySongCompareComponentSet components) {
        const auto bit = quint16(1u << components.ToBits());
        const bool first = (FSets & bit) == 0;
        FSets |= bit;
        return first;
    }

private:
    quint16 FSets = 0;
};

// `buffer` holds each key while it is looked up; only a key that is stored gets its own string.
void AddShortenedEntries(const TLySongProperties& properties, const TKeyViews& parts,
                         tLySongCompareComponentSet components,
                         tLySongCompareComponentSet canBeEmpty, TLySongPropertiesMap& map,
                         QString& buffer, TVisitedSets& visited) {
    ForEachDroppable(components, canBeEmpty, [&](tLySongCompareComponent c) {
        if (!visited.Visit(components - c))
            return false;
        ComposeInto(buffer, parts, components - c);
        if (!map.Find(buffer)) {
            const QString key(buffer.constData(), buffer.size());
            std::unique_ptr<TLySongProperties> clone = properties.Clone();
            clone->SetPrimary(false);
            clone->SetKey(key);
            map.AddNew(key, clone.release());
        }
        AddShortenedEntries(properties, parts, components - c, canBeEmpty - c, map, buffer,
                            visited);
        return false;
    });
}

// `buffer` holds each key while it is looked up. A set reached again was looked up without an
// answer already (an answer ends the search), so it is not looked up twice.
TLySongProperties* ReducedSearch(const TKeyViews& parts, tLySongCompareComponentSet components,
                                 tLySongCompareComponentSet canBeEmpty,
                                 const TLySongPropertiesMap& map, QString& buffer,
                                 TVisitedSets& visited) {
    TLySongProperties* found = nullptr;
    if (ForEachDroppable(components, canBeEmpty, [&](tLySongCompareComponent c) {
            if (!visited.Visit(components - c))
                return false;
            ComposeInto(buffer, parts, components - c);
            found = map.Find(buffer);
            return found != nullptr;
        }))
        return found;
    ForEachDroppable(components, canBeEmpty, [&](tLySongCompareComponent c) {
        found = ReducedSearch(parts, components - c, canBeEmpty - c, map, buffer, visited);
        return found != nullptr;
    });
    return found;
}

} // namespace

QString SoundexCode(QStringView text) {
    if (text.isEmpty())
        return {};
    QString code;
    code.reserve(kSoundexLength);
    const QChar first = text.at(0);
    code += (first >= u'a' && first <= u'z') ? first.toUpper() : first;
    qsizetype i = 1;
    if (first.isHighSurrogate() && i < text.size() && text.at(i).isLowSurrogate())
        code += text.at(i++); // the first character is the whole pair
    int previous = SoundexScore(first);
    for (; i < text.size(); ++i) {
        const int score = SoundexScore(text.at(i));
        if (score >= 1 && score != previous) {
            code += QChar(u'0' + score);
            if (code.size() == kSoundexLength)
                break;
        }
        if (score != -1)
            previous = score;
    }
    return code.leftJustified(kSoundexLength, u'0');
}

QString MakeKey(const TLySongProperties& properties, tLySongCompareMode mode,
                tLySongCompareComponentSet components) {
    if (QString key = IdentifierKey(properties, mode); !key.isEmpty())
        return key;
    const TKeyParts parts = KeyParts(properties, mode, components);
    return Compose(Views(parts), components);
}

void AddEntry(TLySongProperties* properties, TLySongPropertiesMap& map,
              const TLyCompareOptions& options) {
    LY_ASSERT(properties);
    std::unique_ptr<TLySongProperties> owned(properties);
    if (QString key = IdentifierKey(*properties, options.Mode()); !key.isEmpty()) {
        properties->SetPrimary(true); // an identifier is never shortened
        properties->SetKey(key);
        map.Put(key, owned.release());
        return;
    }
    const TKeyParts parts = KeyParts(*properties, options.Mode(), options.Components());
    const TKeyViews views = Views(parts);
    if (!(options.Components() & options.CanBeEmpty()).IsEmpty()) {
        QString buffer;
        TVisitedSets visited;
        AddShortenedEntries(*properties, views, options.Components(), options.CanBeEmpty(), map,
                            buffer, visited);
    }
    properties->SetPrimary(true);
    properties->SetKey(Compose(views, options.Components()));
    map.Put(properties->Key(), owned.release());
}

TLySongProperties* FindMatch(const TLySongProperties& properties,
                             const TLySongPropertiesMap& otherMap,
                             const TLyCompareOptions& options) {
    if (TLySongProperties* entry = otherMap.Find(properties.Key()))
        return entry;
    if ((options.Components() & options.CanBeEmpty()).IsEmpty() ||
        properties.Key().startsWith(u'#'))
        return nullptr;
    // Parts of the alphanumeric and phonetic modes are read back from the key rather than
    // normalised again; exact parts may hold "/" themselves.
    TKeyParts parts;
    TKeyViews views;
    if (options.Mode() == scmExactMatch || options.Mode() == scmPersistentIdMatch ||
        !SplitKey(properties.Key(), options.Components(), &views)) {
        parts = KeyParts(properties, options.Mode(), options.Components());
        views = Views(parts);
    }
    QString buffer;
    TVisitedSets visited;
    return ReducedSearch(views, options.Components(), options.CanBeEmpty(), otherMap, buffer,
                         visited);
}

int ExpectedMapEntries(int tracks, const TLyCompareOptions& options) {
    // Each track adds at most 2^k - 1 shortened keys for k components that may be empty; many
    // are shared, so the room reserved stops at eight entries a track.
    const int droppable = (options.Components() & options.CanBeEmpty()).Count();
    const qint64 entries = qint64(tracks) << std::min(droppable, 3);
    return int(std::min<qint64>(entries, std::numeric_limits<int>::max() / 2));
}
