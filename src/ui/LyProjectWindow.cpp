#include "LyProjectWindow.h"

#include "ArFormat.h"
#include "ArMessageLog.h"
#include "LyAboutWindow.h"
#include "LyDialogs.h"
#include "LyGuard.h"
#include "LyIdleUpdate.h"
#include "LyLibraryPropertiesWindow.h"
#include "LyMatchOptionsWindow.h"
#include "LyMatchWindow.h"
#include "LyProject.h"
#include "LyReplaceITunesWindow.h"
#include "LySongMatchResultFrame.h"
#include "LySongPageFrames.h"
#include "LySystem.h"
#include "LyTimers.h"
#include "LyTransferOptionsWindow.h"
#include "LyUtils.h"
#include "LyView.h"
#include "VxShell.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTabWidget>

namespace {

const QString kReloadQuestion =
    QStringLiteral("Reloading discards all changes. Are you sure you want to continue?");
const QString kDiscardQuestion =
    QStringLiteral("Changes have not been exported. Are you sure you want to continue?");

QString ProjectFilter() {
    return TLyDialogs::Filter(QStringLiteral("Lyrabridge Projects"), QStringLiteral("*.xml"));
}

QString LibraryFilter() {
    return TLyDialogs::Filter(QStringLiteral("iTunes Library Files"), QStringLiteral("*.xml"));
}

} // namespace

// Follows the process of the current view: a changed layout rebuilds the View submenus; a view
// that goes is let go.
class TLyProjectForm::TViewListener : public TLyProcessListener {
public:
    explicit TViewListener(TLyProjectForm* form)
        : FForm(form) {}
    void OwnerChanged(TLyProcess*) override {
        LyGuarded(FForm, [this] { FForm->CurrentViewChanged(FForm->FCurrentView); });
    }
    void OwnerDestroying(TLyProcess*) override {
        LyGuarded(FForm, [this] { FForm->SetCurrentView(nullptr); });
    }

private:
    TLyProjectForm* FForm;
};

