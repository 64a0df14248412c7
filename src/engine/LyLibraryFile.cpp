#include "LyLibraryFile.h"

#include "ArFormat.h"
#include "LyLibraryArena.h"
#include "LyLibraryValues.h"
#include "LyMatching.h"
#include "LyProcess.h"
#include "LyTypes.h"
#include "VxXmlReferences.h"

#include <QFile>
#include <QFileInfo>

#include <charconv>
#include <cstring>
#include <limits>
#include <string_view>

LY_UNIT("Units/LyProject")

namespace {

constexpr qint64 kReadChunkSize = 4 * 1024 * 1024;

// Comments, processing instructions, the declaration and the DOCTYPE are kept so that saving
// writes them back; a whitespace-only value (a Genre of " ") is kept while the indentation
// between elements is dropped; text lives inside its element, which halves the node count.
// Entities other than the five predefined ones and character references are never expanded,
// and a document that uses or defines them is refused before parsing.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration |
                                   pugi::parse_doctype | pugi::parse_comments | pugi::parse_pi |
                                   pugi::parse_ws_pcdata_single | pugi::parse_embed_pcdata;

[[noreturn]] void RaiseFileError(const char* format, const QVariantList& args) {
    throw ELyProjectError(ArFormat(QString::fromLatin1(format), args));
}

// ---------------------------------------------------------------------------------------------
// UTF-8 validation

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Validates the sequences that start in [begin, available) of `data`. A NUL byte counts as
// invalid: the parser would take it for the end of the text. Returns the offset of the first
// invalid byte, or -1; *next receives where validation stopped (a sequence cut at `available`
// is left for the next call unless `final`).
qint64 FindInvalidUtf8(const unsigned char* data, qint64 available, qint64 begin, bool final,
                       qint64* next) {
    constexpr quint64 kHighBits = 0x8080808080808080ULL;
    constexpr quint64 kLowBits = 0x0101010101010101ULL;
    qint64 i = begin;
    while (i < available) {
        if (i + 8 <= available) {
            quint64 word;
            std::memcpy(&word, data + i, sizeof word);
            const bool hasZero = ((word - kLowBits) & ~word & kHighBits) != 0;
            if ((word & kHighBits) == 0 && !hasZero) {
                i += 8;
                continue;
            }
        }
        const unsigned char c = data[i];
        if (c != 0 && c < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0)
                low = 0xA0; // no overlong forms
            else if (c == 0xED)
                high = 0x9F; // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F; // nothing above U+10FFFF
        } else {
            *next = i;
            return i;
        }
        if (i + length > available) {
            *next = i;
            return final ? i : -1;
        }
        const unsigned char second = data[i + 1];
        if (second < low || second > high) {
            *next = i;
            return i;
        }
        for (int k = 2; k < length; ++k) {
            if (!IsContinuation(data[i + k])) {
                *next = i;
                return i;
            }
        }
        i += length;
    }
    *next = i;
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Tree navigation

bool SameAsciiText(const char* text, std::string_view name) {
    for (const char c : name) {
        char t = *text++;
        if (t >= 'A' && t <= 'Z')
            t = char(t - 'A' + 'a');
        const char n = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
        if (t != n)
            return false;
    }
    return *text == 0;
}

pugi::xml_node FirstElement(pugi::xml_node parent) {
    pugi::xml_node node = parent.first_child();
    while (node && node.type() != pugi::node_element)
        node = node.next_sibling();
    return node;
}

pugi::xml_node NextElement(pugi::xml_node node) {
    node = node.next_sibling();
    while (node && node.type() != pugi::node_element)
        node = node.next_sibling();
    return node;
}

// The first child element named `name`, letter case ignored.
pugi::xml_node FirstElementNamed(pugi::xml_node parent, std::string_view name) {
    for (pugi::xml_node node = FirstElement(parent); node; node = NextElement(node))
        if (SameAsciiText(node.name(), name))
            return node;
    return {};
}

enum class TKey {
    None,
    Name,
    Artist,
    Album,
    Genre,
    Rating,
    PlayCount,
    PlayDateUtc,
    TrackType,
    Location,
    PersistentId,
    Count
};

struct TKeyName {
    std::string_view Text;
    TKey Key;
};

constexpr TKeyName kKeyNames[] = {
    {"Name", TKey::Name},
    {"Artist", TKey::Artist},
    {"Album", TKey::Album},
    {"Genre", TKey::Genre},
    {"Rating", TKey::Rating},
    {"Play Count", TKey::PlayCount},
    {"Play Date UTC", TKey::PlayDateUtc},
    {"Track Type", TKey::TrackType},
    {"Location", TKey::Location},
    {"Persistent ID", TKey::PersistentId},
};

TKey Classify(const char* keyText) {
    const size_t length = std::strlen(keyText);
    for (const TKeyName& entry : kKeyNames)
        if (entry.Text.size() == length && SameAsciiText(keyText, entry.Text))
            return entry.Key;
    return TKey::None;
}

const char* KeyText(TKey key) {
    for (const TKeyName& entry : kKeyNames)
        if (entry.Key == key)
            return entry.Text.data(); // the literals are NUL-terminated
    return "";
}

// ---------------------------------------------------------------------------------------------
// Values

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A decimal 32-bit integer, blanks around it allowed.
bool ParseInteger(const char* text, int* value) {
    const char* begin = text;
    const char* end = text + std::strlen(text);
    while (begin < end && IsBlank(*begin))
        ++begin;
    while (end > begin && IsBlank(end[-1]))
        --end;
    if (begin < end && *begin == '+')
        ++begin;
    if (begin == end || (*begin == '+'))
        return false;
    const auto [last, error] = std::from_chars(begin, end, *value, 10);
    return error == std::errc() && last == end;
}

int ReadInteger(const char* text, TKey key) {
    int value = 0;
    if (!ParseInteger(text, &value))
        RaiseFileError("[%s] is not a whole number for [%s].",
                       {QString::fromUtf8(text), QString::fromLatin1(KeyText(key))});
    return value;
}

// Replaces the text of a value element, leaving it alone when it is already that text.
void SetValueText(pugi::xml_node value, const char* text, size_t length) {
    const char* current = value.child_value();
    if (std::strlen(current) == length && std::memcmp(current, text, length) == 0)
        return;
    value.text().set(text, length);
}

// Whether `utf8` spells `text`, for ASCII texts; false also when `text` is not ASCII.
bool SameAsciiValue(const char* utf8, QStringView text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x80 || *utf8 != char(c.unicode()))
            return false;
        ++utf8;
    }
    return *utf8 == 0;
}

