// The small modal window in which another value of one part is typed for every selected song.
#pragma once

#include "LyTypes.h"

#include <QDialog>
#include <QVariant>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TLyProjectOptions;
class TLySongSelection;

class TLySongPropertyForm : public QDialog {
    Q_OBJECT
public:
    explicit TLySongPropertyForm(QWidget* parent = nullptr);

    // The library names come from `options` (not owned; "One" and "Two" without).
    void SetOptions(TLyProjectOptions* options);
    // Shows the part's current values of both libraries and starts the box with library One's.
    void SetSelection(TLySongSelection* selection, tLySongPart part);
    tLySongPart Part() const { return FPart; }
    // The typed value as the selection stores it: a whole number for the play count, the
    // typed stars times 20 for the rating, the text for every other part.
    QVariant Value() const;
    // The typed text can be stored (OK is enabled).
    bool Acceptable() const;

    QLabel* LblOne() const { return FLblOne; }
    QLabel* LblOneValue() const { return FLblOneValue; }
    QLabel* LblTwo() const { return FLblTwo; }
    QLabel* LblTwoValue() const { return FLblTwoValue; }
    QLineEdit* EdtValue() const { return FEdtValue; }
    QPushButton* BtnOk() const { return FBtnOk; }
    QPushButton* BtnCancel() const { return FBtnCancel; }

    // Closes with OK only for a value the songs take; else says why and stays open.
    void accept() override;

private:
    QString LibraryName(int side) const;
    void ShowValue(QLabel* label, const QString& text);
    void UpdateOk();

    TLyProjectOptions* FOptions = nullptr;
    tLySongPart FPart = sdName;
    QLabel* FLblOne;
    QLabel* FLblOneValue;
    QLabel* FLblTwo;
    QLabel* FLblTwoValue;
    QLineEdit* FEdtValue;
    // Says that a rating is typed as stars.
    QLabel* FLblUnit;
    QPushButton* FBtnOk;
    QPushButton* FBtnCancel;
};
