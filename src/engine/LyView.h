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

// Threads: Songs and Count change only on the main thread (a refresh hands its list over when
// it ends), so the main thread may read them at any time. The refresh itself reads the match
// result's songs on the view's worker; the match result stops every running refresh before it
// changes songs (see TLyMatchResult).
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

    // Cancels a running refresh and starts a new one (main thread).
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

    virtual bool Includes(const TLySong* song) const;
    virtual bool Accepts(const TLySong* song) const;

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
    TLySongList FSongs{false};
    // Songs that belong to no match result (best-match candidates), kept while listed.
    std::unique_ptr<TLySongList> FOwnedSongs;
    int FCount = 0;
};

// Lists candidate partners for one song, searched phonetically among all songs of the match
// result (matched ones included).
class TLyBestMatchesView : public TLyView {
public:
    using TLyView::TLyView;
    ~TLyBestMatchesView() override;

    TLySong* Song() const { return FSong; }
    void SetSong(TLySong* song);
    // Also drops the cached maps, so a change of the match result rebuilds them.
    void RequestRefresh() override;

protected:
    void Refresh(TVxPausableThread& thread) override;

private:
    TLySong* FSong = nullptr;
    std::unique_ptr<TLySongPropertiesMap> FMapOne;
    std::unique_ptr<TLySongPropertiesMap> FMapTwo;
};
