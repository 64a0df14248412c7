#include "VxSettings.h"

#include "ArFormat.h"
#include "VxClassRegistry.h"
#include "VxSettingsHandlers.h"

LY_UNIT("Units/VxSettings")

namespace {

const QString kObject = QStringLiteral("object");
const QString kHandler = QStringLiteral("handler");
const QString kClass = QStringLiteral("class");

// The position of the first single ":" (one that is not part of a "::"), or -1.
qsizetype FirstSingleColon(const QString& path) {
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path.at(i) != u':')
            continue;
        if (i + 1 < path.size() && path.at(i + 1) == u':') {
            ++i; // a repository separator
            continue;
        }
        return i;
    }
    return -1;
}

// Splits "a.b:t1:t2" into "a.b" and {"t1", "t2"}.
QString SplitTransformers(const QString& path, QStringList& names) {
    const qsizetype colon = FirstSingleColon(path);
    if (colon < 0) {
        names.clear();
        return path;
    }
    names = path.mid(colon + 1).split(u':', Qt::SkipEmptyParts);
    return path.left(colon);
}

// Keeps a flag set for the duration of one value operation.
class TBusyScope {
public:
    explicit TBusyScope(bool& busy)
        : FBusy(busy) {
        LY_ASSERT(!FBusy);
        FBusy = true;
    }
    ~TBusyScope() { FBusy = false; }

private:
    bool& FBusy;
};

// Restores the cursor's base path when an object operation ends, also by an exception.
class TBasePathScope {
public:
    TBasePathScope(TVxSettingsCursor& cursor, const QString& path)
        : FCursor(cursor)
        , FSaved(cursor.BasePath()) {
        cursor.SetBasePath(CombinePath(FSaved, path));
    }
    ~TBasePathScope() { FCursor.SetBasePath(FSaved); }

private:
    TVxSettingsCursor& FCursor;
    QString FSaved;
};

EVxSettingsException SettingsError(const char* format, const QVariantList& args) {
    return EVxSettingsException(ArFormat(QString::fromLatin1(format), args));
}

} // namespace

QString CombinePath(const QString& base, const QString& sub) {
    if (sub.isEmpty())
        return base;
    if (base.isEmpty())
        return sub;
    const qsizetype colon = FirstSingleColon(base);
    if (colon == 0)
        return sub;
    if (colon > 0)
        return base.left(colon) + u'.' + sub + base.mid(colon);
    return base + u'.' + sub;
}

// ---------------------------------------------------------------------------------------------
// TVxSettingsCursor

TVxSettingsCursor::TVxSettingsCursor(TVxSettings* settings)
    : FSettings(settings) {}

void TVxSettingsCursor::PositionForReading(const QString& chain, const QString& path,
                                           const QString& probePath) {
    LY_ASSERT(!FBusy);
    FBasePath = SplitTransformers(path, FLocationTransformerNames);
    FRepositoryNames = chain.split(u'.', Qt::SkipEmptyParts);
    FRepository = nullptr;
    FRepositoryName.clear();
    QStringList ignored;
    const QString probe = SplitTransformers(probePath, ignored);
    for (qsizetype i = FRepositoryNames.size() - 1; i >= 0; --i) {
        TVxSettingsRepository* repository = FSettings->Repositories().Find(FRepositoryNames.at(i));
        if (repository && repository->Exists(probe)) {
            FRepository = repository;
            FRepositoryName = FRepositoryNames.at(i);
            break;
        }
    }
}

void TVxSettingsCursor::PositionForWriting(const QString& repositoryName, const QString& path) {
    LY_ASSERT(!FBusy);
    LY_ASSERT(!repositoryName.isEmpty());
    FBasePath = SplitTransformers(path, FLocationTransformerNames);
    FRepositoryName = repositoryName;
    FRepositoryNames = {repositoryName};
    FRepository = FSettings->Repositories().Find(repositoryName);
}

QString TVxSettingsCursor::ValuePath(const QString& path, QStringList& transformerNames) const {
    const QString full = CombinePath(FBasePath, SplitTransformers(path, transformerNames));
    LY_ASSERT(!full.isEmpty());
    return full;
}

QVariant TVxSettingsCursor::ApplyTransformers(const QStringList& names, const QVariant& value) {
    QVariant result = value;
    for (qsizetype i = names.size() - 1; i >= 0; --i) {
        IVxSettingsValueTransformer* transformer = FSettings->ValueTransformers().Find(names.at(i));
        if (!transformer)
            throw SettingsError("Transformer for [%s] does not exist.", {names.at(i)});
        result = transformer->Transform(result, this);
    }
    return result;
}

