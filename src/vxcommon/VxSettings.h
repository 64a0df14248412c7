// The settings front end: stores whole object graphs by their published properties at dotted
// paths of named repositories, and reads them back.
//
// A location is "[repository or read chain::]dotted.path[:transformer...]": "::" separates an
// explicit repository (or a read chain of names joined by ".") from the path, a single ":"
// starts the names of value transformers.
#pragma once

#include "ArDateTime.h"
#include "ArSet.h"
#include "VxLookupObjectList.h"
#include "VxSettingsRepository.h"

#include <QMetaObject>
#include <QStringList>

#include <memory>

class TVxSettings;
class TVxSettingsObjectHandler;

namespace VxSettingsLocations {
Q_NAMESPACE

enum TVxSettingsLocationOption {
    loUseSettingsDefaults,    // use the settings' DefaultLocationOptions instead
    loDefaultReadRepository,  // reading: DefaultReadRepository is tried last
    loPriorityReadRepository, // reading: PriorityReadRepository is tried first
    loDefaultTransformers,    // the default read and write transformers apply
    loRootPath,               // RootPath goes in front of the path
};
Q_ENUM_NS(TVxSettingsLocationOption)

} // namespace VxSettingsLocations

using VxSettingsLocations::TVxSettingsLocationOption;
using enum VxSettingsLocations::TVxSettingsLocationOption;
using TVxSettingsLocationOptions = TLySet<TVxSettingsLocationOption, quint8>;

// Turns a value on its way into or out of a repository (none exist in the program yet).
class IVxSettingsValueTransformer {
public:
    virtual ~IVxSettingsValueTransformer() = default;
    virtual QVariant Transform(const QVariant& value, TVxSettingsCursor* cursor) = 0;
};

// Receives the warnings of reading objects ("ObjectNotSetToNil", "ObjectNotWritable",
// "ObjectNotNillable") with the property's name.
class IVxMessageRecorder {
public:
    virtual ~IVxMessageRecorder() = default;
    virtual void RecordWarning(const QString& identifier, const QString& propertyName) = 0;
};

// Base + "." + sub, keeping a transformer suffix of base at the end; empty parts drop out.
QString CombinePath(const QString& base, const QString& sub);

// The current location of one read or write, and the typed value operations relative to it.
// Not re-entrant: a value operation asserts that no other one is running.
class TVxSettingsCursor {
public:
    explicit TVxSettingsCursor(TVxSettings* settings);

    TVxSettings* Settings() const { return FSettings; }
    // The repository in use; null when nothing is stored at the location read.
    TVxSettingsRepository* Repository() const { return FRepository; }
    const QString& BasePath() const { return FBasePath; }
    void SetBasePath(const QString& basePath) { FBasePath = basePath; }
    bool AutoFlush() const { return FAutoFlush; }
    void SetAutoFlush(bool autoFlush) { FAutoFlush = autoFlush; }
    bool Busy() const { return FBusy; }

    // Chooses the first repository of the read chain (tried from its last name to its first)
    // that holds `probePath`; none leaves Repository null.
    void PositionForReading(const QString& chain, const QString& path, const QString& probePath);
    void PositionForWriting(const QString& repositoryName, const QString& path);

    QString ReadString(const QString& path, const QString& defaultValue = QString());
    QString ReadWideString(const QString& path, const QString& defaultValue = QString());
    int ReadInteger(const QString& path, int defaultValue = 0);
    qint64 ReadInt64(const QString& path, qint64 defaultValue = 0);
    double ReadFloat(const QString& path, double defaultValue = 0.0);
    bool ReadBoolean(const QString& path, bool defaultValue = false);
    QChar ReadChar(const QString& path, QChar defaultValue = QChar());
    QChar ReadWideChar(const QString& path, QChar defaultValue = QChar());
    // The stored value parsed as the type of `defaultValue`; the default when nothing is stored.
    QVariant ReadValue(const QString& path, const QVariant& defaultValue);

    void WriteString(const QString& path, const QString& value);
    void WriteWideString(const QString& path, const QString& value);
    void WriteInteger(const QString& path, int value);
    void WriteInt64(const QString& path, qint64 value);
    void WriteFloat(const QString& path, double value);
    void WriteBoolean(const QString& path, bool value);
    void WriteChar(const QString& path, QChar value);
    void WriteWideChar(const QString& path, QChar value);
    void WriteValue(const QString& path, const QVariant& value);

    // True when a non-empty value is stored at `path`.
    bool ValueExists(const QString& path);
    // True when a class name is stored at `path`.class.
    bool HasClassInfo(const QString& path);

