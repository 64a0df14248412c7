// The settings repository kept as an XML file: every dotted path is a nested element whose
// text holds the value. The whole document stays in memory between Load and Save.
//
// Value texts: booleans "True"/"False"; integers and big integers in decimal; floats in
// general format with up to 15 significant digits and "."; dates "yyyy-mm-dd" or
// "yyyy-mm-ddThh:nn:ss.zzzZ"; strings as UTF-8. A date travels as a QDateTime whose date and
// time of day are stored as they stand (no time-zone conversion, the "Z" is part of the form);
// reading gives a QDateTime tagged UTC, the form DateTimeToQDateTime produces. A QDate is
// written as a date without time; an invalid date as empty text, which reads as no value.
#pragma once

#include "VxSettingsRepository.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

#include <pugixml.hpp>

class TVxSettings;

// Errors of the XML settings file: unreadable or unwritable files, values that do not convert.
class EVxSettingsXMLException : public EVxSettingsException {
public:
    using EVxSettingsException::EVxSettingsException;
};

// Lets a list reader or writer redirect path resolution to the item it is at.
class IVxSettingsXMLNodeFilter {
public:
    virtual ~IVxSettingsXMLNodeFilter() = default;
    // Called for each element a resolution step reaches; returns the element to continue with
    // (`node` itself when the filter does not apply).
    virtual pugi::xml_node FilterNode(const pugi::xml_node& node) = 0;
};

// A path resolved to an element of the document.
class TVxSettingsXMLFileCursor {
public:
    pugi::xml_document* Document() const { return FDocument; }
    void SetDocument(pugi::xml_document* document);
    // The element, null when the path does not resolve.
    pugi::xml_node Node() const { return FNode; }
    // The dotted path the cursor was last resolved for; empty after Reset.
    const QString& Path() const { return FPath; }
    const QStringList& Parts() const { return FParts; }
    // False until resolved and again after Reset.
    bool Resolved() const { return FResolved; }

    // Walks from the root element, matching names ignoring case and passing every element
    // through the filters in order; with `create` missing elements are appended. An empty path
    // is the root element.
    void Resolve(const QString& path, bool create);
    // Puts the cursor on `node` as the resolution of `path` without walking.
    void Assign(const QString& path, const pugi::xml_node& node);
    void Reset();

    void AddFilter(IVxSettingsXMLNodeFilter* filter);
    void RemoveFilter(IVxSettingsXMLNodeFilter* filter);

private:
    pugi::xml_document* FDocument = nullptr;
    pugi::xml_node FNode;
    QString FPath;
    QStringList FParts;
    QList<IVxSettingsXMLNodeFilter*> FFilters;
    bool FResolved = false;
};

// Spares the walk from the root when the same path is used again.
class TVxSettingsXMLFileCursorCache {
public:
    virtual ~TVxSettingsXMLFileCursorCache() = default;
    virtual void SetDocument(pugi::xml_document* document) = 0;
    // A cursor resolved for `path`; with `create` its element exists afterwards. The cursor
    // lives as long as the cache, so list readers and writers can keep their filter on it.
    virtual TVxSettingsXMLFileCursor& GetCursor(const QString& path, bool create) = 0;
    // Forgets every resolution; needed whenever elements may have gone.
    virtual void Reset() = 0;
};

// One cursor, re-resolved whenever the path differs or an element must be created.
class TVxSettingsXMLFileSingleCursorCache : public TVxSettingsXMLFileCursorCache {
public:
    void SetDocument(pugi::xml_document* document) override;
    TVxSettingsXMLFileCursor& GetCursor(const QString& path, bool create) override;
    void Reset() override;

private:
    TVxSettingsXMLFileCursor FCursor;
};

class TVxSettingsXMLFileRepository : public TVxSettingsFileRepository {
    Q_OBJECT
public:
    // Without a cache the single-cursor cache is used. Starts with an empty document.
    explicit TVxSettingsXMLFileRepository(
        std::unique_ptr<TVxSettingsXMLFileCursorCache> cursorCache = nullptr);
    ~TVxSettingsXMLFileRepository() override;

    static QString EncodingName() { return QStringLiteral("UTF-8"); }
    // With WriteTypes every written value element gets a "type" attribute naming its type;
    // without, a stale one is removed.
    bool WriteTypes() const { return FWriteTypes; }
    void SetWriteTypes(bool writeTypes) { FWriteTypes = writeTypes; }
    TVxSettingsXMLFileCursorCache& CursorCache() { return *FCursorCache; }
    pugi::xml_document& Document() { return *FDocument; }

