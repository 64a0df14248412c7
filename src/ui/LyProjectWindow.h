// The project window: its actions and dialogs, the files dropped on it, the page on top and
// the cached answer whether both libraries' files are there to load.
#pragma once
#include "LyBaseProjectWindow.h"

#include <QStringList>
#include <memory>

class QAction;
class TLySongMatchResult;
class TLySongPage;
class TLySystem;
class TLyTimer;
class TLyView;

class TLyProjectForm : public TLyBaseProjectForm {
    Q_OBJECT
public:
    explicit TLyProjectForm(QWidget* parent = nullptr);
    ~TLyProjectForm() override;

    TLySystem* System() const { return FSystem; }
    void SetSystem(TLySystem* system) { FSystem = system; }
    TLySongMatchResult* FrmSongMatchResult() const { return FFrmSongMatchResult; }
    TLyView* CurrentView() const { return FCurrentView; }

    // Idle and both libraries' input files were there when last checked. The check runs when
    // the window gets the focus, after each action, when the project changes and once a second,
    // never on each idle turn.
    bool CanLoad() const;
    void RecheckInputs();
    // The side of the library page on top, or -1 on the other pages.
    int LibraryOnTop() const;

    // Files dropped on the window, local or not; each case of the drop answered.
    void DropFiles(const QList<QUrl>& urls);
    // Opens `fileName` as File > Open does; with `ask`, after the question about unexported
    // changes.
    void OpenProjectFile(const QString& fileName, bool ask = true);
    // Asks before changes that were not exported are thrown away; true to go on.
    bool ConfirmDiscard(const QString& question);
    // Where F1 looks: a help file beside the program first, then the guide's start page.
    void SetHelpFiles(const QStringList& files) { FHelpFiles = files; }

    void RefreshDisplay() override;
    // The enabled rules of every action; run whenever the event loop is about to wait.
    virtual void UpdateActions();

    QAction* ActNewProject;
    QAction* ActOpenProject;
    QAction* ActOpenRecent;
    QAction* ActSaveProject;
    QAction* ActSaveProjectAs;
    QAction* ActDeleteProject;
    QAction* ActEditProjectProperties;
    QAction* ActShowProjectFolder;
    QAction* ActFileExit;
    QAction* ActLoadLibraries;
    QAction* ActMatchSongs;
    QAction* ActSynchronizeAll;
    QAction* ActExportToFile;
    QAction* ActExportToITunes;
    QAction* ActHelpHelp;
    QAction* ActHelpAbout;

protected:
    void ProjectChanged() override;
    virtual void CurrentViewChanged(TLyView*) {}
    virtual void UpdateCaption();
    // Makes `project` the window's project; it is opened from its file, or with `readFile`
    // false (a new project) only reloaded.
    void ShowProject(TLyProject* project, bool readFile);
    // The window's owner takes a new project, shows it without reading a file and frees the
    // previous one.
    virtual void TakeProject(std::unique_ptr<TLyProject> project) = 0;
    // Opens, reloads or saves the shown project, keeping the recent projects in step.
    void OpenProject();
    void ReloadProject();
    void SaveProject();
    // Saves the project unless its file must stay as it is (deleted, or unreadable when opened).
    void SaveProjectAtExit();
    virtual void NewProject();
    void OpenRecent(int index);
    void SetCurrentView(TLyView* view);
    void PageChanged();
    // The recent projects changed.
    void NotifySystemChanged();

    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class TViewListener;
    QAction* NewAction(const char* name, const QString& caption, const QKeySequence& shortcut,
                       void (TLyProjectForm::*handler)());
    void EditProjectProperties();
    void DeleteProject();
    void ShowProjectFolder();
    void LoadLibraries();
    void MatchSongs();
    void SynchronizeAll();
    void ExportToFile(int side);
    void ExportToITunes(int side);
    void ShowHelp();
    void ShowAbout();
    void OpenChosenProject();
    void SaveProjectAs();
    void UseDroppedLibraries(const QString& one, const QString& two);

    TLySystem* FSystem = nullptr;
    TLySongMatchResult* FFrmSongMatchResult;
    TLyView* FCurrentView = nullptr;
    std::unique_ptr<TViewListener> FViewListener;
    TLyTimer* FInputCheck;
    bool FInputsExist = false;
    bool FReadProjectFile = true;
    // The file of the shown project must not be written at exit: the user deleted it, or it
    // could not be read and stays the user's to repair.
    QString FKeepFile;
    QStringList FHelpFiles;
};
