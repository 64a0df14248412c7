#include "ArObjects.h"

#include "ArExceptions.h"

#include <QtGlobal>

#include <atomic>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>
#include <utility>

LY_UNIT("Arbor/ArObjects")

namespace {

std::atomic<int> GLiveObjectCount{0};

} // namespace

TArObject::TArObject(TArObjectList* ownerList, TArObject* owner)
    : FOwner(owner)
    , FOwnerList(ownerList) {
    Initialize();
}

TArObject::~TArObject() {
    // Destructors cannot raise, so a broken count stops debug builds here instead.
    [[maybe_unused]] const int before = GLiveObjectCount.fetch_sub(1);
    Q_ASSERT_X(before > 0, "TArObject", "object destroyed while no object is alive");
    if (FOwnerList)
        FOwnerList->Detach(this);
}

void TArObject::Initialize() {
    LY_ASSERT_MSG(!FInitialized,
                  "Initialize is for internal use only (cannot be called more than once).");
    FInitialized = true;
    if (FOwnerList)
        FOwnerList->FItems.append(this);
    GLiveObjectCount.fetch_add(1);
}

QString TArObject::Name() const {
    return ClassName() + QStringLiteral("($") +
           QString::number(quintptr(this), 16).toUpper().rightJustified(8, u'0') + u')';
}

QString TArObject::StackTraceName() const {
    return FOwner ? FOwner->StackTraceName() + u'.' + Name() : Name();
}

QString TArObject::ClassName() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    return QString::fromLatin1(status == 0 && demangled ? demangled.get() : mangled);
}

int TArObject::LiveObjectCount() {
    return GLiveObjectCount.load();
}

QString ArObjectName(const TArObject* object) {
    return object ? object->Name() : QStringLiteral("(nil)");
}

TArObjectList::TArObjectList(bool ownsObjects, TArObject* owner)
    : FOwner(owner)
    , FOwnsObjects(ownsObjects) {}

TArObjectList::~TArObjectList() {
    Clear();
}

TArObject* TArObjectList::Item(int index) const {
    LY_ASSERT(index >= 0 && index < FItems.size());
    return FItems.at(index);
}

int TArObjectList::IndexOf(const TArObject* object) const {
    return int(FItems.indexOf(object));
}

int TArObjectList::Add(TArObject* object) {
    LY_ASSERT(object);
    LY_ASSERT(!object->FOwnerList);
    object->FOwnerList = this;
    FItems.append(object);
    return int(FItems.size() - 1);
}

TArObject* TArObjectList::Extract(TArObject* object) {
    const qsizetype index = FItems.indexOf(object);
    if (index < 0)
        return nullptr;
    FItems.removeAt(index);
    object->FOwnerList = nullptr;
    return object;
}

void TArObjectList::Delete(int index) {
    TArObject* object = Item(index);
    FItems.removeAt(index);
    object->FOwnerList = nullptr;
    if (FOwnsObjects)
        delete object;
}

void TArObjectList::Clear() {
    // Take the items out first: freeing one must not touch the list being walked.
    const QList<TArObject*> items = std::exchange(FItems, {});
    for (TArObject* object : items) {
        object->FOwnerList = nullptr;
        if (FOwnsObjects)
            delete object;
    }
}

int TArObjectList::IndexOfName(const QString& name, int hint) const {
    if (hint >= 0 && hint < FItems.size() &&
        FItems.at(hint)->Name().compare(name, Qt::CaseInsensitive) == 0)
        return hint;
    for (qsizetype i = 0; i < FItems.size(); ++i) {
        if (FItems.at(i)->Name().compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

TArObject* TArObjectList::FindByName(const QString& name, int hint) const {
    const int index = IndexOfName(name, hint);
    return index < 0 ? nullptr : FItems.at(index);
}

void TArObjectList::Detach(TArObject* object) {
    FItems.removeOne(object);
}
