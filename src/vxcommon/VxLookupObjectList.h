// A small registry of named objects that it owns, kept in the order they were added.
#pragma once

#include <QList>
#include <QString>

// The untyped part of TVxLookupObjectList: keys, order, the built-in cursor and the checks.
class TVxLookupObjectListBase {
public:
    TVxLookupObjectListBase() = default;
    TVxLookupObjectListBase(const TVxLookupObjectListBase&) = delete;
    TVxLookupObjectListBase& operator=(const TVxLookupObjectListBase&) = delete;
    virtual ~TVxLookupObjectListBase() = default;

    // The key a name is registered under: the name lower-cased.
    virtual QString KeyOf(const QString& name) const;

    int Count() const { return int(FItems.size()); }
    bool Contains(const QString& name) const { return IndexOfName(name) >= 0; }

    // The built-in cursor: First(); while (!Done()) { use Current(); Next(); }
    void First() { FIndex = 0; }
    bool Done() const { return Count() <= FIndex; }
    void Next();
    int Index() const { return FIndex; }

protected:
    // Registers `object`, which must be new to the list, under a name not yet taken.
    void AddItem(const QString& name, void* object);
    // Puts `object` in the place of the one registered under `name` (or adds it) and returns the
    // object it replaced, if any and not `object` itself, for the caller to free.
    void* ReplaceItem(const QString& name, void* object);
    void* FindItem(const QString& name) const;
    bool ContainsItem(const void* object) const;
    void* ItemAt(int index) const;
    void* CurrentItem() const;
    // Empties the list and returns its objects in insertion order.
    QList<void*> TakeAll();

private:
    struct TEntry {
        QString Key;
        void* Object;
    };

    int IndexOfName(const QString& name) const;
    int IndexOfObject(const void* object) const;

    QList<TEntry> FItems;
    int FIndex = 0;
};

// A registry of objects of class T by name. The list owns what it registers: destroying it frees
// every object, in insertion order. Add takes ownership only when it succeeds.
template <typename T>
class TVxLookupObjectList : public TVxLookupObjectListBase {
public:
    TVxLookupObjectList() = default;
    ~TVxLookupObjectList() override {
        for (void* object : TakeAll())
            delete static_cast<T*>(object);
    }

    // Asserts that nothing is registered under the name yet and that `object` is not in the list.
    void Add(const QString& name, T* object) { AddItem(name, object); }
    // Registers `object` under `name` in the place of the object registered there before, which
    // is freed; adds it when the name is new.
    void ReplaceByName(const QString& name, T* object) {
        delete static_cast<T*>(ReplaceItem(name, object));
    }
    // The object registered under `name`, or null.
    T* Find(const QString& name) const { return static_cast<T*>(FindItem(name)); }
    bool ContainsObject(const T* object) const { return ContainsItem(object); }
    // The object at `index` in insertion order; asserts that the index is in range.
    T* Items(int index) const { return static_cast<T*>(ItemAt(index)); }
    // The cursor's object; asserts not Done().
    T* Current() const { return static_cast<T*>(CurrentItem()); }
};
