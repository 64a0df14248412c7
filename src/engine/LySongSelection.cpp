#include "LySongSelection.h"

#include "LyMatchResult.h"

LY_UNIT("Units/LyProject")

TLySongSelectionProperties::TLySongSelectionProperties(int side, bool useOriginal)
    : FSide(side)
    , FUseOriginal(useOriginal) {
    Clear();
}

void TLySongSelectionProperties::Clear() {
    FMerged.Clear();
    FSameParts = kLyAllSongParts;
    FDifferentParts = {};
    FCount = 0;
}

void TLySongSelectionProperties::Add(const TLySong& song) {
    ++FCount;
    const TLySongProperties& track = FUseOriginal ? song.Original(FSide) : song.Current(FSide);
    FMerged.SetExists(FMerged.Exists() || track.Exists());
    const TLySongProperties& one = FUseOriginal ? song.OriginalOne() : song.CurrentOne();
    const TLySongProperties& two = FUseOriginal ? song.OriginalTwo() : song.CurrentTwo();
    for (int i = sdName; i <= sdRating; ++i) {
        const auto part = tLySongPart(i);
        if (FSameParts.Contains(part)) {
            if (FCount == 1 && FMerged.IsEmpty(part))
                FMerged.CopyPart(track, part);
            else if (FMerged.PartDiffers(track, part))
                FSameParts.Exclude(part);
        }
        if (!FDifferentParts.Contains(part) && one.PartDiffers(two, part))
            FDifferentParts.Include(part);
    }
}

QString TLySongSelectionProperties::GetText(tLySongPart part) const {
    if (!FSameParts.Contains(part))
        return QStringLiteral("(multiple values)");
    if (FMerged.IsEmpty(part))
        return QStringLiteral("---");
    return FMerged.GetText(part);
}

bool TLySongSelectionProperties::DiffersFrom(const TLySongSelectionProperties* other,
                                             tLySongPart part) const {
    LY_ASSERT(other);
    return IsSame(part) && other->IsSame(part) && FMerged.PartDiffers(other->FMerged, part);
}

TLySongSelection::TLySongSelection(TLyMatchResult* matchResult)
    : FMatchResult(matchResult) {}

void TLySongSelection::SetMatchResult(TLyMatchResult* matchResult) {
    if (matchResult == FMatchResult)
        return;
    TVxUpdateGuard update(*this);
    Clear();
    FMatchResult = matchResult;
    Changed();
}

void TLySongSelection::Add(TLySong* song) {
    TVxUpdateGuard update(*this);
    Changed();
    FSongs.Add(song);
    for (TLySongSelectionProperties* merged :
         {&FOriginalOne, &FOriginalTwo, &FCurrentOne, &FCurrentTwo})
        merged->Add(*song);
}

void TLySongSelection::Clear() {
    FSongs.Clear();
    for (TLySongSelectionProperties* merged :
         {&FOriginalOne, &FOriginalTwo, &FCurrentOne, &FCurrentTwo})
        merged->Clear();
}

void TLySongSelection::AddListener(ILySongSelectionListener* listener) {
    FListeners.append(listener);
    listener->SelectionChanged(this);
}

void TLySongSelection::RemoveListener(ILySongSelectionListener* listener) {
    listener->SelectionChanged(nullptr);
    FListeners.removeOne(listener);
}

void TLySongSelection::DoChanged() {
    const QList<ILySongSelectionListener*> listeners = FListeners;
    for (ILySongSelectionListener* listener : listeners)
        listener->SelectionChanged(this);
}

template <typename Edit>
void TLySongSelection::EditSongs(const Edit& edit) {
    if (FMatchResult)
        FMatchResult->CheckCanChangeSongs();
    // Taken before the update opens: a list may empty the selection when it hears that the
    // songs are about to change.
    const QList<TLySong*> songs = FSongs.AsList();
    TVxUpdateGuard update(FMatchResult);
    if (FMatchResult)
        FMatchResult->Changed();
    for (TLySong* song : songs) {
        edit(song);
        if (FMatchResult)
            FMatchResult->SongsChangedByHand(); // also when a later song refuses the edit
    }
}

void TLySongSelection::SetValue(tLySongPart part, const QVariant& value) {
    EditSongs([&](TLySong* song) { song->SetValueBoth(part, value); });
}

void TLySongSelection::RevertPart(tLySongPart part) {
    EditSongs([&](TLySong* song) { song->RevertPart(part); });
}

void TLySongSelection::CopyPartFrom(int side, tLySongPart part) {
    LY_ASSERT(side == 0 || side == 1);
    EditSongs([&](TLySong* song) { song->SetPartFrom(song->Original(side), part); });
}
