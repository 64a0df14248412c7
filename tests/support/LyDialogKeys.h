// Checks of a dialog used with the keyboard alone, and of where it opens.
#pragma once

#include <QStringList>

class QDialog;
class QWidget;

// Shows `dialog`, focuses `first` and presses Tab until the focus comes back to it: the object
// names of the widgets visited, `first` included. Stops after 40 presses.
QStringList LyTabChain(QDialog* dialog, QWidget* first);

// Shows `dialog` and presses `key` on the focused widget; the dialog's result then, or -1 while
// it is still open.
int LyPressKey(QDialog* dialog, int key);

// The distance between the centres of the shown `dialog` and of its parent window. Qt keeps a
// dialog on the screen: the owner must fit on it (the offscreen screen is 800 by 600).
int LyDistanceFromOwnerCentre(QDialog* dialog);

// The names of the shown `window`'s visible buttons, check boxes and labels that are narrower or
// lower than their texts need.
QStringList LyClippedWidgets(QWidget* window);
