#include "LySongMatchResultListFrame.h"

#include "LyDialogs.h"
#include "LyGuard.h"
#include "LyIdleUpdate.h"
#include "LyMatchResult.h"
#include "LyOptions.h"
#include "LyProject.h"
#include "LySongInfoFrame.h"
#include "LySongListFrame.h"
#include "LySongListTree.h"
#include "LySongPageFrames.h"
#include "LySongPropertyWindow.h"
#include "LyTimers.h"
#include "LyTransferOptionsWindow.h"
#include "LyView.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr int kSelectionDelayMs = 100;

QString EscapeMnemonics(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

const char* const kPartCaptions[kLySongPartCount] = {
    "&Name", "&Artist", "Al&bum", "&Genre", "&Play Count", "&Last Played", "&Rating"};

// The caption of a Use item for the merged values of one side.
QString UseCaption(const TLySongSelectionProperties& side, tLySongPart part) {
    const QString text = side.GetText(part);
    QString shown = text;
    if (part == sdPlayCount)
        shown = QStringLiteral("Played %1 times").arg(text);
    else if (part == sdRating)
        shown = QStringLiteral("%1 stars").arg(text);
    if (text == u"(multiple values)" || text == u"---")
        shown = QStringLiteral("%1: %2").arg(SongPartName(part), shown);
    return EscapeMnemonics(shown);
}

} // namespace

