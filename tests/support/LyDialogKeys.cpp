#include "LyDialogKeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
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
    for (QWidget* focused = first; names.size() <= 40; names << focused->objectName()) {
        QTest::keyClick(focused, Qt::Key_Tab);
        focused = QApplication::focusWidget();
        if (!focused || focused == first)
            break;
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
    dialog->parentWidget()->window()->show();
    dialog->show();
    const QWidget* owner = dialog->parentWidget()->window();
    return (dialog->frameGeometry().center() - owner->frameGeometry().center()).manhattanLength();
}

QStringList LyClippedWidgets(QWidget* window) {
    QStringList clipped;
    const auto widgets = window->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        if (!widget->isVisible() ||
            !(qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLabel*>(widget)))
            continue;
        const QSize need = widget->minimumSizeHint();
        if (widget->width() < need.width() || widget->height() < need.height())
            clipped << widget->objectName() + u':' + widget->metaObject()->className();
    }
    return clipped;
}
