#include "LySongPropertiesFrame.h"

#include "ArFormat.h"
#include "LyDialogs.h"
#include "LyGuard.h"
#include "LyMatchResult.h"
#include "LyPictures.h"
#include "LyProject.h"
#include "LySongPropertyWindow.h"
#include "LyView.h"

#include <QAction>
#include <QFormLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int kStarSize = 16;
const QString kMultipleValues = QStringLiteral("(multiple values)");
const QString kNoValue = QStringLiteral("---");

QString EscapeMnemonics(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

// The rating as a row of stars, or "(multiple values)" when the selected songs disagree.
class TLyRatingBox : public QWidget {
public:
    explicit TLyRatingBox(TLySongPropertiesInfo* panel)
        : QWidget(panel)
        , FPanel(panel) {
        setObjectName(QStringLiteral("PntRating"));
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return {std::max(5 * kStarSize, metrics.horizontalAdvance(kMultipleValues)),
                std::max(kStarSize, metrics.height())};
    }
    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        const TLySongSelectionProperties* properties = FPanel->Properties();
        if (!properties)
            return;
        QPainter painter(this);
        if (!properties->IsSame(sdRating)) {
            // The panel sets the palette to the rating's colour (or the hover look).
            painter.setPen(palette().color(QPalette::WindowText));
            painter.setFont(font());
            painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop, kMultipleValues);
            return;
        }
        const QPixmap star = LyPicture(FPanel->StarPicture(), kStarSize, devicePixelRatioF());
        const int top = (height() - kStarSize) / 2;
        for (int i = 0; i < FPanel->StarCount(); ++i)
            painter.drawPixmap(i * kStarSize, top, star);
    }

private:
    TLySongPropertiesInfo* FPanel;
};

TLySongPropertiesInfo::TLySongPropertiesInfo(QWidget* parent)
    : TLyBaseView(parent)
    , FPntRating(new TLyRatingBox(this))
    , FMnuPopup(new QMenu(this))
    , FActUseOne(new QAction(this))
    , FActUseTwo(new QAction(this))
    , FActRevert(new QAction(this))
    , FActEdit(new QAction(this)) {
    static const char* const names[] = {"LblName",      "LblArtist",     "LblAlbum", "LblGenre",
                                        "LblPlayCount", "LblLastPlayed", nullptr};
    auto* layout = new QFormLayout(this);
    layout->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (int i = sdName; i <= sdRating; ++i) {
        const auto part = tLySongPart(i);
        QWidget* field = FPntRating;
        if (names[i]) {
            auto* label = new QLabel(kNoValue, this);
            label->setObjectName(QLatin1String(names[i]));
            label->setTextFormat(Qt::PlainText);
            // A long name must not widen the page: it is cut at the panel's edge.
            label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            FLabels[i] = label;
            field = label;
        }
        field->installEventFilter(this);
        field->setMouseTracking(true);
        layout->addRow(SongPartName(part) + QLatin1Char(':'), field);
    }
    FMnuPopup->setObjectName(QStringLiteral("MnuPopup"));
    FActUseOne->setObjectName(QStringLiteral("ActUseOne"));
    FActUseTwo->setObjectName(QStringLiteral("ActUseTwo"));
    FActRevert->setObjectName(QStringLiteral("ActRevert"));
    FActEdit->setObjectName(QStringLiteral("ActEdit"));
    FMnuPopup->addActions({FActUseOne, FActUseTwo, FActEdit, FActRevert});
    connect(FActUseOne, &QAction::triggered, this, [this] { UseFrom(0); });
    connect(FActUseTwo, &QAction::triggered, this, [this] { UseFrom(1); });
    connect(FActRevert, &QAction::triggered, this, [this] { Revert(); });
    connect(FActEdit, &QAction::triggered, this, [this] { Edit(); });
    Refresh();
}

TLySongPropertiesInfo::~TLySongPropertiesInfo() {
    EnsureFinalised();
}

void TLySongPropertiesInfo::Finalise() {
    SetSelection(nullptr, nullptr);
    TLyBaseView::Finalise();
}

// --- selection and view ----------------------------------------------------------------------

void TLySongPropertiesInfo::SetSelection(TLySongSelection* selection,
                                         TLySongSelectionProperties* properties) {
    if (selection != FSelection) {
        TLySongSelection* previous = FSelection;
        // Cleared first: the previous selection's last notification must not show it again.
        FSelection = nullptr;
        FProperties = nullptr;
        if (previous)
            previous->RemoveListener(this);
    }
    FProperties = properties;
    if (selection != FSelection) {
        FSelection = selection;
        if (FSelection)
            FSelection->AddListener(this); // tells the state at once, which refreshes
        else
            Refresh();
    } else {
        Refresh();
    }
}

void TLySongPropertiesInfo::SelectionChanged(TLySongSelection* selection) {
    // Null: the selection lets the panel go.
    if (selection && selection == FSelection)
        LyGuarded(this, [this] { Refresh(); });
}

