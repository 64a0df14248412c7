// The engine's menu interface over a QMenu. Items run their action guarded from the event
// loop, after the menu's own signal has returned: an action may rebuild the very menu it came
// from.
#pragma once

#include "LyMenu.h"

#include <QMenu>
#include <QPointer>

#include <memory>
#include <vector>

class TLyMenuAdapter : public ILyMenu {
public:
    explicit TLyMenuAdapter(QMenu* menu);
    ~TLyMenuAdapter() override;

    QMenu* Menu() const { return FMenu; }
    void Clear() override;
    void AddItem(const QString& caption, bool checked, bool enabled, int tag,
                 std::function<void()> action) override;
    ILyMenu* AddSubMenu(const QString& caption) override;

private:
    QPointer<QMenu> FMenu;
    std::vector<std::unique_ptr<TLyMenuAdapter>> FSubMenus;
};
