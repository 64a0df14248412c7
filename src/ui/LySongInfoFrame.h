// The song information page: the selected songs' values four times, as read from library One
// and library Two and as they will be written to each, one panel per group box.
#pragma once

#include "LyBaseFrame.h"

class QGroupBox;
class TLySongPropertiesInfo;
class TLySongSelection;
class TLyView;

class TLySongInfo : public TLyBase {
    Q_OBJECT
public:
    enum TPanel { OriginalOne, OriginalTwo, FinalOne, FinalTwo };

    explicit TLySongInfo(QWidget* parent = nullptr);
    ~TLySongInfo() override;

    // The view of the list the page belongs to (not owned): handed to the panels, which freeze
    // while its songs change; the group captions name its project's libraries.
    void SetView(TLyView* view);
    TLyView* View() const { return FView; }
    // The list's selection (not owned): each panel listens to it and shows one of its merged
    // objects; null detaches them, which a selection freed before the page needs first. The
    // list keeps it to its selected rows and refills it after each refresh of its view.
    void SetSelection(TLySongSelection* selection);
    TLySongSelection* Selection() const { return FSelection; }
    // Shows the captions and values again (library names changed).
    void Refresh();

    QGroupBox* Group(TPanel panel) const { return FGroups[panel]; }
    TLySongPropertiesInfo* Panel(TPanel panel) const { return FPanels[panel]; }

protected:
    void Finalise() override;

private:
    TLyView* FView = nullptr;
    TLySongSelection* FSelection = nullptr;
    QGroupBox* FGroups[4] = {};
    TLySongPropertiesInfo* FPanels[4] = {};
};
