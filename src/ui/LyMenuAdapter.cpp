#include "LyMenuAdapter.h"

#include "LyGuard.h"

#include <QAction>

TLyMenuAdapter::TLyMenuAdapter(QMenu* menu)
    : FMenu(menu) {}

TLyMenuAdapter::~TLyMenuAdapter() = default;

void TLyMenuAdapter::Clear() {
    FSubMenus.clear();
    if (!FMenu)
        return;
    // Deleted later: the action being triggered may be one of them.
    const QList<QAction*> actions = FMenu->actions();
    for (QAction* action : actions) {
        FMenu->removeAction(action);
        if (QMenu* sub = action->menu())
            sub->deleteLater();
        if (action->parent() == FMenu.data())
            action->deleteLater();
    }
}

void TLyMenuAdapter::AddItem(const QString& caption, bool checked, bool enabled, int tag,
                             std::function<void()> action) {
    if (!FMenu)
        return;
    QAction* item = FMenu->addAction(caption);
    item->setCheckable(true);
    item->setChecked(checked);
    item->setEnabled(enabled);
    item->setData(tag);
    QWidget* context = FMenu->parentWidget() ? FMenu->parentWidget() : FMenu.data();
    QObject::connect(item, &QAction::triggered, item,
                     [context, action = std::move(action)] { LyGuardedLater(context, action); });
}

ILyMenu* TLyMenuAdapter::AddSubMenu(const QString& caption) {
    if (!FMenu)
        return nullptr;
    QMenu* sub = FMenu->addMenu(caption);
    FSubMenus.push_back(std::make_unique<TLyMenuAdapter>(sub));
    return FSubMenus.back().get();
}
