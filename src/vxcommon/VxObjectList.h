// A list of object pointers that either owns its objects or only refers to them, as fixed when
// it is created.
#pragma once

#include "ArExceptions.h"

#include <QList>

#include <algorithm>

// An index outside a list.
class EVxListError : public Exception {
public:
    using Exception::Exception;
};

template <typename T>
class TVxObjectList {
public:
    explicit TVxObjectList(bool ownsObjects)
        : FOwnsObjects(ownsObjects) {}
    TVxObjectList(const TVxObjectList&) = delete;
    TVxObjectList& operator=(const TVxObjectList&) = delete;
    virtual ~TVxObjectList() { Clear(); }

    bool OwnsObjects() const { return FOwnsObjects; }
    int Count() const { return int(FItems.size()); }
    bool IsEmpty() const { return FItems.isEmpty(); }
    void Reserve(int capacity) { FItems.reserve(capacity); }

    // Bounds-checked access; an index outside the list raises EVxListError.
    T* Items(int index) const {
        CheckIndex(index);
        return FItems.at(index);
    }
    T* First() const { return Items(0); }
    T* Last() const { return Items(Count() - 1); }
    int IndexOf(const T* item) const { return int(FItems.indexOf(const_cast<T*>(item))); }
    bool Contains(const T* item) const { return FItems.contains(const_cast<T*>(item)); }

    int Add(T* item) {
        FItems.append(item);
        return Count() - 1;
    }
    void Insert(int index, T* item) {
        if (index != Count())
            CheckIndex(index);
        FItems.insert(index, item);
    }
    // Removes the item at `index`, freeing it when the list owns its objects.
    void Delete(int index) {
        T* item = Extract(index);
        if (FOwnsObjects)
            delete item;
    }
    // Removes the first occurrence of `item` (freeing it when owned); returns its former index
    // or -1.
    int Remove(const T* item) {
        const int index = IndexOf(item);
        if (index >= 0)
            Delete(index);
        return index;
    }
    // Removes the item at `index` without freeing it; the caller takes it.
    T* Extract(int index) {
        CheckIndex(index);
        return FItems.takeAt(index);
    }
    // Removes every item `remove` answers true for (freeing it when owned) in one pass, keeping
    // the order of the rest; returns how many went.
    template <class TPredicate>
    int DeleteIf(TPredicate remove) {
        const auto kept = std::stable_partition(FItems.begin(), FItems.end(),
                                                [&](T* item) { return !remove(item); });
        const QList<T*> gone(kept, FItems.end());
        FItems.erase(kept, FItems.end());
        if (FOwnsObjects)
            qDeleteAll(gone);
        return int(gone.size());
    }
    void Clear() {
        QList<T*> items;
        items.swap(FItems);
        if (FOwnsObjects)
            qDeleteAll(items);
    }

    typename QList<T*>::const_iterator begin() const { return FItems.cbegin(); }
    typename QList<T*>::const_iterator end() const { return FItems.cend(); }
    const QList<T*>& AsList() const { return FItems; }

private:
    void CheckIndex(int index) const {
        if (index < 0 || index >= Count())
            throw EVxListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    }

    QList<T*> FItems;
    const bool FOwnsObjects;
};
