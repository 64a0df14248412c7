#include "LySong.h"

#include "ArFormat.h"
#include "LyLibraryValues.h"
#include "LyOptions.h"
#include "LyPlayCounts.h"
#include "LyTextForms.h"
#include "LyUtils.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

LY_UNIT("Units/LyProject")

namespace {

const QString kLastPlayedPattern = QStringLiteral("mmmm d, yyyy h:nn:ss");

[[noreturn]] void RaiseValueError(const char* format, const QVariantList& args) {
    throw ELyProjectError(ArFormat(QString::fromLatin1(format), args));
}

// A whole number from `low` to `high`: a number without a fraction, or the text of one.
int ToWholeNumber(const QVariant& value, tLySongPart part, int low, int high) {
    bool ok = false;
    qint64 number = 0;
    switch (value.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double real = value.toDouble();
        ok = std::isfinite(real) && real == std::trunc(real) && real >= low && real <= high;
        number = ok ? qint64(real) : 0;
        break;
    }
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        ok = value.toULongLong() <= quint64(high);
        number = ok ? qint64(value.toULongLong()) : 0;
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
        number = value.toLongLong();
        ok = true;
        break;
    default:
        number = value.toString().trimmed().toLongLong(&ok, 10);
        break;
    }
    if (!ok || number < low || number > high)
        RaiseValueError("[%s] is not a valid [%s]: give a whole number from %d to %d.",
                        {value.toString(), SongPartName(part), low, high});
    return int(number);
}

// The play date of LastPlayedText's form ("February 19, 2006 12:00:00"); false when `text`
// has another form or names no real date and time.
bool ParseLastPlayedText(const QString& text, TDateTime* value) {
    static const QRegularExpression form(QStringLiteral(
        R"(^([A-Za-z]+) +([0-9]{1,2}), *([0-9]{4}) +([0-9]{1,2}):([0-9]{2}):([0-9]{2})$)"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return false;
    int month = 0;
    for (int m = 1; m <= 12 && month == 0; ++m)
        if (FormatDateTime(QStringLiteral("mmmm"), EncodeDateTime(2000, m, 1))
                .compare(match.capturedView(1), Qt::CaseInsensitive) == 0)
            month = m;
    const auto number = [&](int group) {
        return match.capturedView(group).toInt();
    };
    if (!QDate::isValid(number(3), month, number(2)) ||
        !QTime::isValid(number(4), number(5), number(6)))
        return false;
    *value = EncodeDateTime(number(3), month, number(2), number(4), number(5), number(6));
    return true;
}

// A play date: a date-time, a number of days, the text the song lists show or "never"; the
// date must be one a library file can hold.
TDateTime ToDateTime(const QVariant& value) {
    TDateTime result = 0.0;
    switch (value.metaType().id()) {
    case QMetaType::QDateTime:
    case QMetaType::QDate: {
        const QDateTime dateTime = value.metaType().id() == QMetaType::QDate
                                       ? QDateTime(value.toDate(), QTime(0, 0), Qt::UTC)
                                       : value.toDateTime();
        result = dateTime.isValid() ? QDateTimeToDateTime(dateTime) : qQNaN();
        break;
    }
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        result = value.toDouble();
        break;
    default: {
        const QString text = value.toString().simplified();
        if (text.compare(u"never", Qt::CaseInsensitive) == 0)
            return 0.0;
        if (!ParseLastPlayedText(text, &result))
            RaiseValueError("[%s] is not a valid [%s]: give a date and time as [%s], or [never].",
                            {value.toString(), SongPartName(sdLastPlayed),
                             FormatDateTime(kLastPlayedPattern, EncodeDateTime(2006, 2, 19, 12))});
    }
    }
    if (!IsLibraryDate(result))
        RaiseValueError("[%s] is not a valid [%s]: a library file holds dates of the years 1 to "
                        "9999.",
                        {value.metaType().id() == QMetaType::QDateTime
                             ? value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                             : value.toString(),
                         SongPartName(sdLastPlayed)});
    return result;
}

// Text without control characters other than tab, line feed and carriage return: the writer
// could store them only as references that strict XML readers refuse.
QString ToText(const QVariant& value, tLySongPart part) {
    QString text = value.toString();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || (c >= 0x7F && c <= 0x9F))
            RaiseValueError("[%s] cannot hold the control character [U+%s] (character %d of "
                            "the text): a library file cannot store it.",
                            {SongPartName(part),
                             QString::number(c, 16).toUpper().rightJustified(4, u'0'), int(i + 1)});
    }
    return text;
}

} // namespace

