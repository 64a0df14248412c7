// A top-level window that shows a project, follows the project's process and keeps its own
// geometry in window options.
#pragma once
#include <QMainWindow>
#include <memory>

template <class T>
class TLyGuardedListener;
class ILyProcessTask;
class TLyProcess;
class TLyProject;
class TLyWindowOptions;

class TLyBaseProjectForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TLyBaseProjectForm(QWidget* parent = nullptr);
    ~TLyBaseProjectForm() override;

    TLyProject* Project() const { return FProject; }
    // Moves the listener from the old project's process to the new one's, then ProjectChanged.
    // Not owned.
    void SetProject(TLyProject* project);
    TLyWindowOptions* WindowOptions() const { return FWindowOptions; }
    // Not owned; a different object is applied to the window at once.
    void SetWindowOptions(TLyWindowOptions* options);

    virtual void RefreshDisplay() {}
    // A failed main task's message, shown once the notification has returned.
    virtual void ShowTaskResult(ILyProcessTask* task);
    // Places the window as the options say, fitted into the screen that shows most of it (the
    // nearest one when the saved place is outside every screen).
    virtual void LoadWindowOptions();
    // The normal geometry, also while maximised; the place only where the platform lets
    // windows place themselves, so a position it ignored is not stored over the user's.
    virtual void SaveWindowOptions();

protected:
    virtual void ProjectChanged() {}
    // The project's process (notifications of any other process go elsewhere or nowhere).
    virtual void OwnerChanged(TLyProcess* process);
    virtual void OwnerChanging(TLyProcess*) {}
    virtual void OwnerDestroying(TLyProcess* process);
    virtual void TaskStarted(ILyProcessTask* task);
    virtual void TaskProgressed(ILyProcessTask*) {}
    virtual void TaskFailed(ILyProcessTask* task);
    virtual void TaskCancelled(ILyProcessTask*) {}
    virtual void TaskFinished(ILyProcessTask* task);
    // The main task ended: the window takes the focus back.
    virtual void MainTaskFinished();
    // Detaches from the project without reading it; descendants call it in their destructors.
    void DetachProject();

private:
    friend class TLyGuardedListener<TLyBaseProjectForm>;
    std::unique_ptr<TLyGuardedListener<TLyBaseProjectForm>> FListener;
    TLyProject* FProject = nullptr;
    TLyWindowOptions* FWindowOptions = nullptr;
};

// The platform lets a window choose its own position (not so on Wayland).
bool LyPlatformPlacesWindows();