void TLySongPropertiesInfo::ViewChanged() {
    if (View() != FShownView) {
        // Another list's view: frozen while its songs change or its refresh runs; the end of
        // that refresh thaws the panel.
        FShownView = View();
        FFrozen = View() && ((View()->MatchResult() && View()->MatchResult()->Changing()) ||
                             View()->Process()->Running());
    }
    Refresh();
}

void TLySongPropertiesInfo::OwnerChanging(TLyProcess* process) {
    if (!View() || process != View()->Process())
        return;
    FFrozen = true;
    UpdateActions();
}

void TLySongPropertiesInfo::TaskFinished(ILyProcessTask* task) {
    if (!FFrozen || !View() || !task->IsMainTask() || task->Process() != View()->Process())
        return;
    // Only a refresh that ran to its end over the changed songs ends the change.
    if (task->Cancelled() || task->Failed() ||
        (View()->MatchResult() && View()->MatchResult()->Changing()))
        return;
    FFrozen = false;
    Refresh();
}

TLySongSelectionProperties* TLySongPropertiesInfo::Merged(int side, bool original) const {
    if (!FSelection)
        return nullptr;
    if (original)
        return side == 0 ? &FSelection->OriginalOne() : &FSelection->OriginalTwo();
    return side == 0 ? &FSelection->CurrentOne() : &FSelection->CurrentTwo();
}

TLyProjectOptions* TLySongPropertiesInfo::ProjectOptions() const {
    const TLyMatchResult* result = View() ? View()->MatchResult() : nullptr;
    return result && result->Project() ? result->Project()->Options() : nullptr;
}

QString TLySongPropertiesInfo::LibraryName(int side) const {
    if (TLyProjectOptions* options = ProjectOptions())
        return options->Library(side)->Name();
    return side == 0 ? QStringLiteral("One") : QStringLiteral("Two");
}

// --- what a part looks like ------------------------------------------------------------------

tLyCellColour TLySongPropertiesInfo::PartColour(tLySongPart part) const {
    const TLySongSelectionProperties* other = Merged(1 - Side(), true);
    if (!FProperties || !FProperties->Exists() || !other || !other->Exists())
        return tLyCellColour::Normal;
    const TLySongSelectionProperties* original = Merged(Side(), true);
    const TLySongSelectionProperties* current = Merged(Side(), false);
    if (original->DiffersFrom(current, part))
        return FProperties->UseOriginal() ? tLyCellColour::Grey : tLyCellColour::Blue;
    if (current->IsDifferent(part))
        return kLySongDataParts.Contains(part) ? tLyCellColour::Red : tLyCellColour::Purple;
    return tLyCellColour::Normal;
}

QString TLySongPropertiesInfo::PartText(tLySongPart part) const {
    if (!FProperties || !FProperties->Exists())
        return kNoValue;
    const QString text = FProperties->GetText(part);
    if (part != sdPlayCount || text == kMultipleValues)
        return text;
    return ArFormat(QStringLiteral("Played %s times"),
                    {text == kNoValue ? QStringLiteral("0") : text});
}

int TLySongPropertiesInfo::StarCount() const {
    return FProperties && FProperties->IsSame(sdRating) ? FProperties->Merged().Stars() : 0;
}

QString TLySongPropertiesInfo::StarPicture() const {
    switch (PartColour(sdRating)) {
    case tLyCellColour::Grey:
        return QStringLiteral("unused-star");
    case tLyCellColour::Purple:
        return QStringLiteral("different-star");
    case tLyCellColour::Blue:
        return QStringLiteral("modified-star");
    default:
        return QStringLiteral("star");
    }
}

bool TLySongPropertiesInfo::CanUse(tLySongPart part) const {
    const TLySongSelectionProperties* other = Merged(1 - Side(), true);
    return FProperties && FProperties->Exists() && other && other->Exists() &&
           (Merged(Side(), true)->IsDifferent(part) || Merged(Side(), false)->IsDifferent(part));
}

bool TLySongPropertiesInfo::CanRevert(tLySongPart part) const {
    if (!FSelection)
        return false;
    for (int side = 0; side < 2; ++side)
        if (Merged(side, true)->DiffersFrom(Merged(side, false), part))
            return true;
    return false;
}

QColor TLySongPropertiesInfo::Colour(tLyCellColour colour) const {
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    return LyCellColour(colour, dark, palette().color(QPalette::Disabled, QPalette::WindowText));
}

// --- refreshing ------------------------------------------------------------------------------

void TLySongPropertiesInfo::Refresh() {
    for (int i = sdName; i <= sdRating; ++i) {
        const auto part = tLySongPart(i);
        ApplyLook(part, FHovered == i);
        if (FLabels[i])
            FLabels[i]->setText(PartText(part));
    }
    FPntRating->update();
    UpdateActions();
}

void TLySongPropertiesInfo::ApplyLook(tLySongPart part, bool hovered) {
    // The hover look only where a library's value can be taken.
    const bool look = hovered && CanUse(part);
    QWidget* widget = PartWidget(part);
    QFont font = widget->font();
    font.setUnderline(look);
    widget->setFont(font);
    QColor colour = look ? QColor(0, 0, 255) : Colour(PartColour(part));
    if (look && palette().color(QPalette::Window).lightness() < 128)
        colour = colour.lighter(165);
    QPalette colours = widget->palette();
    colours.setColor(QPalette::WindowText,
                     colour.isValid() ? colour : palette().color(QPalette::WindowText));
    widget->setPalette(colours);
    widget->setToolTip(look ? QStringLiteral("Right-click to show options") : QString());
    widget->update();
}

