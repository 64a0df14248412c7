// One synchronisation job: the two libraries' options and documents, the match result, and
// every long operation on the project's process (one at a time).
#pragma once

#include "LyMatchResult.h"
#include "LyOptions.h"
#include "LyPlayCounts.h"
#include "LyProcess.h"

#include <atomic>
#include <functional>
#include <memory>

class TLyLibraryDocument;

class TLyProject : public TLyProcessOwner {
public:
    using TExecuteStep = std::function<void(TLySong* song)>;

    // `appOptions` (not owned) are the preferences; `viewOptions` (not owned) the saved views
    // of the window that shows the project.
    TLyProject(TLyOptions* appOptions, TVxObjectHashMap* viewOptions);
    ~TLyProject() override;

    TLyProjectOptions* Options() const { return FOptions.get(); }
    TLyOptions* AppOptions() const { return FAppOptions; }
    // The songs have changed since the libraries were last loaded, stored or replaced. Set by
    // every change to songs; safe to read from the main thread while a run goes on.
    bool Modified() const { return FModified.load(); }
    void SetModified(bool modified) { FModified.store(modified); }
    TLyMatchResult* MatchResult() const { return FMatchResult.get(); }
    // The play counts remembered for adding plays, read by every load from the file beside
    // the project file and stored by every export that adds plays. Empty while the project
    // has no file name.
    const TLyPlayMemory* PlayMemory() const { return &FPlays; }
    QString PlayMemoryFileName() const;
    TLyLibraryDocument* Document(int side) const;
    // What the last full match (Load Libraries, Match Songs) did with the remembered pairs: how
    // many it paired and how many it could not, a track being gone. Safe to read from the main
    // thread while a run goes on.
    int RememberedPairsApplied() const { return FPairsApplied.load(); }
    int RememberedPairsGone() const { return FPairsGone.load(); }
    // The sub task that receives document load and save progress; null otherwise.
    ILyProcessTask* CurrentTask() const { return FCurrentTask; }

    // Library Two's document is loaded. Safe to ask from the main thread while a run goes on.
    bool IsLoaded() const { return FLoaded.load(); }
    // Idle, and both libraries' input files exist.
    bool CanLoad() const;
    // Songs may be changed by hand (edits, check boxes, unmatching, matching by hand,
    // committing a match window): no run of the project's process is going on, cancelled runs
    // included until their worker has ended. Main thread only.
    bool CanChangeSongs() const;
    // Raises ELyProjectError naming the running work unless CanChangeSongs.
    void CheckCanChangeSongs() const;

    // Loads the project file named by the options, then reloads the libraries.
    void Open();
    // Loads the project file named by the options, which stay named after that file whatever
    // path it was stored with (it may have been moved or copied since), so it is saved there.
    // Pairs remembered for another project are dropped first.
    void LoadOptions();
    void Reload();
    // Stores the project file; the songs stay modified until they are stored.
    void Save();
    void ClearAll();
    void ResetViews();
    void RefreshViews();

    // Runs "Load Libraries": both documents are loaded and matched exactly, then the remembered
    // pairs are paired again (as after Match Songs).
    void LoadLibraries();
    // Runs "Match Songs" with the project's compare options.
    void MatchSongs();
    // Runs "Match Selected": `result` (a match window's, not owned) matches its sources with
    // the project's compare options.
    void MatchSelected(TLyMatchResult* result);
    // Runs "Execute For Songs": `step` for each song of `songs` inside one update of `result`
    // (the project's match result, or a match window's); with `freeList` the list is freed
    // afterwards.
    void ExecuteForSongs(TLyMatchResult* result, TLySongList* songs, bool freeList,
                         TExecuteStep step);
    // Runs "Store Libraries": side 0 writes library One to its output path, 1 library Two.
    void StoreLibrary(int side);
    // Runs "Replace iTunes Library": the document of `side` replaces iTunes' library file
    // after the backup the preferences ask for.
    void ReplaceITunesLibrary(int side);

private:
    void LoadWork();
    void MatchWork(ILyProcessTask* mainTask);
    // After a full match: pairs the remembered pairs again and records what it did.
    void ApplyRememberedPairs();
    // Shows the wait for a helper's piece as a one-step sub task of `mainTask`.
    static void JoinHelper(TLyProcessHelper& helper, ILyProcessTask* mainTask,
                           const QString& caption);
    void ExecuteWork();
    void StoreWork();
    // After `side` was written: the pairs whose play counts were added remember them.
    void RememberPlays(int side);

    std::unique_ptr<TLyProjectOptions> FOptions;
    TLyOptions* FAppOptions;
    std::atomic<bool> FModified{false};
    std::unique_ptr<TLyMatchResult> FMatchResult;
    TLyPlayMemory FPlays;
    std::unique_ptr<TLyLibraryDocument> FDocumentOne;
    std::unique_ptr<TLyLibraryDocument> FDocumentTwo;
    std::atomic<bool> FLoaded{false}; // FDocumentTwo is set; read while the worker sets it
    std::atomic<int> FPairsApplied{0};
    std::atomic<int> FPairsGone{0};
    ILyProcessTask* FCurrentTask = nullptr;
    int FStoreSide = 0;
    TLyMatchResult* FExecuteResult = nullptr;
    TLySongList* FExecuteSongs = nullptr;
    bool FExecuteFreeList = false;
    TExecuteStep FExecuteStep;
};