QVariant TVxSettingsCursor::ReadValue(const QString& path, const QVariant& defaultValue) {
    TBusyScope busy(FBusy);
    if (!FRepository)
        return defaultValue;
    const QString full = ValuePath(path, FValueTransformerNames);
    QVariant value = FRepository->ReadValue(full, VxValueTypeOf(defaultValue));
    if (!value.isValid())
        return defaultValue;
    value = ApplyTransformers(FValueTransformerNames, value);
    return ApplyTransformers(FLocationTransformerNames, value);
}

void TVxSettingsCursor::WriteValue(const QString& path, const QVariant& value) {
    LY_ASSERT(FRepository);
    TBusyScope busy(FBusy);
    const QString full = ValuePath(path, FValueTransformerNames);
    QVariant transformed = ApplyTransformers(FLocationTransformerNames, value);
    transformed = ApplyTransformers(FValueTransformerNames, transformed);
    WriteValueChecked(full, transformed);
    if (FAutoFlush && FRepository->Modified()) {
        FRepository->Save();
        FRepository->SetModified(false);
    } else {
        FSettings->Updater().RepositoryWritten(FRepositoryName);
    }
}

void TVxSettingsCursor::WriteValueChecked(const QString& path, const QVariant& value) {
    LY_ASSERT(FRepository);
    LY_ASSERT(!path.isEmpty());
    const TVxSettingsValueType type = VxValueTypeOf(value);
    if (!FRepository->Modified() && FRepository->SkipUnchanged()) {
        const QVariant stored = FRepository->ReadValue(path, type);
        if (stored.isValid() && stored == value)
            return;
    }
    FRepository->WriteValue(path, value);
    FRepository->SetModified(true);
    // Floats may round in their text form; everything else must read back exactly.
    if (type != svtFloat && type != svtNull)
        LY_ASSERT_MSG(FRepository->ReadValue(path, type) == value,
                      "A written settings value did not read back equal");
}

QString TVxSettingsCursor::ReadString(const QString& path, const QString& defaultValue) {
    return ReadValue(path, defaultValue).toString();
}

QString TVxSettingsCursor::ReadWideString(const QString& path, const QString& defaultValue) {
    return ReadValue(path, defaultValue).toString();
}

int TVxSettingsCursor::ReadInteger(const QString& path, int defaultValue) {
    return ReadValue(path, defaultValue).toInt();
}

qint64 TVxSettingsCursor::ReadInt64(const QString& path, qint64 defaultValue) {
    return ReadValue(path, QVariant::fromValue(defaultValue)).toLongLong();
}

double TVxSettingsCursor::ReadFloat(const QString& path, double defaultValue) {
    return ReadValue(path, defaultValue).toDouble();
}

bool TVxSettingsCursor::ReadBoolean(const QString& path, bool defaultValue) {
    return ReadValue(path, defaultValue).toBool();
}

QChar TVxSettingsCursor::ReadChar(const QString& path, QChar defaultValue) {
    const QString text = ReadString(path, QString(defaultValue));
    return text.isEmpty() ? defaultValue : text.at(0);
}

QChar TVxSettingsCursor::ReadWideChar(const QString& path, QChar defaultValue) {
    return ReadChar(path, defaultValue);
}

void TVxSettingsCursor::WriteString(const QString& path, const QString& value) {
    WriteValue(path, value);
}

void TVxSettingsCursor::WriteWideString(const QString& path, const QString& value) {
    WriteValue(path, value);
}

void TVxSettingsCursor::WriteInteger(const QString& path, int value) {
    WriteValue(path, value);
}

void TVxSettingsCursor::WriteInt64(const QString& path, qint64 value) {
    WriteValue(path, QVariant::fromValue(value));
}

void TVxSettingsCursor::WriteFloat(const QString& path, double value) {
    WriteValue(path, value);
}

void TVxSettingsCursor::WriteBoolean(const QString& path, bool value) {
    WriteValue(path, value);
}

void TVxSettingsCursor::WriteChar(const QString& path, QChar value) {
    WriteValue(path, QString(value));
}

void TVxSettingsCursor::WriteWideChar(const QString& path, QChar value) {
    WriteValue(path, QString(value));
}

bool TVxSettingsCursor::ValueExists(const QString& path) {
    if (!FRepository)
        return false;
    const QVariant value = ReadValue(path, QVariant());
    return value.isValid() && !value.toString().isEmpty();
}

bool TVxSettingsCursor::HasClassInfo(const QString& path) {
    return !ReadString(CombinePath(path, kClass), QString()).isEmpty();
}

