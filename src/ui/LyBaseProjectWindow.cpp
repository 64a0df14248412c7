#include "LyBaseProjectWindow.h"

#include "LyDialogs.h"
#include "LyGuard.h"
#include "LyGuardedListener.h"
#include "LyOptions.h"
#include "LyProject.h"

#include <QGuiApplication>
#include <QScreen>

bool LyPlatformPlacesWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

TLyBaseProjectForm::TLyBaseProjectForm(QWidget* parent)
    : QMainWindow(parent)
    , FListener(std::make_unique<TLyGuardedListener<TLyBaseProjectForm>>(this)) {}

TLyBaseProjectForm::~TLyBaseProjectForm() {
    DetachProject();
}

void TLyBaseProjectForm::DetachProject() {
    if (FProject)
        FProject->Listeners()->RemoveListener(FListener.get());
    FProject = nullptr;
}

void TLyBaseProjectForm::SetProject(TLyProject* project) {
    if (project == FProject)
        return;
    if (FProject)
        FProject->Listeners()->RemoveListener(FListener.get());
    FProject = project;
    if (FProject)
        FProject->Listeners()->AddListener(FListener.get());
    ProjectChanged();
}

void TLyBaseProjectForm::SetWindowOptions(TLyWindowOptions* options) {
    if (options == FWindowOptions)
        return;
    FWindowOptions = options;
    LoadWindowOptions();
}

void TLyBaseProjectForm::OwnerChanged(TLyProcess* process) {
    if (FProject && process == FProject->Process())
        RefreshDisplay();
}

void TLyBaseProjectForm::OwnerDestroying(TLyProcess* process) {
    if (FProject && process == FProject->Process())
        DetachProject();
}

void TLyBaseProjectForm::TaskStarted(ILyProcessTask* task) {
    // The busy cursor belongs to this window only: dialogs and the progress window's Cancel
    // keep the normal one.
    if (task->IsMainTask())
        setCursor(Qt::BusyCursor);
}

void TLyBaseProjectForm::TaskFailed(ILyProcessTask* task) {
    ShowTaskResult(task);
}

void TLyBaseProjectForm::TaskFinished(ILyProcessTask* task) {
    if (!task->IsMainTask())
        return;
    unsetCursor();
    MainTaskFinished();
}

void TLyBaseProjectForm::MainTaskFinished() {
    activateWindow();
    if (QWidget* focus = focusWidget())
        focus->setFocus(Qt::OtherFocusReason);
}

void TLyBaseProjectForm::ShowTaskResult(ILyProcessTask* task) {
    if (!task->IsMainTask())
        return;
    // Never a message box inside the engine's notification: it would run an event loop there.
    const QString message = task->Caption();
    LyGuardedLater(this, [this, message] { TLyDialogs::ShowMessage(this, message); });
}

void TLyBaseProjectForm::LoadWindowOptions() {
    if (!FWindowOptions)
        return;
    QRect frame(FWindowOptions->Left(), FWindowOptions->Top(), FWindowOptions->Width(),
                FWindowOptions->Height());
    // The screen that shows most of the saved place, else the nearest one (the saved one may
    // be gone); the window is fitted into it, so that no edge is out of reach.
    QScreen* target = nullptr;
    qint64 shown = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->availableGeometry().intersected(frame);
        if (qint64(common.width()) * common.height() > shown) {
            shown = qint64(common.width()) * common.height();
            target = screen;
        }
    }
    if (!target)
        for (QScreen* screen : QGuiApplication::screens())
            if (!target ||
                (screen->availableGeometry().center() - frame.center()).manhattanLength() <
                    (target->availableGeometry().center() - frame.center()).manhattanLength())
                target = screen;
    if (target) {
        const QRect area = target->availableGeometry();
        frame.setSize(frame.size().boundedTo(area.size()));
        frame.moveLeft(qBound(area.left(), frame.left(), area.right() - frame.width() + 1));
        frame.moveTop(qBound(area.top(), frame.top(), area.bottom() - frame.height() + 1));
    }
    if (isMaximized())
        showNormal();
    setGeometry(frame);
    if (FWindowOptions->Maximized())
        setWindowState(windowState() | Qt::WindowMaximized);
    else
        setWindowState(windowState() & ~Qt::WindowMaximized);
}

void TLyBaseProjectForm::SaveWindowOptions() {
    if (!FWindowOptions)
        return;
    const QRect frame = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
    if (frame.isValid()) {
        if (LyPlatformPlacesWindows()) {
            FWindowOptions->SetLeft(frame.left());
            FWindowOptions->SetTop(frame.top());
        }
        FWindowOptions->SetWidth(frame.width());
        FWindowOptions->SetHeight(frame.height());
    }
    FWindowOptions->SetMaximized(isMaximized());
}
