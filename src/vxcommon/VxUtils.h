// Small base classes: optional reference counting, batched change notification, persistent
// and cloneable objects.
#pragma once

#include "ArExceptions.h"

#include <QObject>

#include <atomic>
#include <memory>

// An object that is either freed by its creator (the default) or, when created with
// referenceCounted true, frees itself when its last counted reference is released.
class TVxOptionallyReferenceCountedObject {
public:
    explicit TVxOptionallyReferenceCountedObject(bool referenceCounted = false)
        : FReferenceCounted(referenceCounted) {}
    TVxOptionallyReferenceCountedObject(const TVxOptionallyReferenceCountedObject&) = delete;
    TVxOptionallyReferenceCountedObject&
    operator=(const TVxOptionallyReferenceCountedObject&) = delete;
    // Destroying a counted object that still has references is an assertion failure.
    virtual ~TVxOptionallyReferenceCountedObject();

    bool ReferenceCounted() const { return FReferenceCounted; }
    int RefCount() const { return FRefCount.load(); }

    // Both return 1 and change nothing unless the object is reference counted.
    int AddRef();
    int Release();

private:
    const bool FReferenceCounted;
    std::atomic<int> FRefCount{0};
};

// Batches change notifications: changes reported between the outermost BeginUpdate and its
// EndUpdate collapse into one DoChanged, made by that EndUpdate.
class TVxUpdateable {
public:
    TVxUpdateable() = default;
    TVxUpdateable(const TVxUpdateable&) = delete;
    TVxUpdateable& operator=(const TVxUpdateable&) = delete;
    virtual ~TVxUpdateable() = default;

    void BeginUpdate();
    void EndUpdate();
    virtual void Changed();
    bool Updating() const { return FUpdateCount > 0; }
    int UpdateCount() const { return FUpdateCount; }
    bool ChangePending() const { return FChangePending; }

protected:
    // Runs once per outermost BeginUpdate, before the count is raised.
    virtual void DoBeginUpdate() {}
    // Runs once per outermost EndUpdate, after the count is lowered and before a pending
    // change is reported.
    virtual void DoEndUpdate() {}
    virtual void DoChanged() {}

private:
    int FUpdateCount = 0;
    bool FChangePending = false;
};

// Holds an update of an updateable object open for its own lifetime, so that the update also
// ends when an exception leaves the scope. While an exception unwinds, a failure of the closing
// EndUpdate is dropped: the exception already on its way is the one to report.
class TVxUpdateGuard {
public:
    explicit TVxUpdateGuard(TVxUpdateable& object);
    // Opens nothing when `object` is null.
    explicit TVxUpdateGuard(TVxUpdateable* object);
    TVxUpdateGuard(const TVxUpdateGuard&) = delete;
    TVxUpdateGuard& operator=(const TVxUpdateGuard&) = delete;
    ~TVxUpdateGuard() noexcept(false);

private:
    TVxUpdateable* FObject;
    int FExceptions;
};

// Base of the option classes: published properties (Q_PROPERTY) are what the settings framework
// stores, and a Q_INVOKABLE parameterless constructor lets it re-create an object by class name.
class TVxPersistent : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE TVxPersistent() = default;

    // Copies `source` into this object; classes that cannot take it raise EVxUtilsError.
    virtual void Assign(const TVxPersistent* source);

protected:
    virtual void AssignTo(TVxPersistent* dest) const;
};

// A value object that can be copied and cloned. Not a QObject: a library holds hundreds of
// thousands of them. Concrete classes use VX_CLONEABLE(Class) for CreateEmpty and the class test.
class TVxCloneable {
public:
    TVxCloneable() = default;
    virtual ~TVxCloneable() = default;

    // A new, identical object owned by the caller.
    std::unique_ptr<TVxCloneable> Clone() const;
    // Copies the fields of `source`, whose class must be this object's class or derive from it.
    void CopyFrom(const TVxCloneable* source);

    virtual TVxCloneable* CreateEmpty() const { return new TVxCloneable(); }

protected:
    TVxCloneable(const TVxCloneable&) = default;
    TVxCloneable& operator=(const TVxCloneable&) = default;

    // Overrides copy their own fields after calling the inherited DoCopyFrom.
    virtual void DoCopyFrom(const TVxCloneable& /*source*/) {}
    // True when `other` is an instance of this object's class or of a class derived from it.
    virtual bool IsKindOfMine(const TVxCloneable& /*other*/) const { return true; }
};

class EVxUtilsError : public Exception {
public:
    using Exception::Exception;
};

#define VX_CLONEABLE(Class)                                                                        \
public:                                                                                            \
    Class* CreateEmpty() const override {                                                          \
        return new Class();                                                                        \
    }                                                                                              \
    std::unique_ptr<Class> Clone() const {                                                         \
        return std::unique_ptr<Class>(static_cast<Class*>(TVxCloneable::Clone().release()));       \
    }                                                                                              \
                                                                                                   \
protected:                                                                                         \
    bool IsKindOfMine(const TVxCloneable& other) const override {                                  \
        return dynamic_cast<const Class*>(&other) != nullptr;                                      \
    }                                                                                              \
                                                                                                   \
private:
