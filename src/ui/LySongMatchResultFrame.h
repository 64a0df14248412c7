// A match result as five song pages in tabs: all songs, library One's, library Two's, the
// matched and the unmatched songs.
#pragma once

#include "LyBaseFrame.h"

class QTabWidget;
class TLyAllSongs;
class TLyLibrarySongs;
class TLyMatchResult;
class TLyMatchedSongs;
class TLySong;
class TLySongMatchResultList;
class TLyUnmatchedSongs;
class TLyView;

class TLySongMatchResult : public TLyBase {
    Q_OBJECT
public:
    // The pages in their order; each shows the match result's view of the same name.
    enum TPage { pgAll, pgOne, pgTwo, pgMatched, pgUnmatched, kPageCount };

    explicit TLySongMatchResult(QWidget* parent = nullptr);
    ~TLySongMatchResult() override;

    QTabWidget* PageSongs() const { return FPageSongs; }
    TLySongMatchResultList* List(TPage page) const { return FLists[page]; }
    // The name of the view a page shows: "All", "One", "Two", "Matches", "Unmatched".
    static QString ViewName(TPage page);
    TLyAllSongs* FrmAllSongs() const;
    TLyLibrarySongs* FrmOneSongs() const;
    TLyLibrarySongs* FrmTwoSongs() const;
    TLyMatchedSongs* FrmMatchedSongs() const;
    TLyUnmatchedSongs* FrmUnmatchedSongs() const;

    // The list frame of the active tab, and its view (null without a match result).
    TLySongMatchResultList* CurrentList() const;
    TLyView* CurrentView() const;
    void SetCurrentPage(TPage page);

    // Not owned; null shows nothing. A different result is stored and the pages refreshed.
    TLyMatchResult* MatchResult() const { return FMatchResult; }
    void SetMatchResult(TLyMatchResult* matchResult);
    // Gives every page its view of the match result (none without one), activates the page
    // whose view options are marked active, and shows the library pages their sides.
    void RefreshPages();
    // Stores the view options of all five pages.
    void StoreViewOptions();
    // Whether the filter lists of the two library pages work (not in a match window).
    void SetLibraryFiltersActive(bool active);

Q_SIGNALS:
    // A page asked to match these unmatched songs: the owner runs the matching flow.
    void MatchRequested(const QList<TLySong*>& songs);

protected:
    void Finalise() override;

private:
    void ApplyAll();

    QTabWidget* FPageSongs;
    TLySongMatchResultList* FLists[kPageCount] = {};
    TLyMatchResult* FMatchResult = nullptr;
};