void SetValueText(pugi::xml_node value, const QString& text) {
    // Most values are ASCII and unchanged: compared without converting them.
    if (SameAsciiValue(value.child_value(), text))
        return;
    const QByteArray bytes = text.toUtf8();
    SetValueText(value, bytes.constData(), size_t(bytes.size()));
}

void SetValueInteger(pugi::xml_node value, int number) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    SetValueText(value, buffer, size_t(result.ptr - buffer));
}

void SetValueDate(pugi::xml_node value, TDateTime date) {
    char buffer[32];
    const int length = FormatDateBytes(date, buffer);
    SetValueText(value, buffer, size_t(length));
}

// Adds a key and its value element, before `before` when given (a key without a value ends
// the dictionary), so that the pairs stay in step.
pugi::xml_node AppendPair(pugi::xml_node dict, pugi::xml_node before, TKey key,
                          const char* valueName) {
    pugi::xml_node keyNode = before ? dict.insert_child_before(pugi::node_element, before)
                                    : dict.append_child(pugi::node_element);
    keyNode.set_name("key");
    keyNode.text().set(KeyText(key));
    pugi::xml_node valueNode = before ? dict.insert_child_before(pugi::node_element, before)
                                      : dict.append_child(pugi::node_element);
    valueNode.set_name(valueName);
    return valueNode;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Loading

TLyLibraryDocument::TLyLibraryDocument(QString fileName)
    : FFileName(std::move(fileName)) {}

TLyLibraryDocument::~TLyLibraryDocument() = default;

void TLyLibraryDocument::SetReadTracks(std::vector<TLySongProperties> tracks) {
    FReadTracks = std::move(tracks);
    FHasReadTracks = true;
}

void TLyLibraryDocument::ForgetReadTracks() {
    FReadTracks = {};
    FHasReadTracks = false;
}

std::unique_ptr<TLyLibraryDocument>
LoadLibraryDocument(const QString& fileName, ILyProcessTask* mainTask, TLyProcess* process) {
    const QFileInfo info(fileName);
    if (!info.exists())
        RaiseFileError("Library file [%s] does not exist.", {fileName});
    if (info.isDir())
        RaiseFileError("[%s] is a folder, not a library file.", {fileName});
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        RaiseFileError("Cannot read library file [%s]: %s", {fileName, file.errorString()});
    qint64 size = file.size();
    if (size == 0)
        RaiseFileError("Library file [%s] is empty.", {fileName});
    if (size >= std::numeric_limits<int>::max())
        RaiseFileError("Library file [%s] is too large (more than 2 GB).", {fileName});

    auto document = std::make_unique<TLyLibraryDocument>(fileName);
    document->FArena = std::make_unique<TLyDocumentArena>(size);
    char* buffer = document->FArena->Text();
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer);
    ILyProcessTask* task =
        mainTask ? mainTask->StartSubTask(int(size), QStringLiteral("Loading XML...")) : nullptr;

    // Validation follows the reading chunk by chunk, so a cancel is noticed during both. It is
    // checked before each chunk: one requested when the last chunk is reported is noticed by
    // the parse.
    qint64 read = 0;
    qint64 validated = 0;
    while (read < size) {
        if (process)
            process->CheckCancelled();
        const qint64 count = file.read(buffer + read, std::min(kReadChunkSize, size - read));
        if (count < 0)
            RaiseFileError("Cannot read library file [%s]: %s", {fileName, file.errorString()});
        if (count == 0)
            break; // the file shrank meanwhile: take what is there
        read += count;
        const qint64 invalid = FindInvalidUtf8(bytes, read, validated, false, &validated);
        if (invalid >= 0)
            RaiseFileError("Library file [%s] is not valid UTF-8 text (byte %d).",
                           {fileName, invalid});
        if (task)
            task->SetPosition(int(read), QString());
    }
    size = read;
    if (size == 0)
        RaiseFileError("Library file [%s] is empty.", {fileName});
    const qint64 invalid = FindInvalidUtf8(bytes, size, validated, true, &validated);
    if (invalid >= 0)
        RaiseFileError("Library file [%s] is not valid UTF-8 text (byte %d).", {fileName, invalid});

    qint64 start = 0;
    if (size >= 3 && std::memcmp(buffer, "\xEF\xBB\xBF", 3) == 0) {
        document->SetHasByteOrderMark(true);
        start = 3;
    }
    QString unsupported;
    const qint64 where = VxFindUnsupportedXml(buffer + start, size - start, &unsupported);
    if (where >= 0)
        RaiseFileError("Library file [%s] cannot be read: it holds %s (byte %d).",
                       {fileName, unsupported, where + start});
    pugi::xml_parse_result result;
    {
        TLyParseScope scope(process, document->FArena.get());
        result = document->FXml.load_buffer_inplace(buffer + start, size_t(size - start),
                                                    kParseOptions, pugi::encoding_utf8);
        if (scope.Cancelled())
            throw ELyProcessCancelled();
    }
    document->FArena->Trim();
    if (!result)
        RaiseFileError(
            "Library file [%s] is not well-formed XML: %s (byte %d).",
            {fileName, QString::fromUtf8(result.description()), qint64(result.offset) + start});
    if (task)
        task->Finish();
    return document;
}

