#include "LyProgressWindow.h"

#include "LyDialogParts.h"
#include "LyGuard.h"
#include "LyGuardedListener.h"
#include "LyProcess.h"
#include "LyTimers.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kMinimumWidth = 400;

QLabel* CaptionLabel(QWidget* parent, const QString& name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    // A long caption (a file path) must not widen the window beyond the screen.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

QProgressBar* Bar(QWidget* parent, const QString& name) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(name);
    bar->setRange(0, 1);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

// A bar of `stepCount` steps at its start. A task of no steps gets one, so that it shows empty
// and then full rather than Qt's busy bar.
void StartBar(QProgressBar* bar, int stepCount) {
    bar->setRange(0, std::max(stepCount, 1));
    bar->setValue(0);
}

// Qt ignores a value outside the range: a position beyond the step count shows a full bar.
void MoveBar(QProgressBar* bar, int position) {
    bar->setValue(std::clamp(position, 0, bar->maximum()));
}

} // namespace

TLyProgressForm::TLyProgressForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , FListener(std::make_unique<TLyGuardedListener<TLyProgressForm>>(this))
    , FShowDelay(TLyTimer::Create(this, kShowDelayMs, true)) {
    setObjectName(QStringLiteral("TLyProgressForm"));
    // The main window shows a busy cursor during a run; this window keeps the normal one so
    // that Cancel looks clickable.
    setCursor(Qt::ArrowCursor);

    FLblTask = CaptionLabel(this, QStringLiteral("LblTask"));
    FBarTask = Bar(this, QStringLiteral("BarTask"));
    FLblSubTask = CaptionLabel(this, QStringLiteral("LblSubTask"));
    FBarSubTask = Bar(this, QStringLiteral("BarSubTask"));
    auto* buttons = new QDialogButtonBox(this);
    FBtnCancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    FBtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    FBtnCancel->setEnabled(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FLblTask);
    layout->addWidget(FBarTask);
    layout->addWidget(FLblSubTask);
    layout->addWidget(FBarSubTask);
    layout->addStretch(1);
    layout->addWidget(buttons);
    LyMinimumWidth(layout, kMinimumWidth);

    connect(FShowDelay, &TLyTimer::Fired, this, [this] {
        // Over a modal window (the match window) only a modal window takes input: Cancel must
        // stay usable there.
        setWindowModality(QApplication::activeModalWidget() ? Qt::ApplicationModal : Qt::NonModal);
        show();
    });
}

TLyProgressForm::~TLyProgressForm() {
    SetProject(nullptr);
}

void TLyProgressForm::SetProject(TLyProcessOwner* project) {
    if (project == FProject)
        return;
    if (FProject)
        FProject->Listeners()->RemoveListener(FListener.get());
    FProject = project;
    if (FProject)
        FProject->Listeners()->AddListener(FListener.get());
    UpdateCancel();
}

void TLyProgressForm::TaskStarted(ILyProcessTask* task) {
    if (task->IsMainTask()) {
        setWindowTitle(task->Caption());
        FLblTask->setText(task->Caption());
        FLblSubTask->clear();
        StartBar(FBarTask, task->StepCount());
        StartBar(FBarSubTask, 0);
        FShowDelay->Start();
    } else {
        FLblSubTask->setText(task->Caption());
        StartBar(FBarSubTask, task->StepCount());
    }
    UpdateCancel();
}

void TLyProgressForm::TaskProgressed(ILyProcessTask* task) {
    if (task->IsMainTask()) {
        setWindowTitle(task->Caption());
        FLblTask->setText(task->Caption());
        MoveBar(FBarTask, task->Position());
    } else {
        FLblSubTask->setText(task->Caption());
        MoveBar(FBarSubTask, task->Position());
    }
}

void TLyProgressForm::TaskFinished(ILyProcessTask* task) {
    QProgressBar* bar = task->IsMainTask() ? FBarTask : FBarSubTask;
    if (!task->Cancelled() && !task->Failed())
        bar->setValue(bar->maximum());
    // Only the main task's end ends the wait: a quick first sub task of a long run must not
    // keep the window from showing.
    if (task->IsMainTask()) {
        FShowDelay->Stop();
        hide();
    }
    UpdateCancel();
}

void TLyProgressForm::OwnerDestroying(TLyProcess*) {
    FShowDelay->Stop();
    hide();
    SetProject(nullptr);
}

void TLyProgressForm::Cancel() {
    if (FProject)
        FProject->Process()->CancelIfRunning();
    UpdateCancel();
}

void TLyProgressForm::UpdateCancel() {
    // Once asked, the run is on its way out: a second request would do nothing.
    FBtnCancel->setEnabled(FProject && FProject->Process()->Running() &&
                           !FProject->Process()->CancelRequested());
}

void TLyProgressForm::reject() {
    LyGuarded(this, [this] { Cancel(); });
}