TLySongMatchResultList::TLySongMatchResultList(TLySongPage* page, QWidget* parent)
    : TLyBaseView(parent)
    , FPage(page)
    , FFrmSongInfo(new TLySongInfo)
    , FStatusBar(new QLabel(this))
    , FSelection(std::make_unique<TLySongSelection>())
    , FTmrSelection(TLyTimer::Create(this, kSelectionDelayMs, true)) {
    FPage->setParent(this);
    FStatusBar->setObjectName(QStringLiteral("StatusBar"));
    FStatusBar->setTextFormat(Qt::PlainText);
    FStatusBar->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    FStatusBar->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(FPage, 1);
    layout->addWidget(FStatusBar);

    FFrmSongInfo->setObjectName(QStringLiteral("FrmSongInfo"));
    PageTools()->insertTab(0, FFrmSongInfo, QStringLiteral("Song Proper&ties"));
    PageTools()->setCurrentIndex(0);
    if (auto* unmatched = qobject_cast<TLyUnmatchedSongs*>(FPage)) {
        FFrmBestMatches = unmatched->FrmBestMatches();
        FFrmBestMatches->TreeSongs()->installEventFilter(this);
        // A double click, never a single one: some desktops activate items on a single click.
        connect(FFrmBestMatches->TreeSongs(), &QAbstractItemView::doubleClicked, this,
                [this] { LyGuarded(this, [this] { CombineSelected(); }); });
    }
    PageTools()->show();

    for (int part = 0; part < kLySongPartCount; ++part) {
        const auto p = tLySongPart(part);
        const QString caption = QString::fromLatin1(kPartCaptions[part]);
        FActUseOne[part] = new QAction(caption, this);
        FActUseOne[part]->setObjectName(QStringLiteral("ActUseOne%1").arg(part));
        connect(FActUseOne[part], &QAction::triggered, this,
                [this, p] { LyGuarded(this, [&] { UseFrom(0, p); }); });
        FActUseTwo[part] = new QAction(caption, this);
        FActUseTwo[part]->setObjectName(QStringLiteral("ActUseTwo%1").arg(part));
        connect(FActUseTwo[part], &QAction::triggered, this,
                [this, p] { LyGuarded(this, [&] { UseFrom(1, p); }); });
        if (part <= sdGenre) {
            FActEdit[part] = new QAction(caption, this);
            FActEdit[part]->setObjectName(QStringLiteral("ActEdit%1").arg(part));
            connect(FActEdit[part], &QAction::triggered, this,
                    [this, p] { LyGuarded(this, [&] { Edit(p); }); });
        }
    }
    using K = QKeySequence;
    using L = TLySongMatchResultList;
    const auto ctrl = Qt::CTRL;
    const auto shift = Qt::CTRL | Qt::SHIFT;
    FActCombineSelected =
        NewAction("ActCombineSelected", "&Combine", K(shift | Qt::Key_C), &L::CombineSelected);
    FActSplitSelected =
        NewAction("ActSplitSelected", "&Split", K(shift | Qt::Key_S), &L::SplitSelected);
    FActSynchronizeSelected = NewAction("ActSynchronizeSelected", "S&ynchronize...",
                                        K(ctrl | Qt::Key_Y), &L::SynchronizeSelected);
    FActSynchronizeAll = NewAction("ActSynchronizeAll", "Synchronize A&ll...", K(shift | Qt::Key_Y),
                                   &L::SynchronizeAll);
    FActRevertSelected =
        NewAction("ActRevertSelected", "&Revert", K(ctrl | Qt::Key_R), &L::RevertSelected);
    FActRevertAll = NewAction("ActRevertAll", "Revert &All", K(shift | Qt::Key_R), &L::RevertAll);
    FActMatchSelected =
        NewAction("ActMatchSelected", "&Match...", K(ctrl | Qt::Key_M), &L::MatchSelected);
    FActMatchAll = NewAction("ActMatchAll", "Matc&h All", K(shift | Qt::Key_M), &L::MatchAll);
    FActSetAsDefaultView =
        NewAction("ActSetAsDefaultView", "&Set Defaults...", K(), &L::SetAsDefaultView);
    FActToggleSongInfo =
        NewAction("ActToggleSongInfo", "Toggle Song &Info", K(), &L::ToggleSongInfo);

    FPage->Contribute(piUseOne, QList<QAction*>(std::begin(FActUseOne), std::end(FActUseOne)));
    FPage->Contribute(piUseTwo, QList<QAction*>(std::begin(FActUseTwo), std::end(FActUseTwo)));
    FPage->Contribute(piEdit,
                      {FActEdit[sdName], FActEdit[sdArtist], FActEdit[sdAlbum], FActEdit[sdGenre]});
    FPage->Contribute(piCombine, {FActCombineSelected});
    FPage->Contribute(piSplit, {FActSplitSelected});
    FPage->Contribute(piSynchronizeSelected, {FActSynchronizeSelected});
    FPage->Contribute(piSynchronizeAll, {FActSynchronizeAll});
    FPage->Contribute(piRevertSelected, {FActRevertSelected});
    FPage->Contribute(piRevertAll, {FActRevertAll});
    FPage->Contribute(piMatchSelected, {FActMatchSelected});
    FPage->Contribute(piMatchAll, {FActMatchAll});
    FPage->Contribute(piSetAsDefaultView, {FActSetAsDefaultView});
    FPage->Contribute(piToggleSongInfo, {FActToggleSongInfo});

    FPage->SetSongSelection(FSelection.get());
    FFrmSongInfo->SetSelection(FSelection.get());
    FSelection->AddListener(this);
    connect(FrmSongList(), &TLySongListView::SelectionChanged, this,
            [this] { FTmrSelection->Start(); });
    connect(FTmrSelection, &TLyTimer::Fired, this,
            [this] { LyGuarded(this, [this] { RebuildSelection(); }); });
    LyUpdateWhenIdle(this, [this] { UpdateActions(); });
    ApplyViewOptions();
}

TLySongMatchResultList::~TLySongMatchResultList() {
    EnsureFinalised();
    // Also for a frame that never had a parent: the listeners leave before the selection goes.
    FTmrSelection->Stop();
    FSelection->RemoveListener(this);
    FPage->SetSongSelection(nullptr);
    FFrmSongInfo->SetSelection(nullptr);
}

