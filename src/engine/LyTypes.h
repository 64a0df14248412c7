// The engine's enumerations and their sets. Identifiers and order are stored in project and
// preferences files: never rename or reorder a member.
#pragma once

#include "ArExceptions.h"
#include "ArSet.h"

#include <QMetaType>
#include <QObject>

namespace LyTypes {
Q_NAMESPACE

enum tLySongPart {
    sdName,
    sdArtist,
    sdAlbum,
    sdGenre,
    sdPlayCount,
    sdLastPlayed,
    sdRating,
};
Q_ENUM_NS(tLySongPart)

enum tLySynchronizeAction {
    saIgnore,
    saUseOne,
    saUseTwo,
    saUseMax,
    saUseMin,
    saAddPlays, // play count only: the plays both libraries gained since they last agreed
};
Q_ENUM_NS(tLySynchronizeAction)

enum tLySongCompareMode {
    scmExactMatch,
    scmAlphanumericMatch,
    scmPhoneticMatch,
    scmPersistentIdMatch,
};
Q_ENUM_NS(tLySongCompareMode)

// Component n is song part n.
enum tLySongCompareComponent {
    sccTitle,
    sccArtist,
    sccAlbum,
    sccGenre,
};
Q_ENUM_NS(tLySongCompareComponent)

enum tLySongFilterOption {
    sfgAll,
    sfgOne,
    sfgTwo,
    sfgMatched,
    sfgUnmatched,
    sfgNotModified,
    sfgModifiedAll,
    sfgModifiedSongData,
    sfgModifiedUserData,
    sfgModifiedSingle,
    sfgNotDifferent,
    sfgDifferentAll,
    sfgDifferentSingle,
    sfgDifferentSongData,
    sfgDifferentUserData,
};
Q_ENUM_NS(tLySongFilterOption)

enum tLyFileStatus : quint8 {
    fsUnknown, // not tested yet
    fsExists,
    fsMissing,
};
Q_ENUM_NS(tLyFileStatus)

} // namespace LyTypes

using LyTypes::tLyFileStatus;
using LyTypes::tLySongCompareComponent;
using LyTypes::tLySongCompareMode;
using LyTypes::tLySongFilterOption;
using LyTypes::tLySongPart;
using LyTypes::tLySynchronizeAction;
using enum LyTypes::tLyFileStatus;
using enum LyTypes::tLySongCompareComponent;
using enum LyTypes::tLySongCompareMode;
using enum LyTypes::tLySongFilterOption;
using enum LyTypes::tLySongPart;
using enum LyTypes::tLySynchronizeAction;

using tLySongPartSet = TLySet<tLySongPart, quint8>;
using tLySongCompareComponentSet = TLySet<tLySongCompareComponent, quint8>;
using tLySongFilterOptionSet = TLySet<tLySongFilterOption, quint16>;

inline constexpr int kLySongPartCount = 7;
inline constexpr tLySongPartSet kLySongDataParts = tLySongPartSet::FromBits(0x0F);
inline constexpr tLySongPartSet kLyUserDataParts = tLySongPartSet::FromBits(0x70);
inline constexpr tLySongPartSet kLyAllSongParts = tLySongPartSet::FromBits(0x7F);

Q_DECLARE_METATYPE(tLySongPartSet)
Q_DECLARE_METATYPE(tLySongCompareComponentSet)
Q_DECLARE_METATYPE(tLySongFilterOptionSet)

// Run-time failures of the engine: the message is for the user.
class ELyProjectError : public Exception {
public:
    using Exception::Exception;
};

// The name the user sees for a part: "Name", "Artist", "Album", "Genre", "Play Count",
// "Last Played", "Rating".
QString SongPartName(tLySongPart part);

// Registers the sets with QMetaType so that they can travel in a QVariant.
void RegisterLyTypes();