// ---------------------------------------------------------------------------------------------
// Reading

void ReadFromDictionary(TLySongProperties& properties, TLySongProperties::TNode dict) {
    LY_ASSERT(dict);
    properties.SetNode(dict);
    const pugi::xml_node dictNode(dict);
    for (pugi::xml_node key = FirstElement(dictNode); key;) {
        const pugi::xml_node value = NextElement(key);
        if (!value)
            break;
        const TKey kind = Classify(key.child_value());
        if (kind != TKey::None) {
            const char* text = value.child_value();
            switch (kind) {
            case TKey::Name:
                properties.SetName(QString::fromUtf8(text));
                break;
            case TKey::Artist:
                properties.SetArtist(QString::fromUtf8(text));
                break;
            case TKey::Album:
                properties.SetAlbum(QString::fromUtf8(text));
                break;
            case TKey::Genre:
                properties.SetGenre(QString::fromUtf8(text));
                break;
            case TKey::Rating:
                properties.SetRating(ReadInteger(text, kind));
                break;
            case TKey::PlayCount:
                properties.SetPlayCount(ReadInteger(text, kind));
                break;
            case TKey::PlayDateUtc: {
                TDateTime date = 0.0;
                if (!ParseDateBytes(text, &date))
                    RaiseFileError("[%s] is not a date for [%s].",
                                   {QString::fromUtf8(text), QString::fromLatin1(KeyText(kind))});
                properties.SetLastPlayed(date);
                break;
            }
            case TKey::TrackType:
                if (SameAsciiText(text, "File"))
                    properties.SetTrackKind(2);
                else if (SameAsciiText(text, "URL"))
                    properties.SetTrackKind(1);
                break;
            case TKey::Location:
                properties.SetLocation(LocationToPath(QString::fromUtf8(text)));
                break;
            case TKey::PersistentId:
                properties.SetPersistentId(QString::fromUtf8(text).trimmed().toUpper());
                break;
            case TKey::None:
            case TKey::Count:
                break;
            }
        }
        key = NextElement(value);
    }
}

