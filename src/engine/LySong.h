// What the engine knows of one track of a library (TLySongProperties) and of one song seen in
// both libraries (TLySong), with the lists and maps that hold them.
#pragma once

#include "ArDateTime.h"
#include "LyTypes.h"
#include "VxLists.h"
#include "VxObjectList.h"
#include "VxUtils.h"

#include <QString>
#include <QVariant>

class TLyPlayMemory;
class TLyProjectOptions;

namespace pugi {
class xml_node_struct;
}

// The values of one track. Value object: a library holds one per track, so it stays small.
class TLySongProperties : public TVxCloneable {
    VX_CLONEABLE(TLySongProperties)
public:
    // The track's dictionary element in its library document; not owned.
    using TNode = pugi::xml_node_struct*;

    TLySongProperties() = default;
    TLySongProperties(const TLySongProperties&) = default;
    TLySongProperties& operator=(const TLySongProperties&) = default;

    // Empties the seven parts and marks the side as holding no track; Key, Location,
    // PersistentId, Node, Primary and FileStatus stay.
    void Clear();

    // Texts differ in letter case but not in Unicode normalisation alone; numbers and dates
    // differ when they are not exactly equal.
    bool PartDiffers(const TLySongProperties& other, tLySongPart part) const;
    bool Equals(const TLySongProperties& other) const;
    QVariant GetValue(tLySongPart part) const;
    // Sets a part to a value given by hand: text without control characters other than tab,
    // line feed and carriage return; a whole number, 0 up for the play count and 0 to 100 for
    // the rating (or the text of one); for Last Played a date-time, a number of days, the text
    // LastPlayedText gives or "never", within the dates a library file can hold. Anything else
    // raises ELyProjectError naming the part, and the value stays as it was.
    void SetValue(tLySongPart part, const QVariant& value);
    // Copies the part's value of `source` as it is, unchecked (values read from a library).
    void CopyPart(const TLySongProperties& source, tLySongPart part);
    bool IsEmpty(tLySongPart part) const;
    // The display text of a part: stars for the rating, "never" for a track never played.
    QString GetText(tLySongPart part) const;
    QString LastPlayedText() const;
    int Stars() const { return FRating / 20; }
    // True when `text` occurs, ignoring letter case, in the name, artist, album or genre.
    bool MatchesText(const QString& text) const;

    const QString& Key() const { return FKey; }
    void SetKey(const QString& key) { FKey = key; }
    const QString& Name() const { return FName; }
    void SetName(const QString& name) { FName = name; }
    const QString& Artist() const { return FArtist; }
    void SetArtist(const QString& artist) { FArtist = artist; }
    const QString& Album() const { return FAlbum; }
    void SetAlbum(const QString& album) { FAlbum = album; }
    const QString& Genre() const { return FGenre; }
    void SetGenre(const QString& genre) { FGenre = genre; }
    const QString& Location() const { return FLocation; }
    void SetLocation(const QString& location) { FLocation = location; }
    // The library's own identifier of the track, kept when the library is exported again
    // (unlike its Track ID); empty when the file gives none.
    const QString& PersistentId() const { return FPersistentId; }
    void SetPersistentId(const QString& persistentId) { FPersistentId = persistentId; }
    // 0 to 100, 20 per star; 0 means not rated.
    int Rating() const { return FRating; }
    void SetRating(int rating) { FRating = rating; }
    int PlayCount() const { return FPlayCount; }
    void SetPlayCount(int playCount) { FPlayCount = playCount; }
    // Days since 30 December 1899; 0.0 means never played.
    TDateTime LastPlayed() const { return FLastPlayed; }
    void SetLastPlayed(TDateTime lastPlayed) { FLastPlayed = lastPlayed; }
    // True when this side of a song holds a track.
    bool Exists() const { return FExists; }
    void SetExists(bool exists) { FExists = exists; }
    // 0 = not given or other, 1 = "URL", 2 = "File".
    quint8 TrackKind() const { return FTrackKind; }
    void SetTrackKind(quint8 trackKind) { FTrackKind = trackKind; }
    TNode Node() const { return FNode; }
    void SetNode(TNode node) { FNode = node; }
    // Set on the one map entry that stands for the track under its full key.
    bool Primary() const { return FPrimary; }
    void SetPrimary(bool primary) { FPrimary = primary; }
    // Whether the track's file exists, from the program's file status cache: a known answer is
    // kept in FileStatus; while the file is still queued for checking the answer is false.
    bool FileExists();
    tLyFileStatus FileStatus() const { return FFileStatus; }
    void SetFileStatus(tLyFileStatus fileStatus) { FFileStatus = fileStatus; }

    // The string value of part 0 to 3.
    const QString& Text(tLySongPart part) const;
    void SetText(tLySongPart part, const QString& text);

protected:
    void DoCopyFrom(const TVxCloneable& source) override;

private:
    QString FKey;
    QString FName;
    QString FArtist;
    QString FAlbum;
    QString FGenre;
    QString FLocation;
    QString FPersistentId;
    int FRating = 0;
    int FPlayCount = 0;
    TDateTime FLastPlayed = 0.0;
    TNode FNode = nullptr;
    bool FExists = true;
    quint8 FTrackKind = 0;
    bool FPrimary = false;
    tLyFileStatus FFileStatus = fsUnknown;
};

