#include "LyMatchWindow.h"

#include "LyDialogParts.h"
#include "LyDialogs.h"
#include "LyMatchOptionsWindow.h"
#include "LyMatchResult.h"
#include "LyOptions.h"
#include "LyProcessListener.h"
#include "LyProject.h"
#include "LySongMatchResultFrame.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace {

QLabel* NewValueLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

TLyMatchForm::TLyMatchForm(QWidget* parent)
    : QDialog(parent)
    , FFrmSongMatchResult(new TLySongMatchResult(this))
    , FLblMatchType(NewValueLabel("LblMatchType", this))
    , FLblFields(NewValueLabel("LblFields", this))
    , FLblOptional(NewValueLabel("LblOptional", this)) {
    setWindowTitle(QStringLiteral("Match Songs"));
    setMinimumSize(720, 475);
    setSizeGripEnabled(true);
    auto* header = new QFormLayout;
    header->addRow(QStringLiteral("Match Type:"), FLblMatchType);
    header->addRow(QStringLiteral("Fields:"), FLblFields);
    header->addRow(QStringLiteral("Optional:"), FLblOptional);
    QDialogButtonBox* buttons = LyOkCancelBox(this, &FBtnOk, &FBtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addWidget(FFrmSongMatchResult, 1);
    layout->addWidget(buttons);
    FFrmSongMatchResult->SetLibraryFiltersActive(false);
}

TLyMatchForm::~TLyMatchForm() {
    // The pages leave the views before the match result that owns them may go.
    FFrmSongMatchResult->SetMatchResult(nullptr);
}

void TLyMatchForm::SetMatchResult(TLyMatchResult* result) {
    FFrmSongMatchResult->SetMatchResult(result);
    const TLyCompareOptions* options =
        result && result->Project() ? result->Project()->Options()->CompareOptions() : nullptr;
    FLblMatchType->setText(options ? TLyCompareOptions::CompareModeText(options->Mode())
                                   : QString());
    FLblFields->setText(options ? TLyCompareOptions::ComponentsText(options->Components())
                                : QString());
    FLblOptional->setText(options ? TLyCompareOptions::ComponentsText(options->CanBeEmpty())
                                  : QString());
}

void TLyMatchForm::SetGeometryOptions(TLyWindowOptions* geometry) {
    FGeometry = geometry;
    if (!FGeometry)
        return;
    QRect rect(FGeometry->Left(), FGeometry->Top(), FGeometry->Width(), FGeometry->Height());
    // A place stored on a screen that is gone is dropped: the window opens centred.
    if (QGuiApplication::screenAt(rect.center()))
        setGeometry(rect);
    else
        resize(rect.size());
    if (FGeometry->Maximized())
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TLyMatchForm::done(int result) {
    FFrmSongMatchResult->StoreViewOptions();
    if (FGeometry) {
        FGeometry->SetMaximized(isMaximized());
        if (!isMaximized()) {
            const QRect rect = geometry();
            FGeometry->SetLeft(rect.left());
            FGeometry->SetTop(rect.top());
            FGeometry->SetWidth(rect.width());
            FGeometry->SetHeight(rect.height());
        }
    }
    QDialog::done(result);
}

bool LyMatchSongs(QWidget* parent, TLyProject* project, const QList<TLySong*>& songs) {
    if (!project || songs.isEmpty())
        return false;
    TLyWindowOptions* window = project->AppOptions()->MatchWindow();
    auto result =
        std::make_unique<TLyMatchResult>(project, project->MatchResult(), window->Views());
    for (TLySong* song : songs)
        result->Sources().Add(song);
    TLyMatchOptionsForm options(parent);
    options.SetOptions(project->Options()->CompareOptions());
    if (TLyDialogs::Exec(&options) != QDialog::Accepted)
        return false;
    // In the project's process: matching tens of thousands of songs takes seconds, during
    // which the windows keep repainting and the progress window offers Cancel.
    struct TOutcome : TLyProcessListener {
        bool Ended = false;
        bool Failed = false;
        void TaskFailed(ILyProcessTask* task) override { Failed |= task->IsMainTask(); }
        void TaskCancelled(ILyProcessTask* task) override { Failed |= task->IsMainTask(); }
        void TaskFinished(ILyProcessTask* task) override { Ended |= task->IsMainTask(); }
    } outcome;
    project->Listeners()->AddListener(&outcome);
    project->MatchSelected(result.get());
    // Until the worker has ended: songs may be changed by hand only then.
    while (project->Process()->Working())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    project->Listeners()->RemoveListener(&outcome);
    if (outcome.Failed || !outcome.Ended)
        return false; // the project window reports a failure
    TLyMatchForm form(parent);
    form.SetGeometryOptions(window);
    form.SetMatchResult(result.get());
    if (TLyDialogs::Exec(&form) != QDialog::Accepted)
        return false;
    result->CommitToParent();
    return true;
}
