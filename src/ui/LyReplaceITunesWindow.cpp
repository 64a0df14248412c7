#include "LyReplaceITunesWindow.h"

#include "LyDialogParts.h"
#include "LyDialogs.h"
#include "LyGuard.h"
#include "LyOptions.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kMinimumWidth = 490;
constexpr int kPathChars = 40;
const QColor kMissingColour(255, 0, 0);

QLineEdit* PathBox(QWidget* parent, const QString& name, const QString& path) {
    auto* box = new QLineEdit(path, parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setCursorPosition(0);
    // Room for a typical path, in the box's own font.
    box->setMinimumWidth(box->fontMetrics().averageCharWidth() * kPathChars);
    return box;
}

QPushButton* Button(QWidget* parent, const QString& name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

// The widget's text in red, or in the colour its window gives text.
void PaintText(QWidget* widget, QPalette::ColorRole role, bool red) {
    QPalette palette = widget->palette();
    const QPalette normal = widget->window()->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, role, red ? kMissingColour : normal.color(group, role));
    widget->setPalette(palette);
}

} // namespace

TLyReplaceITunesForm::TLyReplaceITunesForm(TLyITunesOptions* options, QWidget* parent,
                                           TLyITunesRunningCheck::TProgramNames programNames)
    : QDialog(parent)
    , FOptions(options) {
    setObjectName(QStringLiteral("TLyReplaceITunesForm"));
    setWindowTitle(QStringLiteral("Export to ITunes"));

    auto* group = new QGroupBox(QStringLiteral("Settings"), this);
    FEdtLibrary = PathBox(group, QStringLiteral("EdtLibraryLocation"), options->LibraryLocation());
    auto* lblLibrary = new QLabel(QStringLiteral("iTunes &Library Location"), group);
    lblLibrary->setBuddy(FEdtLibrary);
    FBtnBrowseLibrary =
        Button(group, QStringLiteral("BtnBrowseLibrary"), QStringLiteral("&Browse..."));
    auto* lblStatusCaption = new QLabel(QStringLiteral("iTunes Status"), group);
    FLblStatus = new QLabel(QStringLiteral("Checking..."), group);
    FLblStatus->setObjectName(QStringLiteral("LblITunesStatus"));
    FChkStartITunes = new QCheckBox(QStringLiteral("&Start iTunes when Finished"), group);
    FChkStartITunes->setObjectName(QStringLiteral("ChkStartITunes"));
    FChkStartITunes->setChecked(options->StartITunes());
    FEdtITunes = PathBox(group, QStringLiteral("EdtITunesLocation"), options->ITunesLocation());
    FBtnBrowseITunes =
        Button(group, QStringLiteral("BtnBrowseITunes"), QStringLiteral("B&rowse..."));
    FChkCreateBackup = new QCheckBox(QStringLiteral("Create Bac&kup of iTunes Library"), group);
    FChkCreateBackup->setObjectName(QStringLiteral("ChkCreateBackup"));
    FChkCreateBackup->setChecked(options->CreateBackup());
    FEdtBackup = PathBox(group, QStringLiteral("EdtBackupLocation"), options->BackupLocation());
    FBtnBrowseBackup =
        Button(group, QStringLiteral("BtnBrowseBackup"), QStringLiteral("Br&owse..."));

    auto* grid = new QGridLayout(group);
    grid->addWidget(lblLibrary, 0, 0);
    grid->addWidget(FEdtLibrary, 0, 1);
    grid->addWidget(FBtnBrowseLibrary, 0, 2);
    grid->addWidget(lblStatusCaption, 1, 0);
    grid->addWidget(FLblStatus, 1, 1, 1, 2);
    grid->addWidget(FChkStartITunes, 2, 0);
    grid->addWidget(FEdtITunes, 2, 1);
    grid->addWidget(FBtnBrowseITunes, 2, 2);
    grid->addWidget(FChkCreateBackup, 3, 0);
    grid->addWidget(FEdtBackup, 3, 1);
    grid->addWidget(FBtnBrowseBackup, 3, 2);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(this);
    FBtnExport =
        buttons->addButton(QStringLiteral("Export to &iTunes"), QDialogButtonBox::AcceptRole);
    FBtnExport->setObjectName(QStringLiteral("BtnExport"));
    FBtnExport->setDefault(true);
    FBtnExport->setEnabled(false);
    FBtnCancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    FBtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch(1);
    layout->addWidget(buttons);
    LyMinimumWidth(layout, kMinimumWidth);

    QWidget* order[] = {FEdtLibrary,      FBtnBrowseLibrary, FChkStartITunes, FEdtITunes,
                        FBtnBrowseITunes, FChkCreateBackup,  FEdtBackup,      FBtnBrowseBackup,
                        FBtnExport,       FBtnCancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(FBtnBrowseLibrary, &QPushButton::clicked, this,
            [this] { LyGuarded(this, [this] { BrowseLibrary(); }); });
    connect(FBtnBrowseITunes, &QPushButton::clicked, this,
            [this] { LyGuarded(this, [this] { BrowseITunes(); }); });
    connect(FBtnBrowseBackup, &QPushButton::clicked, this,
            [this] { LyGuarded(this, [this] { BrowseBackup(); }); });
    connect(FChkStartITunes, &QCheckBox::toggled, this, [this](bool checked) {
        FOptions->SetStartITunes(checked);
        Refresh();
    });
    connect(FChkCreateBackup, &QCheckBox::toggled, this, [this](bool checked) {
        FOptions->SetCreateBackup(checked);
        Refresh();
    });

    FRunningCheck = new TLyITunesRunningCheck(this, std::move(programNames));
    connect(FRunningCheck, &TLyITunesRunningCheck::Checked, this,
            &TLyReplaceITunesForm::ShowRunning);
    Refresh();
}

void TLyReplaceITunesForm::ShowRunning() {
    const bool running = FRunningCheck->Running();
    FLblStatus->setText(running ? QStringLiteral("iTunes is running")
                                : QStringLiteral("iTunes is not running"));
    PaintText(FLblStatus, QPalette::WindowText, running);
    FBtnExport->setEnabled(FRunningCheck->Known() && !running);
}

void TLyReplaceITunesForm::Refresh() {
    FBtnBrowseITunes->setEnabled(FChkStartITunes->isChecked());
    FEdtBackup->setEnabled(FChkCreateBackup->isChecked());
    FBtnBrowseBackup->setEnabled(FChkCreateBackup->isChecked());
    PaintText(FEdtLibrary, QPalette::Text, !QFileInfo(FEdtLibrary->text()).isFile());
    PaintText(FEdtITunes, QPalette::Text, !QFileInfo(FEdtITunes->text()).isFile());
    PaintText(FEdtBackup, QPalette::Text, !QFileInfo(FEdtBackup->text()).isDir());
}

void TLyReplaceITunesForm::BrowseLibrary() {
    const QString file = TLyDialogs::OpenFile(
        this, QStringLiteral("Choose the iTunes Library"), FEdtLibrary->text(),
        TLyDialogs::Filter(QStringLiteral("iTunes Library Files"), QStringLiteral("*.xml")));
    if (file.isEmpty())
        return;
    FEdtLibrary->setText(file);
    Refresh();
}

void TLyReplaceITunesForm::BrowseITunes() {
    const QString file = TLyDialogs::OpenFile(
        this, QStringLiteral("Choose the iTunes Application"), FEdtITunes->text(),
        TLyDialogs::Filter(QStringLiteral("iTunes Application"), QStringLiteral("*.exe")));
    if (file.isEmpty())
        return;
    FEdtITunes->setText(file);
    Refresh();
}

void TLyReplaceITunesForm::BrowseBackup() {
    // Cancelling answers the folder it started at.
    FEdtBackup->setText(TLyDialogs::ChooseFolder(this, QStringLiteral("Choose a Backup Folder"),
                                                 FEdtBackup->text()));
    Refresh();
}

void TLyReplaceITunesForm::accept() {
    // Return reaches here through the default button only while it is enabled; a running
    // iTunes would overwrite the replaced files when it quits.
    if (!FBtnExport->isEnabled())
        return;
    FOptions->SetLibraryLocation(FEdtLibrary->text());
    FOptions->SetITunesLocation(FEdtITunes->text());
    FOptions->SetBackupLocation(FEdtBackup->text());
    QDialog::accept();
}