void TLySongMatchResultList::Finalise() {
    FPage->SetView(nullptr);
    FFrmSongInfo->SetView(nullptr);
    TLyBaseView::Finalise();
}

QAction* TLySongMatchResultList::NewAction(const char* name, const char* caption,
                                           const QKeySequence& shortcut,
                                           void (TLySongMatchResultList::*slot)()) {
    auto* action = new QAction(QString::fromLatin1(caption), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    // A shortcut reaches a disabled action's slot through no path, but a menu item may be
    // triggered programmatically: each slot asks the rule again.
    connect(action, &QAction::triggered, this, [this, action, slot] {
        UpdateActions();
        if (action->isEnabled())
            LyGuarded(this, [&] { (this->*slot)(); });
    });
    return action;
}

TLySongListView* TLySongMatchResultList::FrmSongList() const {
    return FPage->FrmSongList();
}

QTabWidget* TLySongMatchResultList::PageTools() const {
    return FPage->PageTools();
}

void TLySongMatchResultList::SetTabSheet(QTabWidget* tabs) {
    FTabs = tabs;
    ShowStatus();
}

QList<QAction*> TLySongMatchResultList::Actions() const {
    QList<QAction*> actions;
    for (int part = 0; part < kLySongPartCount; ++part)
        actions << FActUseOne[part] << FActUseTwo[part];
    for (int part = 0; part <= sdGenre; ++part)
        actions << FActEdit[part];
    actions << FActCombineSelected << FActSplitSelected << FActSynchronizeSelected
            << FActSynchronizeAll << FActRevertSelected << FActRevertAll << FActMatchSelected
            << FActMatchAll << FActSetAsDefaultView << FActToggleSongInfo;
    return actions;
}

// --- view, status and tools -------------------------------------------------------------------

void TLySongMatchResultList::ViewChanged() {
    FTmrSelection->Stop();
    FSelection->SetMatchResult(View() ? View()->MatchResult() : nullptr);
    FFrmSongInfo->SetView(View());
    FPage->SetView(View());
    TLyBaseView::ViewChanged();
}

void TLySongMatchResultList::ApplyViewOptions() {
    ClearSelection();
    const TLyViewOptions* options = View() ? View()->Options() : nullptr;
    ShowSongInfo(options ? options->ShowSongInfo() : true);
    const TLyViewOptions* best =
        FFrmBestMatches && FFrmBestMatches->View() ? FFrmBestMatches->View()->Options() : nullptr;
    if (best && best->Active())
        PageTools()->setCurrentWidget(FFrmBestMatches);
    else
        PageTools()->setCurrentWidget(FFrmSongInfo);
    FNote.clear();
    ShowStatus();
    UpdateActions();
}

void TLySongMatchResultList::StoreViewOptions() {
    FPage->StoreViewOptions();
    if (TLyViewOptions* options = View() ? View()->Options() : nullptr)
        options->SetActive(FTabs && FTabs->currentWidget() == this);
    if (FFrmBestMatches && FFrmBestMatches->View() && FFrmBestMatches->View()->Options())
        FFrmBestMatches->View()->Options()->SetActive(PageTools()->currentWidget() ==
                                                      FFrmBestMatches);
}

QString TLySongMatchResultList::PageTitle() const {
    if (!View() || !View()->Options())
        return {};
    const QString name = View()->Options()->Name();
    TLyProject* project = Project();
    if (project && name == u"One")
        return project->Options()->LibraryOne()->Name();
    if (project && name == u"Two")
        return project->Options()->LibraryTwo()->Name();
    return name;
}

QString TLySongMatchResultList::StatusText() const {
    if (!View())
        return {};
    if (!Project() || !Project()->IsLoaded())
        return QStringLiteral("Not Loaded");
    const int shown = View()->Songs().Count();
    const int total = View()->Count();
    const QString songs = shown == total
                              ? QStringLiteral("%1 songs").arg(total)
                              : QStringLiteral("Showing %1 of %2 songs").arg(shown).arg(total);
    // What the last full match did with the songs paired by hand; a match window's result
    // has its own songs.
    const int applied = Project()->RememberedPairsApplied();
    const int gone = Project()->RememberedPairsGone();
    if (View()->MatchResult()->Parent() || (applied == 0 && gone == 0))
        return songs;
    QString pairs = applied == 1 ? QStringLiteral("1 remembered pair applied")
                                 : QStringLiteral("%1 remembered pairs applied").arg(applied);
    if (gone > 0)
        pairs += QStringLiteral(", %1 not (a track is gone)").arg(gone);
    return songs + QStringLiteral("; ") + pairs;
}

QString TLySongMatchResultList::TabCaption() const {
    if (!View())
        return QStringLiteral("---");
    const QString title = PageTitle();
    if (!Project() || !Project()->IsLoaded())
        return title;
    const int shown = View()->Songs().Count();
    const int total = View()->Count();
    if (shown == total)
        return QStringLiteral("%1 (%2)").arg(title).arg(total);
    return QStringLiteral("%1 (%2/%3)").arg(title).arg(shown).arg(total);
}

void TLySongMatchResultList::ShowStatus() {
    FStatusBar->setText(FNote.isEmpty() ? StatusText() : FNote);
    if (FTabs && FTabs->indexOf(this) >= 0)
        FTabs->setTabText(FTabs->indexOf(this), EscapeMnemonics(TabCaption()));
}

bool TLySongMatchResultList::IsOwnMainTask(ILyProcessTask* task) const {
    return View() && task->IsMainTask() && task->Process() == View()->Process();
}

void TLySongMatchResultList::TaskStarted(ILyProcessTask* task) {
    if (IsOwnMainTask(task))
        FStatusBar->setText(task->Caption());
}

void TLySongMatchResultList::TaskFinished(ILyProcessTask* task) {
    if (IsOwnMainTask(task))
        ShowStatus();
}

void TLySongMatchResultList::ShowSongInfo(bool show) {
    PageTools()->setVisible(show);
}

void TLySongMatchResultList::ToggleSongInfo() {
    const bool show = !PageTools()->isVisibleTo(this);
    if (TLyViewOptions* options = View() ? View()->Options() : nullptr)
        options->SetShowSongInfo(show);
    ShowSongInfo(show);
}

bool TLySongMatchResultList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FStatusBar && event->type() == QEvent::MouseButtonDblClick) {
        LyGuarded(this, [this] { ToggleSongInfo(); });
        return true;
    }
    if (FFrmBestMatches && watched == FFrmBestMatches->TreeSongs() &&
        event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            LyGuarded(this, [this] { CombineSelected(); });
            return true;
        }
    }
    return TLyBaseView::eventFilter(watched, event);
}