    // Asks for svtNull to parse by the element's "type" attribute (none: nothing stored).
    QVariant ReadValue(const QString& path, TVxSettingsValueType type) override;
    void WriteValue(const QString& path, const QVariant& value) override;
    bool Exists(const QString& path) override;
    void Delete(const QString& path) override;
    void ClearChildren(const QString& path) override;
    // Writes the readable layout to FileName through a temporary file; on failure the old file
    // stays as it was.
    void Save() override;
    // Reads FileName; a missing file gives an empty document. A file that cannot be read or
    // parsed raises EVxSettingsXMLException and leaves the document as it was.
    void Load() override;
    // An empty document with the root element Settings.
    void Clear() override;
    std::unique_ptr<TVxSettingsListReader> CreateListReader(TVxSettingsCursor* cursor,
                                                            const QString& path) override;
    std::unique_ptr<TVxSettingsListWriter> CreateListWriter(TVxSettingsCursor* cursor,
                                                            const QString& path) override;

private:
    void ReplaceDocument(std::unique_ptr<pugi::xml_document> document);

    std::unique_ptr<TVxSettingsXMLFileCursorCache> FCursorCache;
    std::unique_ptr<pugi::xml_document> FDocument;
    bool FWriteTypes = true;
};

// Reads a stored list: the items are the elements named like the path's last segment below
// the element of the rest of the path. While the reader lives, paths through the item path
// address its current item.
class TVxSettingsXMLListReader : public TVxSettingsListReader, public IVxSettingsXMLNodeFilter {
public:
    TVxSettingsXMLListReader(TVxSettingsXMLFileRepository* repository, TVxSettingsCursor* cursor,
                             const QString& path);
    ~TVxSettingsXMLListReader() override;

    const QString& ItemName() const { return FItemName; }
    // Null when the list is not stored.
    pugi::xml_node Parent() const { return FParent; }
    const QList<pugi::xml_node>& Items() const { return FItems; }
    int Index() const { return FIndex; }

    int Position() const override { return FIndex; }
    int Count() const override { return int(FItems.size()); }
    pugi::xml_node FilterNode(const pugi::xml_node& node) override;

protected:
    void Advance() override;
    void Retreat() override;
    void MoveToStart() override;

private:
    void PositionItemCursor();

    TVxSettingsXMLFileRepository* FRepository;
    TVxSettingsXMLFileCursor* FItemCursor;
    QString FItemPath;
    QString FItemName;
    QByteArray FItemNameUtf8;
    pugi::xml_node FParent;
    QList<pugi::xml_node> FItems;
    int FIndex = 0;
};

// Writes a stored list: NextItem appends an item element, and while the writer lives every
// path through the item path addresses the newest item.
class TVxSettingsXMLListWriter : public TVxSettingsListWriter, public IVxSettingsXMLNodeFilter {
    Q_OBJECT
public:
    TVxSettingsXMLListWriter(TVxSettingsXMLFileRepository* repository, TVxSettingsCursor* cursor,
                             const QString& path);
    ~TVxSettingsXMLListWriter() override;

    const QString& ItemName() const { return FItemName; }
    pugi::xml_node Parent() const { return FParent; }
    // Null until the first NextItem (and again after ClearItems).
    pugi::xml_node CurrentItem() const { return FCurrentItem; }

    void NextItem() override;
    void ClearItems() override;
    pugi::xml_node FilterNode(const pugi::xml_node& node) override;

private:
    TVxSettingsXMLFileRepository* FRepository;
    TVxSettingsXMLFileCursor* FItemCursor;
    QString FItemPath;
    QString FItemName;
    QByteArray FItemNameUtf8;
    pugi::xml_node FParent;
    pugi::xml_node FCurrentItem;
};

// Renames a settings file that cannot be used to "<file>.unreadable" (or ".unreadable.1",
// ".unreadable.2", ... when taken) and logs a warning naming both and `error` on the channel
// "System". A file that cannot be renamed raises EVxSettingsXMLException rather than being
// overwritten later.
void VxSetAsideSettingsFile(const QString& fileName, const std::exception& error);

// The OnLoadError handler of settings files: sets the unreadable file aside (above) and starts
// the repository empty and modified, so the next save writes a fresh file without losing the
// old one.
void VxSetAsideUnreadableSettingsFile(TVxSettingsFileRepository& repository,
                                      const std::exception& error);

// The settings object for one XML file: the standard settings named `name` (with `name` as
// root path when `useRootPath`), holding the file's repository under `name`. Creates the
// file's folder, loads the file (an unreadable one is set aside, see above, or with
// `setAsideUnreadable` false the load error is raised and the file left alone) and writes no
// type attributes.
std::unique_ptr<TVxSettings> CreateXMLFileSettings(const QString& fileName, const QString& name,
                                                   bool useRootPath,
                                                   bool setAsideUnreadable = true);
