#include "LyProjectMainWindow.h"

#include "ArFormat.h"
#include "ArMessageLog.h"
#include "LyAboutWindow.h"
#include "LyDialogs.h"
#include "LyGuard.h"
#include "LyMenuAdapter.h"
#include "LyProgressWindow.h"
#include "LyProject.h"
#include "LySongMatchResultFrame.h"
#include "LySongMatchResultListFrame.h"
#include "LySongPageFrame.h"
#include "LyUserNotices.h"
#include "LyVersion.h"
#include "LyView.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>

TLyProjectMainForm::TLyProjectMainForm(const QString& projectFile, QWidget* parent)
    : TLyProjectForm(parent)
    , FProgressForm(new TLyProgressForm(this))
    , FUserNotices(new TLyUserNotices(this)) {
    setObjectName(QStringLiteral("ProjectMainForm"));
    // Before the preferences load, so that a file set aside on the way is noticed.
    statusBar()->addPermanentWidget(FUserNotices);
    FProgressForm->hide();

    auto viewAction = [this](const char* name, const QString& caption,
                             const QKeySequence& shortcut) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        addAction(action);
        return action;
    };
    ActClearFilter = viewAction("ActClearFilter", QStringLiteral("Clear &Filter"),
                                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    ActToggleSongInfo = viewAction("ActToggleSongInfo", QStringLiteral("Toggle Song &Info"), {});
    ActSetAsDefaultView = viewAction("ActSetAsDefaultView", QStringLiteral("&Set Defaults..."), {});
    ActResetViews = viewAction("ActResetViews", QStringLiteral("&Reset to Defaults..."), {});
    // Each runs the page on top's own action, which does its own guarding.
    connect(ActClearFilter, &QAction::triggered, this, [this] {
        if (TLySongMatchResultList* list = FrmSongMatchResult()->CurrentList())
            list->Page()->ActClearFilter()->trigger();
    });
    connect(ActToggleSongInfo, &QAction::triggered, this, [this] {
        if (TLySongMatchResultList* list = FrmSongMatchResult()->CurrentList())
            list->ActToggleSongInfo()->trigger();
    });
    connect(ActSetAsDefaultView, &QAction::triggered, this, [this] {
        if (TLySongMatchResultList* list = FrmSongMatchResult()->CurrentList())
            list->ActSetAsDefaultView()->trigger();
    });
    connect(ActResetViews, &QAction::triggered, this,
            [this] { LyGuarded(this, [this] { ResetViews(); }); });
    BuildMenus();

    FOwnSystem = std::make_unique<TLySystem>();
    SetSystem(FOwnSystem.get());
    FOwnSystem->AddListener(this);
    SetWindowOptions(FOwnSystem->Options()->ProjectWindow());

    FOwnProject = std::make_unique<TLyProject>(FOwnSystem->Options(),
                                               FOwnSystem->Options()->ProjectWindow()->Views());
    TLyRecentFiles* recent = FOwnSystem->Options()->Projects();
    const QString fileName = !projectFile.isEmpty() ? QFileInfo(projectFile).absoluteFilePath()
                             : recent->Count() > 0  ? recent->Files().first()
                                                    : QString();
    if (!fileName.isEmpty()) {
        if (QFileInfo(fileName).isFile()) {
            FOwnProject->Options()->SetName(fileName);
        } else {
            // As the menu does: the entry goes and the user is told, and the default project
            // opens instead of a blank one that would be written where the missing one was.
            recent->Remove(fileName);
            const QString message = ArFormat(
                QStringLiteral("[%s] does not exist. (entry was removed from menu)"), {fileName});
            LogMessage(message, QStringLiteral("System"), mtError);
            LyGuardedLater(this, [this, message] { TLyDialogs::ShowMessage(this, message); });
        }
    }
    LyGuarded(this, [this] { SetProject(FOwnProject.get()); });
}

TLyProjectMainForm::~TLyProjectMainForm() {
    ShutDown();
    delete FProgressForm;
    FProgressForm = nullptr;
    SetProject(nullptr);
    FOwnProject.reset();
    if (FOwnSystem)
        FOwnSystem->RemoveListener(this);
    SetSystem(nullptr);
    FOwnSystem.reset();
}

QString TLyProjectMainForm::Caption(const QString& product, const QString& version, bool prerelease,
                                    const QString& fileName) {
    return ArFormat(QStringLiteral("%s %s - %s"),
                    {product, LyVersionText(version, prerelease), fileName});
}

void TLyProjectMainForm::BuildMenus() {
    QMenuBar* bar = menuBar();
    FMnuFile = bar->addMenu(QStringLiteral("&File"));
    FMnuFile->setObjectName(QStringLiteral("MnuFile"));
    FMnuFile->addAction(ActNewProject);
    FMnuFile->addAction(ActOpenProject);
    FMnuRecentProjects = FMnuFile->addMenu(QStringLiteral("&Recent Projects"));
    FMnuRecentProjects->setObjectName(QStringLiteral("MnuRecentProjects"));
    FMnuFile->addAction(ActSaveProject);
    FMnuFile->addAction(ActSaveProjectAs);
    FMnuFile->addAction(ActDeleteProject);
    FMnuFile->addAction(ActEditProjectProperties);
    FMnuFile->addSeparator();
    FMnuFile->addAction(ActShowProjectFolder);
    FMnuFile->addSeparator();
    FMnuFile->addAction(ActFileExit);

    QMenu* project = bar->addMenu(QStringLiteral("&Project"));
    project->setObjectName(QStringLiteral("MnuProject"));
    project->addActions(
        {ActLoadLibraries, ActMatchSongs, ActSynchronizeAll, ActExportToFile, ActExportToITunes});

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("MnuView"));
    view->addActions({ActClearFilter, ActToggleSongInfo, ActSetAsDefaultView, ActResetViews});
    view->addSeparator();
    FMnuVisibleColumns = view->addMenu(QStringLiteral("&Visible Columns"));
    FMnuVisibleColumns->setObjectName(QStringLiteral("MnuVisibleColumns"));
    FMnuSortBy = view->addMenu(QStringLiteral("S&ort By"));
    FMnuSortBy->setObjectName(QStringLiteral("MnuSortBy"));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("MnuHelp"));
    help->addActions({ActHelpHelp, ActHelpAbout});
}

