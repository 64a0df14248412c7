// The base of the song pages: a song list with a tool bar, a filter box and (on most pages) a
// filter list around it, and the page's pop-up menu. A page owns its filter actions; the
// actions that work on songs belong to the page's owner, who contributes them by item: the
// page places each where the order of its tool bar and menu puts it.
#pragma once

#include "LyBaseViewFrame.h"
#include "LySongSelection.h"
#include "LyTypes.h"

#include <QHash>
#include <QList>

#include <optional>

class QAction;
class QComboBox;
class QKeySequence;
class QLineEdit;
class QMenu;
class QSplitter;
class QTabWidget;
class QToolBar;
class TLySongListView;

// The places of a page's tool bar and pop-up menu.
enum tLyPageItem {
    piSeparator,
    piToggleSelected,
    piUseOne,
    piUseTwo,
    piEdit,
    piCombine,
    piSplit,
    piSynchronizeSelected,
    piSynchronizeAll,
    piRevertSelected,
    piRevertAll,
    piMatchSelected,
    piMatchAll,
    piClearFilter,
    piToggleSongInfo,
    piSetAsDefaultView,
    piLoadLibraries,
    piExportToITunes,
    piExportToFile,
};

// One entry of a page's filter list and what choosing it writes into the view options.
struct TLyFilterEntry {
    QString Caption;
    tLySongFilterOptionSet Options;
    // Set on the entries that filter by one part.
    std::optional<tLySongPart> Part;
};

// Where a page's filter list stands: none, after the filter box or before it.
enum tLyFilterListPlace { flNone, flAfterBox, flBeforeBox };

class TLySongPage : public TLyBaseView, public ILySongSelectionListener {
    Q_OBJECT
public:
    ~TLySongPage() override;

    TLySongListView* FrmSongList() const { return FFrmSongList; }
    QToolBar* ToolBar() const { return FToolBar; }
    QLineEdit* EdtFilter() const { return FEdtFilter; }
    // Null on a page without a filter list.
    QComboBox* CmbFilter() const { return FCmbFilter; }
    QMenu* PopupMenu() const { return FPopupMenu; }
    QMenu* MnuUseOne() const { return FMnuUseOne; }
    QMenu* MnuUseTwo() const { return FMnuUseTwo; }
    QMenu* MnuEdit() const { return FMnuEdit; }
    // The tools pages under the list (song information, best matches); hidden while empty.
    QTabWidget* PageTools() const { return FPageTools; }
    QAction* ActClearFilter() const { return FActClearFilter; }
    // Choose the first, second and third filter entry; null where the page has none.
    QAction* ActShowAll() const { return FActShow.value(0); }
    QAction* ActShowOneOnly() const { return FActShow.value(1); }
    QAction* ActShowTwoOnly() const { return FActShow.value(2); }

    // The owner's actions for `item`: one action, or the items of the submenu (Use One, Use
    // Two, Edit). They take their places in the tool bar and the menu, and their shortcuts
    // work while the focus is anywhere in the page. Not owned.
    void Contribute(tLyPageItem item, const QList<QAction*>& actions);
    // The actions in the item's place: the page's own, the owner's, or the submenu's action.
    QList<QAction*> ItemActions(tLyPageItem item) const;
    // The selection whose changes the page follows; not owned (null: none). The owner sets
    // null before the selection goes.
    void SetSongSelection(TLySongSelection* selection);

    // The filter list's entries for the library names at the last ApplyViewOptions.
    const QList<TLyFilterEntry>& FilterEntries() const { return FEntries; }
    // The entry that matches the view's filter options, or -1.
    int EntryInForce() const;
    // Writes entry `index` into the view options and refreshes the view.
    void ChooseFilter(int index);
    // An inactive filter list is hidden, and its entries and Show actions do nothing.
    void SetFilterListActive(bool active);

    void ApplyViewOptions() override;
    void StoreViewOptions() override;
    void SelectionChanged(TLySongSelection*) override {}
    // The enabled rules of the page's actions; run whenever the event loop is about to wait.
    virtual void UpdateActions();

protected:
    // `toolBar` and `menu` list the items in order. A page's constructor ends with
    // ApplyViewOptions(), which makes its filter entries.
    TLySongPage(QList<tLyPageItem> toolBar, QList<tLyPageItem> menu, tLyFilterListPlace filterList,
                QWidget* parent);

    virtual QList<TLyFilterEntry> MakeFilterEntries() const { return {}; }
    // Refills the tool bar and the menus from the items.
    virtual void RebuildMenus();
    // A page's own action for `item`, its shortcut working anywhere in the page.
    void SetOwnAction(tLyPageItem item, QAction* action);
    QAction* AddShowAction(const QString& name, const QString& caption,
                           const QKeySequence& shortcut);
    QSplitter* Splitter() const { return FSplitter; }
    // Library `side`'s name, "One" or "Two" without a project.
    QString LibraryName(int side) const;
    // The view belongs to the project's own match result, not to a match window's.
    bool ViewOfOwnResult() const;

    void ViewChanged() override;
    void TaskFinished(ILyProcessTask* task) override;

private:
    void ShowFilterText();

    TLySongListView* FFrmSongList;
    QSplitter* FSplitter;
    QTabWidget* FPageTools;
    QToolBar* FToolBar;
    QLineEdit* FEdtFilter;
    QComboBox* FCmbFilter = nullptr;
    QMenu* FPopupMenu;
    QMenu* FMnuUseOne;
    QMenu* FMnuUseTwo;
    QMenu* FMnuEdit;
    QAction* FActClearFilter;
    QList<QAction*> FActShow;
    QList<tLyPageItem> FToolBarItems;
    QList<tLyPageItem> FMenuItems;
    QList<TLyFilterEntry> FEntries;
    // The actions in each item's place (a submenu's own action for Use One, Use Two and Edit),
    // and those the owner gave for it.
    QHash<int, QList<QAction*>> FItems;
    QHash<int, QList<QAction*>> FContributed;
    TLySongSelection* FSelection = nullptr;
    // Set while the page writes into its own filter box and list.
    bool FShowing = false;
    bool FFilterListActive = true;
};
