#include "LyMatchResult.h"

#include "ArFormat.h"
#include "LyLibraryFile.h"
#include "LyProject.h"
#include "LyView.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <functional>
#include <vector>

LY_UNIT("Units/LyProject")

TLyMatchResult::TLyMatchResult(TLyProject* project, TLyMatchResult* parent,
                               TVxObjectHashMap* viewOptions)
    : FViewOptions(viewOptions)
    , FParent(parent)
    , FProject(project)
    , FViews(std::make_unique<TVxObjectHashMapOf<TLyView>>(true)) {
    CreateViews();
}

TLyMatchResult::~TLyMatchResult() {
    FViews->Clear(); // their refreshes read the songs: they go first
}

TLyView* TLyMatchResult::View(const QString& name) const {
    return FViews->GetObject(name);
}

void TLyMatchResult::CreateViews() {
    FViews->Clear();
    if (!FViewOptions)
        return;
    FViewOptions->Iterate([this](const QString& name, QObject* object) {
        auto* options = qobject_cast<TLyViewOptions*>(object);
        if (!options)
            return true;
        TLyView* view = name.compare(QStringLiteral("Best Matches"), Qt::CaseInsensitive) == 0
                            ? new TLyBestMatchesView(this)
                            : new TLyView(this);
        view->SetOptions(options);
        FViews->SetObject(name, view);
        return true;
    });
}

void TLyMatchResult::RefreshViews() {
    RunOnMainThread([this] {
        FViews->Iterate([](const QString&, TLyView* view) {
            view->RequestRefresh();
            return true;
        });
    });
}

void TLyMatchResult::DoBeginUpdate() {
    RunOnMainThread([this] {
        FChanging.store(true);
        FViews->Iterate([](const QString&, TLyView* view) {
            view->Listeners()->OwnerChanging(view->Process());
            view->StopRefresh();
            return true;
        });
    });
}

void TLyMatchResult::DoEndUpdate() {
    FChanging.store(false);
    // The views heard OwnerChanging: they refresh even when nothing changed, so that a list
    // that froze at OwnerChanging thaws. A reported change refreshes them through DoChanged.
    if (!ChangePending())
        RefreshViews();
}

void TLyMatchResult::SongLeaving(const TLySong* song) {
    FViews->Iterate([song](const QString&, TLyView* view) {
        view->SongLeaving(song);
        return true;
    });
}

void TLyMatchResult::DoChanged() {
    RefreshViews();
}

namespace {

std::unique_ptr<TLySong> NewSong(const TLySongProperties* one, const TLySongProperties* two) {
    auto song = std::make_unique<TLySong>();
    song->SetSides(one, two);
    song->SetChecked(one && two);
    return song;
}

// Below this many entries a second thread costs more than it saves.
constexpr size_t kParallelEntries = 20000;

// The songs `make` returns for the entries of `map`, in the map's iteration order (null where it
// makes none). Large maps are split between the caller's thread and a helper; `sub` steps once
// per entry.
std::vector<std::unique_ptr<TLySong>>
MakeSongs(const TLySongPropertiesMap& map, ILyProcessTask* sub, TLyProcess* process,
          const std::function<std::unique_ptr<TLySong>(const TLySongProperties*)>& make) {
    std::vector<const TLySongProperties*> entries;
    entries.reserve(size_t(map.Count()));
    map.Iterate([&](const QString&, TLySongProperties* entry) {
        entries.push_back(entry);
        return true;
    });
    std::vector<std::unique_ptr<TLySong>> songs(entries.size());
    const auto work = [&](size_t from, size_t to, bool report) {
        for (size_t i = from; i < to; ++i) {
            songs[i] = make(entries[i]);
            if ((i & 1023) == 0) {
                if (report)
                    sub->SetPosition(int(i * entries.size() / std::max<size_t>(to, 1)));
                process->CheckCancelled();
            }
        }
    };
    if (entries.size() < kParallelEntries) {
        work(0, entries.size(), true);
    } else {
        const size_t half = entries.size() / 2;
        TLyProcessHelper helper([&] { work(half, entries.size(), false); });
        work(0, half, true);
        helper.Join();
    }
    sub->SetPosition(int(entries.size()));
    return songs;
}

} // namespace