// --- selection --------------------------------------------------------------------------------

void TLySongMatchResultList::OwnerChanging(TLyProcess* process) {
    if (!View() || process != View()->Process())
        return;
    FNote.clear();
    ClearSelection();
}

void TLySongMatchResultList::ClearSelection() {
    FTmrSelection->Stop();
    if (FSelection->Count() == 0)
        return;
    TVxUpdateGuard update(*FSelection);
    FSelection->Clear();
    FSelection->Changed();
}

void TLySongMatchResultList::RebuildSelection() {
    FTmrSelection->Stop();
    if (!FNote.isEmpty()) {
        FNote.clear();
        ShowStatus();
    }
    TVxUpdateGuard update(*FSelection);
    FSelection->Clear();
    // Reported also when nothing is selected any more.
    FSelection->Changed();
    for (TLySong* song : FrmSongList()->SelectedSongs())
        FSelection->Add(song);
}

void TLySongMatchResultList::FlushSelection() {
    if (FTmrSelection->Active())
        RebuildSelection();
}

void TLySongMatchResultList::SelectionChanged(TLySongSelection* selection) {
    if (!selection)
        return;
    const bool any = selection->Count() > 0;
    for (int part = 0; part < kLySongPartCount; ++part) {
        const QString caption = QString::fromLatin1(kPartCaptions[part]);
        FActUseOne[part]->setText(any ? UseCaption(selection->OriginalOne(), tLySongPart(part))
                                      : caption);
        FActUseTwo[part]->setText(any ? UseCaption(selection->OriginalTwo(), tLySongPart(part))
                                      : caption);
    }
    const bool both = selection->OriginalOne().Exists() && selection->OriginalTwo().Exists();
    FPage->MnuUseOne()->setEnabled(both);
    FPage->MnuUseTwo()->setEnabled(both);
}

