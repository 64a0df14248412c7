#include "VxSettingsXML.h"

#include "ArFormat.h"
#include "ArMessageLog.h"
#include "VxSaveFile.h"
#include "VxSettings.h"
#include "VxSettingsXMLWriter.h"
#include "VxXmlReferences.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTime>

#include <cmath>
#include <cstdio>
#include <limits>

LY_UNIT("Units/VxSettingsXML")

namespace {

constexpr char kRootName[] = "Settings";
constexpr char kTypeAttribute[] = "type";

[[noreturn]] void Raise(const char* format, const QVariantList& args = {}) {
    throw EVxSettingsXMLException(ArFormat(QString::fromUtf8(format), args));
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Element names compare ignoring case: bytes for ASCII, Unicode case folding otherwise.
bool NameMatches(const char* name, const QByteArray& wanted, const QString& wantedText) {
    const char* n = name;
    const char* w = wanted.constData();
    for (; *n && *w; ++n, ++w) {
        if (static_cast<unsigned char>(*n) >= 0x80 || static_cast<unsigned char>(*w) >= 0x80)
            return QString::fromUtf8(name).compare(wantedText, Qt::CaseInsensitive) == 0;
        if (LowerAscii(*n) != LowerAscii(*w))
            return false;
    }
    return *n == 0 && *w == 0;
}

pugi::xml_node FindChild(const pugi::xml_node& parent, const QByteArray& name,
                         const QString& nameText) {
    for (const pugi::xml_node& child : parent.children())
        if (child.type() == pugi::node_element && NameMatches(child.name(), name, nameText))
            return child;
    return {};
}

// A name that would make the file unreadable is refused before it is written.
void CheckElementName(const QString& name, const QString& path) {
    bool valid = !name.isEmpty() && (name[0].isLetter() || name[0] == QLatin1Char('_'));
    for (qsizetype i = 1; valid && i < name.size(); ++i)
        valid = name[i].isLetterOrNumber() || name[i] == QLatin1Char('_') ||
                name[i] == QLatin1Char('-');
    if (!valid)
        Raise("Invalid element name [%s] in path [%s]", {name, path});
}

pugi::xml_attribute TypeAttribute(const pugi::xml_node& node) {
    for (const pugi::xml_attribute& attribute : node.attributes())
        if (NameMatches(attribute.name(), QByteArray(kTypeAttribute), QString()))
            return attribute;
    return {};
}

bool IsText(const pugi::xml_node& node) {
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

// Replaces the element's character data by `text`, put before any child elements.
void SetText(pugi::xml_node& node, const QByteArray& text) {
    for (pugi::xml_node child = node.first_child(); child;) {
        const pugi::xml_node next = child.next_sibling();
        if (IsText(child))
            node.remove_child(child);
        child = next;
    }
    if (!text.isEmpty())
        node.prepend_child(pugi::node_pcdata).set_value(text.constData());
}

// The path without its transformer suffix (from the first ":").
QString StripTransformers(const QString& path) {
    const qsizetype colon = path.indexOf(QLatin1Char(':'));
    return colon < 0 ? path : path.left(colon);
}

bool IsAtOrBelow(const QString& path, const QString& base) {
    return path.compare(base, Qt::CaseInsensitive) == 0 ||
           (path.size() > base.size() && path[base.size()] == QLatin1Char('.') &&
            path.startsWith(base, Qt::CaseInsensitive));
}

// --- Value texts ----------------------------------------------------------------------------

// General format with up to 15 significant digits: fixed notation for exponents from -5 to 14,
// else mantissa, "E" and the exponent without "+" or leading zeros ("1E20", "1.5E-7").
QByteArray FormatFloat(double value) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0)
        return "0";
    const QByteArray text = QByteArray::number(value, 'g', 15);
    const qsizetype e = text.indexOf('e');
    if (e < 0)
        return text;
    return text.left(e) + 'E' + QByteArray::number(text.mid(e + 1).toInt());
}

double ParseFloat(const QByteArray& stored) {
    QByteArray text = stored.trimmed().toUpper();
    text.replace(',', '.');
    if (text == "NAN")
        return std::numeric_limits<double>::quiet_NaN();
    if (text == "INF" || text == "+INF")
        return std::numeric_limits<double>::infinity();
    if (text == "-INF")
        return -std::numeric_limits<double>::infinity();
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        Raise("Cannot convert value to float");
    return value;
}

bool ParseBoolean(const QByteArray& stored) {
    const QByteArray text = stored.trimmed();
    switch (text.isEmpty() ? '\0' : text[0]) {
    case 'T':
    case 't':
    case 'Y':
    case 'y':
        return true;
    case 'F':
    case 'f':
    case 'N':
    case 'n':
        return false;
    default:
        Raise("Cannot convert value to bool");
    }
}

qint64 ParseInteger(const QByteArray& stored, qint64 minimum, qint64 maximum) {
    bool ok = false;
    const qint64 value = stored.trimmed().toLongLong(&ok, 10);
    if (!ok || value < minimum || value > maximum)
        Raise("Cannot convert value [%s] to integer", {QString::fromUtf8(stored)});
    return value;
}

QByteArray FormatDate(const QVariant& value) {
    QDate date;
    QTime time;
    if (value.metaType().id() == QMetaType::QDate) {
        date = value.toDate();
    } else {
        const QDateTime dateTime = value.toDateTime();
        date = dateTime.date();
        time = dateTime.time();
    }
    if (!date.isValid())
        return {};
    char text[40];
    if (!time.isValid() || time.msecsSinceStartOfDay() == 0)
        std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d", date.year(), date.month(), date.day());
    else
        std::snprintf(text, sizeof text, "%.4d-%.2d-%.2dT%.2d:%.2d:%.2d.%.3dZ", date.year(),
                      date.month(), date.day(), time.hour(), time.minute(), time.second(),
                      time.msec());
    return text;
}

// Either written form; also accepts a blank for "T", no seconds or fraction, and no "Z".
// Empty text is no date.
QVariant ParseDate(const QByteArray& stored) {
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(\d{4})-(\d{2})-(\d{2})(?:[Tt ](\d{2}):(\d{2})(?::(\d{2})(?:[.,](\d+))?)?[Zz]?)?$)"));
    const QString text = QString::fromUtf8(stored.trimmed());
    if (text.isEmpty())
        return {};
    const QRegularExpressionMatch match = pattern.match(text);
    if (match.hasMatch()) {
        const QDate date(match.captured(1).toInt(), match.captured(2).toInt(),
                         match.captured(3).toInt());
        // The fraction is milliseconds: ".5" is 500, digits after the third are dropped.
        const QTime time(match.captured(4).toInt(), match.captured(5).toInt(),
                         match.captured(6).toInt(),
                         match.captured(7).left(3).leftJustified(3, QLatin1Char('0')).toInt());
        if (date.isValid() && time.isValid())
            return QDateTime(date, time, Qt::UTC);
    }
    Raise("Cannot convert value [%s] to date", {text});
}