TLySong* TLyMatchResult::AppendSong(const TLySongProperties* one, const TLySongProperties* two) {
    TLySong* added = NewSong(one, two).release();
    FSongs.Add(added);
    Changed();
    return added;
}

void TLyMatchResult::AppendSongs(std::vector<std::unique_ptr<TLySong>> songs) {
    for (std::unique_ptr<TLySong>& song : songs) {
        if (song) {
            FSongs.Add(song.release());
            Changed();
        }
    }
}

std::unique_ptr<TLySongPropertiesMap>
TLyMatchResult::CreateSongMap(const TLySongList& songs, int side, TLyProcess* process,
                              const TLyCompareOptions& options) {
    auto map = std::make_unique<TLySongPropertiesMap>();
    map->Reserve(ExpectedMapEntries(songs.Count(), options));
    ILyProcessTask* sub =
        process->MainTask()->StartSubTask(songs.Count(), QStringLiteral("Creating song map..."));
    for (TLySong* song : songs) {
        if (song->Original(side).Exists()) {
            std::unique_ptr<TLySongProperties> clone = song->Original(side).Clone();
            clone->SetPrimary(false);
            AddEntry(clone.release(), *map, options);
        }
        sub->Step();
        process->CheckCancelled();
    }
    sub->Finish();
    return map;
}

void TLyMatchResult::Match(const TLySongPropertiesMap* mapOne, const TLySongPropertiesMap* mapTwo,
                           TLyProcess* process, const TLyCompareOptions* options) {
    LY_ASSERT(mapOne && mapTwo && process && options);
    TVxUpdateGuard update(*this);
    FCompareOptions = options;
    FCurrentTask = process->MainTask();
    struct TCleanUp {
        TLyMatchResult* Result;
        ~TCleanUp() {
            Result->FCurrentTask = nullptr;
            Result->FCompareOptions = nullptr;
        }
    } cleanUp{this};

    FSongs.Reserve(FSongs.Count() + mapTwo->Count() + mapOne->Count() / 4);
    FCurrentTask->Step(QStringLiteral("Matching Songs..."));
    ILyProcessTask* sub =
        FCurrentTask->StartSubTask(mapTwo->Count(), QStringLiteral("processing songs in two..."));
    // The lookups and the new songs touch nothing shared: they are made on two threads, then
    // appended in the order a walk of the map gives.
    AppendSongs(MakeSongs(*mapTwo, sub, process, [&](const TLySongProperties* entry) {
        return entry->Primary() ? NewSong(FindMatch(*entry, *mapOne, *options), entry) : nullptr;
    }));
    sub->Finish();

    FCurrentTask->Step(QStringLiteral("Adding Songs..."));
    sub = FCurrentTask->StartSubTask(mapOne->Count(), QStringLiteral("processing songs in one..."));
    AppendSongs(MakeSongs(*mapOne, sub, process, [&](const TLySongProperties* entry) {
        return entry->Primary() && !FindMatch(*entry, *mapTwo, *options) ? NewSong(entry, nullptr)
                                                                         : nullptr;
    }));
    sub->Finish();
}

void TLyMatchResult::MatchSelected() {
    CheckCanChangeSongs(); // it drives the tasks of the project's process
    MatchSourcesWork();
}

void TLyMatchResult::MatchSourcesWork() {
    TLyProcess* process = FProject->Process();
    const TLyCompareOptions& options = *FProject->Options()->CompareOptions();
    ILyProcessTask* main = process->StartMainTask(1, QStringLiteral("Matching Selected..."));
    std::unique_ptr<TLySongPropertiesMap> one = CreateSongMap(FSources, 0, process, options);
    std::unique_ptr<TLySongPropertiesMap> two = CreateSongMap(FSources, 1, process, options);
    Match(one.get(), two.get(), process, &options);
    main->Finish();
}

