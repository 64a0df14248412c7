#include "LyBaseViewFrame.h"

#include "LyGuard.h"
#include "LyMatchResult.h"
#include "LyOptions.h"
#include "LyView.h"

// The frame's face towards the engine: every notification runs guarded, so no error returns
// into the engine's notification.
class TLyBaseView::TListener : public TLyProcessListener {
public:
    explicit TListener(TLyBaseView* frame)
        : FFrame(frame) {}
    void OwnerChanged(TLyProcess* p) override {
        LyGuarded(FFrame, [&] { FFrame->OwnerChanged(p); });
    }
    void OwnerChanging(TLyProcess* p) override {
        LyGuarded(FFrame, [&] { FFrame->OwnerChanging(p); });
    }
    void OwnerDestroying(TLyProcess* p) override {
        LyGuarded(FFrame, [&] { FFrame->OwnerDestroying(p); });
    }
    void TaskStarted(ILyProcessTask* t) override {
        LyGuarded(FFrame, [&] { FFrame->TaskStarted(t); });
    }
    void TaskProgressed(ILyProcessTask* t) override {
        LyGuarded(FFrame, [&] { FFrame->TaskProgressed(t); });
    }
    void TaskFailed(ILyProcessTask* t) override {
        LyGuarded(FFrame, [&] { FFrame->TaskFailed(t); });
    }
    void TaskCancelled(ILyProcessTask* t) override {
        LyGuarded(FFrame, [&] { FFrame->TaskCancelled(t); });
    }
    void TaskFinished(ILyProcessTask* t) override {
        LyGuarded(FFrame, [&] { FFrame->TaskFinished(t); });
    }

private:
    TLyBaseView* FFrame;
};

TLyBaseView::TLyBaseView(QWidget* parent)
    : TLyBase(parent)
    , FListener(std::make_unique<TListener>(this)) {}

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
