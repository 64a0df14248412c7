#include "LyDialogKeys.h"

#include <QApplication>
#include <QDialog>
#include <QTest>

namespace {

void ShowActive(QDialog* dialog) {
    dialog->show();
    QApplication::setActiveWindow(dialog);
    if (!QTest::qWaitForWindowActive(dialog))
        qWarning("the dialog did not become active");
}

} // namespace

QStringList LyTabChain(QDialog* dialog, QWidget* first) {
    ShowActive(dialog);
    first->setFocus(Qt::TabFocusReason);
    QStringList names{first->objectName()};
    for (int press = 0; press < 40; ++press) {
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused ? focused : dialog, Qt::Key_Tab);
        focused = QApplication::focusWidget();
        if (!focused || focused == first)
            break;
        names << focused->objectName();
    }
    return names;
}

int LyPressKey(QDialog* dialog, int key) {
    ShowActive(dialog);
    QWidget* focused = QApplication::focusWidget();
    QTest::keyClick(focused ? focused : dialog, Qt::Key(key));
    return dialog->isVisible() ? -1 : dialog->result();
}

int LyDistanceFromOwnerCentre(QDialog* dialog) {
    QWidget* owner = dialog->parentWidget()->window();
    owner->show();
    dialog->show();
    return (dialog->frameGeometry().center() - owner->frameGeometry().center()).manhattanLength();
}
