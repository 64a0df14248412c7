#include "VxUtils.h"

#include "ArFormat.h"

#include <exception>

LY_UNIT("Units/VxUtils")

TVxOptionallyReferenceCountedObject::~TVxOptionallyReferenceCountedObject() {
    if (FReferenceCounted && FRefCount.load() != 0)
        ReportDestructorAssertion(kLyUnitName, __LINE__,
                                  "Interfaced objects's reference count should be 0.");
}

int TVxOptionallyReferenceCountedObject::AddRef() {
    if (!FReferenceCounted)
        return 1;
    return FRefCount.fetch_add(1) + 1;
}

int TVxOptionallyReferenceCountedObject::Release() {
    if (!FReferenceCounted)
        return 1;
    const int count = FRefCount.fetch_sub(1) - 1;
    if (count == 0)
        delete this;
    return count;
}

void TVxUpdateable::BeginUpdate() {
    if (!Updating()) {
        FChangePending = false;
        DoBeginUpdate();
    }
    FUpdateCount = CheckedIncrement(FUpdateCount);
}

void TVxUpdateable::EndUpdate() {
    LY_ASSERT(Updating());
    --FUpdateCount;
    if (FUpdateCount > 0)
        return;
    DoEndUpdate();
    if (FChangePending) {
        FChangePending = false;
        Changed();
    }
}

void TVxUpdateable::Changed() {
    if (Updating()) {
        FChangePending = true;
        return;
    }
    DoChanged();
}

TVxUpdateGuard::TVxUpdateGuard(TVxUpdateable& object)
    : TVxUpdateGuard(&object) {}

TVxUpdateGuard::TVxUpdateGuard(TVxUpdateable* object)
    : FObject(object)
    , FExceptions(std::uncaught_exceptions()) {
    if (FObject)
        FObject->BeginUpdate();
}

TVxUpdateGuard::~TVxUpdateGuard() noexcept(false) {
    if (!FObject)
        return;
    if (std::uncaught_exceptions() == FExceptions) {
        FObject->EndUpdate();
        return;
    }
    try {
        FObject->EndUpdate();
    } catch (...) {
    }
}

void TVxPersistent::Assign(const TVxPersistent* source) {
    if (source) {
        source->AssignTo(this);
        return;
    }
    throw EVxUtilsError(
        ArFormat(QStringLiteral("Cannot assign a %s to a %s"),
                 {QStringLiteral("nil"), QString::fromLatin1(metaObject()->className())}));
}

void TVxPersistent::AssignTo(TVxPersistent* dest) const {
    throw EVxUtilsError(ArFormat(
        QStringLiteral("Cannot assign a %s to a %s"),
        {QString::fromLatin1(metaObject()->className()),
         dest ? QString::fromLatin1(dest->metaObject()->className()) : QStringLiteral("nil")}));
}

std::unique_ptr<TVxCloneable> TVxCloneable::Clone() const {
    std::unique_ptr<TVxCloneable> copy(CreateEmpty());
    copy->CopyFrom(this);
    return copy;
}

void TVxCloneable::CopyFrom(const TVxCloneable* source) {
    LY_ASSERT(source != nullptr);
    LY_ASSERT(IsKindOfMine(*source));
    DoCopyFrom(*source);
}
