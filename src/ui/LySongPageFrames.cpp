#include "LySongPageFrames.h"

#include "LyDialogs.h"
#include "LyGuard.h"
#include "LyMatchResult.h"
#include "LyProject.h"
#include "LySongListFrame.h"
#include "LyView.h"

#include <QAction>
#include <QMenu>
#include <QSplitter>
#include <QTabWidget>

namespace {

constexpr tLySongPart kParts[] = {sdName,      sdArtist,     sdAlbum, sdGenre,
                                  sdPlayCount, sdLastPlayed, sdRating};

// "All", the four group entries, then one entry per part: `single` with that part.
QList<TLyFilterEntry> PartEntries(tLySongFilterOptionSet base, const QStringList& groups,
                                  const QList<tLySongFilterOption>& groupOptions,
                                  tLySongFilterOption single, const QString& partFormat) {
    QList<TLyFilterEntry> entries{{QStringLiteral("All"), base, {}}};
    for (int i = 0; i < groups.size(); ++i)
        entries.append({groups.at(i), base + groupOptions.at(i), {}});
    for (tLySongPart part : kParts)
        entries.append({partFormat.arg(SongPartName(part)), base + single, part});
    return entries;
}

QAction* NewAction(const QString& name, const QString& caption, QObject* parent) {
    auto* action = new QAction(caption, parent);
    action->setObjectName(name);
    return action;
}

} // namespace

// --- all songs --------------------------------------------------------------------------------

TLyAllSongs::TLyAllSongs(QWidget* parent)
    : TLySongPage({piRevertAll, piRevertSelected, piLoadLibraries},
                  {piToggleSelected, piSeparator, piUseOne, piUseTwo, piEdit, piCombine, piSplit,
                   piSeparator, piSynchronizeSelected, piSynchronizeAll, piRevertSelected,
                   piRevertAll, piMatchSelected, piMatchAll, piSeparator, piClearFilter,
                   piToggleSongInfo, piSetAsDefaultView},
                  flNone, parent)
    , FActLoadLibraries(
          NewAction(QStringLiteral("ActLoadLibraries"), QStringLiteral("&Load Libraries"), this)) {
    SetOwnAction(piLoadLibraries, FActLoadLibraries);
    connect(FActLoadLibraries, &QAction::triggered, this,
            [this] { LyGuarded(this, [this] { LoadLibraries(); }); });
    ApplyViewOptions();
}

void TLyAllSongs::UpdateActions() {
    TLySongPage::UpdateActions();
    FActLoadLibraries->setEnabled(ViewOfOwnResult() &&
                                  (FCanLoad ? FCanLoad() : Project()->CanLoad()));
}

void TLyAllSongs::LoadLibraries() {
    UpdateActions();
    if (!FActLoadLibraries->isEnabled())
        return;
    TLyProject* project = Project();
    if (project->IsLoaded() &&
        !TLyDialogs::Confirm(
            this,
            QStringLiteral("Reloading discards all changes. Are you sure you want to continue?")))
        return;
    project->LoadLibraries();
}

// --- one library's songs ----------------------------------------------------------------------