TLyProjectForm::TLyProjectForm(QWidget* parent)
    : TLyBaseProjectForm(parent)
    , FFrmSongMatchResult(new TLySongMatchResult(this))
    , FViewListener(std::make_unique<TViewListener>(this))
    , FInputCheck(TLyTimer::Create(this, 1000)) {
    setAcceptDrops(true);
    FFrmSongMatchResult->setObjectName(QStringLiteral("FrmSongMatchResult"));
    setCentralWidget(FFrmSongMatchResult);
    connect(FFrmSongMatchResult, &TLySongMatchResult::MatchRequested, this,
            [this](const QList<TLySong*>& songs) { LyMatchSongs(this, Project(), songs); });

    ActNewProject = NewAction("ActNewProject", QStringLiteral("&New..."),
                              QKeySequence(Qt::CTRL | Qt::Key_N), &TLyProjectForm::NewProject);
    ActOpenProject =
        NewAction("ActOpenProject", QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O),
                  &TLyProjectForm::OpenChosenProject);
    // Run by the recent projects' menu items, each with its index as data.
    ActOpenRecent = NewAction("ActOpenRecent", QStringLiteral("&Open Recent"), {}, nullptr);
    ActSaveProject = NewAction("ActSaveProject", QStringLiteral("&Save"),
                               QKeySequence(Qt::CTRL | Qt::Key_S), &TLyProjectForm::SaveProject);
    ActSaveProjectAs = NewAction("ActSaveProjectAs", QStringLiteral("Save &As..."), {},
                                 &TLyProjectForm::SaveProjectAs);
    ActDeleteProject = NewAction("ActDeleteProject", QStringLiteral("&Delete"), {},
                                 &TLyProjectForm::DeleteProject);
    ActEditProjectProperties =
        NewAction("ActEditProjectProperties", QStringLiteral("&Properties..."), {},
                  &TLyProjectForm::EditProjectProperties);
    ActShowProjectFolder = NewAction("ActShowProjectFolder", QStringLiteral("Show &Project Folder"),
                                     {}, &TLyProjectForm::ShowProjectFolder);
    ActFileExit = NewAction("ActFileExit", QStringLiteral("E&xit"),
                            QKeySequence(Qt::CTRL | Qt::Key_Q), nullptr);
    connect(ActFileExit, &QAction::triggered, this, &QWidget::close);
    ActLoadLibraries = NewAction("ActLoadLibraries", QStringLiteral("&Load Libraries"), {},
                                 &TLyProjectForm::LoadLibraries);
    ActMatchSongs = NewAction("ActMatchSongs", QStringLiteral("&Match All..."), {},
                              &TLyProjectForm::MatchSongs);
    ActSynchronizeAll = NewAction("ActSynchronizeAll", QStringLiteral("S&ynchronize All..."), {},
                                  &TLyProjectForm::SynchronizeAll);
    ActExportToFile = NewAction("ActExportToFile", QStringLiteral("E&xport to File..."),
                                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X), nullptr);
    connect(ActExportToFile, &QAction::triggered, this,
            [this] { LyGuarded(this, [this] { ExportToFile(LibraryOnTop()); }); });
    ActExportToITunes = NewAction("ActExportToITunes", QStringLiteral("Export to &iTunes..."),
                                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I), nullptr);
    connect(ActExportToITunes, &QAction::triggered, this,
            [this] { LyGuarded(this, [this] { ExportToITunes(LibraryOnTop()); }); });
    ActHelpHelp = NewAction("ActHelpHelp", QStringLiteral("&Help"), QKeySequence(Qt::Key_F1),
                            &TLyProjectForm::ShowHelp);
    ActHelpAbout =
        NewAction("ActHelpAbout", QStringLiteral("&About"), {}, &TLyProjectForm::ShowAbout);

    // The library pages ask through their own buttons for what these actions do.
    for (int side = 0; side < 2; ++side) {
        TLyLibrarySongs* page =
            side == 0 ? FFrmSongMatchResult->FrmOneSongs() : FFrmSongMatchResult->FrmTwoSongs();
        connect(page, &TLyLibrarySongs::ExportToFileRequested, this,
                [this](int s) { LyGuarded(this, [this, s] { ExportToFile(s); }); });
        connect(page, &TLyLibrarySongs::ExportToITunesRequested, this,
                [this](int s) { LyGuarded(this, [this, s] { ExportToITunes(s); }); });
    }
    FFrmSongMatchResult->FrmAllSongs()->SetLoadRule([this] { return CanLoad(); });
    connect(FFrmSongMatchResult->PageSongs(), &QTabWidget::currentChanged, this,
            [this] { LyGuarded(this, [this] { PageChanged(); }); });

    connect(FInputCheck, &TLyTimer::Fired, this, [this] { RecheckInputs(); });
    FInputCheck->Start();
    LyUpdateWhenIdle(this, [this] { UpdateActions(); });
}

TLyProjectForm::~TLyProjectForm() {
    SetCurrentView(nullptr);
}

QAction* TLyProjectForm::NewAction(const char* name, const QString& caption,
                                   const QKeySequence& shortcut,
                                   void (TLyProjectForm::*handler)()) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] {
            LyGuarded(this, [this, handler] {
                (this->*handler)();
                RecheckInputs();
            });
        });
    return action;
}

// --- state ------------------------------------------------------------------------------------

bool TLyProjectForm::CanLoad() const {
    return Project() && !Project()->Process()->Running() && FInputsExist;
}

void TLyProjectForm::RecheckInputs() {
    FInputsExist = Project() && Project()->Options()->LibraryOne()->InputIsValid() &&
                   Project()->Options()->LibraryTwo()->InputIsValid();
}

int TLyProjectForm::LibraryOnTop() const {
    switch (FFrmSongMatchResult->PageSongs()->currentIndex()) {
    case TLySongMatchResult::pgOne:
        return 0;
    case TLySongMatchResult::pgTwo:
        return 1;
    default:
        return -1;
    }
}

