#include "LyBaseViewFrame.h"

#include "LyGuard.h"
#include "LyGuardedListener.h"
#include "LyMatchResult.h"
#include "LyOptions.h"
#include "LyView.h"

TLyBaseView::TLyBaseView(QWidget* parent)
    : TLyBase(parent)
    , FListener(std::make_unique<TLyGuardedListener<TLyBaseView>>(this)) {}

TLyBaseView::~TLyBaseView() {
    EnsureFinalised();
    if (FView)
        FView->Listeners()->RemoveListener(FListener.get());
}

void TLyBaseView::Finalise() {
    if (FView)
        FView->Listeners()->RemoveListener(FListener.get());
    FView = nullptr;
}

void TLyBaseView::SetView(TLyView* view) {
    if (view == FView)
        return;
    if (FView)
        FView->Listeners()->RemoveListener(FListener.get());
    FView = view;
    if (FView)
        FView->Listeners()->AddListener(FListener.get());
    ViewChanged();
}

TLyProject* TLyBaseView::Project() const {
    return FView && FView->MatchResult() ? FView->MatchResult()->Project() : nullptr;
}

bool TLyBaseView::CanChange() const {
    return FView && !FView->Process()->Running();
}

void TLyBaseView::SetFilterText(const QString& text) {
    if (!FView || !FView->Options() || FView->Options()->FilterText() == text)
        return;
    FView->Options()->SetFilterText(text);
    FView->RequestRefresh();
}

void TLyBaseView::OwnerChanged(TLyProcess* process) {
    if (FView && process == FView->Process())
        ViewChanged();
}

void TLyBaseView::OwnerDestroying(TLyProcess* process) {
    if (FView && process == FView->Process())
        SetView(nullptr);
}