TLyLibrarySongs::TLyLibrarySongs(QWidget* parent)
    : TLySongPage({piExportToITunes, piExportToFile},
                  {piToggleSelected, piSeparator, piUseOne, piUseTwo, piEdit, piCombine, piSplit,
                   piSeparator, piSynchronizeSelected, piSynchronizeAll, piRevertSelected,
                   piRevertAll, piSeparator, piClearFilter, piToggleSongInfo, piSetAsDefaultView},
                  flAfterBox, parent)
    , FActExportToITunes(NewAction(QStringLiteral("ActExportToITunes"),
                                   QStringLiteral("Export to &ITunes..."), this))
    , FActExportToFile(NewAction(QStringLiteral("ActExportToFile"),
                                 QStringLiteral("&Export to File..."), this)) {
    SetOwnAction(piExportToITunes, FActExportToITunes);
    SetOwnAction(piExportToFile, FActExportToFile);
    AddShowAction(QStringLiteral("ActShowAll"), QStringLiteral("Show &All"),
                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    connect(FActExportToITunes, &QAction::triggered, this, [this] {
        UpdateActions();
        if (FActExportToITunes->isEnabled())
            Q_EMIT ExportToITunesRequested(FSide);
    });
    connect(FActExportToFile, &QAction::triggered, this, [this] {
        UpdateActions();
        if (FActExportToFile->isEnabled())
            Q_EMIT ExportToFileRequested(FSide);
    });
    SetSide(0);
}

void TLyLibrarySongs::SetSide(int side) {
    FSide = side;
    FrmSongList()->SetSide(side, true);
    ApplyViewOptions();
}

QList<TLyFilterEntry> TLyLibrarySongs::MakeFilterEntries() const {
    return PartEntries({FSide == 0 ? sfgOne : sfgTwo},
                       {QStringLiteral("Not Modified"), QStringLiteral("Modified"),
                        QStringLiteral("Song Data Modified"), QStringLiteral("User Data Modified")},
                       {sfgNotModified, sfgModifiedAll, sfgModifiedSongData, sfgModifiedUserData},
                       sfgModifiedSingle, QStringLiteral("%1 Modified"));
}

void TLyLibrarySongs::UpdateActions() {
    TLySongPage::UpdateActions();
    const bool canExport =
        ViewOfOwnResult() && Project()->IsLoaded() && !Project()->Process()->Running();
    FActExportToITunes->setEnabled(canExport);
    FActExportToFile->setEnabled(canExport);
}

// --- matched songs ----------------------------------------------------------------------------

TLyMatchedSongs::TLyMatchedSongs(QWidget* parent)
    : TLySongPage({piSynchronizeSelected, piSynchronizeAll, piRevertSelected},
                  {piToggleSelected, piSeparator, piUseOne, piUseTwo, piEdit, piSplit, piSeparator,
                   piSynchronizeSelected, piSynchronizeAll, piRevertSelected, piRevertAll,
                   piSeparator, piClearFilter, piToggleSongInfo, piSetAsDefaultView},
                  flBeforeBox, parent) {
    AddShowAction(QStringLiteral("ActShowAll"), QStringLiteral("Show &All"),
                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    ApplyViewOptions();
}

QList<TLyFilterEntry> TLyMatchedSongs::MakeFilterEntries() const {
    return PartEntries(
        {sfgMatched},
        {QStringLiteral("Not Different"), QStringLiteral("Different"),
         QStringLiteral("Song Data Differs"), QStringLiteral("User Data Differs")},
        {sfgNotDifferent, sfgDifferentAll, sfgDifferentSongData, sfgDifferentUserData},
        sfgDifferentSingle, QStringLiteral("%1 Differs"));
}

// --- unmatched songs --------------------------------------------------------------------------

TLyUnmatchedSongs::TLyUnmatchedSongs(QWidget* parent)
    : TLySongPage({piMatchSelected, piMatchAll},
                  {piToggleSelected, piSeparator, piSplit, piCombine, piSeparator, piMatchSelected,
                   piMatchAll, piSeparator, piClearFilter, piToggleSongInfo, piSetAsDefaultView},
                  flAfterBox, parent)
    , FFrmBestMatches(new TLySongListView)
    , FMnuBestMatches(new QMenu(this)) {
    FFrmBestMatches->setObjectName(QStringLiteral("FrmBestMatches"));
    PageTools()->addTab(FFrmBestMatches, QStringLiteral("&Best Matches"));
    PageTools()->show();
    FFrmBestMatches->SetPopupMenu(FMnuBestMatches);
    AddShowAction(QStringLiteral("ActShowAll"), QStringLiteral("Show &All"),
                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    AddShowAction(QStringLiteral("ActShowOneOnly"), QStringLiteral("Show One Only"),
                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_1));
    AddShowAction(QStringLiteral("ActShowTwoOnly"), QStringLiteral("Show Two Only"),
                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_2));
    ApplyViewOptions();
}

QList<TLyFilterEntry> TLyUnmatchedSongs::MakeFilterEntries() const {
    const QString only = QStringLiteral("%1 Only");
    return {{QStringLiteral("All"), {sfgUnmatched}, {}},
            {only.arg(LibraryName(0)), {sfgUnmatched, sfgOne}, {}},
            {only.arg(LibraryName(1)), {sfgUnmatched, sfgTwo}, {}}};
}

void TLyUnmatchedSongs::ViewChanged() {
    TLyMatchResult* result = View() ? View()->MatchResult() : nullptr;
    FFrmBestMatches->SetView(result ? result->View(QStringLiteral("Best Matches")) : nullptr);
    TLySongPage::ViewChanged();
}

void TLyUnmatchedSongs::SelectionChanged(TLySongSelection* selection) {
    if (!selection || selection->Count() != 1)
        return;
    if (auto* best = dynamic_cast<TLyBestMatchesView*>(FFrmBestMatches->View()))
        best->SetSong(selection->Items(0));
}

void TLyUnmatchedSongs::StoreViewOptions() {
    TLySongPage::StoreViewOptions();
    FFrmBestMatches->StoreViewOptions();
}

void TLyUnmatchedSongs::RebuildMenus() {
    TLySongPage::RebuildMenus();
    FMnuBestMatches->clear();
    FMnuBestMatches->addActions(ItemActions(piCombine));
}