void TVxSettingsCursor::ClearLocation(const QString& path) {
    LY_ASSERT(FRepository);
    LY_ASSERT(!path.isEmpty());
    if (!FRepository->Modified() && FRepository->SkipUnchanged() && !FRepository->Exists(path))
        return;
    FRepository->ClearChildren(path);
    FRepository->SetModified(true);
}

void TVxSettingsCursor::WriteObject(const QString& path, QObject* object) {
    LY_ASSERT(object);
    TVxSettingsObjectHandler* handler = FSettings->HandlerForObject(object);
    if (!handler)
        throw SettingsError("Handler for [%s] does not exist.", {VxClassName(object)});
    if (!handler->CanHandleObject(object))
        throw SettingsError("Handler cannot store objects of type [%s].", {VxClassName(object)});
    TBasePathScope scope(*this, path);
    ClearLocation(FBasePath);
    WriteBoolean(kObject, true);
    WriteString(kHandler, handler->GetName());
    WriteString(kClass, VxClassName(object));
    handler->Write(object, *this);
}

void TVxSettingsCursor::ReadObject(const QString& path, QObject* object) {
    LY_ASSERT(object);
    TVxSettingsObjectHandler* handler = FSettings->HandlerForObject(object);
    if (!handler)
        throw SettingsError("Handler for [%s] does not exist.", {VxClassName(object)});
    if (!FRepository)
        return;
    handler->ClearObject(object);
    TBasePathScope scope(*this, path);
    if (!ReadBoolean(kObject, false))
        throw SettingsError("There is no object stored at [%s].", {FBasePath});
    const QString storedHandler = ReadString(kHandler, QString());
    if (storedHandler.isEmpty() || !handler->CanRead(object, storedHandler))
        throw SettingsError("Handler [%s] cannot read object [%s] stored by handler [%s] at [%s].",
                            {handler->GetName(), VxClassName(object), storedHandler, FBasePath});
    handler->Read(object, *this);
}

QObject* TVxSettingsCursor::ReadNewObject(const QString& path, const QMetaObject* metaObject) {
    if (!metaObject) {
        const QString fullPath = CombinePath(FBasePath, path);
        const QString className = ReadString(CombinePath(path, kClass), QString());
        if (className.isEmpty())
            throw SettingsError("There is no class information stored at [%s].", {fullPath});
        metaObject = VxFindClass(className);
        if (!metaObject)
            throw SettingsError(
                "Class [%s] stored at [%s] has not been registered with Classes.RegisterClass.",
                {className, fullPath});
    }
    TVxSettingsObjectHandler* handler = FSettings->HandlerForClass(metaObject);
    std::unique_ptr<QObject> object(handler ? handler->CreateObject(metaObject)
                                            : VxCreateObject(metaObject));
    if (!object)
        throw SettingsError("Class [%s] cannot be created.", {VxClassName(metaObject)});
    ReadObject(path, object.get());
    return object.release();
}

std::unique_ptr<TVxSettingsListReader> TVxSettingsCursor::CreateListReader(const QString& path) {
    if (!FRepository)
        return nullptr;
    return FRepository->CreateListReader(this, CombinePath(FBasePath, path));
}

std::unique_ptr<TVxSettingsListWriter> TVxSettingsCursor::CreateListWriter(const QString& path) {
    LY_ASSERT(FRepository);
    std::unique_ptr<TVxSettingsListWriter> writer =
        FRepository->CreateListWriter(this, CombinePath(FBasePath, path));
    writer->ClearItems();
    return writer;
}

// ---------------------------------------------------------------------------------------------

void TVxSettingsUpdater::RepositoryWritten(const QString& name) {
    if (FDepth <= 0)
        return;
    const QString key = name.toLower();
    if (!FPending.contains(key))
        FPending.append(key);
}

// ---------------------------------------------------------------------------------------------
// TVxSettings

TVxSettings::TVxSettings()
    : FCursor(this) {}

TVxSettings::~TVxSettings() {
    try {
        FlushAll();
    } catch (...) {
        // A destructor cannot report it; callers that care flush explicitly first.
    }
}

