#include "VxLookupObjectList.h"

#include "ArExceptions.h"

#include <utility>

LY_UNIT("Units/VxLists")

QString TVxLookupObjectListBase::KeyOf(const QString& name) const {
    return name.toLower();
}

void TVxLookupObjectListBase::Next() {
    LY_ASSERT(!Done());
    ++FIndex;
}

void TVxLookupObjectListBase::AddItem(const QString& name, void* object) {
    LY_ASSERT(object != nullptr);
    LY_ASSERT_MSG(!Contains(name), "Use ReplaceByName instead");
    LY_ASSERT_MSG(!ContainsItem(object), "Cannot add an object more than once");
    FItems.append(TEntry{KeyOf(name), object});
}

void* TVxLookupObjectListBase::ReplaceItem(const QString& name, void* object) {
    LY_ASSERT(object != nullptr);
    const int index = IndexOfName(name);
    if (index < 0) {
        AddItem(name, object);
        return nullptr;
    }
    void*& slot = FItems[index].Object;
    if (slot == object)
        return nullptr;
    LY_ASSERT_MSG(!ContainsItem(object), "Cannot add an object more than once");
    return std::exchange(slot, object);
}

void* TVxLookupObjectListBase::FindItem(const QString& name) const {
    const int index = IndexOfName(name);
    return index < 0 ? nullptr : FItems.at(index).Object;
}

bool TVxLookupObjectListBase::ContainsItem(const void* object) const {
    return IndexOfObject(object) >= 0;
}

void* TVxLookupObjectListBase::ItemAt(int index) const {
    LY_ASSERT(index >= 0 && index < Count());
    return FItems.at(index).Object;
}

void* TVxLookupObjectListBase::CurrentItem() const {
    LY_ASSERT(!Done());
    return FItems.at(FIndex).Object;
}

QList<void*> TVxLookupObjectListBase::TakeAll() {
    QList<void*> objects;
    objects.reserve(FItems.size());
    for (const TEntry& entry : std::as_const(FItems))
        objects.append(entry.Object);
    FItems.clear();
    FIndex = 0;
    return objects;
}

int TVxLookupObjectListBase::IndexOfName(const QString& name) const {
    const QString key = KeyOf(name);
    for (int i = 0; i < Count(); ++i)
        if (FItems.at(i).Key == key)
            return i;
    return -1;
}

int TVxLookupObjectListBase::IndexOfObject(const void* object) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems.at(i).Object == object)
            return i;
    return -1;
}