void TLyProjectForm::UpdateActions() {
    TLyProject* project = Project();
    const bool idle = project && !project->Process()->Running();
    const bool loaded = idle && project->IsLoaded();
    const bool libraryOnTop = LibraryOnTop() >= 0;
    for (QAction* action :
         {ActNewProject, ActOpenProject, ActOpenRecent, ActSaveProject, ActEditProjectProperties})
        action->setEnabled(idle);
    ActDeleteProject->setEnabled(idle && FSystem && FSystem->Options()->Projects()->Count() > 0);
    ActLoadLibraries->setEnabled(CanLoad());
    ActMatchSongs->setEnabled(loaded);
    ActSynchronizeAll->setEnabled(loaded);
    ActExportToFile->setEnabled(loaded && libraryOnTop);
    ActExportToITunes->setEnabled(loaded && libraryOnTop);
}

void TLyProjectForm::changeEvent(QEvent* event) {
    TLyBaseProjectForm::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        RecheckInputs();
}

// --- project ----------------------------------------------------------------------------------

void TLyProjectForm::ShowProject(TLyProject* project, bool readFile) {
    FReadProjectFile = readFile;
    SetProject(project);
    FReadProjectFile = true;
}

void TLyProjectForm::ProjectChanged() {
    FKeepFile.clear();
    TLyProject* project = Project();
    FFrmSongMatchResult->SetMatchResult(project ? project->MatchResult() : nullptr);
    if (project) {
        if (FReadProjectFile)
            OpenProject();
        else
            ReloadProject();
    }
    PageChanged();
    RecheckInputs();
}

void TLyProjectForm::OpenProject() {
    TLyProject* project = Project();
    const QString fileName = project->Options()->GetFileName();
    try {
        project->LoadOptions();
    } catch (...) {
        // The file stays as the user has it: never written over with what could be read.
        FKeepFile = fileName;
        RefreshDisplay();
        throw;
    }
    ReloadProject();
    // The default project of a first start has no file yet: it joins the list when saved.
    if (FSystem && QFileInfo(fileName).isFile()) {
        FSystem->Options()->Projects()->Add(fileName);
        NotifySystemChanged();
    }
}

void TLyProjectForm::ReloadProject() {
    Project()->Reload();
    RefreshDisplay();
}

void TLyProjectForm::SaveProject() {
    TLyProject* project = Project();
    project->Save();
    FKeepFile.clear();
    if (FSystem) {
        FSystem->Options()->Projects()->Add(project->Options()->GetFileName());
        NotifySystemChanged();
    }
}

void TLyProjectForm::SaveProjectAtExit() {
    if (Project() && Project()->Options()->GetFileName() != FKeepFile)
        SaveProject();
}

void TLyProjectForm::NotifySystemChanged() {
    FSystem->Changed();
}

bool TLyProjectForm::ConfirmDiscard(const QString& question) {
    return !Project() || !Project()->Modified() || TLyDialogs::Confirm(this, question);
}

void TLyProjectForm::RefreshDisplay() {
    FFrmSongMatchResult->RefreshPages();
    UpdateCaption();
}

void TLyProjectForm::UpdateCaption() {
    setWindowTitle(Project() ? Project()->Options()->GetFileName() : QString());
}

void TLyProjectForm::SetCurrentView(TLyView* view) {
    if (view == FCurrentView)
        return;
    if (FCurrentView)
        FCurrentView->Listeners()->RemoveListener(FViewListener.get());
    FCurrentView = view;
    if (FCurrentView)
        FCurrentView->Listeners()->AddListener(FViewListener.get());
    CurrentViewChanged(view);
}

void TLyProjectForm::PageChanged() {
    SetCurrentView(FFrmSongMatchResult->CurrentView());
}

// --- actions ----------------------------------------------------------------------------------

void TLyProjectForm::NewProject() {
    if (!ConfirmDiscard(kDiscardQuestion))
        return;
    auto project = std::make_unique<TLyProject>(
        FSystem ? FSystem->Options() : nullptr,
        FSystem ? FSystem->Options()->ProjectWindow()->Views() : nullptr);
    TLyLibraryPropertiesForm properties(this);
    properties.SetOptions(project->Options());
    if (TLyDialogs::Exec(&properties) != QDialog::Accepted)
        return;
    // Its own file, chosen now: a new project never takes over an existing file's contents.
    const QString fileName = TLyDialogs::SaveFile(this, QStringLiteral("Save New Project As"),
                                                  TLyBaseOptions::ProjectsFolder(), ProjectFilter(),
                                                  QStringLiteral("xml"));
    if (fileName.isEmpty())
        return;
    project->Options()->SetName(fileName);
    TakeProject(std::move(project));
    SaveProject();
}

