// The rows of a song list: a snapshot of song pointers, sorted by the list's keys, and the
// roles that read one song.
//
// The update rule. The model never reads TLyView::Songs() while painting; it reads songs only
// through its own snapshot, which it takes when a finished list is known to be valid:
// - OwnerChanging of the view's process (the songs are about to change; delivered on the main
//   thread while the changing thread waits): the frame remembers the selected, current and first
//   visible songs as pointers, without reading them, and Freeze()s the model. From then on
//   every data(), flags(), setData(), selection query, tooltip and keyboard search answers
//   nothing and touches no song: the pointers may dangle.
// - TaskStarted of the view's refresh: the best-matches list Clear()s itself (its candidates are
//   freed when its refresh starts); other lists keep their rows, whose songs live until the
//   next OwnerChanging.
// - TaskFinished of the refresh, not cancelled, with the match result not changing: the frame
//   calls SetSongs() with the published list (one model reset), which thaws the model; the
//   remembered pointers are only compared with the new list, never read.
// A remembered pointer may equal a new song allocated at the same address; such a song is
// merely selected again.
#pragma once

#include "LySongCells.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QList>

#include <vector>

class TLyView;

// Each song's row in a sorted list: an open-addressed table of song pointers, built and read
// much faster than a node-based hash for a hundred thousand songs. The pointers are only
// compared.
class TLySongRanks {
public:
    void Clear();
    // Ranks the songs by their places in `sorted` (a song listed twice keeps its last place).
    void Assign(const QList<TLySong*>& sorted);
    // The song's rank, -1 if it was not ranked.
    int Find(const TLySong* song) const;
    // Asks for the song's slot to be fetched into the caches.
    void Prefetch(const TLySong* song) const {
        if (!FSlots.empty())
            __builtin_prefetch(&FSlots[SlotOf(song)]);
    }
    // The length of the ranked list.
    qsizetype Count() const { return FCount; }

private:
    struct TSlot {
        const TLySong* Song = nullptr;
        int Rank = -1;
    };
    size_t SlotOf(const TLySong* song) const;

    std::vector<TSlot> FSlots;
    qsizetype FCount = 0;
    int FShift = 64;
};

class TLySongListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Custom roles: the status picture's name, the star count and the star picture's name.
    enum TRole { StatusPictureRole = Qt::UserRole + 1, StarCountRole, StarPictureRole };

    explicit TLySongListModel(QObject* parent = nullptr);

    void SetView(TLyView* view) { FView = view; }
    TLyView* View() const { return FView; }
    const TLySongListSide& Side() const { return FSide; }
    void SetSide(const TLySongListSide& side);
    // Whether the palette is dark: the light colours then get readable variants.
    void SetDarkPalette(bool dark, const QColor& greyText, const QColor& base);

    bool Frozen() const { return FFrozen; }
    void Freeze();
    // Replaces the rows by `songs` sorted by `column` (one reset) and thaws.
    void SetSongs(QList<TLySong*> songs, int column, bool ascending);
    // Removes every row (one reset); the model is valid (empty) afterwards.
    void Clear();

    // The songs of the rows, read only to compare pointers while frozen.
    const QList<TLySong*>& Songs() const { return FSongs; }
    // The song of `row`; null while frozen or outside the rows.
    TLySong* Song(int row) const;
    // The row of `song` (compared as a pointer, never read), -1 if it has none; a lookup and a
    // binary search, so restoring a selection does not walk every row.
    int RowOf(const TLySong* song) const;
    // Check boxes change only while this holds: not frozen, and the project takes hand changes.
    bool CanChangeSongs() const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Header captions changed (library names).
    void HeaderChanged();

    // The colour of a cell's text or of an odd row, as painted with the current palette.
    QColor Colour(tLyCellColour colour) const;
    QColor OddRowColour() const;

private:
    QList<TLySong*> SortedSongs(QList<TLySong*> songs, int column, bool ascending) const;
    QList<TLySong*> RankedSongs(QList<TLySong*> songs, int column, bool ascending);

    TLyView* FView = nullptr;
    TLySongListSide FSide;
    QList<TLySong*> FSongs;
    bool FFrozen = false;
    // Each song's row in the last full sort by FRankColumn, FRankAscending.
    TLySongRanks FRanks;
    // The rank of each row's song, ascending; empty when the rows are the full sort itself.
    std::vector<int> FRowRanks;
    bool FRanksValid = false;
    int FRankColumn = 0;
    bool FRankAscending = true;
    bool FDark = false;
    QColor FGreyText;
    QColor FBase;
};
