#include "LySongMatchResultFrame.h"

#include "LyMatchResult.h"
#include "LyOptions.h"
#include "LySongListFrame.h"
#include "LySongMatchResultListFrame.h"
#include "LySongPageFrames.h"
#include "LyView.h"

#include <QTabWidget>
#include <QVBoxLayout>

TLySongMatchResult::TLySongMatchResult(QWidget* parent)
    : TLyBase(parent)
    , FPageSongs(new QTabWidget(this)) {
    FPageSongs->setObjectName(QStringLiteral("PageSongs"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FPageSongs);
    const char* names[kPageCount] = {"TabAllSongs", "TabOneSongs", "TabTwoSongs", "TabMatchedSongs",
                                     "TabUnmatchedSongs"};
    for (int i = 0; i < kPageCount; ++i) {
        TLySongPage* page = nullptr;
        switch (TPage(i)) {
        case pgAll:
            page = new TLyAllSongs;
            break;
        case pgOne:
        case pgTwo:
            page = new TLyLibrarySongs;
            break;
        case pgMatched:
            page = new TLyMatchedSongs;
            break;
        default:
            page = new TLyUnmatchedSongs;
            break;
        }
        FLists[i] = new TLySongMatchResultList(page);
        FLists[i]->setObjectName(QString::fromLatin1(names[i]));
        FPageSongs->addTab(FLists[i], QStringLiteral("---"));
        FLists[i]->SetTabSheet(FPageSongs);
        connect(FLists[i], &TLySongMatchResultList::DefaultsSet, this, [this] { ApplyAll(); });
        connect(FLists[i], &TLySongMatchResultList::MatchRequested, this,
                &TLySongMatchResult::MatchRequested);
    }
    FrmTwoSongs()->SetSide(1);
}

TLySongMatchResult::~TLySongMatchResult() {
    EnsureFinalised();
    for (TLySongMatchResultList* list : FLists)
        list->SetView(nullptr);
}

void TLySongMatchResult::Finalise() {
    for (TLySongMatchResultList* list : FLists)
        list->SetView(nullptr);
    FMatchResult = nullptr;
}

QString TLySongMatchResult::ViewName(TPage page) {
    static const char* const names[kPageCount] = {"All", "One", "Two", "Matches", "Unmatched"};
    return QString::fromLatin1(names[page]);
}

TLyAllSongs* TLySongMatchResult::FrmAllSongs() const {
    return static_cast<TLyAllSongs*>(FLists[pgAll]->Page());
}
TLyLibrarySongs* TLySongMatchResult::FrmOneSongs() const {
    return static_cast<TLyLibrarySongs*>(FLists[pgOne]->Page());
}
TLyLibrarySongs* TLySongMatchResult::FrmTwoSongs() const {
    return static_cast<TLyLibrarySongs*>(FLists[pgTwo]->Page());
}
TLyMatchedSongs* TLySongMatchResult::FrmMatchedSongs() const {
    return static_cast<TLyMatchedSongs*>(FLists[pgMatched]->Page());
}
TLyUnmatchedSongs* TLySongMatchResult::FrmUnmatchedSongs() const {
    return static_cast<TLyUnmatchedSongs*>(FLists[pgUnmatched]->Page());
}

TLySongMatchResultList* TLySongMatchResult::CurrentList() const {
    return static_cast<TLySongMatchResultList*>(FPageSongs->currentWidget());
}

TLyView* TLySongMatchResult::CurrentView() const {
    return CurrentList()->View();
}

void TLySongMatchResult::SetCurrentPage(TPage page) {
    FPageSongs->setCurrentIndex(page);
}

void TLySongMatchResult::SetMatchResult(TLyMatchResult* matchResult) {
    if (matchResult == FMatchResult)
        return;
    FMatchResult = matchResult;
    RefreshPages();
}

void TLySongMatchResult::RefreshPages() {
    for (int i = 0; i < kPageCount; ++i) {
        TLyView* view = FMatchResult ? FMatchResult->View(ViewName(TPage(i))) : nullptr;
        FLists[i]->SetTabSheet(FPageSongs);
        FLists[i]->SetView(view);
        if (view && view->Options() && view->Options()->Active())
            FPageSongs->setCurrentIndex(i);
    }
    FrmOneSongs()->SetSide(0);
    FrmTwoSongs()->SetSide(1);
}

void TLySongMatchResult::StoreViewOptions() {
    for (TLySongMatchResultList* list : FLists)
        list->StoreViewOptions();
}

void TLySongMatchResult::SetLibraryFiltersActive(bool active) {
    FrmOneSongs()->SetFilterListActive(active);
    FrmTwoSongs()->SetFilterListActive(active);
}

void TLySongMatchResult::ApplyAll() {
    for (TLySongMatchResultList* list : FLists) {
        list->FrmSongList()->ApplyViewOptions();
        list->ApplyViewOptions();
    }
}