namespace {

// Whether the track's file exists, asked of the file system directly: the shared cache answers
// "not known yet" for every file on the first read of a program run.
void CheckFilesFound(TLyLibraryOptions& library, const TLySongProperties& first) {
    library.SetFilesFound(QFileInfo(first.Location()).isFile());
}

std::unique_ptr<TLySongPropertiesMap> MapOfReadTracks(const TLyLibraryDocument& document,
                                                      TLyLibraryOptions& library,
                                                      const TLyCompareOptions& options,
                                                      ILyProcessTask* task, TLyProcess* process) {
    const std::vector<TLySongProperties>& tracks = document.ReadTracks();
    auto map = std::make_unique<TLySongPropertiesMap>();
    map->Reserve(ExpectedMapEntries(int(tracks.size()), options));
    bool located = false;
    for (const TLySongProperties& track : tracks) {
        if (!located && !track.Location().isEmpty()) {
            located = true;
            CheckFilesFound(library, track);
        }
        AddEntry(new TLySongProperties(track), *map, options);
        if (task)
            task->Step();
        if (process)
            process->CheckCancelled();
    }
    return map;
}

} // namespace

std::unique_ptr<TLySongPropertiesMap> ReadLibrary(TLyLibraryDocument& document,
                                                  TLyLibraryOptions& library,
                                                  const TLyCompareOptions& options,
                                                  ILyProcessTask* mainTask, TLyProcess* process) {
    const pugi::xml_node top = FirstElementNamed(document.Xml().document_element(), "dict");
    const pugi::xml_node tracks = top ? FirstElementNamed(top, "dict") : pugi::xml_node();
    if (!tracks)
        RaiseFileError("Invalid iTunes Library Format in [%s].", {document.FileName()});
    // A stale answer of an earlier read must not survive a library without located tracks.
    library.SetFilesFound(false);
    if (!document.HasReadTracks()) {
        int count = 0;
        for (pugi::xml_node track = FirstElement(tracks); track; track = NextElement(track))
            count += SameAsciiText(track.name(), "dict");
        std::vector<TLySongProperties> read;
        read.reserve(size_t(count));
        int index = 0;
        for (pugi::xml_node track = FirstElement(tracks); track; track = NextElement(track)) {
            if (!SameAsciiText(track.name(), "dict"))
                continue;
            ++index;
            TLySongProperties& properties = read.emplace_back();
            try {
                ReadFromDictionary(properties, track.internal_object());
            } catch (const ELyProjectError& error) {
                RaiseFileError("Cannot read track %d of library file [%s]: %s",
                               {index, document.FileName(), error.Message()});
            }
            if (process && (index & 1023) == 0)
                process->CheckCancelled();
        }
        document.SetReadTracks(std::move(read));
    }
    ILyProcessTask* task =
        mainTask ? mainTask->StartSubTask(int(document.ReadTracks().size()),
                                          QStringLiteral("Processing ITunes library..."))
                 : nullptr;
    std::unique_ptr<TLySongPropertiesMap> map =
        MapOfReadTracks(document, library, options, task, process);
    if (task)
        task->Finish();
    return map;
}

