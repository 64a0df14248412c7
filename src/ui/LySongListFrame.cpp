#include "LySongListFrame.h"

#include "LyGuard.h"
#include "LyMatchResult.h"
#include "LyMenuAdapter.h"
#include "LyOptions.h"
#include "LyProject.h"
#include "LySongListDelegate.h"
#include "LySongListModel.h"
#include "LySongListTree.h"
#include "LyView.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QMenu>
#include <QSet>
#include <QVBoxLayout>

#include <algorithm>

TLySongListView::TLySongListView(QWidget* parent)
    : TLyBaseView(parent)
    , FTree(new TLySongListTree(this))
    , FModel(new TLySongListModel(this))
    , FDelegate(new TLySongListDelegate(this))
    , FMnuVisibleColumns(new QMenu(this))
    , FActToggleSelected(new QAction(QStringLiteral("&Toggle Exported"), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FTree);
    FTree->setModel(FModel);
    FTree->setItemDelegate(FDelegate);
    FTree->setUniformRowHeights(true);
    FTree->setRootIsDecorated(false);
    FTree->setItemsExpandable(false);
    FTree->setAllColumnsShowFocus(true);
    FTree->setSelectionBehavior(QAbstractItemView::SelectRows);
    FTree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QHeaderView* header = FTree->header();
    header->setSectionsClickable(true);
    header->setSectionsMovable(true);
    header->setSortIndicatorShown(true);
    header->setStretchLastSection(false);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    FColumnAdapter = std::make_unique<TLyMenuAdapter>(FMnuVisibleColumns);

    FActToggleSelected->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Space));
    FActToggleSelected->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(FActToggleSelected);

    connect(header, &QHeaderView::sectionClicked, this,
            [this](int column) { LyGuarded(this, [&] { HeaderClicked(column); }); });
    connect(header, &QWidget::customContextMenuRequested, this, [this, header](const QPoint& at) {
        FMnuVisibleColumns->popup(header->mapToGlobal(at));
    });
    connect(FActToggleSelected, &QAction::triggered, this,
            [this] { LyGuarded(this, [&] { ToggleSelected(); }); });
    connect(FTree->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        SummariseSelection();
        UpdateActions();
        Q_EMIT SelectionChanged();
    });
    connect(FTree, &TLySongListTree::PopupRequested, this, [this](const QPoint& at) {
        if (FPopupMenu)
            FPopupMenu->popup(at);
    });
    UpdatePalette();
    UpdateActions();
}

TLySongListView::~TLySongListView() {
    EnsureFinalised();
}

void TLySongListView::Initialise() {
    if (TLyFileStatusCalculator* calculator = FileStatusCalculator()) {
        calculator->AddListener(this);
        FFileStatusListening = true;
    }
}

void TLySongListView::Finalise() {
    if (FFileStatusListening)
        if (TLyFileStatusCalculator* calculator = FileStatusCalculator())
            calculator->RemoveListener(this);
    FFileStatusListening = false;
    TLyBaseView::Finalise();
}

void TLySongListView::SetSide(int side, bool librarySpecific) {
    FSide = {side, librarySpecific};
    FModel->SetSide(FSide);
}

void TLySongListView::FileStatusChanged() {
    if (!FModel->Frozen())
        FTree->viewport()->update();
}

// --- the update rule -------------------------------------------------------------------------

void TLySongListView::ViewChanged() {
    if (View() != FShownView) {
        // Whether the new view's list is valid is not known (a change may have just ended):
        // the rows come from its next finished refresh.
        FShownView = View();
        FRemembered = {};
        FRebuildPending = false;
        FModel->Clear();
        SummariseRows();
        FModel->SetView(View());
        if (View()) {
            FModel->Freeze();
            View()->RequestRefresh();
        }
    }
    ApplyViewOptions();
}

bool TLySongListView::IsOwnMainTask(ILyProcessTask* task) const {
    return View() && task->IsMainTask() && task->Process() == View()->Process();
}

void TLySongListView::OwnerChanging(TLyProcess* process) {
    if (!View() || process != View()->Process())
        return;
    if (!FModel->Frozen())
        FRemembered = Remember();
    FModel->Freeze();
    FRebuildPending = false;
    StopRepainting();
    UpdateActions();
}