TVxSettings::TResolvedLocation TVxSettings::ResolveLocation(const QString& location,
                                                            TVxSettingsLocationOptions options,
                                                            bool forWriting) const {
    if (options.Contains(loUseSettingsDefaults))
        options = FDefaultLocationOptions;
    TResolvedLocation result;
    const qsizetype separator = location.indexOf(QStringLiteral("::"));
    if (separator >= 0) {
        result.Repositories = location.left(separator);
        result.Path = location.mid(separator + 2);
    } else {
        result.Path = location;
        if (forWriting)
            result.Repositories = DefaultWriteRepository;
    }
    if (options.Contains(loRootPath) && !RootPath.isEmpty())
        result.Path = CombinePath(RootPath, result.Path);
    if (options.Contains(loDefaultTransformers)) {
        if (forWriting && !DefaultWriteTransformer.isEmpty()) {
            result.Path += u':' + DefaultWriteTransformer;
        } else if (!forWriting && !DefaultReadTransformer.isEmpty()) {
            const qsizetype colon = FirstSingleColon(result.Path);
            if (colon < 0)
                result.Path += u':' + DefaultReadTransformer;
            else
                result.Path.insert(colon + 1, DefaultReadTransformer + u':');
        }
    }
    if (!forWriting) {
        if (options.Contains(loDefaultReadRepository) && !DefaultReadRepository.isEmpty())
            result.Repositories = result.Repositories.isEmpty()
                                      ? DefaultReadRepository
                                      : DefaultReadRepository + u'.' + result.Repositories;
        if (options.Contains(loPriorityReadRepository) && !PriorityReadRepository.isEmpty())
            result.Repositories = result.Repositories.isEmpty()
                                      ? PriorityReadRepository
                                      : result.Repositories + u'.' + PriorityReadRepository;
    }
    return result;
}

void TVxSettings::ReadObject(const QString& path, QObject* object,
                             TVxSettingsLocationOptions options) {
    LY_ASSERT(object);
    const TResolvedLocation location = ResolveLocation(path, options, false);
    FCursor.PositionForReading(location.Repositories, location.Path,
                               CombinePath(location.Path, QStringLiteral("object")));
    FCursor.ReadObject(QString(), object);
}

void TVxSettings::WriteObject(const QString& path, QObject* object,
                              TVxSettingsLocationOptions options) {
    LY_ASSERT(object);
    const TResolvedLocation location = ResolveLocation(path, options, true);
    LY_ASSERT_MSG(!location.Repositories.isEmpty(),
                  "No explicit or default location was specified.");
    if (!FRepositories.Find(location.Repositories))
        throw SettingsError("Repository [%s] does not exist.", {location.Repositories});
    FCursor.PositionForWriting(location.Repositories, location.Path);
    FCursor.WriteObject(QString(), object);
}

void TVxSettings::FlushAll() {
    for (int i = 0; i < FRepositories.Count(); ++i) {
        TVxSettingsRepository* repository = FRepositories.Items(i);
        if (repository->Modified()) {
            repository->Save();
            repository->SetModified(false);
        }
    }
}

void TVxSettings::LoadAll() {
    for (int i = 0; i < FRepositories.Count(); ++i) {
        FRepositories.Items(i)->Load();
        FRepositories.Items(i)->SetModified(false);
    }
}

void TVxSettings::ClearAll() {
    for (int i = 0; i < FRepositories.Count(); ++i) {
        FRepositories.Items(i)->Clear();
        FRepositories.Items(i)->SetModified(true);
    }
}

TVxSettingsObjectHandler* TVxSettings::HandlerForObject(const QObject* object) {
    if (TVxSettingsObjectHandler* exact = FHandlers.Find(VxClassName(object)))
        return exact;
    for (int i = 0; i < FHandlers.Count(); ++i)
        if (FHandlers.Items(i)->CanHandleObject(object))
            return FHandlers.Items(i);
    return nullptr;
}

TVxSettingsObjectHandler* TVxSettings::HandlerForClass(const QMetaObject* metaObject) {
    if (TVxSettingsObjectHandler* exact = FHandlers.Find(VxClassName(metaObject)))
        return exact;
    for (int i = 0; i < FHandlers.Count(); ++i)
        if (FHandlers.Items(i)->CanHandleClass(metaObject))
            return FHandlers.Items(i);
    return nullptr;
}

std::unique_ptr<TVxSettings> CreateStandardSettings(const QString& name, bool useRootPath) {
    auto settings = std::make_unique<TVxSettings>();
    auto& handlers = settings->Handlers();
    handlers.Add(QStringLiteral("TVxVariantHashMap"), new TVxSettingsVariantHashMapHandler());
    handlers.Add(QStringLiteral("TVxObjectHashMap"), new TVxSettingsObjectHashMapHandler());
    handlers.Add(QStringLiteral("TStringList"), new TVxSettingsStringListHandler());
    handlers.Add(QStringLiteral("TObjectList"), new TVxSettingsObjectListHandler());
    handlers.Add(QStringLiteral("TObject"), new TVxSettingsPersistentHandler());
    settings->DefaultReadRepository = name;
    settings->DefaultWriteRepository = name;
    if (useRootPath)
        settings->RootPath = name;
    return settings;
}