std::unique_ptr<TLySongList> TLyMatchResult::FindBestMatches(const TLySongProperties* properties,
                                                             const TLySongPropertiesMap* map,
                                                             int side,
                                                             const TLyCompareOptions* options) {
    LY_ASSERT(properties && map && options && (side == 0 || side == 1));
    // The candidates are new songs that belong to no result: the list owns them.
    auto candidates = std::make_unique<TLySongList>(true);
    auto offer = [&](TLySongProperties* entry) {
        if (!entry)
            return;
        for (TLySong* song : *candidates)
            if (song->Original(side).Equals(*entry))
                return;
        auto song = std::make_unique<TLySong>();
        song->SetSides(side == 0 ? entry : nullptr, side == 1 ? entry : nullptr);
        candidates->Add(song.release());
    };
    const tLySongCompareMode mode = options->Mode();
    const tLySongCompareComponentSet all = options->Components();
    offer(map->Find(MakeKey(*properties, mode, all)));
    std::function<void(tLySongCompareComponentSet, tLySongCompareComponentSet)> collect =
        [&](tLySongCompareComponentSet c, tLySongCompareComponentSet e) {
            const tLySongCompareComponentSet droppable = c & e;
            if (droppable.IsEmpty())
                return;
            for (int x = sccGenre; x >= sccTitle; --x)
                if (droppable.Contains(tLySongCompareComponent(x)))
                    offer(map->Find(MakeKey(*properties, mode, c - tLySongCompareComponent(x))));
            for (int x = sccGenre; x >= sccTitle; --x)
                if (droppable.Contains(tLySongCompareComponent(x)))
                    collect(c - tLySongCompareComponent(x), e - tLySongCompareComponent(x));
        };
    collect(all, options->CanBeEmpty());
    return candidates;
}

void TLyMatchResult::Clear() {
    if (FSongs.IsEmpty())
        return;
    TVxUpdateGuard update(*this);
    SongLeaving(nullptr);
    FSongs.Clear();
    Changed();
}

void TLyMatchResult::SynchronizeSongs(TLySongList* songs, bool freeList) {
    FProject->ExecuteForSongs(this, songs, freeList,
                              [this](TLySong* song) { SynchronizeStep(song); });
}

void TLyMatchResult::SynchronizeAll() {
    SynchronizeSongs(&FSongs, false);
}

void TLyMatchResult::RevertSongs(TLySongList* songs, bool freeList) {
    FProject->ExecuteForSongs(this, songs, freeList, [this](TLySong* song) { RevertStep(song); });
}

void TLyMatchResult::SynchronizeStep(TLySong* song) {
    TVxUpdateGuard update(*this);
    Changed();
    song->Synchronize(*FProject->Options(), FProject->PlayMemory());
}

void TLyMatchResult::RevertStep(TLySong* song) {
    TVxUpdateGuard update(*this);
    Changed();
    song->Revert();
}

bool TLyMatchResult::CanChangeSongs() const {
    return !FProject || FProject->CanChangeSongs();
}

void TLyMatchResult::CheckCanChangeSongs() const {
    if (FProject)
        FProject->CheckCanChangeSongs();
}

void TLyMatchResult::SongsChangedByHand() {
    // A match window's songs reach the project only when they are committed.
    if (FProject && !FParent)
        FProject->SetModified(true);
}

void TLyMatchResult::SetChecked(const QList<TLySong*>& songs, bool checked) {
    CheckCanChangeSongs();
    bool changed = false;
    for (TLySong* song : songs) {
        LY_ASSERT(song);
        changed = changed || song->Checked() != checked;
        song->SetChecked(checked);
    }
    if (changed)
        SongsChangedByHand();
}

void TLyMatchResult::Unmatch(TLySong* song) {
    LY_ASSERT(song && song->IsMatched());
    CheckCanChangeSongs();
    if (TLyRememberedPairs* pairs = OwnPairs())
        pairs->Forget(song->OriginalOne().PersistentId(), song->OriginalTwo().PersistentId());
    TVxUpdateGuard update(*this);
    auto alone = std::make_unique<TLySong>();
    alone->OriginalOne() = song->OriginalOne();
    alone->CurrentOne() = song->OriginalOne(); // hand edits of side One are dropped
    alone->OriginalTwo().Clear();
    alone->CurrentTwo().Clear();
    alone->SetChecked(false);
    song->OriginalOne().SetExists(false);
    song->CurrentOne().SetExists(false);
    song->Revert();
    alone->CalculateDifferences();
    song->CalculateDifferences();
    FSongs.Add(alone.release());
    Changed();
    SongsChangedByHand();
}

