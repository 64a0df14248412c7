#include "LyDialogParts.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

QDialogButtonBox* LyOkCancelBox(QDialog* dialog, QPushButton** ok, QPushButton** cancel) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* okButton = buttons->addButton(QStringLiteral("&Ok"), QDialogButtonBox::AcceptRole);
    QPushButton* cancelButton =
        buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    okButton->setObjectName(QStringLiteral("BtnOk"));
    cancelButton->setObjectName(QStringLiteral("BtnCancel"));
    okButton->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    *ok = okButton;
    if (cancel)
        *cancel = cancelButton;
    return buttons;
}

QPushButton* LyAddOkCancel(QDialog* dialog, QBoxLayout* layout) {
    QPushButton* ok = nullptr;
    layout->addWidget(LyOkCancelBox(dialog, &ok));
    return ok;
}

void LyMinimumWidth(QBoxLayout* layout, int width) {
    layout->addSpacerItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum));
}

QColor LyMissingInputColour(const QPalette& palette) {
    if (palette.color(QPalette::Base).lightness() < 128)
        return QColor(120, 40, 40);
    return QColor(255, 204, 204);
}

void LyMarkMissing(QLineEdit* edit, bool missing) {
    if (!missing) {
        edit->setPalette(QPalette()); // inherit the window's colours again
        return;
    }
    QPalette palette = edit->parentWidget() ? edit->parentWidget()->palette() : edit->palette();
    palette.setColor(QPalette::Base, LyMissingInputColour(palette));
    edit->setPalette(palette);
}