    void ReadObject(const QString& path, QObject* object);
    // Creates and reads the object stored at `path`; `metaObject` null takes the stored class
    // name. The caller owns the result.
    QObject* ReadNewObject(const QString& path, const QMetaObject* metaObject = nullptr);
    void WriteObject(const QString& path, QObject* object);

    // Null when nothing is read from (no repository).
    std::unique_ptr<TVxSettingsListReader> CreateListReader(const QString& path);
    // Replaces every stored item: the writer starts with ClearItems.
    std::unique_ptr<TVxSettingsListWriter> CreateListWriter(const QString& path);

    // Before an object is written at `path`: removes what is stored below it.
    void ClearLocation(const QString& path);
    // Writes `value` unless it equals what an unmodified repository holds; reads it back.
    void WriteValueChecked(const QString& path, const QVariant& value);

private:
    QVariant ApplyTransformers(const QStringList& names, const QVariant& value);
    QString ValuePath(const QString& path, QStringList& transformerNames) const;

    TVxSettings* FSettings;
    TVxSettingsRepository* FRepository = nullptr;
    QString FBasePath;
    bool FAutoFlush = false;
    bool FBusy = false;
    QStringList FRepositoryNames;
    QStringList FValueTransformerNames;
    QStringList FLocationTransformerNames;
    QString FRepositoryName;
};

// Records repositories written while an update is open (nothing in the program opens one, so
// saving happens when the settings are flushed).
class TVxSettingsUpdater {
public:
    void BeginUpdate() { ++FDepth; }
    void EndUpdate() { --FDepth; }
    void RepositoryWritten(const QString& name);
    const QStringList& Pending() const { return FPending; }

private:
    QStringList FPending;
    int FDepth = 0;
};

class TVxSettings : public TVxObject {
    Q_OBJECT
public:
    TVxSettings();
    // Saves every modified repository.
    ~TVxSettings() override;

    TVxLookupObjectList<TVxSettingsRepository>& Repositories() { return FRepositories; }
    TVxLookupObjectList<IVxSettingsValueTransformer>& ValueTransformers() {
        return FValueTransformers;
    }
    TVxLookupObjectList<TVxSettingsObjectHandler>& Handlers() { return FHandlers; }
    IVxMessageRecorder* MessageRecorder() const { return FMessageRecorder; }
    void SetMessageRecorder(IVxMessageRecorder* recorder) { FMessageRecorder = recorder; }

    TVxSettingsLocationOptions DefaultLocationOptions() const { return FDefaultLocationOptions; }
    void SetDefaultLocationOptions(TVxSettingsLocationOptions o) { FDefaultLocationOptions = o; }
    QString DefaultReadRepository;
    QString PriorityReadRepository;
    QString DefaultWriteRepository;
    QString DefaultWriteTransformer;
    QString DefaultReadTransformer;
    QString RootPath;

    TVxSettingsCursor& Cursor() { return FCursor; }
    TVxSettingsUpdater& Updater() { return FUpdater; }

    void ReadObject(const QString& path, QObject* object,
                    TVxSettingsLocationOptions options = {loUseSettingsDefaults});
    void WriteObject(const QString& path, QObject* object,
                     TVxSettingsLocationOptions options = {loUseSettingsDefaults});
    void FlushAll();
    void LoadAll();
    void ClearAll();

    // The handler registered under the class name, else the first whose CanHandleObject (or
    // CanHandleClass) accepts; null when none does.
    TVxSettingsObjectHandler* HandlerForObject(const QObject* object);
    TVxSettingsObjectHandler* HandlerForClass(const QMetaObject* metaObject);

    struct TResolvedLocation {
        QString Repositories; // a name, or a read chain joined by "."
        QString Path;
    };
    TResolvedLocation ResolveLocation(const QString& location, TVxSettingsLocationOptions options,
                                      bool forWriting) const;

private:
    TVxLookupObjectList<TVxSettingsRepository> FRepositories;
    TVxLookupObjectList<IVxSettingsValueTransformer> FValueTransformers;
    TVxLookupObjectList<TVxSettingsObjectHandler> FHandlers;
    IVxMessageRecorder* FMessageRecorder = nullptr;
    TVxSettingsLocationOptions FDefaultLocationOptions{
        loDefaultReadRepository, loPriorityReadRepository, loDefaultTransformers, loRootPath};
    TVxSettingsCursor FCursor;
    TVxSettingsUpdater FUpdater;
};

// The settings object of the program: the five standard handlers, `name` as the default read
// and write repository and, with `useRootPath`, as the root path. Add the repository under
// `name` afterwards.
std::unique_ptr<TVxSettings> CreateStandardSettings(const QString& name, bool useRootPath);
