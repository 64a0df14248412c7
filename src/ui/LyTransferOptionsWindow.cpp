#include "LyTransferOptionsWindow.h"

#include "LyDialogParts.h"
#include "LyOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// The entries of a part's list with the two libraries' names; index n is action n.
QStringList Entries(tLySongPart part, const QString& one, const QString& two) {
    QStringList entries{QStringLiteral("Do Not Transfer"), QStringLiteral("Use ") + one,
                        QStringLiteral("Use ") + two};
    if (part == sdPlayCount || part == sdRating)
        entries << QStringLiteral("Use Highest") << QStringLiteral("Use Lowest");
    if (part == sdPlayCount)
        entries << QStringLiteral("Add Plays of Both");
    else if (part == sdLastPlayed)
        entries << QStringLiteral("Use Latest") << QStringLiteral("Use Oldest");
    return entries;
}

// Lays out the lists of `parts` under `text`, their captions above them.
void AddLists(QWidget* parent, QVBoxLayout* layout, const QString& text,
              std::initializer_list<std::pair<tLySongPart, const char*>> parts, QComboBox** lists) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* grid = new QGridLayout;
    int column = 0;
    for (const auto& [part, caption] : parts) {
        lists[part] = new QComboBox(parent);
        lists[part]->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        auto* title = new QLabel(QString::fromLatin1(caption), parent);
        title->setBuddy(lists[part]);
        grid->addWidget(title, 0, column);
        grid->addWidget(lists[part], 1, column);
        grid->setColumnStretch(column, 1);
        ++column;
    }
    for (; column < 4; ++column)
        grid->setColumnStretch(column, 1); // both rows of lists keep the same column widths
    layout->addLayout(grid);
}

} // namespace

TLyTransferOptionsForm::TLyTransferOptionsForm(QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Synchronize Songs"));
    auto* layout = new QVBoxLayout(this);
    LyMinimumWidth(layout, 520);
    AddLists(this, layout, QStringLiteral("Choose how to combine song-specific data below."),
             {{sdName, "&Name"}, {sdArtist, "&Artist"}, {sdAlbum, "A&lbum"}, {sdGenre, "&Genre"}},
             FCbxAction);
    layout->addSpacing(8);
    AddLists(this, layout, QStringLiteral("Choose how to combine user-specific data below."),
             {{sdPlayCount, "&Play Count"}, {sdLastPlayed, "Last Pla&yed"}, {sdRating, "&Rating"}},
             FCbxAction);
    layout->addSpacing(8);
    FChkForce = new QCheckBox(QStringLiteral("O&verwrite already-modified songs"), this);
    layout->addWidget(FChkForce);
    layout->addStretch();
    LyAddOkCancel(this, layout);
    for (int part = 0; part < kLySongPartCount; ++part)
        FCbxAction[part]->addItems(
            Entries(tLySongPart(part), QStringLiteral("One"), QStringLiteral("Two")));
    FCbxAction[sdName]->setFocus();
}

void TLyTransferOptionsForm::SetOptions(TLyProjectOptions* options) {
    FOptions = options;
    for (int part = 0; part < kLySongPartCount; ++part) {
        QComboBox* list = FCbxAction[part];
        list->clear();
        list->addItems(Entries(tLySongPart(part), options->LibraryOne()->Name(),
                               options->LibraryTwo()->Name()));
        list->setCurrentIndex(options->Action(tLySongPart(part)));
    }
    FChkForce->setChecked(options->ForceSynchronize());
}

void TLyTransferOptionsForm::accept() {
    if (FOptions) {
        for (int part = 0; part < kLySongPartCount; ++part) {
            const int index = FCbxAction[part]->currentIndex();
            if (index >= 0) // none when the stored action is not one of this part's
                FOptions->SetAction(tLySongPart(part), tLySynchronizeAction(index));
        }
        FOptions->SetForceSynchronize(FChkForce->isChecked());
    }
    QDialog::accept();
}