void TLySongProperties::Clear() {
    FName.clear();
    FArtist.clear();
    FAlbum.clear();
    FGenre.clear();
    FRating = 0;
    FPlayCount = 0;
    FLastPlayed = 0.0;
    FExists = false;
    FTrackKind = 0;
}

const QString& TLySongProperties::Text(tLySongPart part) const {
    switch (part) {
    case sdName:
        return FName;
    case sdArtist:
        return FArtist;
    case sdAlbum:
        return FAlbum;
    case sdGenre:
        return FGenre;
    default:
        RaiseAssertionFailed(kLyUnitName, __LINE__);
    }
}

void TLySongProperties::SetText(tLySongPart part, const QString& text) {
    switch (part) {
    case sdName:
        FName = text;
        break;
    case sdArtist:
        FArtist = text;
        break;
    case sdAlbum:
        FAlbum = text;
        break;
    case sdGenre:
        FGenre = text;
        break;
    default:
        RaiseAssertionFailed(kLyUnitName, __LINE__);
    }
}

void TLySongProperties::CopyPart(const TLySongProperties& source, tLySongPart part) {
    switch (part) {
    case sdName:
    case sdArtist:
    case sdAlbum:
    case sdGenre:
        SetText(part, source.Text(part));
        break;
    case sdPlayCount:
        FPlayCount = source.FPlayCount;
        break;
    case sdLastPlayed:
        FLastPlayed = source.FLastPlayed;
        break;
    case sdRating:
        FRating = source.FRating;
        break;
    }
}

bool TLySongProperties::PartDiffers(const TLySongProperties& other, tLySongPart part) const {
    switch (part) {
    case sdName:
    case sdArtist:
    case sdAlbum:
    case sdGenre:
        return LyTextsDiffer(Text(part), other.Text(part)); // letter case counts
    case sdPlayCount:
        return FPlayCount != other.FPlayCount;
    case sdLastPlayed:
        return FLastPlayed != other.FLastPlayed;
    case sdRating:
        return FRating != other.FRating;
    }
    return false;
}

bool TLySongProperties::Equals(const TLySongProperties& other) const {
    for (int part = sdName; part <= sdRating; ++part)
        if (PartDiffers(other, tLySongPart(part)))
            return false;
    return true;
}

QVariant TLySongProperties::GetValue(tLySongPart part) const {
    switch (part) {
    case sdName:
    case sdArtist:
    case sdAlbum:
    case sdGenre:
        return Text(part);
    case sdPlayCount:
        return FPlayCount;
    case sdLastPlayed:
        return FLastPlayed;
    case sdRating:
        return FRating;
    }
    return {};
}

void TLySongProperties::SetValue(tLySongPart part, const QVariant& value) {
    switch (part) {
    case sdName:
    case sdArtist:
    case sdAlbum:
    case sdGenre:
        SetText(part, ToText(value, part));
        break;
    case sdPlayCount:
        FPlayCount = ToWholeNumber(value, part, 0, std::numeric_limits<int>::max());
        break;
    case sdLastPlayed:
        FLastPlayed = ToDateTime(value);
        break;
    case sdRating:
        FRating = ToWholeNumber(value, part, 0, 100);
        break;
    }
}

bool TLySongProperties::IsEmpty(tLySongPart part) const {
    switch (part) {
    case sdName:
    case sdArtist:
    case sdAlbum:
    case sdGenre:
        return Text(part).isEmpty();
    case sdPlayCount:
        return FPlayCount == 0;
    case sdLastPlayed:
        return FLastPlayed == 0.0;
    case sdRating:
        return FRating == 0;
    }
    return true;
}

