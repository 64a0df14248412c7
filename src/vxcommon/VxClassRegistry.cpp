#include "VxClassRegistry.h"

#include <QHash>

#include <mutex>

namespace {

struct TRegistry {
    std::mutex Lock;
    QHash<QString, const QMetaObject*> Classes;
};

TRegistry& Registry() {
    static TRegistry registry;
    return registry;
}

} // namespace

void VxRegisterClass(const QMetaObject* metaObject) {
    TRegistry& registry = Registry();
    std::lock_guard lock(registry.Lock);
    registry.Classes.insert(VxClassName(metaObject), metaObject);
}

const QMetaObject* VxFindClass(const QString& className) {
    TRegistry& registry = Registry();
    std::lock_guard lock(registry.Lock);
    return registry.Classes.value(className, nullptr);
}

QObject* VxCreateObject(const QMetaObject* metaObject) {
    return metaObject ? metaObject->newInstance() : nullptr;
}

QString VxClassName(const QObject* object) {
    return object ? VxClassName(object->metaObject()) : QString();
}

QString VxClassName(const QMetaObject* metaObject) {
    return QString::fromLatin1(metaObject->className());
}