QByteArray FormatValue(const QVariant& value, TVxSettingsValueType type) {
    switch (type) {
    case svtBoolean:
        return value.toBool() ? "True" : "False";
    case svtInteger:
    case svtBigint:
        return value.metaType().id() == QMetaType::ULongLong
                   ? QByteArray::number(value.toULongLong())
                   : QByteArray::number(value.toLongLong());
    case svtFloat:
        return FormatFloat(value.toDouble());
    case svtDate:
        return FormatDate(value);
    case svtText:
        return value.toByteArray();
    case svtWidetext:
        return value.toString().toUtf8();
    default:
        return {};
    }
}

QString ErrorText(const std::exception& error) {
    if (const auto* own = dynamic_cast<const Exception*>(&error))
        return own->Message();
    return QString::fromLocal8Bit(error.what());
}

} // namespace

// --- Cursor and cache ---------------------------------------------------------------------------

void TVxSettingsXMLFileCursor::SetDocument(pugi::xml_document* document) {
    FDocument = document;
    Reset();
}

void TVxSettingsXMLFileCursor::Resolve(const QString& path, bool create) {
    FPath = path;
    FParts = path.isEmpty() ? QStringList() : path.split(QLatin1Char('.'));
    FResolved = false; // stays so if a bad name below raises
    FNode = FDocument ? FDocument->document_element() : pugi::xml_node();
    if (!FNode && create && FDocument)
        FNode = FDocument->append_child(kRootName);
    bool checked = false;
    for (qsizetype i = 0; FNode && i < FParts.size(); ++i) {
        const QByteArray name = FParts[i].toUtf8();
        pugi::xml_node child = FindChild(FNode, name, FParts[i]);
        if (!child && create) {
            // Every name still to be created is checked first, so a bad one creates nothing.
            for (qsizetype j = i; !checked && j < FParts.size(); ++j)
                CheckElementName(FParts[j], path);
            checked = true;
            child = FNode.append_child(name.constData());
        }
        for (IVxSettingsXMLNodeFilter* filter : std::as_const(FFilters))
            if (child)
                child = filter->FilterNode(child);
        FNode = child;
    }
    FResolved = true;
}

