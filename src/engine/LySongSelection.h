// The songs selected in a song list, with the merged values of each side for the property
// window: one value per part where all songs agree, "(multiple values)" where they do not.
#pragma once

#include "LySong.h"
#include "VxUtils.h"

#include <QList>

class TLyMatchResult;
class TLySongSelection;

class ILySongSelectionListener {
public:
    virtual ~ILySongSelectionListener() = default;
    // `selection` is null when the listener is being removed.
    virtual void SelectionChanged(TLySongSelection* selection) = 0;
};

// The merged values of one side (original or current) of the selected songs.
class TLySongSelectionProperties {
public:
    TLySongSelectionProperties(int side, bool useOriginal);

    int Side() const { return FSide; }
    bool UseOriginal() const { return FUseOriginal; }
    tLySongPartSet SameParts() const { return FSameParts; }
    tLySongPartSet DifferentParts() const { return FDifferentParts; }
    const TLySongProperties& Merged() const { return FMerged; }
    int Count() const { return FCount; }

    void Clear();
    void Add(const TLySong& song);
    bool Exists() const { return FMerged.Exists(); }
    bool IsSame(tLySongPart part) const { return FSameParts.Contains(part); }
    bool IsDifferent(tLySongPart part) const { return FDifferentParts.Contains(part); }
    // "(multiple values)", "---" for an empty value, else the value's display text.
    QString GetText(tLySongPart part) const;
    // Both sides agree within themselves on the part, but not with each other.
    bool DiffersFrom(const TLySongSelectionProperties* other, tLySongPart part) const;

private:
    const int FSide;
    const bool FUseOriginal;
    tLySongPartSet FSameParts;
    tLySongPartSet FDifferentParts;
    TLySongProperties FMerged;
    int FCount = 0;
};

// Main thread only. The editing operations change songs inside an update of the match result
// (when there is one), so views stop refreshing before and refresh after; they are hand changes
// of that result, refused while its project's process runs.
class TLySongSelection : public TVxUpdateable {
public:
    explicit TLySongSelection(TLyMatchResult* matchResult = nullptr);

    TLyMatchResult* MatchResult() const { return FMatchResult; }
    // Follows another match result (a new project's): the selection empties, reporting a
    // change, since its songs belong to the previous one.
    void SetMatchResult(TLyMatchResult* matchResult);

    TLySongSelectionProperties& OriginalOne() { return FOriginalOne; }
    TLySongSelectionProperties& OriginalTwo() { return FOriginalTwo; }
    TLySongSelectionProperties& CurrentOne() { return FCurrentOne; }
    TLySongSelectionProperties& CurrentTwo() { return FCurrentTwo; }

    int Count() const { return FSongs.Count(); }
    TLySong* Items(int index) const { return FSongs.Items(index); }
    const TLySongList& Songs() const { return FSongs; }

    void Add(TLySong* song);
    // Empties the selection without reporting a change: wrap it in an update with the Adds
    // that follow.
    void Clear();
    // Registers a listener and tells it the current state at once.
    void AddListener(ILySongSelectionListener* listener);
    // Tells the listener one last time (with null), then removes it.
    void RemoveListener(ILySongSelectionListener* listener);

    // Both libraries' current value of the part becomes `value`, for every selected song.
    void SetValue(tLySongPart part, const QVariant& value);
    void RevertPart(tLySongPart part);
    // Both libraries take the part's original value of `side`, where that side holds a track.
    void CopyPartFrom(int side, tLySongPart part);

protected:
    void DoChanged() override;

private:
    template <typename Edit>
    void EditSongs(const Edit& edit);

    TLyMatchResult* FMatchResult;
    TLySongSelectionProperties FOriginalOne{0, true};
    TLySongSelectionProperties FOriginalTwo{1, true};
    TLySongSelectionProperties FCurrentOne{0, false};
    TLySongSelectionProperties FCurrentTwo{1, false};
    TLySongList FSongs{false};
    QList<ILySongSelectionListener*> FListeners;
};
