#include "VxSettingsRepository.h"

#include "VxSettings.h"

#include <QDate>
#include <QDateTime>
#include <QMetaEnum>

LY_UNIT("Units/VxSettings")

QString VxValueTypeName(TVxSettingsValueType type) {
    // "svtWidetext" → "widetext"
    const char* key = QMetaEnum::fromType<TVxSettingsValueType>().valueToKey(type);
    return key ? QString::fromLatin1(key + 3).toLower() : QStringLiteral("other");
}

TVxSettingsValueType VxValueTypeFromName(QStringView name) {
    if (name.isEmpty())
        return svtNull;
    for (int type = svtBoolean; type <= svtNull; ++type)
        if (name.compare(VxValueTypeName(TVxSettingsValueType(type)), Qt::CaseInsensitive) == 0)
            return TVxSettingsValueType(type);
    return svtOther;
}

TVxSettingsValueType VxValueTypeOf(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return svtNull;
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return svtBoolean;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return svtInteger;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return svtBigint;
    case QMetaType::Float:
    case QMetaType::Double:
        return svtFloat;
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return svtDate;
    case QMetaType::QByteArray:
        return svtText;
    case QMetaType::QString:
        return svtWidetext;
    default:
        return svtOther;
    }
}

TVxSettingsListReader::TVxSettingsListReader(TVxSettingsCursor* cursor, const QString& path)
    : FCursor(cursor)
    , FPath(path) {}

QString TVxSettingsListReader::ReadString(const QString& path, const QString& defaultValue) {
    return FCursor->ReadString(CombinePath(FPath, path), defaultValue);
}

bool TVxSettingsListReader::HasClassInfo(const QString& path) {
    return FCursor->HasClassInfo(CombinePath(FPath, path));
}

QObject* TVxSettingsListReader::ReadNewObject(const QString& path) {
    return FCursor->ReadNewObject(CombinePath(FPath, path));
}

TVxSettingsListWriter::TVxSettingsListWriter(TVxSettingsCursor* cursor, const QString& path)
    : FCursor(cursor)
    , FPath(path) {}

void TVxSettingsListWriter::WriteString(const QString& path, const QString& value) {
    FCursor->WriteString(CombinePath(FPath, path), value);
}

void TVxSettingsListWriter::WriteObject(const QString& path, QObject* object) {
    FCursor->WriteObject(CombinePath(FPath, path), object);
}

void TVxSettingsFileRepository::SetFileName(const QString& fileName) {
    if (fileName == FFileName)
        return;
    FFileName = fileName;
    try {
        Load();
    } catch (const std::exception& error) {
        if (!FOnLoadError)
            throw;
        FOnLoadError(*this, error);
    }
}