void TVxSettingsXMLFileCursor::Assign(const QString& path, const pugi::xml_node& node) {
    FPath = path;
    FParts = path.isEmpty() ? QStringList() : path.split(QLatin1Char('.'));
    FNode = node;
    FResolved = true;
}

void TVxSettingsXMLFileCursor::Reset() {
    FNode = pugi::xml_node();
    FPath.clear();
    FParts.clear();
    FResolved = false;
}

void TVxSettingsXMLFileCursor::AddFilter(IVxSettingsXMLNodeFilter* filter) {
    LY_ASSERT(filter && !FFilters.contains(filter));
    FFilters.append(filter);
}

void TVxSettingsXMLFileCursor::RemoveFilter(IVxSettingsXMLNodeFilter* filter) {
    FFilters.removeOne(filter);
}

void TVxSettingsXMLFileSingleCursorCache::SetDocument(pugi::xml_document* document) {
    FCursor.SetDocument(document);
}

TVxSettingsXMLFileCursor& TVxSettingsXMLFileSingleCursorCache::GetCursor(const QString& path,
                                                                         bool create) {
    if (!FCursor.Resolved() || FCursor.Path() != path || (create && !FCursor.Node()))
        FCursor.Resolve(path, create);
    return FCursor;
}

void TVxSettingsXMLFileSingleCursorCache::Reset() {
    FCursor.Reset();
}

// --- Repository ---------------------------------------------------------------------------------

TVxSettingsXMLFileRepository::TVxSettingsXMLFileRepository(
    std::unique_ptr<TVxSettingsXMLFileCursorCache> cursorCache)
    : FCursorCache(cursorCache ? std::move(cursorCache)
                               : std::make_unique<TVxSettingsXMLFileSingleCursorCache>()) {
    Clear();
}

TVxSettingsXMLFileRepository::~TVxSettingsXMLFileRepository() = default;

void TVxSettingsXMLFileRepository::ReplaceDocument(std::unique_ptr<pugi::xml_document> document) {
    FCursorCache->SetDocument(document.get());
    FDocument = std::move(document);
}

