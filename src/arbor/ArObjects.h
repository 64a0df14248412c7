// The owned-object base of the message log library: objects that know their owner and the
// list that holds them, and lists that may own (free) their members.
#pragma once

#include <QList>
#include <QString>

class TArObjectList;

// Base of every class of the library. A plain polymorphic class without reference counting:
// whoever creates an object frees it, or hands it to an owning list that frees it.
class TArObject {
public:
    // Adds the object to `ownerList` (when given) once it is constructed; `owner` is only a
    // reference for names and diagnostics.
    explicit TArObject(TArObjectList* ownerList = nullptr, TArObject* owner = nullptr);
    // Removes the object from its owner list.
    virtual ~TArObject();

    TArObject(const TArObject&) = delete;
    TArObject& operator=(const TArObject&) = delete;

    TArObject* Owner() const { return FOwner; }
    TArObjectList* OwnerList() const { return FOwnerList; }

    // The class name followed by "($", the address as (at least) 8 hexadecimal digits and ")".
    // Descendants with a name of their own return it.
    virtual QString Name() const;
    // The Name of the object preceded by its owners' names, joined by ".", for diagnostics.
    QString StackTraceName() const;
    // The demangled C++ class name of the object's dynamic type.
    QString ClassName() const;

    // The number of live objects of all classes, in the whole process.
    static int LiveObjectCount();

protected:
    // Registers the object: joins the owner list and counts it as live. The constructor runs
    // it; a second call is a programming error.
    void Initialize();

private:
    friend class TArObjectList;

    TArObject* FOwner;
    TArObjectList* FOwnerList;
    bool FInitialized = false;
};

// The name of `object`, or "(nil)" when there is none.
QString ArObjectName(const TArObject* object);

// A list of objects with an owner. An owning list frees its members when they are deleted
// from it, when it is cleared and when it is freed; whether it owns is fixed at creation.
// An object is in at most one list, its OwnerList. Not thread-safe: whoever holds the list
// guards it.
class TArObjectList {
public:
    explicit TArObjectList(bool ownsObjects, TArObject* owner = nullptr);
    virtual ~TArObjectList();

    TArObjectList(const TArObjectList&) = delete;
    TArObjectList& operator=(const TArObjectList&) = delete;

    bool OwnsObjects() const { return FOwnsObjects; }
    TArObject* Owner() const { return FOwner; }

    int Count() const { return int(FItems.size()); }
    TArObject* Item(int index) const;
    int IndexOf(const TArObject* object) const;

    // Appends an object that is in no list yet and returns its index.
    int Add(TArObject* object);
    // Takes `object` out of the list without freeing it; returns it, or null when absent.
    TArObject* Extract(TArObject* object);
    // Takes the item at `index` out and frees it when the list owns its items.
    void Delete(int index);
    // Empties the list, freeing the items when the list owns them.
    void Clear();

    // The index of the first item whose Name equals `name` without regard to letter case, or -1.
    // The item at `hint` (when valid) is tried first.
    int IndexOfName(const QString& name, int hint = -1) const;
    TArObject* FindByName(const QString& name, int hint = -1) const;

private:
    friend class TArObject;
    void Detach(TArObject* object);

    QList<TArObject*> FItems;
    TArObject* FOwner;
    const bool FOwnsObjects;
};

// A list whose items are all of class T (or descendants): items are added either by their
// constructor (given this list as owner list) or through Add.
template <typename T>
class TArTypedObjectList : public TArObjectList {
public:
    using TArObjectList::TArObjectList;

    T* Item(int index) const { return static_cast<T*>(TArObjectList::Item(index)); }
    T* FindByName(const QString& name, int hint = -1) const {
        return static_cast<T*>(TArObjectList::FindByName(name, hint));
    }
    int Add(T* object) { return TArObjectList::Add(object); }
};
