#include "VxStoredLists.h"

void TStrings::SetStrings(const QStringList& strings) {
    FStrings = strings;
    FObjects = QList<QObject*>(strings.size(), nullptr);
}

void TStrings::Add(const QString& text, QObject* object) {
    FStrings.append(text);
    FObjects.append(object);
}

void TStrings::Clear() {
    FStrings.clear();
    FObjects.clear();
}

TObjectList::~TObjectList() {
    Clear();
}

void TObjectList::Delete(int index) {
    QObject* item = FItems.takeAt(index);
    if (FOwnsObjects)
        delete item;
}

void TObjectList::Clear() {
    QList<QObject*> items;
    items.swap(FItems);
    if (FOwnsObjects)
        qDeleteAll(items);
}