QVariant TVxSettingsXMLFileRepository::ReadValue(const QString& path, TVxSettingsValueType type) {
    const pugi::xml_node node = FCursorCache->GetCursor(path, false).Node();
    if (!node)
        return {};
    QString typeName = VxValueTypeName(type);
    if (type == svtNull) {
        typeName = QString::fromUtf8(TypeAttribute(node).value());
        type = VxValueTypeFromName(typeName);
    }
    const QByteArray text = VxSettingsXMLNodeText(node);
    switch (type) {
    case svtBoolean:
        return ParseBoolean(text);
    case svtInteger:
        return int(
            ParseInteger(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    case svtBigint:
        return qlonglong(ParseInteger(text, std::numeric_limits<qint64>::min(),
                                      std::numeric_limits<qint64>::max()));
    case svtFloat:
        return ParseFloat(text);
    case svtDate:
        return ParseDate(text);
    case svtText:
        return text;
    case svtWidetext:
        return QString::fromUtf8(text);
    case svtOther:
        Raise("Unrecognized data type [%s]", {typeName});
    case svtNull:
        break;
    }
    return {};
}

void TVxSettingsXMLFileRepository::WriteValue(const QString& path, const QVariant& value) {
    LY_ASSERT(!path.isEmpty());
    const TVxSettingsValueType type = VxValueTypeOf(value);
    // Checked before any element is created, so a refused value leaves no trace.
    if (type == svtOther)
        Raise("Unrecognized data type [%d]", {value.metaType().id()});
    const QByteArray text = FormatValue(value, type);
    pugi::xml_node node = FCursorCache->GetCursor(path, true).Node();
    LY_ASSERT(node);
    SetText(node, text);
    pugi::xml_attribute typeAttribute = TypeAttribute(node);
    if (FWriteTypes) {
        if (!typeAttribute)
            typeAttribute = node.append_attribute(kTypeAttribute);
        typeAttribute.set_value(VxValueTypeName(type).toUtf8().constData());
    } else if (typeAttribute) {
        // A type left from an earlier write would misread the new value.
        node.remove_attribute(typeAttribute);
    }
    SetModified(true);
}

bool TVxSettingsXMLFileRepository::Exists(const QString& path) {
    return bool(FCursorCache->GetCursor(path, false).Node());
}

void TVxSettingsXMLFileRepository::Delete(const QString& path) {
    LY_ASSERT(!path.isEmpty());
    const pugi::xml_node node = FCursorCache->GetCursor(path, false).Node();
    FCursorCache->Reset();
    if (node && node.parent().remove_child(node))
        SetModified(true);
}

void TVxSettingsXMLFileRepository::ClearChildren(const QString& path) {
    pugi::xml_node node = FCursorCache->GetCursor(path, false).Node();
    if (!node || !VxSettingsXMLHasStructure(node))
        return;
    // The text as read now (trimmed beside children) is what the element keeps.
    const QByteArray text = VxSettingsXMLNodeText(node);
    FCursorCache->Reset();
    node.remove_children();
    SetText(node, text);
    SetModified(true);
}

void TVxSettingsXMLFileRepository::Save() {
    LY_ASSERT(!FileName().isEmpty());
    const QByteArray bytes = VxFormatSettingsXML(*FDocument);
    TVxSaveFile file(FileName());
    if (!file.Open() || !file.Write(bytes) || !file.Commit())
        Raise("Cannot save settings file [%s]: %s", {FileName(), file.ErrorString()});
    SetModified(false);
}

void TVxSettingsXMLFileRepository::Load() {
    const QString& fileName = FileName();
    const QFileInfo info(fileName);
    if (!info.exists()) {
        Clear();
        SetModified(false);
        return;
    }
    if (info.isDir())
        Raise("Cannot read settings file [%s]: it is a folder", {fileName});
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        Raise("Cannot read settings file [%s]: %s", {fileName, file.errorString()});
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        Raise("Cannot read settings file [%s]: %s", {fileName, file.errorString()});
    // The check reads UTF-8; a file in UTF-16 or UTF-32 (a NUL in every ASCII character) is
    // left to the parser alone.
    QString unsupported;
    const qint64 where = bytes.contains('\0')
                             ? -1
                             : VxFindUnsupportedXml(bytes.constData(), bytes.size(), &unsupported);
    if (where >= 0)
        Raise("Cannot read settings file [%s]: it holds %s at offset %d",
              {fileName, unsupported, where});
    auto document = std::make_unique<pugi::xml_document>();
    // A whitespace-only value (" ") is the element's only child and must survive.
    const pugi::xml_parse_result result =
        document->load_buffer(bytes.constData(), size_t(bytes.size()),
                              pugi::parse_default | pugi::parse_ws_pcdata_single);
    if (!result)
        Raise("Cannot read settings file [%s]: %s at offset %d",
              {fileName, QString::fromUtf8(result.description()), qint64(result.offset)});
    ReplaceDocument(std::move(document));
    SetModified(false);
}

void TVxSettingsXMLFileRepository::Clear() {
    auto document = std::make_unique<pugi::xml_document>();
    document->append_child(kRootName);
    ReplaceDocument(std::move(document));
}

std::unique_ptr<TVxSettingsListReader>
TVxSettingsXMLFileRepository::CreateListReader(TVxSettingsCursor* cursor, const QString& path) {
    return std::make_unique<TVxSettingsXMLListReader>(this, cursor, path);
}

std::unique_ptr<TVxSettingsListWriter>
TVxSettingsXMLFileRepository::CreateListWriter(TVxSettingsCursor* cursor, const QString& path) {
    return std::make_unique<TVxSettingsXMLListWriter>(this, cursor, path);
}

// --- Lists --------------------------------------------------------------------------------------

namespace {

// The parts of a list's item path: "a.b.item:t" gives the item path "a.b.item", the parent
// path "a.b", the item name "item" and the path relative to the list "item:t".
struct TListPath {
    explicit TListPath(const QString& path) {
        ItemPath = StripTransformers(path);
        const qsizetype dot = ItemPath.lastIndexOf(QLatin1Char('.'));
        ParentPath = dot < 0 ? QString() : ItemPath.left(dot);
        ItemName = ItemPath.mid(dot + 1);
        RelativePath = path.mid(dot + 1);
    }
    QString ItemPath;
    QString ParentPath;
    QString ItemName;
    QString RelativePath;
};

} // namespace

TVxSettingsXMLListReader::TVxSettingsXMLListReader(TVxSettingsXMLFileRepository* repository,
                                                   TVxSettingsCursor* cursor, const QString& path)
    : TVxSettingsListReader(cursor, TListPath(path).RelativePath)
    , FRepository(repository) {
    const TListPath parts(path);
    FItemPath = parts.ItemPath;
    FItemName = parts.ItemName;
    FItemNameUtf8 = FItemName.toUtf8();
    TVxSettingsXMLFileCursorCache& cache = FRepository->CursorCache();
    FParent = cache.GetCursor(parts.ParentPath, false).Node();
    if (FParent) {
        for (const pugi::xml_node& child : FParent.children())
            if (child.type() == pugi::node_element &&
                NameMatches(child.name(), FItemNameUtf8, FItemName))
                FItems.append(child);
    }
    FItemCursor = &cache.GetCursor(FItemPath, false);
    FItemCursor->AddFilter(this);
    PositionItemCursor();
}

TVxSettingsXMLListReader::~TVxSettingsXMLListReader() {
    FItemCursor->RemoveFilter(this);
    FRepository->CursorCache().Reset();
}

pugi::xml_node TVxSettingsXMLListReader::FilterNode(const pugi::xml_node& node) {
    if (Done() || node.parent() != FParent)
        return node;
    return NameMatches(node.name(), FItemNameUtf8, FItemName) ? FItems[FIndex] : node;
}

void TVxSettingsXMLListReader::Advance() {
    ++FIndex;
    PositionItemCursor();
}

void TVxSettingsXMLListReader::Retreat() {
    --FIndex;
    PositionItemCursor();
}

void TVxSettingsXMLListReader::MoveToStart() {
    FIndex = 0;
    PositionItemCursor();
}

void TVxSettingsXMLListReader::PositionItemCursor() {
    // Any resolution made for the previous item is stale now.
    if (Done())
        FRepository->CursorCache().Reset();
    else
        FItemCursor->Assign(FItemPath, FItems[FIndex]);
}

TVxSettingsXMLListWriter::TVxSettingsXMLListWriter(TVxSettingsXMLFileRepository* repository,
                                                   TVxSettingsCursor* cursor, const QString& path)
    : TVxSettingsListWriter(cursor, TListPath(path).RelativePath)
    , FRepository(repository) {
    const TListPath parts(path);
    FItemPath = parts.ItemPath;
    FItemName = parts.ItemName;
    FItemNameUtf8 = FItemName.toUtf8();
    CheckElementName(FItemName, path);
    TVxSettingsXMLFileCursorCache& cache = FRepository->CursorCache();
    FParent = cache.GetCursor(parts.ParentPath, true).Node();
    LY_ASSERT(FParent);
    FItemCursor = &cache.GetCursor(FItemPath, false);
    FItemCursor->AddFilter(this);
}

TVxSettingsXMLListWriter::~TVxSettingsXMLListWriter() {
    FItemCursor->RemoveFilter(this);
    FRepository->CursorCache().Reset();
}

void TVxSettingsXMLListWriter::NextItem() {
    LY_ASSERT(FParent);
    FCurrentItem = FParent.append_child(FItemNameUtf8.constData());
    FRepository->SetModified(true);
    // A resolution through the item path still points into the previous item.
    const QString cachedPath = FItemCursor->Path();
    if (FItemCursor->Resolved() && IsAtOrBelow(cachedPath, FItemPath))
        FItemCursor->Resolve(cachedPath, false);
}

void TVxSettingsXMLListWriter::ClearItems() {
    LY_ASSERT(FParent);
    for (pugi::xml_node child = FParent.first_child(); child;) {
        const pugi::xml_node next = child.next_sibling();
        if (child.type() == pugi::node_element &&
            NameMatches(child.name(), FItemNameUtf8, FItemName)) {
            FParent.remove_child(child);
            FRepository->SetModified(true);
        }
        child = next;
    }
    FCurrentItem = pugi::xml_node();
    FRepository->CursorCache().Reset();
}

pugi::xml_node TVxSettingsXMLListWriter::FilterNode(const pugi::xml_node& node) {
    if (!FCurrentItem || node.parent() != FParent)
        return node;
    return NameMatches(node.name(), FItemNameUtf8, FItemName) ? FCurrentItem : node;
}

// --- The settings object of a file -------------------------------------------------------------

void VxSetAsideSettingsFile(const QString& fileName, const std::exception& error) {
    const QString base = fileName + QStringLiteral(".unreadable");
    QString keptName = base;
    for (int n = 1; QFileInfo::exists(keptName) || QFileInfo(keptName).isSymLink(); ++n)
        keptName = base + QLatin1Char('.') + QString::number(n);
    // Renamed, never copied or overwritten: the user's data stays in one piece.
    if (!QFile::rename(fileName, keptName))
        Raise("%s; the file could not be set aside as [%s]", {ErrorText(error), keptName});
    LogFormat(QStringLiteral("Settings file [%s] could not be read and was kept as [%s]; the "
                             "settings start empty. %s"),
              {fileName, keptName, ErrorText(error)}, mtWarning, QStringLiteral("System"));
}

void VxSetAsideUnreadableSettingsFile(TVxSettingsFileRepository& repository,
                                      const std::exception& error) {
    VxSetAsideSettingsFile(repository.FileName(), error);
    repository.Clear();
    repository.SetModified(true);
}

std::unique_ptr<TVxSettings> CreateXMLFileSettings(const QString& fileName, const QString& name,
                                                   bool useRootPath, bool setAsideUnreadable) {
    std::unique_ptr<TVxSettings> settings = CreateStandardSettings(name, useRootPath);
    auto* repository = new TVxSettingsXMLFileRepository();
    settings->Repositories().Add(name, repository);
    // A folder that cannot be made shows up when the file is saved.
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    if (setAsideUnreadable)
        repository->SetOnLoadError(&VxSetAsideUnreadableSettingsFile);
    repository->SetFileName(fileName);
    repository->SetWriteTypes(false);
    return settings;
}
