#include "VxSettingsHandlers.h"

#include "ArFormat.h"
#include "VxClassRegistry.h"
#include "VxLists.h"
#include "VxStoredLists.h"

#include <QHash>
#include <QMetaProperty>

#include <mutex>

LY_UNIT("Units/VxSettings")

namespace {

const QString kItem = QStringLiteral("item");
const QString kText = QStringLiteral("text");
const QString kData = QStringLiteral("data");
const QString kCount = QStringLiteral("count");

struct TSetTypes {
    std::mutex Lock;
    QHash<int, TVxSetTypeConverter> Converters;
};

TSetTypes& SetTypes() {
    static TSetTypes types;
    return types;
}

std::optional<TVxSetTypeConverter> SetConverter(QMetaType type) {
    TSetTypes& types = SetTypes();
    std::lock_guard lock(types.Lock);
    const auto found = types.Converters.constFind(type.id());
    if (found == types.Converters.constEnd())
        return std::nullopt;
    return found.value();
}

[[noreturn]] void RaiseInvalidElement(const QString& identifier) {
    throw EVxSettingsException(
        ArFormat(QStringLiteral("Invalid property element: %s"), {identifier}));
}

bool IsObjectPointer(const QMetaProperty& property) {
    return property.metaType().flags().testFlag(QMetaType::PointerToQObject);
}

bool IsStringList(const QMetaProperty& property) {
    return property.metaType().id() == QMetaType::QStringList;
}

// Walks a list reader from its first item to its end.
template <typename Visit>
void ForEachItem(TVxSettingsListReader* reader, const Visit& visit) {
    if (!reader)
        return;
    for (bool done = reader->First(); !done; done = reader->Done()) {
        visit(*reader);
        reader->Next();
    }
}

// The keys in a fixed order, so that storing the same map twice writes the same file.
QStringList SortedKeys(const TVxHashMap& map) {
    QStringList keys;
    map.IterateKeys([&](const QString& key) {
        keys.append(key);
        return true;
    });
    keys.sort(Qt::CaseInsensitive);
    return keys;
}

void RecordWarning(TVxSettingsCursor& cursor, const char* identifier, const char* property) {
    if (IVxMessageRecorder* recorder = cursor.Settings()->MessageRecorder())
        recorder->RecordWarning(QString::fromLatin1(identifier), QString::fromLatin1(property));
}

void WriteProperty(QObject* object, const QMetaProperty& property, TVxSettingsCursor& cursor) {
    const QString name = QString::fromLatin1(property.name());
    const QVariant value = property.read(object);
    if (IsObjectPointer(property)) {
        if (QObject* child = value.value<QObject*>())
            cursor.WriteObject(name, child);
        return;
    }
    if (IsStringList(property)) {
        TStringList list;
        list.SetStrings(value.toStringList());
        cursor.WriteObject(name, &list);
        return;
    }
    if (property.isEnumType()) {
        const QMetaEnum meta = property.enumerator();
        const QByteArray key = meta.isFlag() ? meta.valueToKeys(value.toInt())
                                             : QByteArray(meta.valueToKey(value.toInt()));
        cursor.WriteWideString(name, QString::fromLatin1(key).replace(u'|', u','));
        return;
    }
    if (auto converter = SetConverter(property.metaType())) {
        cursor.WriteWideString(name, converter->ToText(value));
        return;
    }
    switch (property.metaType().id()) {
    case QMetaType::Bool:
        cursor.WriteWideString(name,
                               value.toBool() ? QStringLiteral("True") : QStringLiteral("False"));
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
    case QMetaType::UChar:
        cursor.WriteInteger(name, value.toInt());
        break;
    case QMetaType::QChar:
        cursor.WriteWideChar(name, value.toChar());
        break;
    case QMetaType::Float:
    case QMetaType::Double:
        cursor.WriteFloat(name, value.toDouble());
        break;
    case QMetaType::QString:
        cursor.WriteWideString(name, value.toString());
        break;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        cursor.WriteInt64(name, value.toLongLong());
        break;
    default: // variants, lists and other values are not stored
        break;
    }
}

// Reads a value property, its present value serving as the default.
void ReadValueProperty(QObject* object, const QMetaProperty& property, TVxSettingsCursor& cursor) {
    const QString name = QString::fromLatin1(property.name());
    const QVariant current = property.read(object);
    QVariant result;
    if (property.isEnumType()) {
        const QMetaEnum meta = property.enumerator();
        const QString currentKey = QString::fromLatin1(
            meta.isFlag() ? meta.valueToKeys(current.toInt()) : meta.valueToKey(current.toInt()));
        const QString stored = cursor.ReadWideString(name, currentKey);
        bool ok = false;
        const QByteArray key = QString(stored).replace(u',', u'|').toLatin1();
        const int value = meta.isFlag() ? meta.keysToValue(key.constData(), &ok)
                                        : meta.keyToValue(key.constData(), &ok);
        if (!ok)
            RaiseInvalidElement(stored);
        result = QVariant(property.metaType(), &value);
    } else if (auto converter = SetConverter(property.metaType())) {
        const QString stored = cursor.ReadWideString(name, converter->ToText(current));
        QString unknown;
        const std::optional<QVariant> set = converter->FromText(stored, &unknown);
        if (!set)
            RaiseInvalidElement(unknown);
        result = *set;
    } else {
        switch (property.metaType().id()) {
        case QMetaType::Bool: {
            const QString stored = cursor.ReadWideString(
                name, current.toBool() ? QStringLiteral("True") : QStringLiteral("False"));
            if (stored.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
                result = true;
            else if (stored.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
                result = false;
            else
                RaiseInvalidElement(stored);
            break;
        }
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::SChar:
        case QMetaType::UChar:
            result = cursor.ReadInteger(name, current.toInt());
            break;
        case QMetaType::QChar:
            result = cursor.ReadWideChar(name, current.toChar());
            break;
        case QMetaType::Float:
        case QMetaType::Double:
            result = cursor.ReadFloat(name, current.toDouble());
            break;
        case QMetaType::QString:
            result = cursor.ReadWideString(name, current.toString());
            break;
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            result = cursor.ReadInt64(name, current.toLongLong());
            break;
        default:
            return;
        }
        result.convert(property.metaType());
    }
    property.write(object, result);
}

void ReadObjectProperty(QObject* object, const QMetaProperty& property, TVxSettingsCursor& cursor,
                        bool nilMissingObjects) {
    const QString name = QString::fromLatin1(property.name());
    const bool stored = cursor.HasClassInfo(name);
    if (IsStringList(property)) {
        if (!stored)
            return;
        if (!property.isWritable()) {
            RecordWarning(cursor, "ObjectNotWritable", property.name());
            return;
        }
        TStringList list;
        cursor.ReadObject(name, &list);
        property.write(object, list.Strings());
        return;
    }
    QObject* current = property.read(object).value<QObject*>();
    if (current && stored) {
        cursor.ReadObject(name, current);
    } else if (current) {
        if (!nilMissingObjects)
            RecordWarning(cursor, "ObjectNotSetToNil", property.name());
        else if (property.isWritable())
            property.write(object, QVariant::fromValue<QObject*>(nullptr));
        else
            RecordWarning(cursor, "ObjectNotNillable", property.name());
    } else if (stored) {
        if (!property.isWritable()) {
            RecordWarning(cursor, "ObjectNotWritable", property.name());
            return;
        }
        QObject* created = cursor.ReadNewObject(name, property.metaType().metaObject());
        if (!property.write(object, QVariant::fromValue(created))) {
            delete created;
            throw EVxSettingsException(
                ArFormat(QStringLiteral("Property [%s] cannot take an object of class [%s]."),
                         {name, VxClassName(created)}));
        }
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------

QObject* TVxSettingsObjectHandler::CreateObject(const QMetaObject* metaObject) {
    return VxCreateObject(metaObject);
}

bool TVxSettingsObjectHandler::CanHandleObject(const QObject* object) const {
    return object && object->inherits(HandledClass().toLatin1().constData());
}

bool TVxSettingsObjectHandler::CanRead(const QObject* object,
                                       const QString& storedHandlerName) const {
    return CanHandleObject(object) &&
           storedHandlerName.compare(GetName(), Qt::CaseInsensitive) == 0;
}

// ---------------------------------------------------------------------------------------------
// String lists

void TVxSettingsStringListHandler::Write(QObject* object, TVxSettingsCursor& cursor) {
    auto* strings = static_cast<TStrings*>(object);
    std::unique_ptr<TVxSettingsListWriter> writer = cursor.CreateListWriter(kItem);
    for (int i = 0; i < strings->Count(); ++i) {
        writer->NextItem();
        writer->WriteString(kText, strings->String(i));
        if (WriteObjects && strings->Object(i))
            writer->WriteObject(kData, strings->Object(i));
    }
}

void TVxSettingsStringListHandler::Read(QObject* object, TVxSettingsCursor& cursor) {
    auto* strings = static_cast<TStrings*>(object);
    if (cursor.ValueExists(kCount)) {
        const int count = cursor.ReadInteger(kCount, 0);
        for (int i = 1; i <= count; ++i) {
            const QString number = QString::number(i);
            QObject* data = cursor.HasClassInfo(kData + number)
                                ? cursor.ReadNewObject(kData + number)
                                : nullptr;
            strings->Add(cursor.ReadString(kItem + number), data);
        }
        return;
    }
    std::unique_ptr<TVxSettingsListReader> reader = cursor.CreateListReader(kItem);
    ForEachItem(reader.get(), [&](TVxSettingsListReader& item) {
        QObject* data = item.HasClassInfo(kData) ? item.ReadNewObject(kData) : nullptr;
        strings->Add(item.ReadString(kText), data);
    });
}

void TVxSettingsStringListHandler::ClearObject(QObject* object) {
    static_cast<TStrings*>(object)->Clear();
}

// ---------------------------------------------------------------------------------------------
// Object lists

void TVxSettingsGenericListHandler::Write(QObject* object, TVxSettingsCursor& cursor) {
    std::unique_ptr<TVxSettingsListWriter> writer = cursor.CreateListWriter(kItem);
    const int count = ItemCount(object);
    for (int i = 0; i < count; ++i) {
        writer->NextItem();
        writer->WriteObject(QString(), GetItem(object, i));
    }
}

void TVxSettingsGenericListHandler::Read(QObject* object, TVxSettingsCursor& cursor) {
    if (cursor.ValueExists(kCount)) {
        const int count = cursor.ReadInteger(kCount, 0);
        for (int i = 1; i <= count; ++i)
            AddItem(object, cursor.ReadNewObject(kItem + QString::number(i)));
        return;
    }
    std::unique_ptr<TVxSettingsListReader> reader = cursor.CreateListReader(kItem);
    ForEachItem(reader.get(), [&](TVxSettingsListReader& item) {
        AddItem(object, item.ReadNewObject(QString()));
    });
}

void TVxSettingsObjectListHandler::ClearObject(QObject* object) {
    static_cast<TObjectList*>(object)->Clear();
}

void TVxSettingsObjectListHandler::AddItem(QObject* list, QObject* item) {
    static_cast<TObjectList*>(list)->Add(item);
}

int TVxSettingsObjectListHandler::ItemCount(QObject* list) {
    return static_cast<TObjectList*>(list)->Count();
}

QObject* TVxSettingsObjectListHandler::GetItem(QObject* list, int index) {
    return static_cast<TObjectList*>(list)->Item(index);
}

// ---------------------------------------------------------------------------------------------
// Hash maps

void TVxSettingsGenericHashMapHandler::Write(QObject* object, TVxSettingsCursor& cursor) {
    std::unique_ptr<TVxSettingsListWriter> writer = cursor.CreateListWriter(kItem);
    WriteItems(object, *writer);
}

void TVxSettingsGenericHashMapHandler::Read(QObject* object, TVxSettingsCursor& cursor) {
    if (cursor.ValueExists(kCount)) {
        const int count = cursor.ReadInteger(kCount, 0);
        for (int i = 1; i <= count; ++i)
            ReadNumberedItem(object, cursor, i);
        return;
    }
    std::unique_ptr<TVxSettingsListReader> reader = cursor.CreateListReader(kItem);
    ForEachItem(reader.get(), [&](TVxSettingsListReader& item) { ReadItem(object, item); });
}

void TVxSettingsGenericHashMapHandler::ClearObject(QObject* object) {
    static_cast<TVxHashMap*>(object)->Clear();
}

void TVxSettingsVariantHashMapHandler::WriteItems(QObject* map, TVxSettingsListWriter& writer) {
    auto* variants = static_cast<TVxVariantHashMap*>(map);
    for (const QString& key : SortedKeys(*variants)) {
        writer.NextItem();
        writer.WriteString(kText, key);
        writer.WriteString(kData, variants->GetValue(key).toString());
    }
}

void TVxSettingsVariantHashMapHandler::ReadItem(QObject* map, TVxSettingsListReader& reader) {
    const QString data = reader.ReadString(kData);
    static_cast<TVxVariantHashMap*>(map)->SetValue(reader.ReadString(kText), data);
}

void TVxSettingsVariantHashMapHandler::ReadNumberedItem(QObject* map, TVxSettingsCursor& cursor,
                                                        int number) {
    const QString n = QString::number(number);
    const QString data = cursor.ReadString(kData + n);
    static_cast<TVxVariantHashMap*>(map)->SetValue(cursor.ReadString(kItem + n), data);
}

void TVxSettingsObjectHashMapHandler::WriteItems(QObject* map, TVxSettingsListWriter& writer) {
    auto* objects = static_cast<TVxObjectHashMap*>(map);
    for (const QString& key : SortedKeys(*objects)) {
        writer.NextItem();
        writer.WriteString(kText, key);
        writer.WriteObject(kData, objects->GetObject(key));
    }
}

void TVxSettingsObjectHashMapHandler::ReadItem(QObject* map, TVxSettingsListReader& reader) {
    std::unique_ptr<QObject> object(reader.ReadNewObject(kData));
    const QString key = reader.ReadString(kText);
    static_cast<TVxObjectHashMap*>(map)->SetObject(key, object.release());
}

void TVxSettingsObjectHashMapHandler::ReadNumberedItem(QObject* map, TVxSettingsCursor& cursor,
                                                       int number) {
    const QString n = QString::number(number);
    if (!cursor.HasClassInfo(kData + n))
        return;
    std::unique_ptr<QObject> object(cursor.ReadNewObject(kData + n));
    const QString key = cursor.ReadString(kItem + n);
    static_cast<TVxObjectHashMap*>(map)->SetObject(key, object.release());
}

// ---------------------------------------------------------------------------------------------
// Objects by their properties

void TVxSettingsRTTIObjectHandler::Write(QObject* object, TVxSettingsCursor& cursor) {
    const QMetaObject* meta = object->metaObject();
    // QObject's own properties (objectName) are not part of a stored object.
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (property.isReadable())
            WriteProperty(object, property, cursor);
    }
}

void TVxSettingsRTTIObjectHandler::Read(QObject* object, TVxSettingsCursor& cursor) {
    const QMetaObject* meta = object->metaObject();
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (!property.isReadable())
            continue;
        if (IsObjectPointer(property) || IsStringList(property))
            ReadObjectProperty(object, property, cursor, NilMissingObjects);
        else if (property.isWritable())
            ReadValueProperty(object, property, cursor);
    }
}

QObject* TVxSettingsPersistentHandler::CreateObject(const QMetaObject* metaObject) {
    return VxCreateObject(metaObject);
}

bool TVxSettingsPersistentHandler::CanHandleClass(const QMetaObject* metaObject) const {
    return metaObject != nullptr;
}

// ---------------------------------------------------------------------------------------------

void VxRegisterSetType(QMetaType type, TVxSetTypeConverter converter) {
    TSetTypes& types = SetTypes();
    std::lock_guard lock(types.Lock);
    types.Converters.insert(type.id(), std::move(converter));
}

void VxRegisterSettingsClasses() {
    VxRegisterClass<TStringList>();
    VxRegisterClass<TObjectList>();
    VxRegisterClass<TVxVariantHashMap>();
    VxRegisterClass<TVxObjectHashMap>();
}
