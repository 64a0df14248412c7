// Views: named, filtered lists of a match result's songs, each rebuilt on its own process
// whenever the match result changes; and the best-matches view, which lists candidate partners
// for one song.
#pragma once

#include "LyMatching.h"
#include "LyMenu.h"
#include "LyProcess.h"
#include "LySong.h"

#include <atomic>
#include <memory>

class TLyMatchResult;
class TLyViewOptions;

// What a refresh filters by: a copy of the view options' filter, taken on the main thread when
// the refresh is requested, so that the options may change (a filter typed key by key) while a
// refresh runs.
struct TLyViewFilter {
    tLySongFilterOptionSet Options;
    tLySongPart Part = sdName;
    QString Text;
};

// Threads: Songs and Count change only on the main thread (a refresh hands its list over before
// its main task reports TaskFinished), so the main thread may read them at any time, and a
// listener finds the final list at TaskFinished. The refresh itself reads the match result's
// songs on the view's worker; the match result stops every running refresh before it changes
// songs (see TLyMatchResult).
class TLyView : public TLyProcessOwner {
public:
    explicit TLyView(TLyMatchResult* matchResult);
    ~TLyView() override;

    TLyMatchResult* MatchResult() const { return FMatchResult; }
    TLyViewOptions* Options() const { return FOptions; }
    void SetOptions(TLyViewOptions* options);
    // The songs that passed the filters at the last refresh.
    const TLySongList& Songs() const { return FSongs; }
    // The songs that belong to the view by its group options, before the detailed filters.
    int Count() const { return FCount; }

    // Cancels a running refresh and starts a new one with the filter the options hold now (main
    // thread). Called by the match result after every change of its songs.
    virtual void RequestRefresh();
    // Cancels a running refresh and waits for it to end (main thread).
    void StopRefresh();

    void SetSort(int column, bool ascending);
    // Synchronises (reverts) the songs the view lists, as a run of the project.
    void SynchronizeAll();
    void RevertAll();
    // "<library name> (Rating)" for the columns One and Two, else the column's name.
    QString ColumnCaption(const QString& columnName) const;
    void FillColumnMenu(ILyMenu* menu);
    void FillSortMenu(ILyMenu* menu);

    // The filter of the latest requested refresh.
    const TLyViewFilter& Filter() const { return FFilter; }
    virtual bool Includes(const TLySong* song) const;
    virtual bool Accepts(const TLySong* song) const;
    // `song` is about to be freed by the match result; null: every song is. Called inside an
    // update of the match result (no refresh runs), on the thread that changes the songs.
    virtual void SongLeaving(const TLySong* song);

protected:
    // Rebuilds the list on the view's worker.
    virtual void Refresh(TVxPausableThread& thread);
    // Hands a new list to the main thread, which makes it the view's list.
    void PublishSongs(QList<TLySong*> songs, int count, std::unique_ptr<TLySongList> owned = {});

private:
    bool SidePasses(const TLySong* song, int side) const;
    TLySongList* CopyOfSongs() const;

    TLyMatchResult* FMatchResult;
    TLyViewOptions* FOptions = nullptr;
    TLyViewFilter FFilter;
    TLySongList FSongs{false};
    // Songs that belong to no match result (best-match candidates), kept while listed.
    std::unique_ptr<TLySongList> FOwnedSongs;
    int FCount = 0;
};

// Lists candidate partners for one song, searched phonetically among all songs of the match
// result (matched ones included). The keyed maps of the result's tracks are kept from one song to
// the next and rebuilt only after the match result changed.
class TLyBestMatchesView : public TLyView {
public:
    using TLyView::TLyView;
    ~TLyBestMatchesView() override;

    // Null when no song is chosen, or when the chosen one left the match result.
    TLySong* Song() const { return FSong.load(); }
    // Stops the running refresh, then lists the candidates of `song` (main thread).
    void SetSong(TLySong* song);
    // Also drops the cached maps: the match result may have changed.
    void RequestRefresh() override;
    void SongLeaving(const TLySong* song) override;

protected:
    void Refresh(TVxPausableThread& thread) override;

private:
    std::atomic<TLySong*> FSong{nullptr};
    std::unique_ptr<TLySongPropertiesMap> FMapOne;
    std::unique_ptr<TLySongPropertiesMap> FMapTwo;
};
