// A frame that shows one view of songs and listens to the view's process.
#pragma once

#include "LyBaseFrame.h"
#include "LyProcessListener.h"

#include <memory>

template <class T>
class TLyGuardedListener;
class TLyProject;
class TLyView;

class TLyBaseView : public TLyBase {
    Q_OBJECT
public:
    explicit TLyBaseView(QWidget* parent = nullptr);
    ~TLyBaseView() override;

    TLyView* View() const { return FView; }
    // Moves the listener from the old view's process to the new one's, then ViewChanged.
    void SetView(TLyView* view);
    // The project of the view's match result, or null.
    TLyProject* Project() const;
    // The view is set and its process is not running.
    bool CanChange() const;
    // Stores a changed filter text and refreshes the view.
    void SetFilterText(const QString& text);

    virtual void ApplyViewOptions() {}
    virtual void StoreViewOptions() {}

protected:
    virtual void ViewChanged() { ApplyViewOptions(); }
    // The notifications of the view's process, guarded (main thread).
    virtual void OwnerChanged(TLyProcess* process);
    virtual void OwnerChanging(TLyProcess*) {}
    virtual void OwnerDestroying(TLyProcess* process);
    virtual void TaskStarted(ILyProcessTask*) {}
    virtual void TaskProgressed(ILyProcessTask*) {}
    virtual void TaskFailed(ILyProcessTask*) {}
    virtual void TaskCancelled(ILyProcessTask*) {}
    virtual void TaskFinished(ILyProcessTask*) {}
    // Detaches from the view without reading it.
    void Finalise() override;

private:
    friend class TLyGuardedListener<TLyBaseView>;
    std::unique_ptr<TLyGuardedListener<TLyBaseView>> FListener;
    TLyView* FView = nullptr;
};
