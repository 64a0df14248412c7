// Library files: the XML property list a music library is exported as. Loading keeps the whole
// document in memory so that saving writes back everything the engine did not change; reading
// turns every track dictionary into a TLySongProperties that points back at its element, and
// writing puts a track's current values into that element again.
#pragma once

#include "ArDateTime.h"
#include "LyOptions.h"
#include "LySong.h"

#include <QString>
#include <QStringView>

#include <pugixml.hpp>

#include <memory>
#include <vector>

class ILyProcessTask;
class TLyDocumentArena;
class TLyProcess;

// A loaded library file. Owns the parsed tree and the memory it was parsed in (element names and
// unchanged texts point into the file's text), so that memory lives exactly as long as the tree.
class TLyLibraryDocument {
public:
    explicit TLyLibraryDocument(QString fileName);
    ~TLyLibraryDocument();
    TLyLibraryDocument(const TLyLibraryDocument&) = delete;
    TLyLibraryDocument& operator=(const TLyLibraryDocument&) = delete;

    // The file the document was loaded from.
    const QString& FileName() const { return FFileName; }
    pugi::xml_document& Xml() { return FXml; }
    const pugi::xml_document& Xml() const { return FXml; }
    // Whether the file began with a UTF-8 byte-order mark; saving writes it again.
    bool HasByteOrderMark() const { return FHasByteOrderMark; }
    void SetHasByteOrderMark(bool value) { FHasByteOrderMark = value; }

    // The tracks as the latest ReadLibrary read them, in document order, so that matching again
    // reads no value twice. Whoever changes the document's values (WriteToDictionary) must
    // forget them.
    bool HasReadTracks() const { return FHasReadTracks; }
    const std::vector<TLySongProperties>& ReadTracks() const { return FReadTracks; }
    void SetReadTracks(std::vector<TLySongProperties> tracks);
    void ForgetReadTracks();

private:
    friend std::unique_ptr<TLyLibraryDocument> LoadLibraryDocument(const QString&, ILyProcessTask*,
                                                                   TLyProcess*);

    QString FFileName;
    bool FHasByteOrderMark = false;
    std::unique_ptr<TLyDocumentArena> FArena; // declared before FXml: destroyed after it
    pugi::xml_document FXml;
    bool FHasReadTracks = false;
    std::vector<TLySongProperties> FReadTracks;
};

// Reads the file in chunks with progress by bytes (a sub task "Loading XML..." of `mainTask`,
// cancellation checked after each chunk and while parsing) and parses it, keeping the
// declaration, DOCTYPE, comments and processing instructions in order and whitespace-only
// values. Raises ELyProjectError naming the file when it is missing, a folder, empty, not
// valid UTF-8 or not well-formed XML. `mainTask` and `process` may be null.
std::unique_ptr<TLyLibraryDocument>
LoadLibraryDocument(const QString& fileName, ILyProcessTask* mainTask, TLyProcess* process);

// Reads every track of the document into a new map under its matching keys (a sub task
// "Processing ITunes library..."), and sets library.FilesFound from whether the first track
// with a location has its file on this computer. Raises ELyProjectError naming the file when
// the top or the track dictionary is missing or a track holds a value that cannot be read.
// The tracks read are kept in the document; a later read takes them from there.
std::unique_ptr<TLySongPropertiesMap> ReadLibrary(TLyLibraryDocument& document,
                                                  TLyLibraryOptions& library,
                                                  const TLyCompareOptions& options,
                                                  ILyProcessTask* mainTask, TLyProcess* process);

// Reads the key/value pairs of one track dictionary into `properties` and makes `dict` its
// Node. Raises ELyProjectError for a rating or play count that is not a whole number and for a
// play date that is not a date.
void ReadFromDictionary(TLySongProperties& properties, TLySongProperties::TNode dict);

// Writes the seven parts of `properties` into its Node: existing keys get the current value,
// missing keys that now have a value are appended ("Name" never is). The caller makes the
// document forget the tracks it read (TLyLibraryDocument::ForgetReadTracks).
void WriteToDictionary(const TLySongProperties& properties);

// Saves the document to `fileName` in the readable layout (CR LF, two spaces per level,
// text-only elements on one line) through a temporary file renamed into place, so a failure or
// a cancel leaves the old file as it was. Progress is a sub task "Saving XML..." of `mainTask`
// of `expectedBytes` steps. Raises ELyProjectError naming the file when it cannot be written.
void SaveLibraryDocument(TLyLibraryDocument& document, const QString& fileName,
                         ILyProcessTask* mainTask, TLyProcess* process, qint64 expectedBytes);

// The file path of a track's location URL: "file://localhost/C:/a/b" and "file:///C:/a/b" give
// "C:\a\b", "file://localhost//server/share/a" gives "\\server\share\a", "file:///Users/a"
// gives "/Users/a"; percent-escapes are decoded once, as UTF-8.
QString LocationToPath(const QString& url);

// The value of a date text "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM:SS[.mmm]Z" (UTC, not converted);
// *ok is false (and 0.0 returned) when the date or time is not a number or out of range.
TDateTime ParseLibraryDate(QStringView text, bool* ok);

// "YYYY-MM-DDTHH:MM:SSZ", whole seconds: the form every property-list reader accepts.
QString FormatLibraryDate(TDateTime value);
