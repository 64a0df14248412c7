// Classes that stored objects are re-created from, by the class name written beside them.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QString>

// Registers a QObject class; it needs a Q_INVOKABLE parameterless constructor to be created.
void VxRegisterClass(const QMetaObject* metaObject);
template <typename T>
void VxRegisterClass() {
    VxRegisterClass(&T::staticMetaObject);
}
// The registered class of that exact name, or null.
const QMetaObject* VxFindClass(const QString& className);
// A new instance through the class's invokable constructor, or null when it has none.
QObject* VxCreateObject(const QMetaObject* metaObject);
QString VxClassName(const QObject* object);
QString VxClassName(const QMetaObject* metaObject);
