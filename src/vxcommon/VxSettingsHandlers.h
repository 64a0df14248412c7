// Object handlers: how one kind of object is written as settings values and read back.
// Every stored object carries three bookkeeping values (object, handler, class) followed by
// what its handler writes.
#pragma once

#include "VxSettings.h"

#include <QMetaType>
#include <QObject>
#include <QVariant>

#include <functional>
#include <optional>

class TVxHashMap;

class TVxSettingsObjectHandler {
public:
    virtual ~TVxSettingsObjectHandler() = default;

    // Fills `object` from the cursor's base path.
    virtual void Read(QObject* object, TVxSettingsCursor& cursor) = 0;
    // Writes the content of `object` below the cursor's base path.
    virtual void Write(QObject* object, TVxSettingsCursor& cursor) = 0;
    virtual QObject* CreateObject(const QMetaObject* metaObject);
    // Empties the object before it is read.
    virtual void ClearObject(QObject* object) = 0;
    // The object's class is the handled class or derives from it.
    virtual bool CanHandleObject(const QObject* object) const;
    bool CanRead(const QObject* object, const QString& storedHandlerName) const;
    virtual bool CanHandleClass(const QMetaObject* /*metaObject*/) const { return false; }
    // What is stored as the object's handler: the name of the handled class.
    virtual QString GetName() const { return HandledClass(); }
    virtual QString HandledClass() const = 0;
};

// TStrings: items with a "text" and, for an attached object, a "data" object.
class TVxSettingsStringListHandler : public TVxSettingsObjectHandler {
public:
    bool WriteObjects = true;

    void Read(QObject* object, TVxSettingsCursor& cursor) override;
    void Write(QObject* object, TVxSettingsCursor& cursor) override;
    void ClearObject(QObject* object) override;
    QString HandledClass() const override { return QStringLiteral("TStrings"); }
};

// Lists whose items are stored objects, one per "item".
class TVxSettingsGenericListHandler : public TVxSettingsObjectHandler {
public:
    void Read(QObject* object, TVxSettingsCursor& cursor) override;
    void Write(QObject* object, TVxSettingsCursor& cursor) override;

protected:
    virtual void AddItem(QObject* list, QObject* item) = 0;
    virtual int ItemCount(QObject* list) = 0;
    virtual QObject* GetItem(QObject* list, int index) = 0;
};

class TVxSettingsObjectListHandler : public TVxSettingsGenericListHandler {
public:
    void ClearObject(QObject* object) override;
    QString HandledClass() const override { return QStringLiteral("TObjectList"); }

protected:
    void AddItem(QObject* list, QObject* item) override;
    int ItemCount(QObject* list) override;
    QObject* GetItem(QObject* list, int index) override;
};

// Hash maps: one "item" per entry, in the map's own order.
class TVxSettingsGenericHashMapHandler : public TVxSettingsObjectHandler {
public:
    void Read(QObject* object, TVxSettingsCursor& cursor) override;
    void Write(QObject* object, TVxSettingsCursor& cursor) override;
    void ClearObject(QObject* object) override;

protected:
    virtual void ReadItem(QObject* map, TVxSettingsListReader& reader) = 0;
    virtual void ReadNumberedItem(QObject* map, TVxSettingsCursor& cursor, int number) = 0;
    virtual void WriteItems(QObject* map, TVxSettingsListWriter& writer) = 0;
};

class TVxSettingsVariantHashMapHandler : public TVxSettingsGenericHashMapHandler {
public:
    QString HandledClass() const override { return QStringLiteral("TVxVariantHashMap"); }

protected:
    void ReadItem(QObject* map, TVxSettingsListReader& reader) override;
    void ReadNumberedItem(QObject* map, TVxSettingsCursor& cursor, int number) override;
    void WriteItems(QObject* map, TVxSettingsListWriter& writer) override;
};

class TVxSettingsObjectHashMapHandler : public TVxSettingsGenericHashMapHandler {
public:
    QString HandledClass() const override { return QStringLiteral("TVxObjectHashMap"); }

protected:
    void ReadItem(QObject* map, TVxSettingsListReader& reader) override;
    void ReadNumberedItem(QObject* map, TVxSettingsCursor& cursor, int number) override;
    void WriteItems(QObject* map, TVxSettingsListWriter& writer) override;
};

// Any QObject, property by property: its Q_PROPERTYs in declaration order, ancestors first.
class TVxSettingsRTTIObjectHandler : public TVxSettingsObjectHandler {
public:
    // Whether a stored object missing for a non-null property sets the property to null.
    bool NilMissingObjects = false;

    void Read(QObject* object, TVxSettingsCursor& cursor) override;
    void Write(QObject* object, TVxSettingsCursor& cursor) override;
    void ClearObject(QObject*) override {}
    bool CanHandleObject(const QObject* object) const override { return object != nullptr; }
    QString GetName() const override { return QStringLiteral("TObject"); }
    QString HandledClass() const override { return QStringLiteral("QObject"); }
};

// Persistent objects: created through their invokable constructor.
class TVxSettingsPersistentHandler : public TVxSettingsRTTIObjectHandler {
public:
    QObject* CreateObject(const QMetaObject* metaObject) override;
    bool CanHandleClass(const QMetaObject* metaObject) const override;
};

// Converts a set-typed property (TLySet) to its identifiers joined by "," and back.
struct TVxSetTypeConverter {
    std::function<QString(const QVariant&)> ToText;
    // Null with the unknown identifier in `unknown` when the text names no member.
    std::function<std::optional<QVariant>(const QString& text, QString* unknown)> FromText;
};
void VxRegisterSetType(QMetaType type, TVxSetTypeConverter converter);
template <typename TSet>
void VxRegisterSetType() {
    VxRegisterSetType(QMetaType::fromType<TSet>(),
                      {[](const QVariant& v) { return v.value<TSet>().ToIdentifiers(); },
                       [](const QString& text, QString* unknown) -> std::optional<QVariant> {
                           if (auto set = TSet::FromIdentifiers(text, unknown))
                               return QVariant::fromValue(*set);
                           return std::nullopt;
                       }});
}

// Registers the list and map classes that stored objects may be re-created as.
void VxRegisterSettingsClasses();