void TLySongListView::TaskStarted(ILyProcessTask* task) {
    if (!IsOwnMainTask(task))
        return;
    FRebuildPending = false; // the view's list is being replaced
    StopRepainting();
    // The candidates of a best-matches list are freed as its refresh starts.
    if (dynamic_cast<TLyBestMatchesView*>(View())) {
        FModel->Clear();
        SummariseRows();
    }
    UpdateActions();
}

void TLySongListView::TaskFinished(ILyProcessTask* task) {
    if (!IsOwnMainTask(task))
        return;
    const bool valid = !task->Cancelled() && !task->Failed() &&
                       !(View()->MatchResult() && View()->MatchResult()->Changing());
    if (valid && FilterChangedSinceRequest()) {
        // A filter typed key by key: the next key's refresh is being requested and replaces
        // this list at once, so the rows are not rebuilt for it (its songs stay valid).
    } else if (valid) {
        if (isVisible())
            RebuildRows(View()->Songs().AsList());
        else
            FRebuildPending = true; // a page that is not on top stays as it is until shown
    }
    if (!FModel->Frozen())
        ResumeRepainting();
    UpdateActions();
}

bool TLySongListView::FilterChangedSinceRequest() const {
    const TLyViewOptions* options = View()->Options();
    const TLyViewFilter& requested = View()->Filter();
    return options && (options->FilterText() != requested.Text ||
                       options->FilterOptions() != requested.Options ||
                       options->FilterPart() != requested.Part);
}

void TLySongListView::showEvent(QShowEvent* event) {
    TLyBaseView::showEvent(event);
    if (!FRebuildPending || !View())
        return;
    FRebuildPending = false;
    LyGuarded(this, [this] {
        RebuildRows(View()->Songs().AsList());
        ResumeRepainting();
        UpdateActions();
    });
}

void TLySongListView::StopRepainting() {
    if (FRepaintStops++ == 0)
        FTree->setUpdatesEnabled(false);
}

void TLySongListView::ResumeRepainting() {
    FRepaintStops = 0;
    FTree->setUpdatesEnabled(true);
}

// --- rows and selection ----------------------------------------------------------------------

TLySongListView::TRemembered TLySongListView::Remember() const {
    TRemembered result;
    if (FModel->Frozen())
        return result;
    const QList<TLySong*>& songs = FModel->Songs();
    result.Order = songs;
    const QItemSelection selection = FTree->selectionModel()->selection();
    for (const QItemSelectionRange& range : selection) {
        if (result.FirstSelectedRow < 0 || range.top() < result.FirstSelectedRow)
            result.FirstSelectedRow = range.top();
        for (int row = range.top(); row <= range.bottom(); ++row)
            result.Selected.append(songs.at(row));
    }
    const QModelIndex current = FTree->currentIndex();
    if (current.isValid())
        result.Current = songs.at(current.row());
    const QModelIndex top = FTree->indexAt(QPoint(0, 0));
    if (top.isValid())
        result.FirstVisible = songs.at(top.row());
    return result;
}

void TLySongListView::RebuildRows(const QList<TLySong*>& songs) {
    const TRemembered remembered = FModel->Frozen() ? FRemembered : Remember();
    FRemembered = {};
    FModel->SetSongs(songs, FSortColumn, FSortAscending);
    Restore(remembered);
    SummariseRows();
}

