// What a settings store offers the settings cursor: typed values at dotted paths, lists of
// items, loading and saving. The XML settings file is the one store of the program.
#pragma once

#include "ArExceptions.h"
#include "VxIterators.h"
#include "VxSystemUtilities.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

class TVxSettingsCursor;

// Errors of the settings framework; the message is for the user.
class EVxSettingsException : public Exception {
public:
    using Exception::Exception;
};

namespace VxSettingsTypes {
Q_NAMESPACE

// How a value is stored and parsed; the identifiers without their prefix are the stored names.
enum TVxSettingsValueType {
    svtBoolean,
    svtInteger,
    svtBigint,
    svtFloat,
    svtDate,
    svtText,
    svtWidetext,
    svtOther,
    svtNull,
};
Q_ENUM_NS(TVxSettingsValueType)

} // namespace VxSettingsTypes

using VxSettingsTypes::TVxSettingsValueType;
using enum VxSettingsTypes::TVxSettingsValueType;

// The stored name: "boolean", "integer", "bigint", "float", "date", "text", "widetext",
// "other" or "null".
QString VxValueTypeName(TVxSettingsValueType type);
// Parses a stored name, ignoring ASCII letter case: empty gives null, unknown gives other.
TVxSettingsValueType VxValueTypeFromName(QStringView name);
// The type a value is stored as: bool → boolean; 8- to 32-bit integers → integer; 64-bit
// integers → bigint; float and double → float; QDateTime and QDate → date; QByteArray
// (8-bit text) → text; QString → widetext; an invalid or null variant → null; anything else
// → other.
TVxSettingsValueType VxValueTypeOf(const QVariant& value);

// A stored list being read: each position is one item. Paths given to its operations are
// relative to the current item (the item itself when empty).
class TVxSettingsListReader : public TVxBoundedIterator {
public:
    // `path` is the items' path relative to the cursor's base path (normally "item").
    TVxSettingsListReader(TVxSettingsCursor* cursor, const QString& path);

    const QString& Path() const { return FPath; }
    TVxSettingsCursor* Cursor() const { return FCursor; }

    QString ReadString(const QString& path, const QString& defaultValue = QString());
    bool HasClassInfo(const QString& path);
    // Creates the object whose class is stored at `path`; the caller owns it.
    QObject* ReadNewObject(const QString& path);

private:
    TVxSettingsCursor* FCursor;
    QString FPath;
};

// A list being written: NextItem starts a new item that the writer's paths then address.
class TVxSettingsListWriter : public TVxInterfacedObjectNRC {
    Q_OBJECT
public:
    TVxSettingsListWriter(TVxSettingsCursor* cursor, const QString& path);

    const QString& Path() const { return FPath; }
    TVxSettingsCursor* Cursor() const { return FCursor; }

    virtual void NextItem() = 0;
    // Removes every stored item.
    virtual void ClearItems() = 0;

    void WriteString(const QString& path, const QString& value);
    void WriteObject(const QString& path, QObject* object);

private:
    TVxSettingsCursor* FCursor;
    QString FPath;
};

// A store of values at dotted paths. Modified is set by every write and cleared by Load and by
// a flush.
class TVxSettingsRepository : public TVxObject {
    Q_OBJECT
public:
    TVxSettingsRepository() = default;

    bool Modified() const { return FModified; }
    void SetModified(bool modified) { FModified = modified; }
    // Whether a single value equal to the stored one is left alone (and the store unmodified).
    bool SkipUnchanged() const { return FSkipUnchanged; }
    void SetSkipUnchanged(bool skip) { FSkipUnchanged = skip; }

    // The value stored at `path` parsed as `type`, or an invalid QVariant when nothing is
    // stored there.
    virtual QVariant ReadValue(const QString& path, TVxSettingsValueType type) = 0;
    virtual void WriteValue(const QString& path, const QVariant& value) = 0;
    virtual bool Exists(const QString& path) = 0;
    // Removes what is stored at `path`, with everything below it.
    virtual void Delete(const QString& path) = 0;
    // Removes everything below `path`; the value at `path` itself stays.
    virtual void ClearChildren(const QString& path) = 0;
    virtual void Save() = 0;
    virtual void Load() = 0;
    virtual void Clear() = 0;
    virtual std::unique_ptr<TVxSettingsListReader> CreateListReader(TVxSettingsCursor* cursor,
                                                                    const QString& path) = 0;
    virtual std::unique_ptr<TVxSettingsListWriter> CreateListWriter(TVxSettingsCursor* cursor,
                                                                    const QString& path) = 0;

private:
    bool FModified = false;
    bool FSkipUnchanged = true;
};

// A repository kept in one file, loaded as soon as its file name is set.
class TVxSettingsFileRepository : public TVxSettingsRepository {
    Q_OBJECT
public:
    using TLoadErrorHandler =
        std::function<void(TVxSettingsFileRepository& repository, const std::exception& error)>;

    const QString& FileName() const { return FFileName; }
    // Stores a different name and loads the file. A failing load goes to OnLoadError when one
    // is set, else it propagates.
    void SetFileName(const QString& fileName);
    void SetOnLoadError(TLoadErrorHandler handler) { FOnLoadError = std::move(handler); }

private:
    QString FFileName;
    TLoadErrorHandler FOnLoadError;
};