void TLyProjectForm::OpenChosenProject() {
    if (!ConfirmDiscard(kDiscardQuestion))
        return;
    const QString fileName = TLyDialogs::OpenFile(
        this, QStringLiteral("Open Project"), TLyBaseOptions::ProjectsFolder(), ProjectFilter());
    if (!fileName.isEmpty())
        OpenProjectFile(fileName, false);
}

void TLyProjectForm::OpenProjectFile(const QString& fileName, bool ask) {
    if (!Project() || Project()->Process()->Running() || (ask && !ConfirmDiscard(kDiscardQuestion)))
        return;
    Project()->Options()->SetName(fileName);
    OpenProject();
}

void TLyProjectForm::OpenRecent(int index) {
    if (!FSystem)
        return;
    TLyRecentFiles* recent = FSystem->Options()->Projects();
    if (index < 0 || index >= recent->Count())
        return;
    const QString fileName = recent->Files().at(index);
    if (!QFileInfo(fileName).isFile()) {
        recent->Remove(fileName);
        NotifySystemChanged();
        const QString message = ArFormat(
            QStringLiteral("[%s] does not exist. (entry was removed from menu)"), {fileName});
        LogMessage(message, QStringLiteral("System"), mtError);
        TLyDialogs::ShowMessage(this, message);
        return;
    }
    OpenProjectFile(fileName);
}

void TLyProjectForm::SaveProjectAs() {
    const QString fileName = TLyDialogs::SaveFile(this, QStringLiteral("Save Project As"),
                                                  Project()->Options()->GetFileName(),
                                                  ProjectFilter(), QStringLiteral("xml"));
    if (fileName.isEmpty())
        return;
    Project()->Options()->SetName(fileName);
    SaveProject();
    RefreshDisplay();
}

void TLyProjectForm::DeleteProject() {
    const QString fileName = Project()->Options()->GetFileName();
    if (!TLyDialogs::Confirm(
            this, ArFormat(QStringLiteral("Are you sure you want to delete the project file "
                                          "[%s]?"),
                           {fileName})))
        return;
    Project()->Options()->Delete();
    FSystem->Options()->Projects()->Remove(fileName);
    // Still shown, but written again only when the user saves it.
    FKeepFile = fileName;
    NotifySystemChanged();
}

void TLyProjectForm::EditProjectProperties() {
    TLyLibraryPropertiesForm properties(this);
    properties.SetOptions(Project()->Options());
    if (TLyDialogs::Exec(&properties) != QDialog::Accepted)
        return;
    if (Project()->IsLoaded() && !TLyDialogs::Confirm(this, kReloadQuestion))
        return;
    ReloadProject();
}

void TLyProjectForm::ShowProjectFolder() {
    if (FSystem)
        OpenFileInBackground(QFileInfo(FSystem->Options()->GetFileName()).absolutePath(), this);
}

void TLyProjectForm::LoadLibraries() {
    RecheckInputs();
    if (!CanLoad())
        return;
    if (Project()->IsLoaded() && !TLyDialogs::Confirm(this, kReloadQuestion))
        return;
    Project()->LoadLibraries();
}

void TLyProjectForm::MatchSongs() {
    TLyMatchOptionsForm options(this);
    options.SetOptions(Project()->Options()->CompareOptions());
    if (TLyDialogs::Exec(&options) == QDialog::Accepted)
        Project()->MatchSongs();
}

void TLyProjectForm::SynchronizeAll() {
    TLyTransferOptionsForm options(this);
    options.SetOptions(Project()->Options());
    if (TLyDialogs::Exec(&options) == QDialog::Accepted)
        Project()->MatchResult()->SynchronizeAll();
}

