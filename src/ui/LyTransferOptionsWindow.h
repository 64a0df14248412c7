// The dialog that chooses, per song part, which library's value the synchronisation keeps.
#pragma once

#include "LyTypes.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class TLyProjectOptions;

class TLyTransferOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TLyTransferOptionsForm(QWidget* parent = nullptr);

    // Names the "Use One" and "Use Two" entries after the options' libraries and shows the
    // seven actions and the overwrite choice. Not owned; they must outlive the dialog. OK
    // writes the actions (an entry's index is its action) and the overwrite choice back.
    void SetOptions(TLyProjectOptions* options);

    QComboBox* CbxAction(tLySongPart part) const { return FCbxAction[part]; }
    QCheckBox* ChkForceSynchronize() const { return FChkForce; }

    void accept() override;

private:
    TLyProjectOptions* FOptions = nullptr;
    QComboBox* FCbxAction[kLySongPartCount];
    QCheckBox* FChkForce;
};