// One song as seen in both libraries: the values read from each side and the values that will
// be written back, with the parts that differ between the sides or from what was read.
class TLySong {
public:
    TLySong() = default;
    TLySong(const TLySong&) = delete;
    TLySong& operator=(const TLySong&) = delete;

    // Side 0 is library One, side 1 library Two.
    TLySongProperties& Original(int side);
    const TLySongProperties& Original(int side) const;
    TLySongProperties& Current(int side);
    const TLySongProperties& Current(int side) const;

    TLySongProperties& OriginalOne() { return FOriginalOne; }
    TLySongProperties& OriginalTwo() { return FOriginalTwo; }
    TLySongProperties& CurrentOne() { return FCurrentOne; }
    TLySongProperties& CurrentTwo() { return FCurrentTwo; }
    const TLySongProperties& OriginalOne() const { return FOriginalOne; }
    const TLySongProperties& OriginalTwo() const { return FOriginalTwo; }
    const TLySongProperties& CurrentOne() const { return FCurrentOne; }
    const TLySongProperties& CurrentTwo() const { return FCurrentTwo; }

    tLySongPartSet Differences() const { return FDifferences; }
    tLySongPartSet ModifiedOne() const { return FModifiedOne; }
    tLySongPartSet ModifiedTwo() const { return FModifiedTwo; }
    tLySongPartSet ModifiedSet(int side) const;
    bool Checked() const { return FChecked; }
    void SetChecked(bool checked) { FChecked = checked; }

    bool IsMatched() const { return FOriginalOne.Exists() && FOriginalTwo.Exists(); }
    // 0 when not matched; 1 when matched and song data differs; 2 when matched and it does not.
    int MatchState() const;
    bool SongDataDiffers() const { return FDifferences.Meets(kLySongDataParts); }
    bool UserDataDiffers() const { return FDifferences.Meets(kLyUserDataParts); }
    bool IsDifferent() const { return !FDifferences.IsEmpty(); }
    bool SongDataModified(int side) const { return ModifiedSet(side).Meets(kLySongDataParts); }
    bool UserDataModified(int side) const { return ModifiedSet(side).Meets(kLyUserDataParts); }
    bool IsModified(int side) const { return !ModifiedSet(side).IsEmpty(); }
    bool IsModifiedAny() const { return IsModified(0) || IsModified(1); }
    bool PartModified(int side, tLySongPart part) const { return ModifiedSet(side).Contains(part); }
    bool PartModifiedAny(tLySongPart part) const {
        return PartModified(0, part) || PartModified(1, part);
    }

    // Recomputes the three sets from the current and original values; every change of a
    // current value calls it.
    void CalculateDifferences();

    // Both sides start with the given tracks (current = original); a null side holds no
    // track. The sets are recalculated.
    void SetSides(const TLySongProperties* one, const TLySongProperties* two);

    // Gives both sides of every part whose action is not saIgnore the value computed from the
    // two original values; a side changed before keeps its value unless synchronising is
    // forced. Adding plays looks up the pair in `plays` (none: the larger count).
    void Synchronize(const TLyProjectOptions& options, const TLyPlayMemory* plays = nullptr);
    // Both current values of the part back to the originals, when either side changed it.
    void RevertPart(tLySongPart part);
    // Both current sides back to the originals, when either side changed.
    void Revert();
    // Both current sides get the part's value of `properties`, when it holds a track.
    void SetPartFrom(const TLySongProperties& properties, tLySongPart part);
    // Both current sides get `value`, given by hand and checked as SetValue checks it.
    void SetValueBoth(tLySongPart part, const QVariant& value);
    bool MatchesText(const QString& text) const {
        return FCurrentOne.MatchesText(text) || FCurrentTwo.MatchesText(text);
    }

private:
    TLySongProperties FOriginalOne;
    TLySongProperties FOriginalTwo;
    TLySongProperties FCurrentOne;
    TLySongProperties FCurrentTwo;
    tLySongPartSet FDifferences;
    tLySongPartSet FModifiedOne;
    tLySongPartSet FModifiedTwo;
    bool FChecked = true;
};

// Songs; whether the list owns them is fixed at creation (only a match result's list does).
class TLySongList : public TVxObjectList<TLySong> {
public:
    explicit TLySongList(bool ownsObjects)
        : TVxObjectList<TLySong>(ownsObjects) {}
};

// Track properties by matching key, letter case ignored; owns its entries.
class TLySongPropertiesMap : public TVxObjectHashMapOf<TLySongProperties> {
    Q_OBJECT
public:
    TLySongPropertiesMap()
        : TVxObjectHashMapOf<TLySongProperties>(true) {}

    // Stores `properties` under `key`, replacing (and freeing) an earlier entry of that key.
    void Put(const QString& key, TLySongProperties* properties) { SetObject(key, properties); }
    TLySongProperties* Find(const QString& key) const { return GetObject(key); }
};