void TLyProjectMainForm::UpdateActions() {
    TLyProjectForm::UpdateActions();
    FMnuRecentProjects->menuAction()->setEnabled(ActOpenRecent->isEnabled());
    TLyView* view = CurrentView();
    ActClearFilter->setEnabled(view && view->Options() && !view->Options()->FilterText().isEmpty());
}

// --- project and system -----------------------------------------------------------------------

void TLyProjectMainForm::ProjectChanged() {
    TLyProjectForm::ProjectChanged();
    if (FProgressForm)
        FProgressForm->SetProject(Project());
}

void TLyProjectMainForm::TakeProject(std::unique_ptr<TLyProject> project) {
    ShowProject(project.get(), false);
    FOwnProject = std::move(project);
}

void TLyProjectMainForm::SystemChanged(TLySystem*) {
    UpdateRecentProjects();
}

void TLyProjectMainForm::UpdateRecentProjects() {
    FMnuRecentProjects->clear();
    if (!System())
        return;
    const QStringList files = System()->Options()->Projects()->Files();
    for (int index = 0; index < files.size(); ++index) {
        QString caption = files.at(index);
        QAction* item = FMnuRecentProjects->addAction(caption.replace(u'&', QLatin1String("&&")));
        item->setData(index);
        // Later: opening may rebuild this very menu.
        connect(item, &QAction::triggered, this, [this, index] {
            LyGuardedLater(this, [this, index] {
                if (ActOpenRecent->isEnabled())
                    OpenRecent(index);
            });
        });
    }
}

void TLyProjectMainForm::UpdateCaption() {
    const QString caption =
        Caption(QString::fromUtf8(kLyProductName), QString::fromUtf8(kLyVersion), kLyPrerelease,
                Project() ? Project()->Options()->GetFileName() : QString());
    setWindowTitle(caption);
}

void TLyProjectMainForm::CurrentViewChanged(TLyView* view) {
    FMnuVisibleColumns->clear();
    FMnuSortBy->clear();
    if (!view)
        return;
    TLyMenuAdapter columns(FMnuVisibleColumns);
    view->FillColumnMenu(&columns);
    TLyMenuAdapter sort(FMnuSortBy);
    view->FillSortMenu(&sort);
}

void TLyProjectMainForm::ResetViews() {
    if (!TLyDialogs::Confirm(
            this,
            QStringLiteral("Are you sure you want to reset all view settings to the defaults?")))
        return;
    const auto page = TLySongMatchResult::TPage(FrmSongMatchResult()->PageSongs()->currentIndex());
    Project()->ResetViews();
    RefreshDisplay();
    Project()->RefreshViews();
    FrmSongMatchResult()->SetCurrentPage(page);
}

// --- the project's process --------------------------------------------------------------------

void TLyProjectMainForm::ShowTaskResult(ILyProcessTask* task) {
    if (task->IsMainTask())
        FProgressForm->hide();
    TLyProjectForm::ShowTaskResult(task);
}

// --- closing ----------------------------------------------------------------------------------

void TLyProjectMainForm::closeEvent(QCloseEvent* event) {
    TLyProject* project = Project();
    const QString run = project ? project->Process()->RunName() : QString();
    // Loads and matches may simply stop; a half-written export must not end unnoticed.
    if (project && project->Process()->Running() &&
        (run == u"Store Libraries" || run == u"Replace iTunes Library")) {
        if (!TLyDialogs::Confirm(
                this, ArFormat(QStringLiteral("\"%s\" is running. Are you sure you want to "
                                              "cancel it and exit?"),
                               {run}))) {
            event->ignore();
            return;
        }
        project->Process()->CancelIfRunning();
        project->Process()->WaitFor();
    }
    if (project && project->Modified() &&
        !TLyDialogs::Confirm(
            this,
            QStringLiteral("Changes have not been exported. Are you sure you want to exit?"))) {
        event->ignore();
        return;
    }
    ShutDown();
    event->accept();
}

void TLyProjectMainForm::Store(const std::function<void()>& store, bool show) {
    try {
        store();
    } catch (const std::exception& error) {
        const QString message = QString::fromUtf8(error.what());
        LogMessage(message, QStringLiteral("System"), mtError);
        if (show)
            TLyDialogs::ShowMessage(this, message);
    }
}

void TLyProjectMainForm::ShutDown() {
    if (FShutDown)
        return;
    FShutDown = true;
    // While the window shows, a failure can still reach the user; from the destructor it is
    // logged.
    const bool show = isVisible() || TLyDialogs::Answering();
    FrmSongMatchResult()->StoreViewOptions();
    Store([this] { SaveProjectAtExit(); }, show);
    SaveWindowOptions();
    if (FOwnSystem)
        Store([this] { FOwnSystem->Close(); }, show);
}
