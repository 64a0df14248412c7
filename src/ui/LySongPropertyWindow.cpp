#include "LySongPropertyWindow.h"

#include "ArExceptions.h"
#include "ArFormat.h"
#include "LyDialogParts.h"
#include "LyDialogs.h"
#include "LyOptions.h"
#include "LyPictures.h"
#include "LySongSelection.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

namespace {

constexpr int kStarSize = 16;
const QString kMultipleValues = QStringLiteral("(multiple values)");
const QString kNoValue = QStringLiteral("---");

QLabel* NewLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

TLySongPropertyForm::TLySongPropertyForm(QWidget* parent)
    : QDialog(parent)
    , FLblOne(NewLabel(this, "LblOne"))
    , FLblOneValue(NewLabel(this, "LblOneValue"))
    , FLblTwo(NewLabel(this, "LblTwo"))
    , FLblTwoValue(NewLabel(this, "LblTwoValue"))
    , FEdtValue(new QLineEdit(this))
    , FLblUnit(NewLabel(this, "LblUnit")) {
    setWindowTitle(QStringLiteral("Edit Songs"));
    FEdtValue->setObjectName(QStringLiteral("EdtValue"));
    QDialogButtonBox* buttons = LyOkCancelBox(this, &FBtnOk, &FBtnCancel);
    connect(FEdtValue, &QLineEdit::textChanged, this, [this] { UpdateOk(); });

    auto* layout = new QGridLayout(this);
    layout->addWidget(FLblOne, 0, 0);
    layout->addWidget(FLblOneValue, 0, 1);
    layout->addWidget(FLblTwo, 1, 0);
    layout->addWidget(FLblTwoValue, 1, 1);
    layout->addWidget(FEdtValue, 2, 0, 1, 2);
    layout->addWidget(FLblUnit, 2, 2);
    layout->addWidget(buttons, 3, 0, 1, 3);
    layout->setColumnStretch(1, 1);
    FLblUnit->setVisible(false);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    setMinimumWidth(360);
    SetOptions(nullptr);
}

QString TLySongPropertyForm::LibraryName(int side) const {
    if (FOptions)
        return FOptions->Library(side)->Name();
    return side == 0 ? QStringLiteral("One") : QStringLiteral("Two");
}

void TLySongPropertyForm::SetOptions(TLyProjectOptions* options) {
    FOptions = options;
    FLblOne->setText(LibraryName(0));
    FLblTwo->setText(LibraryName(1));
}

void TLySongPropertyForm::SetSelection(TLySongSelection* selection, tLySongPart part) {
    FPart = part;
    if (!selection)
        return;
    const QString partName = SongPartName(part);
    setWindowTitle(
        ArFormat(QStringLiteral("Edit %s for %d Songs"), {partName, selection->Count()}));
    FLblOne->setText(ArFormat(QStringLiteral("%s in %s"), {partName, LibraryName(0)}));
    FLblTwo->setText(ArFormat(QStringLiteral("%s in %s"), {partName, LibraryName(1)}));
    const QString one = selection->CurrentOne().GetText(part);
    ShowValue(FLblOneValue, one);
    ShowValue(FLblTwoValue, selection->CurrentTwo().GetText(part));

    // Numbers are whole and not negative; a rating is typed as the stars the lists show.
    delete FEdtValue->validator();
    if (part == sdPlayCount)
        FEdtValue->setValidator(new QIntValidator(0, std::numeric_limits<int>::max(), FEdtValue));
    else if (part == sdRating)
        FEdtValue->setValidator(new QIntValidator(0, 5, FEdtValue));
    else
        FEdtValue->setValidator(nullptr);
    FLblUnit->setText(QStringLiteral("stars (0 to 5)"));
    FLblUnit->setVisible(part == sdRating);
    // The placeholders are not values: storing them would write "---" into every song.
    FEdtValue->setPlaceholderText(one == kMultipleValues ? one : QString());
    QString start = one;
    if (one == kMultipleValues)
        start.clear();
    else if (one == kNoValue)
        start = part == sdLastPlayed                        ? QStringLiteral("never")
                : (part == sdPlayCount || part == sdRating) ? QStringLiteral("0")
                                                            : QString();
    FEdtValue->setText(start);
    FEdtValue->selectAll();
    UpdateOk();
}

void TLySongPropertyForm::ShowValue(QLabel* label, const QString& text) {
    bool isNumber = false;
    const int stars = text.toInt(&isNumber);
    if (FPart != sdRating || !isNumber || stars <= 0) {
        label->setText(FPart == sdRating && isNumber ? ArFormat(QStringLiteral("%s stars"), {text})
                                                     : text);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    QPixmap row(QSize(stars * kStarSize, kStarSize) * ratio);
    row.setDevicePixelRatio(ratio);
    row.fill(Qt::transparent);
    QPainter painter(&row);
    for (int i = 0; i < stars; ++i)
        painter.drawPixmap(i * kStarSize, 0, LyPicture(QStringLiteral("star"), kStarSize, ratio));
    painter.end();
    label->setPixmap(row);
    label->setToolTip(ArFormat(QStringLiteral("%s stars"), {text}));
}

QVariant TLySongPropertyForm::Value() const {
    const QString text = FEdtValue->text();
    switch (FPart) {
    case sdPlayCount:
        return text.toInt();
    case sdRating:
        return text.toInt() * 20;
    default:
        return text;
    }
}

bool TLySongPropertyForm::Acceptable() const {
    if (FPart == sdLastPlayed)
        return !FEdtValue->text().trimmed().isEmpty();
    return !FEdtValue->validator() || FEdtValue->hasAcceptableInput();
}

void TLySongPropertyForm::UpdateOk() {
    FBtnOk->setEnabled(Acceptable());
}

void TLySongPropertyForm::accept() {
    if (!Acceptable())
        return;
    try {
        TLySongProperties scratch;
        scratch.SetValue(FPart, Value());
    } catch (const Exception& error) {
        TLyDialogs::ShowMessage(this, error.Message());
        return;
    }
    QDialog::accept();
}
