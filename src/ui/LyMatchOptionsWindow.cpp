#include "LyMatchOptionsWindow.h"

#include "LyDialogParts.h"
#include "LyOptions.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const tLySongCompareComponent kShown[3] = {sccArtist, sccAlbum, sccGenre};

} // namespace

TLyMatchOptionsForm::TLyMatchOptionsForm(QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Match Songs"));
    auto* layout = new QVBoxLayout(this);
    LyMinimumWidth(layout, 460);
    auto* modeText =
        new QLabel(QStringLiteral("Choose how song components will be matched to each other."));
    modeText->setWordWrap(true);
    layout->addWidget(modeText);
    auto* modes = new QGridLayout;
    const char* const choices[kModeCount][2] = {
        {"Match all text, ignoring case", "Oh What a Night! = Oh what a night!"},
        {"Match letters and numbers, ignoring case", "Oh What a Night! = Oh what a night"},
        {"Match phonetically, ignoring spelling errors", "Oh What a Night! = O what a nite"},
        {"Match by persistent ID, for two copies of one library", "Same Persistent ID, any text"},
    };
    auto* group = new QButtonGroup(this);
    for (int mode = 0; mode < kModeCount; ++mode) {
        FRbnMode[mode] = new QRadioButton(QString::fromLatin1(choices[mode][0]), this);
        auto* sample = new QLabel(QString::fromLatin1(choices[mode][1]), this);
        group->addButton(FRbnMode[mode], mode);
        modes->addWidget(FRbnMode[mode], mode, 0);
        modes->addWidget(sample, mode, 1);
    }
    modes->setColumnStretch(1, 1);
    layout->addLayout(modes);
    auto* componentText =
        new QLabel(QStringLiteral("Choose which song components to use when matching songs."));
    componentText->setWordWrap(true);
    layout->addSpacing(8);
    layout->addWidget(componentText);
    auto* components = new QGridLayout;
    const QString names[3] = {QStringLiteral("&Artist"), QStringLiteral("A&lbum"),
                              QStringLiteral("&Genre")};
    for (int i = 0; i < 3; ++i) {
        FCbxComponent[i] = new QComboBox(this);
        FCbxComponent[i]->addItems({QStringLiteral("Must Match"),
                                    QStringLiteral("Use if Available"),
                                    QStringLiteral("Do Not Use")});
        auto* label = new QLabel(names[i], this);
        label->setBuddy(FCbxComponent[i]);
        components->addWidget(label, 0, i);
        components->addWidget(FCbxComponent[i], 1, i);
    }
    layout->addLayout(components);
    layout->addStretch();
    LyAddOkCancel(this, layout);
    FRbnMode[scmAlphanumericMatch]->setChecked(true);
    FRbnMode[scmAlphanumericMatch]->setFocus();
}

void TLyMatchOptionsForm::SetOptions(TLyCompareOptions* options) {
    FOptions = options;
    FRbnMode[options->Mode()]->setChecked(true);
    FRbnMode[options->Mode()]->setFocus();
    for (int i = 0; i < 3; ++i) {
        const tLySongCompareComponent component = kShown[i];
        const TUse use = !options->Components().Contains(component)  ? cuDoNotUse
                         : options->CanBeEmpty().Contains(component) ? cuUseIfAvailable
                                                                     : cuMustMatch;
        FCbxComponent[i]->setCurrentIndex(use);
    }
}

void TLyMatchOptionsForm::accept() {
    if (FOptions) {
        for (int mode = 0; mode < kModeCount; ++mode)
            if (FRbnMode[mode]->isChecked())
                FOptions->SetMode(tLySongCompareMode(mode));
        tLySongCompareComponentSet used = FOptions->Components();
        tLySongCompareComponentSet canBeEmpty = FOptions->CanBeEmpty();
        for (int i = 0; i < 3; ++i) {
            const tLySongCompareComponent component = kShown[i];
            const auto use = TUse(FCbxComponent[i]->currentIndex());
            if (use == cuDoNotUse)
                used.Exclude(component);
            else
                used.Include(component);
            if (use == cuUseIfAvailable)
                canBeEmpty.Include(component);
            else
                canBeEmpty.Exclude(component);
        }
        FOptions->SetComponents(used);
        FOptions->SetCanBeEmpty(canBeEmpty);
    }
    QDialog::accept();
}
