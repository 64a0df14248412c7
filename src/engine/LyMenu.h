// The menus a view fills (columns, sort order), as the engine sees them: the user interface
// implements this over its own menu class, so the engine stays free of widgets.
#pragma once

#include <QString>

#include <functional>

class ILyMenu {
public:
    virtual ~ILyMenu() = default;
    // Removes every item and sub menu.
    virtual void Clear() = 0;
    // `action` runs when the user picks the item.
    virtual void AddItem(const QString& caption, bool checked, bool enabled, int tag,
                         std::function<void()> action) = 0;
    // A sub menu owned by this menu.
    virtual ILyMenu* AddSubMenu(const QString& caption) = 0;
};
