// A project whose match result holds hand-made songs, and song list frames that show its
// views, for the user interface's tests.
#pragma once

#include "LibraryBuilders.h"
#include "LyProject.h"
#include "LySongListFrame.h"
#include "LySongSelection.h"
#include "LyTestSupport.h"
#include "SongBuilders.h"

#include <atomic>
#include <functional>
#include <memory>

class TLySongMatchResult;
class TLySongPage;

class TLySongListFixture {
public:
    // Library One is named "Laptop", library Two "Desktop".
    TLySongListFixture();
    ~TLySongListFixture();

    TLyProject& Project() { return *FProject; }
    TLyMatchResult& Result() { return *FProject->MatchResult(); }
    TLyView* View(const QString& name) { return Result().View(name); }

    // Runs `change` inside one update of the match result (the views hear OwnerChanging and
    // refresh afterwards) and waits for every view's refresh.
    void Change(const std::function<void()>& change);
    // Adds songs in one update.
    void Add(std::vector<std::unique_ptr<TLySong>> songs);
    // Waits until no view refreshes, delivering the notifications.
    void Settle();

    // A shown frame on the view `name`; side and library flag as for that page.
    std::unique_ptr<TLySongListView> Show(const QString& name, int side = 0,
                                          bool librarySpecific = false);

    // A shown song page of `name` ("All", "One", "Two", "Matches", "Unmatched") on its view.
    std::unique_ptr<TLySongPage> ShowPage(const QString& name);
    // A shown frame of the five pages on the match result.
    std::unique_ptr<TLySongMatchResult> ShowResult();

    // Library files of `one` and `two` written into the folder, made the project's input files.
    void SetLibraries(const QList<TLyLibraryTrack>& one, const QList<TLyLibraryTrack>& two);

private:
    template <typename TFrame, typename TAttach>
    std::unique_ptr<TFrame> Shown(std::unique_ptr<TFrame> frame, int height, const TAttach& attach);
    TLyTempFolder FFolder;
    TLyOptions FAppOptions;
    std::unique_ptr<TLyProject> FProject;
};

// Holds the project's process running a main task captioned `name` until destroyed; a cancel
// ends it sooner.
class TLyBlockingRun {
public:
    TLyBlockingRun(TLyProject* project, const QString& name);
    ~TLyBlockingRun();

private:
    TLyProject* FProject;
    std::atomic<bool> FRelease{false};
};

// The page of `name`, as TLySongListFixture::ShowPage names them, on no view.
std::unique_ptr<TLySongPage> MakeSongPage(const QString& name);

// A track of Abba's "Gold", genre Pop, rated 60, played three times.
TLyTrackBuilder BaseTrack(const QString& name);

// One song of each kind the list tells apart (colours, pictures, stars, fallbacks), named after
// what it is.
std::vector<std::unique_ptr<TLySong>> RepresentativeSongs();
// Adds Waterloo of library One (played `plays` times) and two near misses of library Two:
// unmatched songs with best matches.
void AddWaterloos(std::vector<std::unique_ptr<TLySong>>& songs, int plays);

// The songs as "name[sides]" sorted, the sides "1" and "2" that hold a track; with `marks`, "*"
// after a modified song and "~" after a matched one whose sides differ.
QString SongsText(const TLySongList& songs, bool marks = true);

// Makes `songs` the selection, in one update.
template <typename TSongs = std::initializer_list<TLySong*>>
void SelectSongs(TLySongSelection& selection, const TSongs& songs) {
    selection.BeginUpdate();
    selection.Clear();
    for (TLySong* song : songs)
        selection.Add(song);
    selection.EndUpdate();
}

// Runs the event loop once up to the point where it would wait for events, so that whatever
// runs when the loop goes idle (enabled rules) has run.
void RunUntilIdle();

// The rows' texts of `column` in row order.
QStringList ColumnTexts(const TLySongListView& frame, int column = 0);

// Selects the rows whose name is in `names` (the first becomes current), clearing the others.
void SelectRows(TLySongListView& frame, const QStringList& names);
