// The main window: the menus, the application object, the project and the progress window it
// owns, the caption and the recent projects.
#pragma once
#include "LyProjectWindow.h"

#include "LySystem.h"

#include <QString>

class QMenu;
class TLyProgressForm;
class TLyUserNotices;

class TLyProjectMainForm : public TLyProjectForm, private ILySystemListener {
    Q_OBJECT
public:
    // Loads the preferences and opens `projectFile`, else the most recent project, else the
    // default one.
    explicit TLyProjectMainForm(const QString& projectFile = {}, QWidget* parent = nullptr);
    // Saves what ShutDown has not saved yet; failures are logged.
    ~TLyProjectMainForm() override;

    TLyProgressForm* ProgressForm() const { return FProgressForm; }
    QMenu* MnuFile() const { return FMnuFile; }
    QMenu* MnuRecentProjects() const { return FMnuRecentProjects; }
    QMenu* MnuVisibleColumns() const { return FMnuVisibleColumns; }
    QMenu* MnuSortBy() const { return FMnuSortBy; }
    // The status bar's notice of the warnings logged for the user.
    TLyUserNotices* UserNotices() const { return FUserNotices; }

    // The product name, the version (" Beta" after it for a pre-release) and the project file.
    static QString Caption(const QString& product, const QString& version, bool prerelease,
                           const QString& fileName);

    // Stores the views, the project, the geometry and the preferences, showing what fails.
    // Runs once, when the window closes.
    void ShutDown();

    void UpdateActions() override;

    QAction* ActClearFilter;
    QAction* ActToggleSongInfo;
    QAction* ActSetAsDefaultView;
    QAction* ActResetViews;

protected:
    void ProjectChanged() override;
    void TakeProject(std::unique_ptr<TLyProject> project) override;
    void ShowTaskResult(ILyProcessTask* task) override;
    void CurrentViewChanged(TLyView* view) override;
    void UpdateCaption() override;
    virtual void UpdateRecentProjects();
    // Asks before unexported changes are lost and before a running export is cancelled.
    void closeEvent(QCloseEvent* event) override;

private:
    void SystemChanged(TLySystem* system) override;
    void BuildMenus();
    void ResetViews();
    // Runs `store`, showing a failure to the user (or logging it while nothing can show).
    void Store(const std::function<void()>& store, bool show);

    TLyProgressForm* FProgressForm;
    std::unique_ptr<TLySystem> FOwnSystem;
    std::unique_ptr<TLyProject> FOwnProject;
    QMenu* FMnuFile = nullptr;
    QMenu* FMnuRecentProjects = nullptr;
    QMenu* FMnuVisibleColumns = nullptr;
    QMenu* FMnuSortBy = nullptr;
    TLyUserNotices* FUserNotices;
    bool FShutDown = false;
};