QLabel* TLySongPropertiesInfo::Label(tLySongPart part) const {
    return FLabels[part];
}

QWidget* TLySongPropertiesInfo::PartWidget(tLySongPart part) const {
    return part == sdRating ? static_cast<QWidget*>(FPntRating) : FLabels[part];
}

// --- actions ---------------------------------------------------------------------------------

bool TLySongPropertiesInfo::CanChangeSongs() const {
    if (FFrozen || !FSelection || !FProperties || FSelection->Count() == 0)
        return false;
    const TLyMatchResult* result = FSelection->MatchResult();
    return !result || result->CanChangeSongs();
}

void TLySongPropertiesInfo::SetPart(tLySongPart part) {
    FPart = part;
    UpdateActions();
}

void TLySongPropertiesInfo::UpdateActions() {
    const QString partName = SongPartName(FPart);
    for (int side = 0; side < 2; ++side) {
        QString text = FSelection ? Merged(side, true)->GetText(FPart) : kNoValue;
        if (text != kMultipleValues && text != kNoValue) {
            if (FPart == sdPlayCount)
                text = ArFormat(QStringLiteral("Played %s times"), {text});
            else if (FPart == sdRating)
                text = ArFormat(QStringLiteral("%s stars"), {text});
        }
        QAction* action = side == 0 ? FActUseOne : FActUseTwo;
        action->setText(EscapeMnemonics(
            ArFormat(QStringLiteral("Use \"%s\" from \"%s\""), {text, LibraryName(side)})));
        action->setEnabled(CanChangeSongs() && CanUse(FPart));
    }
    FActRevert->setText(ArFormat(QStringLiteral("&Revert %s"), {partName}));
    FActRevert->setEnabled(CanChangeSongs() && CanRevert(FPart));
    FActEdit->setText(ArFormat(QStringLiteral("Use &Other Value for %s..."), {partName}));
    FActEdit->setEnabled(CanChangeSongs());
}

void TLySongPropertiesInfo::Trigger(QAction* action) {
    UpdateActions();
    if (action->isEnabled())
        action->trigger();
}

void TLySongPropertiesInfo::UseFrom(int side) {
    if (!CanChangeSongs())
        return;
    LyGuarded(this, [&] {
        FSelection->CopyPartFrom(side, FPart);
        AfterEdit();
    });
}

void TLySongPropertiesInfo::Revert() {
    if (!CanChangeSongs())
        return;
    LyGuarded(this, [&] {
        FSelection->RevertPart(FPart);
        AfterEdit();
    });
}

void TLySongPropertiesInfo::Edit() {
    if (!CanChangeSongs())
        return;
    LyGuarded(this, [&] {
        TLySongPropertyForm form(this);
        form.SetOptions(ProjectOptions());
        form.SetSelection(FSelection, FPart);
        if (TLyDialogs::Exec(&form) != QDialog::Accepted || !CanChangeSongs())
            return;
        FSelection->SetValue(FPart, form.Value());
        AfterEdit();
    });
}

void TLySongPropertiesInfo::AfterEdit() {
    // An edit of a match result's songs ends its update, which refreshes every view already.
    if (View() && !FSelection->MatchResult())
        View()->RequestRefresh();
}

// --- mouse -----------------------------------------------------------------------------------

bool TLySongPropertiesInfo::PartAt(QObject* widget, tLySongPart* part) const {
    for (int i = sdName; i <= sdRating; ++i)
        if (PartWidget(tLySongPart(i)) == widget) {
            *part = tLySongPart(i);
            return true;
        }
    return false;
}

bool TLySongPropertiesInfo::eventFilter(QObject* watched, QEvent* event) {
    tLySongPart part = sdName;
    if (!PartAt(watched, &part))
        return TLyBaseView::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Enter:
        FHovered = part;
        ApplyLook(part, true);
        break;
    case QEvent::Leave:
        FHovered = -1;
        ApplyLook(part, false);
        break;
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        MousePressed(part, mouse->button(), mouse->modifiers(), mouse->globalPosition().toPoint());
        return true;
    }
    default:
        break;
    }
    return false;
}

void TLySongPropertiesInfo::MousePressed(tLySongPart part, Qt::MouseButton button,
                                         Qt::KeyboardModifiers modifiers, const QPoint& globalPos) {
    if (button == Qt::RightButton) {
        SetPart(part);
        FMnuPopup->popup(globalPos);
        return;
    }
    if (button != Qt::LeftButton)
        return;
    SetPart(part);
    if (modifiers & Qt::ControlModifier)
        Trigger(FActEdit);
    else if (modifiers & Qt::ShiftModifier)
        Trigger(FActRevert);
    else
        Trigger(Side() == 0 ? FActUseOne : FActUseTwo);
}
