// The song list frame: one row per song of a view, with the columns, colours, pictures, check
// boxes, header sorting and column menus, and the selection kept across rebuilds. The update
// rule it follows with its model is written down in LySongListModel.h.
#pragma once

#include "LyBaseViewFrame.h"
#include "LySongCells.h"
#include "LyUtils.h"

#include <QList>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class TLyMenuAdapter;
class TLySong;
class TLySongListDelegate;
class TLySongListModel;
class TLySongListTree;

class TLySongListView : public TLyBaseView, public ILyFileStatusListener {
    Q_OBJECT
public:
    explicit TLySongListView(QWidget* parent = nullptr);
    ~TLySongListView() override;

    TLySongListTree* TreeSongs() const { return FTree; }
    TLySongListModel* Model() const { return FModel; }
    QMenu* MnuVisibleColumns() const { return FMnuVisibleColumns; }
    QAction* ActToggleSelected() const { return FActToggleSelected; }
    // The list's side and whether it is a library's page.
    void SetSide(int side, bool librarySpecific);
    // The menu the context-menu key and the secondary button open on a row; not owned.
    void SetPopupMenu(QMenu* menu) { FPopupMenu = menu; }

    void ApplyViewOptions() override;
    void StoreViewOptions() override;
    // The view's columns into the View menu's two submenus (through the engine's menus).
    void FillColumnMenu(QMenu* menu);
    void FillSortMenu(QMenu* menu);

    // Selection queries: nothing without a view, while its process runs or while frozen. They
    // answer from summaries of the rows and of the selection, kept when the rows are rebuilt and
    // when the selection changes, so that enabled rules may ask them on every idle turn.
    QList<TLySong*> SelectedSongs() const;
    int SelectedCount() const;
    TLySong* FirstSelectedSong() const;
    bool AnySelectedModified() const;
    // Some selected song holds a track in library `side`.
    bool AnySelectedHasSide(int side) const;
    bool AnySelectedHasBothSides() const;
    // The selected rows (all rows) include a song without a track in One and one without a
    // track in Two.
    bool SelectedLackBothSides() const;
    bool AllLackBothSides() const;
    // Hands the selected songs to the project's "Execute For Songs" with `step`.
    void ExecuteForSelected(const std::function<void(TLySong*)>& step);

    void FileStatusChanged() override;

Q_SIGNALS:
    // The selected rows changed (also when a rebuild restores them).
    void SelectionChanged();

protected:
    void ViewChanged() override;
    void OwnerChanging(TLyProcess* process) override;
    void TaskStarted(ILyProcessTask* task) override;
    void TaskFinished(ILyProcessTask* task) override;
    void Initialise() override;
    void Finalise() override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The selected rows, each once, in order.
    QList<int> SelectedRows() const;
    // What the selection queries ask of a set of rows. Song values change only between
    // OwnerChanging and the rebuild that follows, so a summary holds until then.
    struct TSummary {
        int Count = 0;
        TLySong* First = nullptr;
        bool AnyModified = false;
        bool AnyHasOne = false;
        bool AnyHasTwo = false;
        bool AnyMatched = false;
        bool AnyLacksOne = false;
        bool AnyLacksTwo = false;
        void Add(TLySong* song);
    };

    // What a rebuild restores: compared with the new rows, never read.
    struct TRemembered {
        QList<TLySong*> Selected;
        TLySong* Current = nullptr;
        TLySong* FirstVisible = nullptr;
        QList<TLySong*> Order;
        int FirstSelectedRow = -1;
    };

    bool Queryable() const;
    TRemembered Remember() const;
    // Replaces the rows by `songs` (a valid list), keeping the selection.
    void RebuildRows(const QList<TLySong*>& songs);
    void Restore(const TRemembered& remembered);
    bool IsOwnMainTask(ILyProcessTask* task) const;
    // The view's filter options differ from those of its latest requested refresh: a refresh
    // with the new ones is about to be requested.
    bool FilterChangedSinceRequest() const;
    void StopRepainting();
    void ResumeRepainting();
    void HeaderClicked(int column);
    void ToggleSelected();
    void UpdatePalette();
    void UpdateActions();
    void SummariseRows();
    void SummariseSelection();

    TLySongListTree* FTree;
    TLySongListModel* FModel;
    TLySongListDelegate* FDelegate;
    QMenu* FMnuVisibleColumns;
    QAction* FActToggleSelected;
    QMenu* FPopupMenu = nullptr;
    std::unique_ptr<TLyMenuAdapter> FColumnAdapter;
    std::unique_ptr<TLyMenuAdapter> FSortAdapter;
    TLySongListSide FSide;
    TRemembered FRemembered;
    TSummary FRowsSummary;
    TSummary FSelectionSummary;
    TLyView* FShownView = nullptr;
    // The view's list is valid and newer than the rows; rebuilt when the page is shown.
    bool FRebuildPending = false;
    int FRepaintStops = 0;
    int FSortColumn = 0;
    bool FSortAscending = true;
    bool FFileStatusListening = false;
};