void TLyProjectForm::ExportToFile(int side) {
    if (side < 0 || !Project() || !Project()->IsLoaded() || Project()->Process()->Running())
        return;
    TLyLibraryOptions* library = Project()->Options()->Library(side);
    const QString proposed =
        library->OutputPath().isEmpty() ? library->InputPath() : library->OutputPath();
    const QString fileName =
        TLyDialogs::SaveFile(this, ArFormat(QStringLiteral("Save %s to..."), {library->Name()}),
                             proposed, LibraryFilter(), QStringLiteral("xml"));
    if (fileName.isEmpty())
        return;
    library->SetOutputPath(fileName);
    Project()->StoreLibrary(side);
}

void TLyProjectForm::ExportToITunes(int side) {
    if (side < 0 || !Project() || !Project()->IsLoaded() || Project()->Process()->Running())
        return;
    if (!Project()->Options()->Library(side)->FilesFound() &&
        !TLyDialogs::Confirm(this, QStringLiteral("One or more songs in this library could not be "
                                                  "found on this computer. iTunes will most "
                                                  "likely not be able to load this library. Are "
                                                  "you sure you want to continue?")))
        return;
    TLyReplaceITunesForm replace(Project()->AppOptions()->ITunes(), this);
    if (TLyDialogs::Exec(&replace) == QDialog::Accepted)
        Project()->ReplaceITunesLibrary(side);
}

void TLyProjectForm::ShowHelp() {
    for (const QString& file : FHelpFiles)
        if (QFileInfo(file).isFile()) {
            OpenFileInBackground(file, this);
            return;
        }
    TLyDialogs::ShowMessage(
        this, ArFormat(QStringLiteral("The user guide is not installed: [%s] does not exist."),
                       {FHelpFiles.value(FHelpFiles.size() - 1)}));
}

void TLyProjectForm::ShowAbout() {
    TLyAboutForm about(this);
    TLyDialogs::Exec(&about);
}

// --- dropped files ----------------------------------------------------------------------------

void TLyProjectForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TLyProjectForm::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    const QList<QUrl> urls = event->mimeData()->urls();
    // Handled after the drop returns, so that the source is not held while questions show.
    LyGuardedLater(this, [this, urls] { DropFiles(urls); });
}

void TLyProjectForm::DropFiles(const QList<QUrl>& urls) {
    if (!Project() || Project()->Process()->Running())
        return;
    QStringList libraries;
    for (const QUrl& url : urls)
        if (url.isLocalFile() && IsLibraryFile(url.toLocalFile()))
            libraries.append(url.toLocalFile());
    const int dropped = int(urls.size());
    if (libraries.isEmpty()) {
        TLyDialogs::ShowMessage(
            this, ArFormat(QStringLiteral("None of the %d files appear to be valid iTunes "
                                          "libraries."),
                           {dropped}));
        return;
    }
    if (!ConfirmDiscard(kDiscardQuestion))
        return;
    if (libraries.size() == 1) {
        const int side = LibraryOnTop() == 1 ? 1 : 0;
        TLyLibraryOptions* library = Project()->Options()->Library(side);
        if (!TLyDialogs::Confirm(
                this,
                ArFormat(QStringLiteral("Are you sure you want to change the library for "
                                        "\"%s\" to this file?\r\n\r\n  %s"),
                         {library->Name(), QDir::toNativeSeparators(libraries.first())}),
                true))
            return;
        library->SetInputPath(libraries.first());
        ReloadProject();
        RecheckInputs();
        return;
    }
    if (libraries.size() > 2)
        LogFormat(QStringLiteral("%d files were dropped, but only 2 used."), {dropped}, mtWarning,
                  QStringLiteral("System"));
    UseDroppedLibraries(libraries.at(0), libraries.at(1));
}

void TLyProjectForm::UseDroppedLibraries(const QString& one, const QString& two) {
    TLyProjectOptions* options = Project()->Options();
    const QString previousOne = options->LibraryOne()->InputPath();
    const QString previousTwo = options->LibraryTwo()->InputPath();
    options->LibraryOne()->SetInputPath(one);
    options->LibraryTwo()->SetInputPath(two);
    TLyLibraryPropertiesForm properties(this);
    properties.SetOptions(options);
    if (TLyDialogs::Exec(&properties) == QDialog::Accepted) {
        ReloadProject();
    } else {
        options->LibraryOne()->SetInputPath(previousOne);
        options->LibraryTwo()->SetInputPath(previousTwo);
    }
    RecheckInputs();
}