// --- enabled rules ----------------------------------------------------------------------------

bool TLySongMatchResultList::CanChangeSongs() const {
    return CanChange() && !View()->MatchResult()->Changing() &&
           (!Project() || Project()->CanChangeSongs());
}

TLySong* TLySongMatchResultList::ChosenBestMatch() const {
    if (!FFrmBestMatches || FFrmBestMatches->SelectedCount() != 1)
        return nullptr;
    return FFrmBestMatches->FirstSelectedSong();
}

void TLySongMatchResultList::UpdateActions() {
    const TLySongListView* list = FrmSongList();
    const bool can = CanChangeSongs();
    const int selected = can ? list->SelectedCount() : 0;
    const bool anyOne = can && list->AnySelectedHasSide(0);
    const bool anyTwo = can && list->AnySelectedHasSide(1);
    for (int part = 0; part < kLySongPartCount; ++part) {
        FActUseOne[part]->setEnabled(anyOne);
        FActUseTwo[part]->setEnabled(anyTwo);
    }
    bool combine = false;
    if (selected == 1)
        combine = ChosenBestMatch() != nullptr;
    else if (selected == 2) {
        const QList<TLySong*> songs = list->SelectedSongs();
        const auto lacks = [](const TLySong* song, int side) {
            return !(side == 0 ? song->OriginalOne() : song->OriginalTwo()).Exists();
        };
        combine = (lacks(songs.at(0), 0) && lacks(songs.at(1), 1)) ||
                  (lacks(songs.at(0), 1) && lacks(songs.at(1), 0));
    }
    FActCombineSelected->setEnabled(combine);
    const bool both = can && list->AnySelectedHasBothSides();
    FActSplitSelected->setEnabled(both);
    FActSynchronizeSelected->setEnabled(both);
    const bool anySongs = can && View()->Songs().Count() > 0;
    FActSynchronizeAll->setEnabled(anySongs);
    FActRevertSelected->setEnabled(can && list->AnySelectedModified());
    FActRevertAll->setEnabled(anySongs);
    const bool own = can && Project() && View()->MatchResult() == Project()->MatchResult();
    FActMatchSelected->setEnabled(own && list->SelectedLackBothSides());
    FActMatchAll->setEnabled(own && anySongs && list->AllLackBothSides());
}

// --- song operations --------------------------------------------------------------------------

void TLySongMatchResultList::UseFrom(int side, tLySongPart part) {
    if (!(side == 0 ? FActUseOne : FActUseTwo)[part]->isEnabled())
        return;
    FrmSongList()->ExecuteForSelected([side, part](TLySong* song) {
        const TLySongProperties& from = side == 0 ? song->OriginalOne() : song->OriginalTwo();
        if (from.Exists())
            song->SetPartFrom(from, part);
    });
}

void TLySongMatchResultList::Edit(tLySongPart part) {
    FlushSelection();
    if (!Project() || FSelection->Count() == 0)
        return;
    TLySongPropertyForm form(this);
    form.SetOptions(Project()->Options());
    form.SetSelection(FSelection.get(), part);
    if (TLyDialogs::Exec(&form) != QDialog::Accepted)
        return;
    FSelection->SetValue(part, form.Value());
    Project()->RefreshViews();
}

