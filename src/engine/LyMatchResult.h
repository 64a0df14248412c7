// The songs of one matching of two libraries, and the operations that pair, unpair,
// synchronise and revert them.
#pragma once

#include "LyMatching.h"
#include "LyProcess.h"
#include "LyRememberedPairs.h"
#include "LySong.h"
#include "VxLists.h"
#include "VxUtils.h"

#include <atomic>
#include <memory>
#include <vector>

class TLyProject;
class TLyView;
class TVxObjectHashMap;

// Songs change only inside an update of the match result (BeginUpdate … EndUpdate), whichever
// thread makes the change: matching, clearing, synchronising, reverting, unmatching, combining,
// committing, and hand edits through a selection. The outermost BeginUpdate first tells every
// view's listeners that the data is about to change and stops every running view refresh,
// waiting for it to end; no refresh starts while the update is open; the outermost EndUpdate
// requests a refresh of every view, also when nothing changed. Refreshes are started and
// stopped on the main thread only. So a refresh never reads songs while they change, and every
// change ends with a refresh whose list reflects it. OwnerChanging reaches the views' listeners
// on the main thread whichever thread opens the update (a project's worker hands it over and
// waits), so a listener may freeze its window's list in it.
//
// Hand changes (selection edits, check boxes, unmatching, matching by hand, committing) are
// made on the main thread and refused while the project's process runs: they raise
// ELyProjectError naming the running work and change nothing. Each one marks the project
// modified; a match window's result does so when it is committed.
class TLyMatchResult : public TVxUpdateable {
public:
    // `parent` is set on the result of a match window, whose songs are committed back into it.
    // `viewOptions` (not owned) are the saved views the result's views are made from; the views
    // are created at once.
    TLyMatchResult(TLyProject* project, TLyMatchResult* parent, TVxObjectHashMap* viewOptions);
    ~TLyMatchResult() override;

    TLyProject* Project() const { return FProject; }
    TLyMatchResult* Parent() const { return FParent; }
    TVxObjectHashMap* ViewOptions() const { return FViewOptions; }
    // The result, owning its songs.
    TLySongList& Songs() { return FSongs; }
    const TLySongList& Songs() const { return FSongs; }
    // The songs handed to a match of selected songs; not owned.
    TLySongList& Sources() { return FSources; }
    // The options and the main task of the running match; null outside one.
    const TLyCompareOptions* CompareOptions() const { return FCompareOptions; }
    ILyProcessTask* CurrentTask() const { return FCurrentTask; }

    // A map of the side's tracks of `songs` (clones), stepping a sub task of the process's main
    // task and checking for cancel after each song. The caller owns the map.
    std::unique_ptr<TLySongPropertiesMap> CreateSongMap(const TLySongList& songs, int side,
                                                        TLyProcess* process,
                                                        const TLyCompareOptions& options);
    // Appends one song per primary track of `mapTwo` (paired with its match in `mapOne`, if
    // any), then one per primary track of `mapOne` that found no partner.
    void Match(const TLySongPropertiesMap* mapOne, const TLySongPropertiesMap* mapTwo,
               TLyProcess* process, const TLyCompareOptions* options);
    // Matches the songs of Sources again with the project's compare options, on the main
    // thread.
    void MatchSelected();
    // The same as work of a run of the project's process (TLyProject::MatchSelected), which
    // keeps the main thread free for a large set of songs.
    void MatchSourcesWork();
    // Candidate songs for one track: entries of `map` found under its full and shortened keys,
    // each set of values offered once. The caller owns the list and, through it, its songs.
    std::unique_ptr<TLySongList> FindBestMatches(const TLySongProperties* properties,
                                                 const TLySongPropertiesMap* map, int side,
                                                 const TLyCompareOptions* options);
    // Frees every song, reporting one change.
    void Clear();

    // Runs the synchronise (or revert) step over `songs` as the project's "Execute For Songs";
    // with `freeList` the project frees the list afterwards.
    void SynchronizeSongs(TLySongList* songs, bool freeList);
    void SynchronizeAll();
    void RevertSongs(TLySongList* songs, bool freeList);
    void SynchronizeStep(TLySong* song);
    void RevertStep(TLySong* song);

    // True when songs may be changed by hand now (the project's process is not running).
    bool CanChangeSongs() const;
    // Raises ELyProjectError naming the project's running work unless CanChangeSongs.
    void CheckCanChangeSongs() const;
    // Records a hand change of songs in the project's Modified flag.
    void SongsChangedByHand();
    // Sets whether `songs` are written back (their check boxes). Views show every song
    // whatever its flag, so this needs no refresh.
    void SetChecked(const QList<TLySong*>& songs, bool checked);

    // Splits a matched song into a One-only song (new, unchecked) and the Two-only `song`. The
    // project forgets the pair if it was remembered.
    void Unmatch(TLySong* song);
    // Pairs a One-only and a Two-only song by hand into `songA`; `songB` (or, for a candidate
    // not in the list, the list's unmatched song with its values) is removed. Only an unmatched
    // song is consumed: when there is none to remove, raises ELyProjectError and changes
    // nothing. The project remembers the pair.
    void MatchSongs(TLySong* songA, TLySong* songB);
    // Replaces the parent's songs that were sources of this result by this result's songs. The
    // project remembers the committed pairs and forgets the sources' pairs not committed again.
    void CommitToParent();
    // Pairs the tracks of every remembered pair again, inside one update: the song holding the
    // pair's track of Two takes the track of One; the partners the two tracks leave stay in the
    // list, alone. A pair whose track is gone from either library is reported, not applied.
    TLyPairsApplied ApplyRememberedPairs(const TLyRememberedPairs& pairs);

    // Writes every checked song's current values of `side` into its library document.
    void ExportSide(int side);

    // The views by name, made from ViewOptions.
    TVxObjectHashMapOf<TLyView>& Views() { return *FViews; }
    TLyView* View(const QString& name) const;
    void CreateViews();
    void RefreshViews();
    // True from the start of an outermost update to its end: views do not refresh meanwhile.
    bool Changing() const { return FChanging.load(); }

protected:
    void DoBeginUpdate() override;
    void DoEndUpdate() override;
    void DoChanged() override;

private:
    // Tells every view that `song` (null: every song) is about to be freed.
    void SongLeaving(const TLySong* song);
    TLySong* AppendSong(const TLySongProperties* one, const TLySongProperties* two);
    // Appends the songs that are not null, in order, reporting a change for each.
    void AppendSongs(std::vector<std::unique_ptr<TLySong>> songs);
    // The project's remembered pairs when this is the project's own result; null for a match
    // window's result, whose hand pairings count only when they are committed.
    TLyRememberedPairs* OwnPairs() const;

    TVxObjectHashMap* FViewOptions;
    TLyMatchResult* FParent;
    TLyProject* FProject;
    TLySongList FSources{false};
    TLySongList FSongs{true};
    const TLyCompareOptions* FCompareOptions = nullptr;
    ILyProcessTask* FCurrentTask = nullptr;
    std::unique_ptr<TVxObjectHashMapOf<TLyView>> FViews;
    std::atomic<bool> FChanging{false};
};
