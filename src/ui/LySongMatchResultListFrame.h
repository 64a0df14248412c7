// The list frame of one song page: the page with its song list and filter bar, the actions that
// review and change its songs, the song information and best-matches tools under the list, the
// status line, and the song selection that drives the song information.
#pragma once

#include "LyBaseViewFrame.h"
#include "LySongSelection.h"
#include "LyTypes.h"

#include <QList>

#include <memory>

class QAction;
class QLabel;
class QTabWidget;
class TLySong;
class TLySongInfo;
class TLySongListView;
class TLySongPage;
class TLyTimer;

class TLySongMatchResultList : public TLyBaseView, public ILySongSelectionListener {
    Q_OBJECT
public:
    // Shows `page` (owned) and contributes the actions to it.
    explicit TLySongMatchResultList(TLySongPage* page, QWidget* parent = nullptr);
    ~TLySongMatchResultList() override;

    TLySongPage* Page() const { return FPage; }
    TLySongListView* FrmSongList() const;
    QTabWidget* PageTools() const;
    TLySongInfo* FrmSongInfo() const { return FFrmSongInfo; }
    // Null on pages without best matches.
    TLySongListView* FrmBestMatches() const { return FFrmBestMatches; }
    QLabel* StatusBar() const { return FStatusBar; }
    TLySongSelection* Selection() const { return FSelection.get(); }
    TLyTimer* TmrSelection() const { return FTmrSelection; }
    // The tab sheet that shows this frame, whose caption follows the view; null: none.
    void SetTabSheet(QTabWidget* tabs);

    QAction* ActUseOne(tLySongPart part) const { return FActUseOne[part]; }
    QAction* ActUseTwo(tLySongPart part) const { return FActUseTwo[part]; }
    // Name, artist, album or genre.
    QAction* ActEdit(tLySongPart part) const { return FActEdit[part]; }
    QAction* ActCombineSelected() const { return FActCombineSelected; }
    QAction* ActSplitSelected() const { return FActSplitSelected; }
    QAction* ActSynchronizeSelected() const { return FActSynchronizeSelected; }
    QAction* ActSynchronizeAll() const { return FActSynchronizeAll; }
    QAction* ActRevertSelected() const { return FActRevertSelected; }
    QAction* ActRevertAll() const { return FActRevertAll; }
    QAction* ActMatchSelected() const { return FActMatchSelected; }
    QAction* ActMatchAll() const { return FActMatchAll; }
    QAction* ActSetAsDefaultView() const { return FActSetAsDefaultView; }
    QAction* ActToggleSongInfo() const { return FActToggleSongInfo; }
    // Every action the frame contributes, the Use and Edit items included.
    QList<QAction*> Actions() const;

    // The page title: the library's name on a library's page, else the view's name.
    QString PageTitle() const;
    QString StatusText() const;
    QString TabCaption() const;

    void ApplyViewOptions() override;
    // Also records whether this frame's tab and the best-matches tools page are the active ones.
    void StoreViewOptions() override;
    // The enabled rules; run whenever the event loop is about to wait.
    void UpdateActions();
    // Rebuilds the song selection from the selected rows now, if the timer is pending.
    void FlushSelection();
    void SelectionChanged(TLySongSelection* selection) override;

Q_SIGNALS:
    // This frame's view layout was copied into every other view options of the window.
    void DefaultsSet();
    // The user asked to match these unmatched songs of the project's own match result; the
    // window that owns the pages runs the matching flow (a match window holds pages itself).
    void MatchRequested(const QList<TLySong*>& songs);

protected:
    void ViewChanged() override;
    void OwnerChanging(TLyProcess* process) override;
    void TaskStarted(ILyProcessTask* task) override;
    void TaskFinished(ILyProcessTask* task) override;
    void Finalise() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* NewAction(const char* name, const char* caption, const QKeySequence& shortcut,
                       void (TLySongMatchResultList::*slot)());
    bool IsOwnMainTask(ILyProcessTask* task) const;
    bool CanChangeSongs() const;
    void RebuildSelection();
    void ClearSelection();
    void ShowStatus();
    void ShowSongInfo(bool show);
    void UseFrom(int side, tLySongPart part);
    void Edit(tLySongPart part);
    void CombineSelected();
    void SplitSelected();
    void SynchronizeSelected();
    void SynchronizeAll();
    void RevertSelected();
    void RevertAll();
    void Revert(bool all);
    void MatchSelected();
    void MatchAll();
    void Match(const QList<TLySong*>& songs);
    void SetAsDefaultView();
    void ToggleSongInfo();
    bool AskTransferOptions();
    // The song the best-matches list has selected, when exactly one is.
    TLySong* ChosenBestMatch() const;

    TLySongPage* FPage;
    TLySongInfo* FFrmSongInfo;
    TLySongListView* FFrmBestMatches = nullptr;
    QLabel* FStatusBar;
    QTabWidget* FTabs = nullptr;
    std::unique_ptr<TLySongSelection> FSelection;
    TLyTimer* FTmrSelection;
    QAction* FActUseOne[kLySongPartCount] = {};
    QAction* FActUseTwo[kLySongPartCount] = {};
    QAction* FActEdit[kLySongPartCount] = {};
    QAction* FActCombineSelected;
    QAction* FActSplitSelected;
    QAction* FActSynchronizeSelected;
    QAction* FActSynchronizeAll;
    QAction* FActRevertSelected;
    QAction* FActRevertAll;
    QAction* FActMatchSelected;
    QAction* FActMatchAll;
    QAction* FActSetAsDefaultView;
    QAction* FActToggleSongInfo;
    // A short note that replaces the status line until it is next refreshed.
    QString FNote;
};