// ---------------------------------------------------------------------------------------------
// Writing back

void WriteToDictionary(const TLySongProperties& properties) {
    LY_ASSERT(properties.Node());
    pugi::xml_node dict(properties.Node());
    bool present[int(TKey::Count)] = {};
    pugi::xml_node dangling;
    for (pugi::xml_node key = FirstElement(dict); key;) {
        const pugi::xml_node value = NextElement(key);
        if (!value) {
            dangling = key;
            break;
        }
        const pugi::xml_node next = NextElement(value);
        const TKey kind = Classify(key.child_value());
        present[int(kind)] = true;
        switch (kind) {
        case TKey::Name:
            SetValueText(value, properties.Name());
            break;
        case TKey::Artist:
            SetValueText(value, properties.Artist());
            break;
        case TKey::Album:
            SetValueText(value, properties.Album());
            break;
        case TKey::Genre:
            SetValueText(value, properties.Genre());
            break;
        case TKey::Rating:
            SetValueInteger(value, properties.Rating());
            break;
        case TKey::PlayCount:
            SetValueInteger(value, properties.PlayCount());
            break;
        case TKey::PlayDateUtc:
            if (properties.LastPlayed() == 0.0) {
                // "Never played" has no date: a written 1899-12-30 would be a false play date.
                dict.remove_child(key);
                dict.remove_child(value);
            } else {
                SetValueDate(value, properties.LastPlayed());
            }
            break;
        default:
            break;
        }
        key = next;
    }

    const auto appendString = [&](TKey key, const QString& text) {
        if (!present[int(key)] && !text.isEmpty())
            SetValueText(AppendPair(dict, dangling, key, "string"), text);
    };
    appendString(TKey::Artist, properties.Artist());
    appendString(TKey::Album, properties.Album());
    appendString(TKey::Genre, properties.Genre());
    if (!present[int(TKey::Rating)] && properties.Rating() > 0)
        SetValueInteger(AppendPair(dict, dangling, TKey::Rating, "integer"), properties.Rating());
    if (!present[int(TKey::PlayCount)] && properties.PlayCount() > 0)
        SetValueInteger(AppendPair(dict, dangling, TKey::PlayCount, "integer"),
                        properties.PlayCount());
    if (!present[int(TKey::PlayDateUtc)] && properties.LastPlayed() > 0.0)
        SetValueDate(AppendPair(dict, dangling, TKey::PlayDateUtc, "date"),
                     properties.LastPlayed());
}
