#include "LyLibraryPropertiesWindow.h"

#include "LyDialogParts.h"
#include "LyDialogs.h"
#include "LyOptions.h"

#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

bool IsFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

} // namespace

TLyLibraryPropertiesForm::TLyLibraryPropertiesForm(QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Project Properties"));
    auto* layout = new QVBoxLayout(this);
    LyMinimumWidth(layout, 400);
    const QString groups[2] = {QStringLiteral("Library One"), QStringLiteral("Library Two")};
    const QString browse[2] = {QStringLiteral("&Browse..."), QStringLiteral("B&rowse...")};
    const QString suffix[2] = {QStringLiteral("One"), QStringLiteral("Two")};
    for (int side = 0; side < 2; ++side) {
        auto* group = new QGroupBox(groups[side], this);
        auto* grid = new QGridLayout(group);
        FEdtName[side] = new QLineEdit(group);
        FEdtName[side]->setObjectName(QStringLiteral("EdtName") + suffix[side]);
        FEdtInput[side] = new QLineEdit(group);
        FEdtInput[side]->setObjectName(QStringLiteral("EdtInput") + suffix[side]);
        FBtnBrowse[side] = new QPushButton(browse[side], group);
        FBtnBrowse[side]->setObjectName(QStringLiteral("BtnBrowse") + suffix[side]);
        auto* name = new QLabel(QStringLiteral("Name"), group);
        auto* input = new QLabel(QStringLiteral("Input"), group);
        name->setBuddy(FEdtName[side]);
        input->setBuddy(FEdtInput[side]);
        grid->addWidget(name, 0, 0);
        grid->addWidget(FEdtName[side], 0, 1, 1, 2);
        grid->addWidget(input, 1, 0);
        grid->addWidget(FEdtInput[side], 1, 1);
        grid->addWidget(FBtnBrowse[side], 1, 2);
        grid->setColumnStretch(1, 1);
        layout->addWidget(group);
        connect(FEdtName[side], &QLineEdit::textChanged, this,
                &TLyLibraryPropertiesForm::UpdateActions);
        connect(FEdtInput[side], &QLineEdit::textChanged, this,
                &TLyLibraryPropertiesForm::UpdateActions);
        connect(FBtnBrowse[side], &QPushButton::clicked, this, [this, side] { Browse(side); });
    }
    layout->addStretch();
    FBtnOk = LyAddOkCancel(this, layout);
    FEdtName[0]->setFocus();
    resize(520, 0); // room for a path; the layout gives the height
    UpdateActions();
}

void TLyLibraryPropertiesForm::SetOptions(TLyProjectOptions* options) {
    if (options == FOptions)
        return;
    FOptions = options;
    for (int side = 0; side < 2; ++side) {
        const TLyLibraryOptions* library = options->Library(side);
        FEdtName[side]->setText(library->Name());
        FEdtInput[side]->setText(library->InputPath());
    }
    UpdateActions();
}

void TLyLibraryPropertiesForm::UpdateActions() {
    bool ok = true;
    for (int side = 0; side < 2; ++side) {
        const bool nameMissing = FEdtName[side]->text().isEmpty();
        const bool inputMissing = !IsFile(FEdtInput[side]->text());
        LyMarkMissing(FEdtName[side], nameMissing);
        LyMarkMissing(FEdtInput[side], inputMissing);
        ok = ok && !nameMissing && !inputMissing;
    }
    FBtnOk->setEnabled(ok);
}

void TLyLibraryPropertiesForm::accept() {
    UpdateActions();
    if (!FBtnOk->isEnabled())
        return;
    for (int side = 0; FOptions && side < 2; ++side) {
        TLyLibraryOptions* library = FOptions->Library(side);
        library->SetName(FEdtName[side]->text());
        library->SetInputPath(FEdtInput[side]->text());
    }
    QDialog::accept();
}

void TLyLibraryPropertiesForm::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        UpdateActions();
}

void TLyLibraryPropertiesForm::Browse(int side) {
    const QString stored = FOptions ? FOptions->Library(side)->InputPath() : QString();
    const QString start = stored.isEmpty() ? QString() : QFileInfo(stored).absolutePath();
    const QString chosen = TLyDialogs::OpenFile(
        this, side == 0 ? QStringLiteral("Browse for One...") : QStringLiteral("Browse for Two..."),
        start,
        TLyDialogs::Filter(QStringLiteral("iTunes Library Files"), QStringLiteral("*.xml")) +
            QStringLiteral(";;") +
            TLyDialogs::Filter(QStringLiteral("All Files"), QStringLiteral("*")));
    if (!chosen.isEmpty())
        FEdtInput[side]->setText(chosen);
}