QString TLySongProperties::GetText(tLySongPart part) const {
    switch (part) {
    case sdName:
    case sdArtist:
    case sdAlbum:
    case sdGenre:
        return Text(part);
    case sdPlayCount:
        return QString::number(FPlayCount);
    case sdLastPlayed:
        return LastPlayedText();
    case sdRating:
        return QString::number(Stars());
    }
    return {};
}

QString TLySongProperties::LastPlayedText() const {
    if (FLastPlayed == 0.0)
        return QStringLiteral("never");
    return FormatDateTime(kLastPlayedPattern, FLastPlayed);
}

bool TLySongProperties::FileExists() {
    if (FFileStatus == fsUnknown)
        if (TLyFileStatusCalculator* calculator = FileStatusCalculator())
            FFileStatus = calculator->GetStatus(FLocation);
    return FFileStatus == fsExists;
}

bool TLySongProperties::MatchesText(const QString& text) const {
    if (!FExists || text.isEmpty())
        return false;
    // Case folding covers all of Unicode: "BEYONCÉ" finds "beyoncé".
    return FName.contains(text, Qt::CaseInsensitive) ||
           FArtist.contains(text, Qt::CaseInsensitive) ||
           FAlbum.contains(text, Qt::CaseInsensitive) || FGenre.contains(text, Qt::CaseInsensitive);
}

void TLySongProperties::DoCopyFrom(const TVxCloneable& source) {
    TVxCloneable::DoCopyFrom(source);
    *this = static_cast<const TLySongProperties&>(source);
}

TLySongProperties& TLySong::Original(int side) {
    LY_ASSERT(side == 0 || side == 1);
    return side == 0 ? FOriginalOne : FOriginalTwo;
}

const TLySongProperties& TLySong::Original(int side) const {
    LY_ASSERT(side == 0 || side == 1);
    return side == 0 ? FOriginalOne : FOriginalTwo;
}

TLySongProperties& TLySong::Current(int side) {
    LY_ASSERT(side == 0 || side == 1);
    return side == 0 ? FCurrentOne : FCurrentTwo;
}

const TLySongProperties& TLySong::Current(int side) const {
    LY_ASSERT(side == 0 || side == 1);
    return side == 0 ? FCurrentOne : FCurrentTwo;
}

tLySongPartSet TLySong::ModifiedSet(int side) const {
    LY_ASSERT(side == 0 || side == 1);
    return side == 0 ? FModifiedOne : FModifiedTwo;
}

int TLySong::MatchState() const {
    if (!IsMatched())
        return 0;
    return SongDataDiffers() ? 1 : 2;
}

void TLySong::CalculateDifferences() {
    if (!IsMatched()) {
        FDifferences = kLyAllSongParts;
        FModifiedOne = {};
        FModifiedTwo = {};
        return;
    }
    FDifferences = {};
    FModifiedOne = {};
    FModifiedTwo = {};
    for (int i = sdName; i <= sdRating; ++i) {
        const auto part = tLySongPart(i);
        if (FCurrentOne.PartDiffers(FCurrentTwo, part))
            FDifferences.Include(part);
        if (FOriginalOne.PartDiffers(FCurrentOne, part))
            FModifiedOne.Include(part);
        if (FOriginalTwo.PartDiffers(FCurrentTwo, part))
            FModifiedTwo.Include(part);
    }
}

namespace {

// The value both sides keep: never an empty or zero value over a set one, whatever the action.
const QString& SynchronizedText(const QString& one, const QString& two,
                                tLySynchronizeAction action) {
    const int c = QString::compare(one, two, Qt::CaseSensitive);
    if (c == 0 || two.isEmpty())
        return one;
    if (one.isEmpty())
        return two;
    switch (action) {
    case saUseTwo:
        return two;
    case saUseMax:
    case saAddPlays:
        return c > 0 ? one : two;
    case saUseMin:
        return c < 0 ? one : two;
    default:
        return one;
    }
}

// Numbers and dates: a value of at most `unset` counts as not set.
template <typename T>
T SynchronizedNumber(T one, T two, T unset, tLySynchronizeAction action) {
    if (one == two || two <= unset)
        return one;
    if (one <= unset)
        return two;
    switch (action) {
    case saUseTwo:
        return two;
    case saUseMax:
    case saAddPlays: // a song seen on one side only, or a part other than the play count
        return qMax(one, two);
    case saUseMin:
        return qMin(one, two);
    default:
        return one;
    }
}

} // namespace