void TLySongMatchResultList::CombineSelected() {
    UpdateActions();
    if (!FActCombineSelected->isEnabled())
        return;
    const QList<TLySong*> songs = FrmSongList()->SelectedSongs();
    TLySong* partner = songs.size() == 2 ? songs.at(1) : ChosenBestMatch();
    View()->MatchResult()->MatchSongs(songs.at(0), partner);
}

void TLySongMatchResultList::SplitSelected() {
    TLyMatchResult* result = View()->MatchResult();
    const QList<TLySong*> songs = FrmSongList()->SelectedSongs();
    TVxUpdateGuard update(*result);
    for (TLySong* song : songs)
        if (song->IsMatched())
            result->Unmatch(song);
}

bool TLySongMatchResultList::AskTransferOptions() {
    TLyTransferOptionsForm form(this);
    form.SetOptions(Project()->Options());
    return TLyDialogs::Exec(&form) == QDialog::Accepted;
}

void TLySongMatchResultList::SynchronizeSelected() {
    if (!Project() || !AskTransferOptions())
        return;
    TLyMatchResult* result = View()->MatchResult();
    FrmSongList()->ExecuteForSelected([result](TLySong* song) { result->SynchronizeStep(song); });
}

void TLySongMatchResultList::SynchronizeAll() {
    if (!Project() || !AskTransferOptions())
        return;
    View()->SynchronizeAll();
}

void TLySongMatchResultList::RevertSelected() {
    Revert(false);
}

void TLySongMatchResultList::RevertAll() {
    Revert(true);
}

void TLySongMatchResultList::Revert(bool all) {
    const QList<TLySong*> songs = all ? View()->Songs().AsList() : FrmSongList()->SelectedSongs();
    const auto modified = std::count_if(songs.begin(), songs.end(),
                                        [](const TLySong* song) { return song->IsModifiedAny(); });
    if (modified == 0) {
        // A window cannot flash its caption while it is active on every desktop.
        QApplication::beep();
        FNote = QStringLiteral("Nothing to revert");
        ShowStatus();
        return;
    }
    if (!TLyDialogs::Confirm(
            this,
            QStringLiteral("Reverting will affect %1 songs. Are you sure you want to continue?")
                .arg(modified)))
        return;
    if (all) {
        View()->RevertAll();
        return;
    }
    TLyMatchResult* result = View()->MatchResult();
    FrmSongList()->ExecuteForSelected([result](TLySong* song) { result->RevertStep(song); });
}

void TLySongMatchResultList::MatchSelected() {
    QList<TLySong*> songs = FrmSongList()->SelectedSongs();
    songs.removeIf([](const TLySong* song) { return song->IsMatched(); });
    Match(songs);
}

void TLySongMatchResultList::MatchAll() {
    QList<TLySong*> songs = View()->Songs().AsList();
    songs.removeIf([](const TLySong* song) { return song->IsMatched(); });
    Match(songs);
}

void TLySongMatchResultList::Match(const QList<TLySong*>& songs) {
    Q_EMIT MatchRequested(songs);
}

void TLySongMatchResultList::SetAsDefaultView() {
    if (!TLyDialogs::Confirm(this, QStringLiteral("Are you sure you want to apply the column "
                                                  "settings from this view to all others?")))
        return;
    TLyViewOptions* mine = View() ? View()->Options() : nullptr;
    if (!mine)
        return;
    StoreViewOptions();
    View()->MatchResult()->ViewOptions()->Iterate([mine](const QString&, QObject* object) {
        auto* options = qobject_cast<TLyViewOptions*>(object);
        if (options && options != mine)
            options->AssignLayout(*mine);
        return true;
    });
    View()->MatchResult()->RefreshViews();
    Q_EMIT DefaultsSet();
}