void TLySongListView::Restore(const TRemembered& remembered) {
    QList<int> rows;
    rows.reserve(remembered.Selected.size());
    for (const TLySong* song : remembered.Selected)
        if (const int row = FModel->RowOf(song); row >= 0)
            rows.append(row);
    int currentRow = FModel->RowOf(remembered.Current);
    const int topRow = FModel->RowOf(remembered.FirstVisible);
    if (rows.isEmpty() && !remembered.Selected.isEmpty()) {
        // None of the selected songs is left: the nearest remaining row after the first
        // selected one, else the nearest before it.
        const QList<TLySong*>& order = remembered.Order;
        const int first = remembered.FirstSelectedRow;
        for (int i = first + 1; i < order.size() && rows.isEmpty(); ++i)
            if (const int row = FModel->RowOf(order.at(i)); row >= 0)
                rows.append(row);
        for (int i = first - 1; i >= 0 && rows.isEmpty(); --i)
            if (const int row = FModel->RowOf(order.at(i)); row >= 0)
                rows.append(row);
        if (!rows.isEmpty())
            currentRow = rows.first();
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QItemSelection selection;
    for (int i = 0; i < rows.size();) {
        int last = i;
        while (last + 1 < rows.size() && rows.at(last + 1) == rows.at(last) + 1)
            ++last;
        selection.append(QItemSelectionRange(FModel->index(rows.at(i), 0),
                                             FModel->index(rows.at(last), kLySongColumnCount - 1)));
        i = last + 1;
    }
    QItemSelectionModel* model = FTree->selectionModel();
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    if (currentRow >= 0)
        model->setCurrentIndex(FModel->index(currentRow, 0), QItemSelectionModel::NoUpdate);
    if (topRow >= 0)
        FTree->scrollTo(FModel->index(topRow, 0), QAbstractItemView::PositionAtTop);
}

bool TLySongListView::Queryable() const {
    return View() && !View()->Process()->Running() && !FModel->Frozen();
}

// The ranges of a selection may overlap: each row counts once.
QList<int> TLySongListView::SelectedRows() const {
    QList<int> rows;
    for (const QItemSelectionRange& range : FTree->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

QList<TLySong*> TLySongListView::SelectedSongs() const {
    QList<TLySong*> result;
    if (!Queryable())
        return result;
    const QList<int> rows = SelectedRows();
    result.reserve(rows.size());
    for (int row : rows)
        result.append(FModel->Songs().at(row));
    return result;
}

void TLySongListView::TSummary::Add(TLySong* song) {
    ++Count;
    AnyModified = AnyModified || song->IsModifiedAny();
    const bool one = song->OriginalOne().Exists();
    const bool two = song->OriginalTwo().Exists();
    AnyHasOne = AnyHasOne || one;
    AnyHasTwo = AnyHasTwo || two;
    AnyMatched = AnyMatched || song->IsMatched();
    AnyLacksOne = AnyLacksOne || !one;
    AnyLacksTwo = AnyLacksTwo || !two;
}

void TLySongListView::SummariseRows() {
    FRowsSummary = {};
    if (!FModel->Frozen())
        for (TLySong* song : FModel->Songs())
            FRowsSummary.Add(song);
    SummariseSelection();
}

void TLySongListView::SummariseSelection() {
    FSelectionSummary = {};
    if (FModel->Frozen())
        return;
    const QList<int> rows = SelectedRows();
    for (int row : rows)
        FSelectionSummary.Add(FModel->Songs().at(row));
    FSelectionSummary.First = rows.isEmpty() ? nullptr : FModel->Songs().at(rows.first());
}

int TLySongListView::SelectedCount() const {
    return Queryable() ? FSelectionSummary.Count : 0;
}

TLySong* TLySongListView::FirstSelectedSong() const {
    return Queryable() ? FSelectionSummary.First : nullptr;
}

bool TLySongListView::AnySelectedModified() const {
    return Queryable() && FSelectionSummary.AnyModified;
}

bool TLySongListView::AnySelectedHasSide(int side) const {
    return Queryable() && (side == 0 ? FSelectionSummary.AnyHasOne : FSelectionSummary.AnyHasTwo);
}

bool TLySongListView::AnySelectedHasBothSides() const {
    return Queryable() && FSelectionSummary.AnyMatched;
}

bool TLySongListView::SelectedLackBothSides() const {
    return Queryable() && FSelectionSummary.AnyLacksOne && FSelectionSummary.AnyLacksTwo;
}

bool TLySongListView::AllLackBothSides() const {
    return Queryable() && FRowsSummary.AnyLacksOne && FRowsSummary.AnyLacksTwo;
}

void TLySongListView::ExecuteForSelected(const std::function<void(TLySong*)>& step) {
    TLyProject* project = Project();
    if (!project || !Queryable())
        return;
    auto* songs = new TLySongList(false);
    for (TLySong* song : SelectedSongs())
        songs->Add(song);
    project->ExecuteForSongs(View()->MatchResult(), songs, true, step);
}

void TLySongListView::ToggleSelected() {
    if (!FActToggleSelected->isEnabled())
        return;
    const QList<TLySong*> songs = SelectedSongs();
    if (songs.isEmpty() || !FModel->CanChangeSongs())
        return;
    View()->MatchResult()->SetChecked(songs, !songs.first()->Checked());
    Q_EMIT FModel->dataChanged(FModel->index(0, scName),
                               FModel->index(FModel->rowCount() - 1, scName), {Qt::CheckStateRole});
}

void TLySongListView::UpdateActions() {
    FActToggleSelected->setEnabled(CanChange() && FModel->CanChangeSongs() &&
                                   FTree->selectionModel()->hasSelection());
}

// --- columns, header and menus ---------------------------------------------------------------

void TLySongListView::ApplyViewOptions() {
    TLyViewOptions* options = View() ? View()->Options() : nullptr;
    if (!options) {
        FColumnAdapter->Clear();
        FModel->Clear();
        SummariseRows();
        UpdateActions();
        return;
    }
    FModel->HeaderChanged();
    QHeaderView* header = FTree->header();
    QList<int> byPosition;
    for (int i = 0; i < kLySongColumnCount && i < options->Columns()->Count(); ++i) {
        const TLyViewColumnOptions* column = options->Column(i);
        header->setSectionHidden(i, !column->Visible() && i != scName);
        if (column->Width() > 0)
            header->resizeSection(i, column->Width());
        byPosition.append(i);
    }
    std::stable_sort(byPosition.begin(), byPosition.end(), [&](int a, int b) {
        return options->Column(a)->Position() < options->Column(b)->Position();
    });
    for (int visual = 0; visual < byPosition.size(); ++visual)
        header->moveSection(header->visualIndex(byPosition.at(visual)), visual);
    const bool sortChanged =
        options->SortColumn() != FSortColumn || options->SortAscending() != FSortAscending;
    FSortColumn = qBound(0, options->SortColumn(), kLySongColumnCount - 1);
    FSortAscending = options->SortAscending();
    header->setSortIndicator(FSortColumn,
                             FSortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);

    View()->FillColumnMenu(FColumnAdapter.get());
    FMnuVisibleColumns->addSeparator();
    QMenu* sortBy = FMnuVisibleColumns->addMenu(QStringLiteral("&Sort By"));
    FSortAdapter = std::make_unique<TLyMenuAdapter>(sortBy);
    View()->FillSortMenu(FSortAdapter.get());

    // The rows are valid unless frozen; a frozen list waits for its refresh.
    if (!FModel->Frozen() && sortChanged) {
        StopRepainting();
        RebuildRows(FModel->Songs());
        ResumeRepainting();
    }
    UpdateActions();
}

void TLySongListView::StoreViewOptions() {
    TLyViewOptions* options = View() ? View()->Options() : nullptr;
    if (!options)
        return;
    options->SetSortColumn(FSortColumn);
    options->SetSortAscending(FSortAscending);
    const QHeaderView* header = FTree->header();
    for (int i = 0; i < kLySongColumnCount && i < options->Columns()->Count(); ++i) {
        TLyViewColumnOptions* column = options->Column(i);
        column->SetPosition(header->visualIndex(i));
        column->SetVisible(!header->isSectionHidden(i));
        if (!header->isSectionHidden(i))
            column->SetWidth(header->sectionSize(i));
    }
}

void TLySongListView::FillColumnMenu(QMenu* menu) {
    TLyMenuAdapter adapter(menu);
    if (View())
        View()->FillColumnMenu(&adapter);
    else
        adapter.Clear();
}

void TLySongListView::FillSortMenu(QMenu* menu) {
    TLyMenuAdapter adapter(menu);
    if (View())
        View()->FillSortMenu(&adapter);
    else
        adapter.Clear();
}

void TLySongListView::HeaderClicked(int column) {
    if (!View())
        return;
    StoreViewOptions();
    const bool ascending = !(column == FSortColumn && FSortAscending);
    View()->SetSort(column, ascending);
}

// --- palette ---------------------------------------------------------------------------------

void TLySongListView::changeEvent(QEvent* event) {
    TLyBaseView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        UpdatePalette();
}

void TLySongListView::UpdatePalette() {
    const QPalette& colours = FTree->palette();
    const QColor base = colours.color(QPalette::Base);
    FModel->SetDarkPalette(base.lightness() < 128,
                           colours.color(QPalette::Disabled, QPalette::Text), base);
}
