#include "LySongPageFrame.h"

#include "LyGuard.h"
#include "LyIdleUpdate.h"
#include "LyMatchResult.h"
#include "LyOptions.h"
#include "LyProject.h"
#include "LySongListFrame.h"
#include "LyView.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QString EscapeMnemonics(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

TLySongPage::TLySongPage(QList<tLyPageItem> toolBar, QList<tLyPageItem> menu,
                         tLyFilterListPlace filterList, QWidget* parent)
    : TLyBaseView(parent)
    , FFrmSongList(new TLySongListView)
    , FSplitter(new QSplitter(Qt::Vertical, this))
    , FPageTools(new QTabWidget)
    , FToolBar(new QToolBar(this))
    , FEdtFilter(new QLineEdit(this))
    , FPopupMenu(new QMenu(this))
    , FMnuUseOne(new QMenu(QStringLiteral("Use One"), this))
    , FMnuUseTwo(new QMenu(QStringLiteral("Use Two"), this))
    , FMnuEdit(new QMenu(QStringLiteral("&Edit"), this))
    , FActClearFilter(new QAction(QStringLiteral("Clear &Filter"), this))
    , FToolBarItems(std::move(toolBar))
    , FMenuItems(std::move(menu)) {
    FEdtFilter->setObjectName(QStringLiteral("EdtFilter"));
    FActClearFilter->setObjectName(QStringLiteral("ActClearFilter"));
    FToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    FEdtFilter->setPlaceholderText(QStringLiteral("Filter"));
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(0, 0, 0, 0);
    bar->addWidget(FToolBar);
    bar->addWidget(FEdtFilter, 1);
    if (filterList != flNone) {
        FCmbFilter = new QComboBox(this);
        FCmbFilter->setObjectName(QStringLiteral("CmbFilter"));
        FCmbFilter->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        bar->insertWidget(filterList == flBeforeBox ? 1 : 2, FCmbFilter);
        if (filterList == flBeforeBox)
            setTabOrder(FCmbFilter, FEdtFilter); // Tab follows the boxes as they stand
        connect(FCmbFilter, &QComboBox::activated, this,
                [this](int index) { LyGuarded(this, [&] { ChooseFilter(index); }); });
    }
    FSplitter->addWidget(FFrmSongList);
    FSplitter->addWidget(FPageTools);
    FSplitter->setStretchFactor(0, 3);
    FSplitter->setStretchFactor(1, 1);
    FSplitter->setChildrenCollapsible(false);
    FPageTools->setObjectName(QStringLiteral("PageTools"));
    FPageTools->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(FSplitter, 1);

    SetOwnAction(piClearFilter, FActClearFilter);
    SetOwnAction(piToggleSelected, FFrmSongList->ActToggleSelected());
    FFrmSongList->SetPopupMenu(FPopupMenu);
    connect(FEdtFilter, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!FShowing)
            LyGuarded(this, [&] { SetFilterText(text); });
    });
    connect(FActClearFilter, &QAction::triggered, this, [this] {
        if (FActClearFilter->isEnabled())
            FEdtFilter->clear();
    });
    LyUpdateWhenIdle(this, [this] { UpdateActions(); });
}

TLySongPage::~TLySongPage() {
    SetSongSelection(nullptr);
    EnsureFinalised();
}

void TLySongPage::SetOwnAction(tLyPageItem item, QAction* action) {
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(action);
    FItems.insert(item, {action});
    RebuildMenus();
}

QAction* TLySongPage::AddShowAction(const QString& name, const QString& caption,
                                    const QKeySequence& shortcut) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(action);
    const int index = int(FActShow.size());
    FActShow.append(action);
    connect(action, &QAction::triggered, this, [this, action, index] {
        if (action->isEnabled())
            LyGuarded(this, [&] { ChooseFilter(index); });
    });
    return action;
}

void TLySongPage::Contribute(tLyPageItem item, const QList<QAction*>& actions) {
    // The actions given before for the item leave, shortcuts included.
    for (QAction* old : FContributed.value(item))
        removeAction(old);
    FContributed.insert(item, actions);
    for (QAction* action : actions) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    QMenu* sub = item == piUseOne   ? FMnuUseOne
                 : item == piUseTwo ? FMnuUseTwo
                 : item == piEdit   ? FMnuEdit
                                    : nullptr;
    if (sub) {
        sub->clear();
        sub->addActions(actions);
        FItems.insert(item, actions.isEmpty() ? QList<QAction*>{} : QList{sub->menuAction()});
    } else {
        FItems.insert(item, actions);
    }
    RebuildMenus();
}

QList<QAction*> TLySongPage::ItemActions(tLyPageItem item) const {
    return FItems.value(item);
}

