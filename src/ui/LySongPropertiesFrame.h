// One panel of the song information page: the values of the selected songs in one library,
// as read (original) or as they will be written (current), part by part, with the actions that
// take a value from a library, revert it or set another one for every selected song.
//
// The update rule: the panel shows only the selection's merged values, which are copies. Its
// actions read and change the selected songs, so from OwnerChanging of its view's process
// (the songs are about to change and may be freed) until the next refresh of that view
// finishes, the panel is frozen: every action is disabled and clicks do nothing. The list that
// fills the selection refills it from that refresh's rows.
#pragma once

#include "LyBaseViewFrame.h"
#include "LySongCells.h"
#include "LySongSelection.h"

#include <QColor>

class QAction;
class QLabel;
class QMenu;
class TLyProjectOptions;
class TLyRatingBox;

class TLySongPropertiesInfo : public TLyBaseView, public ILySongSelectionListener {
    Q_OBJECT
public:
    explicit TLySongPropertiesInfo(QWidget* parent = nullptr);
    ~TLySongPropertiesInfo() override;

    // Listens to `selection` (leaving the previous one) and shows `properties`, one of its four
    // merged objects; null for both detaches.
    void SetSelection(TLySongSelection* selection, TLySongSelectionProperties* properties);
    TLySongSelection* Selection() const { return FSelection; }
    TLySongSelectionProperties* Properties() const { return FProperties; }
    // Shows the merged values again.
    void Refresh();
    bool Frozen() const { return FFrozen; }

    // The label of a part; the rating has the rating box instead (null here).
    QLabel* Label(tLySongPart part) const;
    // The label, or the rating box for the rating: what the mouse acts on.
    QWidget* PartWidget(tLySongPart part) const;
    QMenu* MnuPopup() const { return FMnuPopup; }
    QAction* ActUseOne() const { return FActUseOne; }
    QAction* ActUseTwo() const { return FActUseTwo; }
    QAction* ActRevert() const { return FActRevert; }
    QAction* ActEdit() const { return FActEdit; }
    // The part the mouse last acted on; the actions act on it.
    tLySongPart Part() const { return FPart; }
    // Remembers the part and sets the actions' captions and enabled states for it.
    void SetPart(tLySongPart part);

    // What the panel shows for a part: its colour, its text, and the rating box's stars.
    tLyCellColour PartColour(tLySongPart part) const;
    QString PartText(tLySongPart part) const;
    int StarCount() const;
    QString StarPicture() const;
    // A library's value can be taken for the part.
    bool CanUse(tLySongPart part) const;
    // The part was modified on either side.
    bool CanRevert(tLySongPart part) const;
    // The painted colour, with readable variants on a dark palette.
    QColor Colour(tLyCellColour colour) const;
    // The library's name, or "One" / "Two" without a view of a project.
    QString LibraryName(int side) const;
    // The project's options (for the names), or null.
    TLyProjectOptions* ProjectOptions() const;

    void SelectionChanged(TLySongSelection* selection) override;

protected:
    void ViewChanged() override;
    void OwnerChanging(TLyProcess* process) override;
    void TaskFinished(ILyProcessTask* task) override;
    void Finalise() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TLyRatingBox;
    // The selection's merged object of `side`, original or current; null without a selection.
    TLySongSelectionProperties* Merged(int side, bool original) const;
    int Side() const { return FProperties ? FProperties->Side() : 0; }
    bool CanChangeSongs() const;
    void UpdateActions();
    // The part's colour in normal style, or the hover look over it.
    void ApplyLook(tLySongPart part, bool hovered);
    bool PartAt(QObject* widget, tLySongPart* part) const;
    void MousePressed(tLySongPart part, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                      const QPoint& globalPos);
    void Trigger(QAction* action);
    void UseFrom(int side);
    void Revert();
    void Edit();
    void AfterEdit();

    TLySongSelection* FSelection = nullptr;
    TLySongSelectionProperties* FProperties = nullptr;
    QLabel* FLabels[kLySongPartCount] = {};
    TLyRatingBox* FPntRating;
    QMenu* FMnuPopup;
    QAction* FActUseOne;
    QAction* FActUseTwo;
    QAction* FActRevert;
    QAction* FActEdit;
    tLySongPart FPart = sdName;
    // The part under the mouse, or -1.
    int FHovered = -1;
    bool FFrozen = false;
    TLyView* FShownView = nullptr;
};
