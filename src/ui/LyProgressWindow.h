// The window that follows the running process of one project: the main task's caption and
// progress, the progress of the task below it, and a Cancel button. It shows only when the main
// task has run for half a second, so short runs never flash it.
#pragma once

#include <QDialog>

#include <memory>

template <class T>
class TLyGuardedListener;
class ILyProcessTask;
class QLabel;
class QProgressBar;
class QPushButton;
class TLyProcess;
class TLyProcessOwner;
class TLyTimer;

class TLyProgressForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kShowDelayMs = 500;

    explicit TLyProgressForm(QWidget* parent = nullptr);
    ~TLyProgressForm() override;

    TLyProcessOwner* Project() const { return FProject; }
    // Moves the listener from the previous project's process to `project`'s (not owned).
    void SetProject(TLyProcessOwner* project);

    QProgressBar* BarTask() const { return FBarTask; }
    QProgressBar* BarSubTask() const { return FBarSubTask; }
    QLabel* LblTask() const { return FLblTask; }
    QLabel* LblSubTask() const { return FLblSubTask; }
    QPushButton* BtnCancel() const { return FBtnCancel; }

    // Cancel, Escape and closing the window (which Qt turns into a reject) ask the process to
    // cancel; the window stays until the run has ended.
    void reject() override;

private:
    friend class TLyGuardedListener<TLyProgressForm>;

    void TaskStarted(ILyProcessTask* task);
    void TaskProgressed(ILyProcessTask* task);
    void TaskFinished(ILyProcessTask* task);
    void OwnerDestroying(TLyProcess* process);
    void Cancel();
    void UpdateCancel();

    std::unique_ptr<TLyGuardedListener<TLyProgressForm>> FListener;
    TLyProcessOwner* FProject = nullptr;
    QLabel* FLblTask;
    QProgressBar* FBarTask;
    QLabel* FLblSubTask;
    QProgressBar* FBarSubTask;
    QPushButton* FBtnCancel;
    TLyTimer* FShowDelay;
};