void TLySongPage::RebuildMenus() {
    FToolBar->clear();
    for (tLyPageItem item : FToolBarItems)
        FToolBar->addActions(ItemActions(item));
    // A separator only between two groups that both hold something.
    FPopupMenu->clear();
    bool separate = false;
    for (tLyPageItem item : FMenuItems) {
        if (item == piSeparator) {
            separate = !FPopupMenu->actions().isEmpty();
            continue;
        }
        const QList<QAction*> actions = ItemActions(item);
        if (actions.isEmpty())
            continue;
        if (separate)
            FPopupMenu->addSeparator();
        separate = false;
        FPopupMenu->addActions(actions);
    }
}

void TLySongPage::SetSongSelection(TLySongSelection* selection) {
    if (selection == FSelection)
        return;
    if (FSelection)
        FSelection->RemoveListener(this);
    FSelection = selection;
    if (FSelection)
        FSelection->AddListener(this);
}

// --- view and filter ----------------------------------------------------------------------

QString TLySongPage::LibraryName(int side) const {
    if (TLyProject* project = Project())
        return (side == 0 ? project->Options()->LibraryOne() : project->Options()->LibraryTwo())
            ->Name();
    return side == 0 ? QStringLiteral("One") : QStringLiteral("Two");
}

bool TLySongPage::ViewOfOwnResult() const {
    TLyProject* project = Project();
    return project && View()->MatchResult() == project->MatchResult();
}

void TLySongPage::ViewChanged() {
    FFrmSongList->SetView(View());
    TLyBaseView::ViewChanged();
}

void TLySongPage::TaskFinished(ILyProcessTask* task) {
    if (View() && task->IsMainTask() && task->Process() == View()->Process())
        ShowFilterText();
}

void TLySongPage::ShowFilterText() {
    const TLyViewOptions* options = View() ? View()->Options() : nullptr;
    const QString text = options ? options->FilterText() : QString();
    // Only a different text is written: writing moves the cursor to the end.
    if (FEdtFilter->text() == text)
        return;
    FShowing = true;
    FEdtFilter->setText(text);
    FShowing = false;
}

int TLySongPage::EntryInForce() const {
    const TLyViewOptions* options = View() ? View()->Options() : nullptr;
    if (!options)
        return -1;
    for (int i = 0; i < FEntries.size(); ++i) {
        const TLyFilterEntry& entry = FEntries.at(i);
        if (entry.Options == options->FilterOptions() &&
            (!entry.Part || *entry.Part == options->FilterPart()))
            return i;
    }
    return -1;
}

void TLySongPage::ChooseFilter(int index) {
    TLyViewOptions* options = View() ? View()->Options() : nullptr;
    if (!options || !FFilterListActive || index < 0 || index >= FEntries.size())
        return;
    const TLyFilterEntry& entry = FEntries.at(index);
    options->SetFilterOptions(entry.Options);
    if (entry.Part)
        options->SetFilterPart(*entry.Part);
    if (FCmbFilter)
        FCmbFilter->setCurrentIndex(index);
    View()->RequestRefresh();
}

void TLySongPage::SetFilterListActive(bool active) {
    FFilterListActive = active;
    if (FCmbFilter)
        FCmbFilter->setVisible(active);
    UpdateActions();
}

void TLySongPage::ApplyViewOptions() {
    FMnuUseOne->setTitle(QStringLiteral("Use %1").arg(EscapeMnemonics(LibraryName(0))));
    FMnuUseTwo->setTitle(QStringLiteral("Use %1").arg(EscapeMnemonics(LibraryName(1))));
    ShowFilterText();
    FEdtFilter->setEnabled(View() != nullptr);
    FEntries = MakeFilterEntries();
    if (FCmbFilter) {
        // Filled anew: the entries carry the library names.
        FCmbFilter->clear();
        for (const TLyFilterEntry& entry : FEntries)
            FCmbFilter->addItem(entry.Caption);
        FCmbFilter->setCurrentIndex(EntryInForce());
        FCmbFilter->setEnabled(View() != nullptr);
    }
    UpdateActions();
}

void TLySongPage::StoreViewOptions() {
    FFrmSongList->StoreViewOptions();
}

void TLySongPage::UpdateActions() {
    const TLyViewOptions* options = View() ? View()->Options() : nullptr;
    const bool canChange = CanChange() && options;
    FActClearFilter->setEnabled(canChange && !options->FilterText().isEmpty());
    const int inForce = canChange ? EntryInForce() : -1;
    for (int i = 0; i < FActShow.size(); ++i)
        FActShow.at(i)->setEnabled(canChange && FFilterListActive && inForce != i);
}