void TLyMatchResult::MatchSongs(TLySong* songA, TLySong* songB) {
    LY_ASSERT(songA && songB && songA != songB);
    const bool aHoldsOne = songA->OriginalOne().Exists() && !songA->OriginalTwo().Exists();
    const bool aHoldsTwo = songA->OriginalTwo().Exists() && !songA->OriginalOne().Exists();
    const bool bHoldsOne = songB->OriginalOne().Exists() && !songB->OriginalTwo().Exists();
    const bool bHoldsTwo = songB->OriginalTwo().Exists() && !songB->OriginalOne().Exists();
    LY_ASSERT((aHoldsOne && bHoldsTwo) || (aHoldsTwo && bHoldsOne));
    CheckCanChangeSongs();
    const int taken = aHoldsOne ? 1 : 0;
    // A candidate of the best-matches view stands for the list's song with its values. Only an
    // unmatched song may go: a matched one would take its other library's track with it.
    int consumed = FSongs.IndexOf(songB);
    for (int i = 0; consumed < 0 && i < FSongs.Count(); ++i) {
        const TLySong* other = FSongs.Items(i);
        if (other != songA && !other->Original(1 - taken).Exists() &&
            other->Original(taken).Equals(songB->Original(taken)))
            consumed = i;
    }
    if (consumed < 0)
        throw ELyProjectError(ArFormat(
            QStringLiteral("Cannot combine with [%s]: no unmatched song holds that track."),
            {songB->Original(taken).Name()}));
    TVxUpdateGuard update(*this);
    songA->SetChecked(true);
    songA->Original(taken) = songB->Original(taken);
    songA->Current(taken) = songB->Current(taken);
    songA->CalculateDifferences();
    SongLeaving(FSongs.Items(consumed));
    FSongs.Delete(consumed);
    Changed();
    SongsChangedByHand();
    if (TLyRememberedPairs* pairs = OwnPairs())
        pairs->Remember(songA->OriginalOne().PersistentId(), songA->OriginalTwo().PersistentId());
}

void TLyMatchResult::CommitToParent() {
    LY_ASSERT(FParent);
    for (const TLySong* source : FSources)
        LY_ASSERT(FParent->FSongs.Contains(source));
    CheckCanChangeSongs();
    if (TLyRememberedPairs* pairs = FParent->OwnPairs()) {
        for (const TLySong* source : FSources)
            pairs->Forget(source->OriginalOne().PersistentId(),
                          source->OriginalTwo().PersistentId());
        for (const TLySong* song : FSongs)
            if (song->IsMatched())
                pairs->Remember(song->OriginalOne().PersistentId(),
                                song->OriginalTwo().PersistentId());
    }
    // This result empties too: its views must not read the songs that move.
    TVxUpdateGuard update(*this);
    TVxUpdateGuard parentUpdate(*FParent);
    for (TLySong* source : FSources) {
        FParent->SongLeaving(source);
        FParent->FSongs.Remove(source);
        FParent->Changed();
    }
    const bool moved = !FSources.IsEmpty() || !FSongs.IsEmpty();
    FSources.Clear();
    if (!FSongs.IsEmpty())
        Changed();
    while (!FSongs.IsEmpty()) {
        FParent->FSongs.Add(FSongs.Extract(0));
        FParent->Changed();
    }
    if (moved)
        FParent->SongsChangedByHand();
}

TLyRememberedPairs* TLyMatchResult::OwnPairs() const {
    return FProject && !FParent ? FProject->Options()->RememberedPairs() : nullptr;
}