void TLySong::SetSides(const TLySongProperties* one, const TLySongProperties* two) {
    for (int side = 0; side < 2; ++side) {
        const TLySongProperties* track = side == 0 ? one : two;
        if (track) {
            Original(side) = *track;
            Current(side) = *track;
        } else {
            Original(side).Clear();
            Current(side).Clear();
        }
    }
    CalculateDifferences();
}

void TLySong::Synchronize(const TLyProjectOptions& options, const TLyPlayMemory* plays) {
    const bool force = options.ForceSynchronize();
    bool assigned = false;
    for (int i = sdName; i <= sdRating; ++i) {
        const auto part = tLySongPart(i);
        const tLySynchronizeAction action = options.Action(part);
        const bool toOne = force || !FModifiedOne.Contains(part);
        const bool toTwo = force || !FModifiedTwo.Contains(part);
        if (action == saIgnore || !(toOne || toTwo))
            continue;
        assigned = true;
        const auto assign = [&](auto setter, auto value) {
            if (toOne)
                (FCurrentOne.*setter)(value);
            if (toTwo)
                (FCurrentTwo.*setter)(value);
        };
        switch (part) {
        case sdName:
        case sdArtist:
        case sdAlbum:
        case sdGenre: {
            const QString& one = FOriginalOne.Text(part);
            const QString& two = FOriginalTwo.Text(part);
            // Texts that differ only in their normalisation are equal: each side keeps its
            // own. While neither side is changed, the differences tell without comparing again.
            const bool keepTwo =
                one != two &&
                !(PartModifiedAny(part) ? LyTextsDiffer(one, two) : FDifferences.Contains(part));
            const QString& value = keepTwo ? one : SynchronizedText(one, two, action);
            if (toOne)
                FCurrentOne.SetText(part, value);
            if (toTwo)
                FCurrentTwo.SetText(part, keepTwo ? two : value);
            break;
        }
        case sdPlayCount:
            if (action == saAddPlays && IsMatched()) {
                assign(&TLySongProperties::SetPlayCount,
                       AddedPlayCount(plays ? plays->Find(FOriginalOne.PersistentId(),
                                                          FOriginalTwo.PersistentId())
                                            : std::nullopt,
                                      FOriginalOne.PlayCount(), FOriginalTwo.PlayCount()));
                break;
            }
            assign(
                &TLySongProperties::SetPlayCount,
                SynchronizedNumber(FOriginalOne.PlayCount(), FOriginalTwo.PlayCount(), 0, action));
            break;
        case sdRating:
            assign(&TLySongProperties::SetRating,
                   SynchronizedNumber(FOriginalOne.Rating(), FOriginalTwo.Rating(), 0, action));
            break;
        case sdLastPlayed:
            assign(&TLySongProperties::SetLastPlayed,
                   SynchronizedNumber(FOriginalOne.LastPlayed(), FOriginalTwo.LastPlayed(), 0.0,
                                      action));
            break;
        }
    }
    if (assigned)
        CalculateDifferences();
}

void TLySong::RevertPart(tLySongPart part) {
    if (!PartModifiedAny(part))
        return;
    FCurrentOne.CopyPart(FOriginalOne, part);
    FCurrentTwo.CopyPart(FOriginalTwo, part);
    CalculateDifferences();
}

void TLySong::Revert() {
    if (!IsModifiedAny())
        return;
    FCurrentOne = FOriginalOne;
    FCurrentTwo = FOriginalTwo;
    CalculateDifferences();
}

void TLySong::SetPartFrom(const TLySongProperties& properties, tLySongPart part) {
    if (!properties.Exists())
        return;
    FCurrentOne.CopyPart(properties, part);
    FCurrentTwo.CopyPart(properties, part);
    CalculateDifferences();
}

void TLySong::SetValueBoth(tLySongPart part, const QVariant& value) {
    FCurrentOne.SetValue(part, value);
    FCurrentTwo.SetValue(part, value);
    CalculateDifferences();
}
