// The dialog that names a project's two libraries and the files they are read from.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class TLyProjectOptions;

class TLyLibraryPropertiesForm : public QDialog {
    Q_OBJECT
public:
    explicit TLyLibraryPropertiesForm(QWidget* parent = nullptr);

    // Fills the boxes from the options' two libraries, once per options object. Not owned;
    // they must outlive the dialog. OK writes the names and input paths back.
    void SetOptions(TLyProjectOptions* options);

    // Side 0 is library One, 1 library Two.
    QLineEdit* EdtName(int side) const { return FEdtName[side]; }
    QLineEdit* EdtInput(int side) const { return FEdtInput[side]; }
    QPushButton* BtnBrowse(int side) const { return FBtnBrowse[side]; }
    QPushButton* BtnOk() const { return FBtnOk; }

    // OK is enabled when both names are given and both input files exist; every box that
    // keeps it disabled is painted light red. Files come and go behind the dialog's back, so
    // this runs on every edit and whenever the dialog becomes active.
    void UpdateActions();

    void accept() override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void Browse(int side);

    TLyProjectOptions* FOptions = nullptr;
    QLineEdit* FEdtName[2];
    QLineEdit* FEdtInput[2];
    QPushButton* FBtnBrowse[2];
    QPushButton* FBtnOk;
};
