// The dialog that confirms putting a library in the place of the iTunes library: where the
// iTunes files are, whether iTunes runs, and whether to start it and make a backup.
#pragma once

#include "LyITunesRunningCheck.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TLyITunesOptions;

class TLyReplaceITunesForm : public QDialog {
    Q_OBJECT
public:
    // Shows `options` (not owned). The two check boxes store into them at once; the three
    // paths are stored when the export is confirmed, so cancelling keeps the stored ones.
    // `programNames` replaces the system's process list (tests).
    explicit TLyReplaceITunesForm(TLyITunesOptions* options, QWidget* parent = nullptr,
                                  TLyITunesRunningCheck::TProgramNames programNames = {});

    QPushButton* BtnExport() const { return FBtnExport; }
    QLabel* LblStatus() const { return FLblStatus; }

    void accept() override;

private:
    // Shows the running state and enables the export while iTunes does not run.
    void ShowRunning();
    // Enables the browse buttons and paints the missing paths red.
    void Refresh();
    void BrowseLibrary();
    void BrowseITunes();
    void BrowseBackup();

    TLyITunesOptions* FOptions;
    QLineEdit* FEdtLibrary;
    QPushButton* FBtnBrowseLibrary;
    QLabel* FLblStatus;
    QCheckBox* FChkStartITunes;
    QLineEdit* FEdtITunes;
    QPushButton* FBtnBrowseITunes;
    QCheckBox* FChkCreateBackup;
    QLineEdit* FEdtBackup;
    QPushButton* FBtnBrowseBackup;
    QPushButton* FBtnExport;
    QPushButton* FBtnCancel;
    TLyITunesRunningCheck* FRunningCheck;
};
