// Parts shared by the option dialogs: the OK and Cancel buttons and the colour of a box whose
// input is missing.
#pragma once

#include <QColor>

class QBoxLayout;
class QDialog;
class QDialogButtonBox;
class QLineEdit;
class QPalette;
class QPushButton;

// Makes "&Ok" (the default button, Return) and "&Cancel" (Escape), wired to the dialog's accept
// and reject, in a button box for the caller to lay out; `ok` and `cancel` receive the buttons.
// Make it after the inputs, so that the tab order reaches the inputs first.
QDialogButtonBox* LyOkCancelBox(QDialog* dialog, QPushButton** ok, QPushButton** cancel = nullptr);

// The same buttons appended to `layout`. Returns the OK button.
QPushButton* LyAddOkCancel(QDialog* dialog, QBoxLayout* layout);

// Keeps the dialog of `layout` at least `width` wide. Unlike a minimum width set on the dialog,
// it never lets the dialog be narrower than its content needs (at any pixel ratio).
void LyMinimumWidth(QBoxLayout* layout, int width);

// The background of a box whose input is missing: light red on a light palette, a dark red
// under the light text of a dark one.
QColor LyMissingInputColour(const QPalette& palette);

// Paints `edit` with the missing-input colour, or gives it back the normal window colours.
void LyMarkMissing(QLineEdit* edit, bool missing);
