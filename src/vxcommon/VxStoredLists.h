// The list classes the settings framework stores as objects: strings with optional attached
// objects, and lists of objects.
#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

// Strings, each with an optional attached object. The attached objects are not owned.
class TStrings : public QObject {
    Q_OBJECT
public:
    int Count() const { return int(FStrings.size()); }
    const QStringList& Strings() const { return FStrings; }
    void SetStrings(const QStringList& strings);
    QString String(int index) const { return FStrings.at(index); }
    QObject* Object(int index) const { return FObjects.at(index); }
    void Add(const QString& text, QObject* object = nullptr);
    void Clear();

private:
    QStringList FStrings;
    QList<QObject*> FObjects;
};

class TStringList : public TStrings {
    Q_OBJECT
public:
    Q_INVOKABLE TStringList() = default;
};

// Objects in order; owned when the list is created so (the default).
class TObjectList : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE TObjectList() = default;
    explicit TObjectList(bool ownsObjects)
        : FOwnsObjects(ownsObjects) {}
    ~TObjectList() override;

    bool OwnsObjects() const { return FOwnsObjects; }
    int Count() const { return int(FItems.size()); }
    QObject* Item(int index) const { return FItems.at(index); }
    const QList<QObject*>& Items() const { return FItems; }
    void Add(QObject* object) { FItems.append(object); }
    // Removes the item at `index`, freeing it when owned.
    void Delete(int index);
    void Clear();

private:
    QList<QObject*> FItems;
    bool FOwnsObjects = true;
};
