#include "LyAboutWindow.h"

#include "LyPictures.h"
#include "LyVersion.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kIconSize = 64;

QLabel* TextLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

QString LyVersionText(const QString& version, bool prerelease) {
    return prerelease ? QStringLiteral("%1 Beta").arg(version) : version;
}

TLyAboutForm::TLyAboutForm(QWidget* parent)
    : TLyAboutForm(QString::fromLatin1(kLyProductName), QString::fromLatin1(kLyVersion),
                   kLyPrerelease, parent) {}

TLyAboutForm::TLyAboutForm(const QString& product, const QString& version, bool prerelease,
                           QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TLyAboutForm"));
    setWindowTitle(QStringLiteral("About %1").arg(product));

    FLblIcon = new QLabel(this);
    FLblIcon->setObjectName(QStringLiteral("LblIcon"));
    FLblProduct = TextLabel(this, QStringLiteral("LblProduct"), product);
    QFont large = FLblProduct->font();
    large.setPointSizeF(large.pointSizeF() * 1.5);
    large.setBold(true);
    FLblProduct->setFont(large);
    FLblVersion = TextLabel(this, QStringLiteral("LblVersion"),
                            QStringLiteral("Version %1").arg(LyVersionText(version, prerelease)));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("BtnOk"));
    ok->setText(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(FLblProduct);
    texts->addWidget(FLblVersion);
    texts->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(FLblIcon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Holds the icon's place until it is drawn.
    FLblIcon->setMinimumSize(kIconSize, kIconSize);
}

void TLyAboutForm::showEvent(QShowEvent* event) {
    FLblIcon->setPixmap(LyPicture(QStringLiteral("program"), kIconSize, devicePixelRatioF()));
    QDialog::showEvent(event);
}