TLyPairsApplied TLyMatchResult::ApplyRememberedPairs(const TLyRememberedPairs& pairs) {
    TLyPairsApplied report;
    if (pairs.IsEmpty())
        return report;
    TVxUpdateGuard update(*this);
    // Exact matching lets several tracks of Two share one track of One; a track of Two is on
    // one song only.
    QHash<QString, QList<TLySong*>> holdingOne;
    QHash<QString, TLySong*> holdingTwo;
    for (TLySong* song : FSongs) {
        if (song->OriginalOne().Exists() && !song->OriginalOne().PersistentId().isEmpty())
            holdingOne[song->OriginalOne().PersistentId()].append(song);
        if (song->OriginalTwo().Exists() && !song->OriginalTwo().PersistentId().isEmpty())
            holdingTwo.insert(song->OriginalTwo().PersistentId(), song);
    }
    QSet<const TLySong*> emptied;
    for (const QString& idOne : pairs.IdsOne()) {
        const QString idTwo = pairs.Partner(0, idOne);
        TLySong* target = holdingTwo.value(idTwo);
        const auto ones = holdingOne.find(idOne);
        if (!target || ones == holdingOne.end() || ones->isEmpty()) {
            report.Gone << idOne + u' ' + idTwo;
            continue;
        }
        ++report.Applied;
        const TLySongProperties track = ones->first()->OriginalOne();
        // The other songs that held the track of One give it up: an unmatched one goes, a
        // matched one keeps its track of Two alone.
        for (TLySong* song : *ones) {
            if (song == target)
                continue;
            if (song->OriginalTwo().Exists()) {
                const TLySongProperties two = song->OriginalTwo();
                song->SetSides(nullptr, &two);
                song->SetChecked(false);
            } else {
                emptied.insert(song);
            }
        }
        *ones = {target};
        if (target->OriginalOne().Exists() && target->OriginalOne().PersistentId() == idOne)
            continue;
        // The target's former track of One stays in the list, on a song of its own unless
        // another song holds it.
        if (target->OriginalOne().Exists()) {
            const TLySongProperties former = target->OriginalOne();
            QList<TLySong*>* holders =
                former.PersistentId().isEmpty() ? nullptr : &holdingOne[former.PersistentId()];
            if (holders)
                holders->removeOne(target);
            if (!holders || holders->isEmpty()) {
                TLySong* alone = AppendSong(&former, nullptr);
                if (holders)
                    holders->append(alone);
            }
        }
        const TLySongProperties two = target->OriginalTwo();
        target->SetSides(&track, &two);
        target->SetChecked(true);
    }
    if (!emptied.isEmpty()) {
        for (const TLySong* song : emptied)
            SongLeaving(song);
        FSongs.DeleteIf([&](const TLySong* song) { return emptied.contains(song); });
    }
    Changed();
    return report;
}

void TLyMatchResult::ExportSide(int side) {
    LY_ASSERT(side == 0 || side == 1);
    TLyProcess* process = FProject->Process();
    if (!process->Running())
        process->StartMainTask(1, QStringLiteral("Exporting to file..."));
    ILyProcessTask* main = process->MainTask();
    main->Step(QStringLiteral("Finalizing Songs..."));
    ILyProcessTask* sub = main->StartSubTask(FSongs.Count(), QStringLiteral("finalizing songs..."));
    // The document's values change: a later match reads them again.
    if (TLyLibraryDocument* document = FProject->Document(side))
        document->ForgetReadTracks();
    // Only a side that holds a track has a dictionary to write into. The dictionaries are
    // written in document order, which walks the tree's memory front to back instead of at
    // random; songs that share a track keep their list order, so the last one still wins.
    std::vector<const TLySongProperties*> tracks;
    tracks.reserve(size_t(FSongs.Count()));
    for (TLySong* song : FSongs)
        if (song->Checked() && song->Original(side).Exists() && song->Current(side).Node())
            tracks.push_back(&song->Current(side));
    std::stable_sort(tracks.begin(), tracks.end(),
                     [](const TLySongProperties* a, const TLySongProperties* b) {
                         return std::less<>()(a->Node(), b->Node());
                     });
    for (const TLySongProperties* track : tracks) {
        WriteToDictionary(*track);
        sub->Step();
    }
    sub->SetPosition(FSongs.Count());
    sub->Finish();
}
