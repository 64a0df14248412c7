#include "LibraryGenerator.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

// How the libraries are built
// ---------------------------
// A pool of songs, numbered 0 .. 2N-1, each described entirely by (seed, N, song number): its
// album is song / 12, its artist, title, genre and format follow from hashes of those numbers.
// Library One holds songs 0 .. N-1 in order. Library Two holds about 80% of them (picked per
// song) with text and user-data variations, plus as many songs from N upwards as it needs to
// reach N tracks; some shared songs are moved and Two's own songs are spread in whole albums.
// One looks like a Mac library (decomposed locations under /Users), Two like a Windows one
// (C:/ and a network share).

namespace {

// Every use of random numbers has its own stream; streams with a library variant come in pairs
// (One, then Two).
enum TStream : quint64 {
    sAlbum = 1,
    sArtist,
    sSong,
    sTitle,
    sTrackArtist,
    sTrackType,
    sShare,
    sUserOne,
    sUserTwo,
    sUserOwn,
    sTextTwo,
    sOrder,
    sPlaylistMember,
    sPlaylistShuffle,
    sHeader,
    sFormOne,
    sFormTwo,
    sTrackIdOne,
    sTrackIdTwo,
    sPlaylistIdOne,
    sPlaylistIdTwo,
};

TStream ForLibrary(TStream one, TLyBenchLibrary library) {
    return TStream(one + (library == TLyBenchLibrary::Two ? 1 : 0));
}

constexpr int kTracksPerAlbum = 12;
constexpr qint64 kDay = 86400;
// Seconds from 1904-01-01 (the epoch of the integer "Play Date") to 1970-01-01.
constexpr qint64 kMacEpochOffset = 2082844800;
constexpr qint64 k2005 = 1104537600;
constexpr qint64 k2024 = 1704067200;

enum TKey {
    kTrackID,
    kName,
    kArtist,
    kAlbumArtist,
    kComposer,
    kAlbum,
    kGenre,
    kKind,
    kSize,
    kTotalTime,
    kDiscNumber,
    kDiscCount,
    kTrackNumber,
    kTrackCount,
    kYear,
    kDateModified,
    kDateAdded,
    kBitRate,
    kSampleRate,
    kPlayCount,
    kPlayDate,
    kPlayDateUTC,
    kSkipCount,
    kSkipDate,
    kRating,
    kAlbumRating,
    kReleaseDate,
    kNormalization,
    kPersistentID,
    kTrackType,
    kLocation,
    kFileFolderCount,
    kLibraryFolderCount,
    kKeyCount
};

const char* const kKeyNames[kKeyCount] = {"Track ID",
                                          "Name",
                                          "Artist",
                                          "Album Artist",
                                          "Composer",
                                          "Album",
                                          "Genre",
                                          "Kind",
                                          "Size",
                                          "Total Time",
                                          "Disc Number",
                                          "Disc Count",
                                          "Track Number",
                                          "Track Count",
                                          "Year",
                                          "Date Modified",
                                          "Date Added",
                                          "Bit Rate",
                                          "Sample Rate",
                                          "Play Count",
                                          "Play Date",
                                          "Play Date UTC",
                                          "Skip Count",
                                          "Skip Date",
                                          "Rating",
                                          "Album Rating",
                                          "Release Date",
                                          "Normalization",
                                          "Persistent ID",
                                          "Track Type",
                                          "Location",
                                          "File Folder Count",
                                          "Library Folder Count"};

// Word tables (UTF-8). Latin words with accents, Japanese, Cyrillic (with Ё and Й, which
// decompose) and Hangul (which decomposes into jamo) give the non-ASCII names.
const char* const kEnglish[] = {
    "Love",    "Night",   "Heart",    "Fire",     "Road",     "Dream",    "River",    "Summer",
    "Rain",    "Light",   "Shadow",   "Golden",   "Silver",   "Blue",     "Black",    "Wild",
    "Sweet",   "Lonely",  "Broken",   "Electric", "Midnight", "Morning",  "Ocean",    "Highway",
    "Stars",   "City",    "Angel",    "Ghost",    "Thunder",  "Paradise", "Diamond",  "Echo",
    "Sunday",  "Window",  "Garden",   "Mirror",   "Train",    "Rebel",    "Velvet",   "Crystal",
    "Falling", "Running", "Dancing",  "Burning",  "Hollow",   "Northern", "Southern", "Little",
    "Big",     "Young",   "Old",      "Last",     "First",    "Forever",  "Tonight",  "Home",
    "Girl",    "Boy",     "Song",     "Blues",    "Waltz",    "Machine",  "Radio",    "Kingdom",
    "Island",  "Desert",  "Mountain", "Winter",   "Autumn",   "Spring",   "Moon",     "Sun",
    "Rose",    "Storm",   "Wolves",   "Birds",    "Horses",   "Tigers",   "Lions",    "Roses"};
const char* const kAccented[] = {
    "Été",   "Café",     "Noël",    "Über",     "Mädchen",  "Straße",   "Canción", "Corazón",
    "São",   "Ångström", "Fjällen", "Œuvre",    "Garçon",   "Jalapeño", "Déjà",    "Vu",
    "Rêve",  "Château",  "Naïve",   "Señorita", "Müller",   "Größe",    "Åsa",     "Ørsted",
    "Señal", "Mañana",   "Crème",   "Brûlée",   "Façade",   "Fête",     "Cœur",    "Niño",
    "Café",  "Pequeño",  "Ça",      "Fiançée",  "Göteborg", "Zürich",   "Málaga",  "Île"};
const char* const kJapanese[] = {"東京",       "夜明け", "さくら", "愛",   "風の歌", "雨",
                                 "夢",         "星空",   "青い海", "月光", "花火",   "約束",
                                 "ありがとう", "未来",   "桜坂",   "恋",   "旅立ち", "光"};
const char* const kCyrillic[] = {"Москва", "Зима",   "Звезда", "Ночь",  "Любовь", "Весна",
                                 "Дорога", "Река",   "Песня",  "Ёлка",  "Йога",   "Мой",
                                 "Берёза", "Солнце", "Ветер",  "Город", "Небо",   "Жёлтый"};
const char* const kKorean[] = {"사랑", "하늘", "바다", "꿈", "별", "서울", "봄날", "너와 나"};
const char* const kFirstNames[] = {"Anna",  "Ben",    "Clara", "David", "Elena", "Felix",  "Greta",
                                   "Hugo",  "Ines",   "Jonas", "Karin", "Liam",  "Maya",   "Noah",
                                   "Olga",  "Pablo",  "Rosa",  "Sami",  "Tove",  "Ugo",    "Vera",
                                   "Will",  "Zoé",    "André", "Björn", "Chloé", "Dmitri", "Émile",
                                   "Søren", "Jürgen", "Ramón", "José"};
const char* const kLastNames[] = {
    "Archer",  "Baker",  "Castell",    "Dunmore",   "Ellis",  "Fontaine", "Garvey", "Hartley",
    "Iverson", "Jansen", "Keller",     "Lindqvist", "Moreau", "Novak",    "O'Neil", "Petrov",
    "Quinn",   "Rivera", "Sandoval",   "Thorne",    "Ulrich", "Varga",    "Walsh",  "Young",
    "Zeller",  "Núñez",  "Østergaard", "Łukasik",   "Šimek",  "Dvořák",   "Brontë", "Lefèvre"};
const char* const kGenres[] = {
    "Rock",        "Pop",      "Alternative", "Jazz",        "Classical",  "Electronic",
    "Hip-Hop/Rap", "R&B/Soul", "Country",     "Blues",       "Reggae",     "Soundtrack",
    "World",       "Folk",     "Metal",       "Dance",       "Latin",      "Singer/Songwriter",
    "Chanson",     "J-Pop",    "K-Pop",       "Русский рок", "Indie Rock", "Ambient"};
const char* const kAlbumSuffixes[] = {" (Deluxe Edition)",      " (Remastered)", " [Live]",
                                      " (Bonus Track Version)", " - EP",         " - Single"};

struct TFormat {
    const char* Kind;
    const char* Extension;
    int BitRate;
    int SampleRate;
};
const TFormat kFormats[] = {{"AAC audio file", "m4a", 256, 44100},
                            {"MPEG audio file", "mp3", 320, 44100},
                            {"MPEG audio file", "mp3", 192, 44100},
                            {"MPEG audio file", "mp3", 128, 44100},
                            {"Apple Lossless audio file", "m4a", 1411, 44100},
                            {"Purchased AAC audio file", "m4a", 256, 44100},
                            {"AAC audio file", "m4a", 256, 48000},
                            {"WAV audio file", "wav", 1536, 48000}};
// Cumulative weights in permille for the formats above.
const int kFormatWeights[] = {430, 600, 720, 780, 880, 960, 985, 1000};

template <size_t N>
QStringList MakeTable(const char* const (&words)[N]) {
    QStringList table;
    for (const char* word : words)
        table.append(QString::fromUtf8(word));
    return table;
}

#define LY_TABLE(name, words)                                                                      \
    const QStringList& name() {                                                                    \
        static const QStringList table = MakeTable(words);                                         \
        return table;                                                                              \
    }
LY_TABLE(English, kEnglish)
LY_TABLE(Accented, kAccented)
LY_TABLE(Japanese, kJapanese)
LY_TABLE(Cyrillic, kCyrillic)
LY_TABLE(Korean, kKorean)
LY_TABLE(FirstNames, kFirstNames)
LY_TABLE(LastNames, kLastNames)
LY_TABLE(Genres, kGenres)
#undef LY_TABLE

const QString& Pick(TLyBenchRandom& random, const QStringList& table) {
    return table.at(int(random.Below(quint32(table.size()))));
}

quint64 Mix(quint64 value) {
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

enum TScript { scEnglish, scAccented, scJapanese, scCyrillic, scKorean };

TScript PickScript(TLyBenchRandom& random) {
    const quint32 p = random.Below(1000);
    if (p < 700)
        return scEnglish;
    if (p < 850)
        return scAccented;
    if (p < 920)
        return scJapanese;
    if (p < 980)
        return scCyrillic;
    return scKorean;
}

const QStringList& ScriptTable(TScript script) {
    switch (script) {
    case scAccented:
        return Accented();
    case scJapanese:
        return Japanese();
    case scCyrillic:
        return Cyrillic();
    case scKorean:
        return Korean();
    case scEnglish:
        break;
    }
    return English();
}

// `count` words mostly of the script; accented words mix with English ones.
QString Words(TLyBenchRandom& random, TScript script, int count) {
    QString result;
    for (int i = 0; i < count; ++i) {
        const bool own = script == scEnglish || script != scAccented || random.Chance(600);
        const QString& word = Pick(random, own ? ScriptTable(script) : English());
        if (i > 0 && !(script == scJapanese && own))
            result += u' ';
        result += word;
    }
    return result;
}

QString PersonName(TLyBenchRandom& random) {
    return Pick(random, FirstNames()) + u' ' + Pick(random, LastNames());
}

QString TwoDigits(int value) {
    return QString::number(value).rightJustified(2, u'0');
}

// Seconds since 1970 of a UTC calendar date (proleptic Gregorian).
constexpr qint64 DaysFromCivil(qint64 y, unsigned m, unsigned d) {
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + qint64(doe) - 719468;
}

void AppendDate(QByteArray& out, qint64 seconds) {
    const qint64 days = seconds >= 0 ? seconds / kDay : (seconds - kDay + 1) / kDay;
    const qint64 secondOfDay = seconds - days * kDay;
    const qint64 z = days + 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const qint64 year = qint64(yoe) + era * 400 + (month <= 2);
    char text[32];
    const int hour = int(secondOfDay / 3600);
    const int minute = int(secondOfDay / 60 % 60);
    const int second = int(secondOfDay % 60);
    const int length = std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(year),
                                     month, day, hour, minute, second);
    out.append(text, length);
}

// ---------------------------------------------------------------------------------------------
// Songs

struct TAlbum {
    int Artist = 0;
    bool Compilation = false;
    TScript Script = scEnglish;
    QString Title;
    QString Genre;
    int Year = 0;
    int DiscCount = 1;
    int Format = 0;
    bool HasDiscNumbers = false;
};

enum TTrackType { ttFile, ttUrl, ttRemote };

// What a song is, the same in both libraries before Two's variations.
struct TSong {
    QString Name, Artist, AlbumArtist, Composer, Album, Genre;
    bool Compilation = false;
    int Format = 0;
    TTrackType Type = ttFile;
    qint64 Size = 0;
    int TotalTime = 0;
    int DiscNumber = 1, DiscCount = 1, TrackNumber = 1, TrackCount = kTracksPerAlbum;
    int Year = 0;
    qint64 ReleaseDate = 0;
    int Normalization = 0;
    int StreamNumber = 0;
    // Keys this song never has (a bit per TKey).
    quint64 Missing = 0;

    bool Has(TKey key) const { return (Missing & (quint64(1) << key)) == 0; }
    void Drop(TKey key) { Missing |= quint64(1) << key; }
};

// One library's user data of a song; a zero date or count means the key is absent.
struct TUserData {
    qint64 DateAdded = 0, DateModified = 0;
    int PlayCount = 0;
    qint64 PlayDate = 0;
    int SkipCount = 0;
    qint64 SkipDate = 0;
    int Rating = 0, AlbumRating = 0;
};

class TModel {
public:
    TModel(int trackCount, quint64 seed)
        : FTrackCount(trackCount)
        , FSeed(seed)
        , FArtistCount(std::max(1, 2 * trackCount / kTracksPerAlbum / 3)) {}

    bool Shared(int song) const {
        TLyBenchRandom random(FSeed, sShare, quint64(song));
        return random.Chance(800);
    }

    TTrackType TrackType(int song) const {
        TLyBenchRandom random(FSeed, sTrackType, quint64(song));
        const quint32 p = random.Below(1000);
        return p < 965 ? ttFile : p < 975 ? ttUrl : ttRemote;
    }

    QString Artist(int index) const {
        TLyBenchRandom random(FSeed, sArtist, quint64(index));
        const TScript script = PickScript(random);
        if (script != scEnglish)
            return Words(random, script, 1 + int(random.Below(2)));
        const quint32 form = random.Below(1000);
        if (form < 280)
            return QStringLiteral("The ") + Words(random, script, 1 + int(random.Below(2)));
        if (form < 560)
            return PersonName(random);
        if (form < 640)
            return PersonName(random) + QStringLiteral(" & The ") + Words(random, script, 1);
        if (form < 680)
            return Words(random, script, 1) + QStringLiteral(" + ") + Words(random, script, 1);
        if (form < 710)
            return QStringLiteral("DJ ") + Words(random, script, 1);
        if (form < 730)
            return Words(random, script, 1) + QStringLiteral("/") + Words(random, script, 1);
        return Words(random, script, 1 + int(random.Below(2)));
    }

    TAlbum Album(int index) const {
        TLyBenchRandom random(FSeed, sAlbum, quint64(index));
        TAlbum album;
        album.Artist = int(random.Below(quint32(FArtistCount)));
        album.Compilation = random.Chance(50);
        album.Script = PickScript(random);
        album.Title = Words(random, album.Script, 1 + int(random.Below(3)));
        if (random.Chance(100))
            album.Title += QString::fromUtf8(
                kAlbumSuffixes[random.Below(sizeof kAlbumSuffixes / sizeof kAlbumSuffixes[0])]);
        album.Genre = Pick(random, Genres());
        album.Year = int(random.Between(1955, 2023));
        album.DiscCount = random.Chance(100) ? 2 : 1;
        album.HasDiscNumbers = random.Chance(600);
        const quint32 p = random.Below(1000);
        while (kFormatWeights[album.Format] <= int(p))
            ++album.Format;
        return album;
    }

    TSong Song(int index) const {
        const int albumIndex = index / kTracksPerAlbum;
        const int position = index % kTracksPerAlbum;
        const TAlbum album = Album(albumIndex);
        TLyBenchRandom random(FSeed, sSong, quint64(index));
        // A few songs are in the library twice (same name, artist and album).
        const int source = position > 0 && random.Chance(3) ? index - 1 : index;
        TSong song;
        song.Compilation = album.Compilation;
        song.Album = album.Title;
        song.Genre = album.Genre;
        song.Year = album.Year;
        song.Format = album.Format;
        song.Type = TrackType(index);
        if (album.Compilation) {
            TLyBenchRandom trackArtist(FSeed, sTrackArtist, quint64(source));
            song.Artist = Artist(int(trackArtist.Below(quint32(FArtistCount))));
            song.AlbumArtist = QStringLiteral("Various Artists");
        } else {
            song.Artist = Artist(album.Artist);
            if (random.Chance(300))
                song.AlbumArtist = song.Artist;
            else
                song.Drop(kAlbumArtist);
        }
        song.Name = Title(source, album.Script);
        if (random.Chance(550)) {
            song.Composer = PersonName(random);
            if (random.Chance(200))
                song.Composer += QStringLiteral(" / ") + PersonName(random);
        } else {
            song.Drop(kComposer);
        }
        const TFormat& format = kFormats[song.Format];
        song.TotalTime = int(random.Between(95'000, 420'000));
        if (random.Chance(30))
            song.TotalTime = int(random.Between(420'000, 1'800'000));
        song.Size = qint64(format.BitRate) * song.TotalTime / 8 + random.Between(20'000, 90'000);
        song.DiscCount = album.DiscCount;
        const int perDisc = kTracksPerAlbum / album.DiscCount;
        song.DiscNumber = position / perDisc + 1;
        song.TrackNumber = position % perDisc + 1;
        song.TrackCount = perDisc;
        if (!album.HasDiscNumbers && album.DiscCount == 1) {
            song.Drop(kDiscNumber);
            song.Drop(kDiscCount);
        }
        if (qstrcmp(format.Kind, "Purchased AAC audio file") == 0 || random.Chance(100))
            song.ReleaseDate =
                DaysFromCivil(song.Year, 1 + random.Below(12), 1 + random.Below(28)) * kDay +
                7 * 3600;
        else
            song.Drop(kReleaseDate);
        song.Normalization = int(random.Between(80, 14'000));
        if (!random.Chance(800))
            song.Drop(kNormalization);

        // Keys missing here and there, as in exported libraries that grew over the years.
        const struct {
            TKey Key;
            int Permille;
        } sometimesMissing[] = {
            {kArtist, 25},      {kAlbum, 25},      {kGenre, 30}, {kKind, 20},    {kTotalTime, 20},
            {kTrackNumber, 30}, {kTrackCount, 80}, {kYear, 50},  {kBitRate, 20}, {kSampleRate, 30}};
        for (const auto& entry : sometimesMissing) {
            if (random.Chance(entry.Permille))
                song.Drop(entry.Key);
        }
        // Real libraries hold a Genre of one space or an empty string.
        const quint32 genre = random.Below(1000);
        if (genre < 25)
            song.Genre = QStringLiteral(" ");
        else if (genre < 50)
            song.Genre.clear();

        switch (song.Type) {
        case ttUrl:
            song.StreamNumber = int(random.Below(100'000));
            song.Drop(kSize);
            song.Drop(kTotalTime);
            song.Drop(kFileFolderCount);
            song.Drop(kLibraryFolderCount);
            break;
        case ttRemote:
            song.Drop(kLocation);
            song.Drop(kFileFolderCount);
            song.Drop(kLibraryFolderCount);
            break;
        case ttFile:
            break;
        }
        return song;
    }

    TUserData FreshUserData(TLyBenchRandom& random, qint64 libraryDate) const {
        TUserData data;
        data.DateAdded = random.Between(k2005, libraryDate - 60 * kDay);
        data.DateModified = random.Between(data.DateAdded, libraryDate - kDay);
        if (random.Chance(700)) {
            const qint64 x = random.Below(1000);
            data.PlayCount = int(1 + x * x / 16'000);
            data.PlayDate = random.Between(data.DateAdded, libraryDate);
        }
        if (random.Chance(150)) {
            data.SkipCount = int(random.Between(1, 9));
            data.SkipDate = random.Between(data.DateAdded, libraryDate);
        }
        if (random.Chance(400))
            data.Rating = 20 * int(random.Between(1, 5));
        if (random.Chance(80))
            data.AlbumRating = 20 * int(random.Between(1, 5));
        if (random.Chance(20))
            data.DateAdded = 0;
        if (random.Chance(20))
            data.DateModified = 0;
        return data;
    }

    TUserData UserData(int song, TLyBenchLibrary library) const {
        if (library == TLyBenchLibrary::One) {
            TLyBenchRandom random(FSeed, sUserOne, quint64(song));
            return FreshUserData(random, LibraryDate(TLyBenchLibrary::One));
        }
        const qint64 libraryDate = LibraryDate(TLyBenchLibrary::Two);
        if (song >= FTrackCount) {
            TLyBenchRandom random(FSeed, sUserOwn, quint64(song));
            return FreshUserData(random, libraryDate);
        }
        // A shared song: One's user data, changed the way a second computer's listening
        // changes it.
        TUserData data = UserData(song, TLyBenchLibrary::One);
        TLyBenchRandom random(FSeed, sUserTwo, quint64(song));
        data.DateAdded = random.Chance(20) ? 0 : random.Between(k2005, libraryDate - 60 * kDay);
        data.DateModified = random.Chance(20) ? 0 : random.Between(k2005, libraryDate - kDay);
        if (random.Chance(550)) {
            const int before = data.PlayCount;
            data.PlayCount = std::max(0, before + int(random.Between(-8, 15)));
            if (data.PlayCount == before)
                ++data.PlayCount;
            data.PlayDate = data.PlayCount > 0 ? random.Between(k2005, libraryDate) : 0;
        }
        if (random.Chance(250)) {
            const int before = data.Rating;
            data.Rating = random.Chance(150) ? 0 : 20 * int(random.Between(1, 5));
            if (data.Rating == before)
                data.Rating = (before + 20) % 120;
        }
        if (random.Chance(100)) {
            data.SkipCount = int(random.Between(1, 9));
            data.SkipDate = random.Between(k2005, libraryDate);
        }
        return data;
    }

    // Two's spelling of a shared song's texts.
    void VaryForTwo(int index, TSong& song) const {
        TLyBenchRandom random(FSeed, sTextTwo, quint64(index));
        VaryText(random, song.Name, 60, 50, 20);
        VaryText(random, song.Artist, 30, 20, 10);
        VaryText(random, song.Album, 30, 20, 10);
        if (random.Chance(50))
            song.Genre = Pick(random, Genres());
    }

    // Some songs store non-ASCII text decomposed, chosen per library.
    void ApplyForm(int index, TLyBenchLibrary library, TSong& song) const {
        TLyBenchRandom random(FSeed, ForLibrary(sFormOne, library), quint64(index));
        if (!random.Chance(350))
            return;
        for (QString* text :
             {&song.Name, &song.Artist, &song.AlbumArtist, &song.Composer, &song.Album})
            *text = text->normalized(QString::NormalizationForm_D);
    }

    qint64 LibraryDate(TLyBenchLibrary library) const {
        TLyBenchRandom random(FSeed, sHeader, quint64(library));
        return k2024 + random.Between(0, 90 * kDay);
    }

    // Songs of the library in file order.
    std::vector<int> Order(TLyBenchLibrary library) const {
        std::vector<int> songs;
        songs.reserve(size_t(FTrackCount));
        if (library == TLyBenchLibrary::One) {
            for (int i = 0; i < FTrackCount; ++i)
                songs.push_back(i);
            return songs;
        }
        struct TEntry {
            quint64 Key;
            int Song;
        };
        std::vector<TEntry> entries;
        entries.reserve(size_t(FTrackCount));
        const quint64 span = 2 * quint64(FTrackCount) + 1;
        for (int i = 0; i < FTrackCount; ++i) {
            if (!Shared(i))
                continue;
            TLyBenchRandom random(FSeed, sOrder, quint64(i));
            // Most shared songs keep One's order; a tenth move elsewhere.
            const quint64 key = random.Chance(100) ? random.Next() % span : 2 * quint64(i);
            entries.push_back({key, i});
        }
        // Two's own songs, whole albums placed together at a random point.
        for (int song = FTrackCount; int(entries.size()) < FTrackCount; ++song) {
            TLyBenchRandom random(FSeed, sOrder, quint64(song / kTracksPerAlbum));
            entries.push_back({random.Next() % span, song});
        }
        std::stable_sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
            return a.Key != b.Key ? a.Key < b.Key : a.Song < b.Song;
        });
        for (const TEntry& entry : entries)
            songs.push_back(entry.Song);
        return songs;
    }

    int TrackCount() const { return FTrackCount; }
    quint64 Seed() const { return FSeed; }

private:
    QString Title(int song, TScript albumScript) const {
        TLyBenchRandom random(FSeed, sTitle, quint64(song));
        const TScript script = random.Chance(700) ? albumScript : scEnglish;
        QString title = Words(random, script, 1 + int(random.Below(4)));
        const quint32 decoration = random.Below(1000);
        if (decoration < 50)
            title += QStringLiteral(" (Live)");
        else if (decoration < 80)
            title += QStringLiteral(" (Remastered ") + QString::number(random.Between(1995, 2022)) +
                     u')';
        else if (decoration < 110)
            title += QStringLiteral(" (feat. ") + PersonName(random) + u')';
        else if (decoration < 130)
            title += QStringLiteral(", Pt. 2");
        else if (decoration < 160)
            title += QStringLiteral(" & ") + Words(random, script, 1);
        else if (decoration < 180)
            title += QStringLiteral(" + ") + Words(random, script, 1);
        else if (decoration < 195)
            title += QStringLiteral(" <3");
        else if (decoration < 205)
            title = Words(random, script, 1) + QStringLiteral(" < ") + title;
        else if (decoration < 245)
            title = QStringLiteral("Don't ") + title;
        else if (decoration < 265)
            title += QStringLiteral("?");
        else if (decoration < 285)
            title += QStringLiteral("!");
        else if (decoration < 295)
            title += QStringLiteral(" #1");
        else if (decoration < 300)
            title += QStringLiteral(" 100%");
        else if (decoration < 310)
            title = QStringLiteral("Interlude: ") + title;
        else if (decoration < 315)
            title += QStringLiteral(" A/B");
        return title;
    }

    static void VaryText(TLyBenchRandom& random, QString& text, int casePermille,
                         int punctuationPermille, int spellingPermille) {
        if (random.Chance(casePermille))
            ChangeCase(random, text);
        if (random.Chance(punctuationPermille))
            ChangePunctuation(random, text);
        if (random.Chance(spellingPermille))
            ChangeSpelling(random, text);
    }

    static void ChangeCase(TLyBenchRandom& random, QString& text) {
        switch (random.Below(3)) {
        case 0:
            text = text.toLower();
            break;
        case 1:
            text = text.toUpper();
            break;
        default:
            for (qsizetype i = 0; i < text.size(); ++i) {
                const bool first = i == 0 || text.at(i - 1) == u' ';
                text[i] = first ? text.at(i).toUpper() : text.at(i).toLower();
            }
            break;
        }
    }

    static void ChangePunctuation(TLyBenchRandom& random, QString& text) {
        static const QString marks = QStringLiteral("'.,!?:-()");
        QString stripped;
        for (const QChar c : text) {
            if (!marks.contains(c))
                stripped += c;
        }
        if (stripped != text) {
            text = stripped.simplified();
            return;
        }
        const qsizetype space = text.indexOf(u' ');
        if (space > 0 && random.Chance(500))
            text.insert(space, u',');
        else
            text += random.Chance(500) ? u'!' : u'.';
    }

    // Swaps two neighbouring letters, as a typing slip does.
    static void ChangeSpelling(TLyBenchRandom& random, QString& text) {
        std::vector<qsizetype> places;
        for (qsizetype i = 0; i + 1 < text.size(); ++i) {
            if (text.at(i).isLetter() && text.at(i + 1).isLetter() && text.at(i) != text.at(i + 1))
                places.push_back(i);
        }
        if (places.empty()) {
            text += u's';
            return;
        }
        const qsizetype i = places[random.Below(quint32(places.size()))];
        const QChar c = text.at(i);
        text[i] = text.at(i + 1);
        text[i + 1] = c;
    }

    int FTrackCount;
    quint64 FSeed;
    int FArtistCount;
};

// ---------------------------------------------------------------------------------------------
// Writing

QByteArray PersistentId(quint64 seed, TStream stream, quint64 item) {
    TLyBenchRandom random(seed, stream, item);
    return QByteArray::number(random.Next() | (quint64(1) << 63), 16).toUpper();
}

// A file name component as the library's file system allows it.
QString PathComponent(QString text, bool windows) {
    static const QString forbiddenMac = QStringLiteral("/:");
    static const QString forbiddenWindows = QStringLiteral("/:\\?<>\"*|");
    const QString& forbidden = windows ? forbiddenWindows : forbiddenMac;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (forbidden.contains(text.at(i)))
            text[i] = u'_';
    }
    if (text.trimmed().isEmpty())
        return QStringLiteral("_");
    if (text.startsWith(u'.'))
        text[0] = u'_';
    if (windows && (text.endsWith(u'.') || text.endsWith(u' ')))
        text[text.size() - 1] = u'_';
    return text;
}

// Percent-escapes a path as a file URL does: unreserved characters, "/" and the sub-delimiters
// stay; a space becomes %20 and every non-ASCII character its UTF-8 bytes escaped.
void AppendUrlPath(QByteArray& out, const QString& path) {
    static const char* const kHex = "0123456789ABCDEF";
    const QByteArray bytes = path.toUtf8();
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                           (u >= '0' && u <= '9') || std::strchr("-._~/!$&'()*+,;=:@", c);
        if (plain && u != 0) {
            out.append(c);
        } else {
            out.append('%');
            out.append(kHex[u >> 4]);
            out.append(kHex[u & 15]);
        }
    }
}

class TPlistWriter {
public:
    explicit TPlistWriter(QIODevice* device)
        : FDevice(device) {
        FBuffer.reserve(kBlock + 64 * 1024);
    }

    void Line(int level, const char* text) {
        Indent(level);
        FBuffer.append(text);
        FBuffer.append('\n');
        FlushIfFull();
    }
    void Key(int level, const char* key) {
        Indent(level);
        OpenKey(key);
        FBuffer.append('\n');
        FlushIfFull();
    }
    void String(int level, const char* key, const QString& value) {
        Indent(level);
        OpenKey(key);
        FBuffer.append("<string>");
        AppendEscaped(value.toUtf8());
        FBuffer.append("</string>\n");
        FlushIfFull();
    }
    void RawString(int level, const char* key, const QByteArray& value) {
        Indent(level);
        OpenKey(key);
        FBuffer.append("<string>");
        AppendEscaped(value);
        FBuffer.append("</string>\n");
        FlushIfFull();
    }
    void Integer(int level, const char* key, qint64 value) {
        Indent(level);
        OpenKey(key);
        FBuffer.append("<integer>");
        FBuffer.append(QByteArray::number(value));
        FBuffer.append("</integer>\n");
        FlushIfFull();
    }
    void Date(int level, const char* key, qint64 seconds) {
        Indent(level);
        OpenKey(key);
        FBuffer.append("<date>");
        AppendDate(FBuffer, seconds);
        FBuffer.append("</date>\n");
        FlushIfFull();
    }
    void Boolean(int level, const char* key, bool value) {
        Indent(level);
        OpenKey(key);
        FBuffer.append(value ? "<true/>\n" : "<false/>\n");
        FlushIfFull();
    }

    bool Failed() const { return FFailed; }

    bool Finish(QString* error) {
        Flush();
        if (FFailed && error)
            *error = FError;
        return !FFailed;
    }

private:
    static constexpr qsizetype kBlock = 1 << 20;

    void Indent(int level) { FBuffer.append(level, '\t'); }
    void OpenKey(const char* key) {
        FBuffer.append("<key>");
        FBuffer.append(key);
        FBuffer.append("</key>");
    }
    // The property-list writer's escapes for the three markup characters.
    void AppendEscaped(const QByteArray& text) {
        for (const char c : text) {
            switch (c) {
            case '&':
                FBuffer.append("&#38;");
                break;
            case '<':
                FBuffer.append("&#60;");
                break;
            case '>':
                FBuffer.append("&#62;");
                break;
            default:
                FBuffer.append(c);
            }
        }
    }
    void FlushIfFull() {
        if (FBuffer.size() >= kBlock)
            Flush();
    }
    void Flush() {
        if (!FFailed && !FBuffer.isEmpty() && FDevice->write(FBuffer) != FBuffer.size()) {
            FFailed = true;
            FError = FDevice->errorString();
            if (FError.isEmpty())
                FError = QStringLiteral("write failed");
        }
        FBuffer.clear();
    }

    QIODevice* FDevice;
    QByteArray FBuffer;
    bool FFailed = false;
    QString FError;
};

struct TLibraryLayout {
    QString MusicFolder;   // file URL path below "file://localhost", with a trailing slash
    QString NetworkFolder; // empty for none
    bool Windows;
    const char* ApplicationVersion;
};

TLibraryLayout Layout(TLyBenchLibrary library) {
    if (library == TLyBenchLibrary::One)
        return {QStringLiteral("/Users/lea/Music/iTunes/iTunes Media/"), QString(), false,
                "12.9.5.5"};
    return {QStringLiteral("/C:/Users/Ben/Music/iTunes/iTunes Media/"),
            QStringLiteral("//nas/Music/iTunes Media/"), true, "12.12.10.1"};
}

void WriteTrack(TPlistWriter& out, const TModel& model, const TLibraryLayout& layout,
                TLyBenchLibrary library, int song, int trackId) {
    TSong s = model.Song(song);
    if (library == TLyBenchLibrary::Two && song < model.TrackCount())
        model.VaryForTwo(song, s);
    model.ApplyForm(song, library, s);
    const TUserData user = model.UserData(song, library);
    const TFormat& format = kFormats[s.Format];

    out.Integer(3, kKeyNames[kTrackID], trackId);
    out.String(3, kKeyNames[kName], s.Name);
    if (s.Has(kArtist))
        out.String(3, kKeyNames[kArtist], s.Artist);
    if (s.Has(kAlbumArtist))
        out.String(3, kKeyNames[kAlbumArtist], s.AlbumArtist);
    if (s.Has(kComposer))
        out.String(3, kKeyNames[kComposer], s.Composer);
    if (s.Has(kAlbum))
        out.String(3, kKeyNames[kAlbum], s.Album);
    if (s.Has(kGenre))
        out.String(3, kKeyNames[kGenre], s.Genre);
    if (s.Has(kKind))
        out.String(3, kKeyNames[kKind],
                   s.Type == ttUrl ? QStringLiteral("MPEG audio stream")
                                   : QString::fromUtf8(format.Kind));
    if (s.Has(kSize))
        out.Integer(3, kKeyNames[kSize], s.Size);
    if (s.Has(kTotalTime))
        out.Integer(3, kKeyNames[kTotalTime], s.TotalTime);
    if (s.Has(kDiscNumber))
        out.Integer(3, kKeyNames[kDiscNumber], s.DiscNumber);
    if (s.Has(kDiscCount))
        out.Integer(3, kKeyNames[kDiscCount], s.DiscCount);
    if (s.Has(kTrackNumber))
        out.Integer(3, kKeyNames[kTrackNumber], s.TrackNumber);
    if (s.Has(kTrackCount))
        out.Integer(3, kKeyNames[kTrackCount], s.TrackCount);
    if (s.Has(kYear))
        out.Integer(3, kKeyNames[kYear], s.Year);
    if (user.DateModified)
        out.Date(3, kKeyNames[kDateModified], user.DateModified);
    if (user.DateAdded)
        out.Date(3, kKeyNames[kDateAdded], user.DateAdded);
    if (s.Has(kBitRate))
        out.Integer(3, kKeyNames[kBitRate], s.Type == ttUrl ? 128 : format.BitRate);
    if (s.Has(kSampleRate))
        out.Integer(3, kKeyNames[kSampleRate], format.SampleRate);
    if (user.PlayCount > 0) {
        out.Integer(3, kKeyNames[kPlayCount], user.PlayCount);
        out.Integer(3, kKeyNames[kPlayDate], user.PlayDate + kMacEpochOffset);
        out.Date(3, kKeyNames[kPlayDateUTC], user.PlayDate);
    }
    if (user.SkipCount > 0) {
        out.Integer(3, kKeyNames[kSkipCount], user.SkipCount);
        out.Date(3, kKeyNames[kSkipDate], user.SkipDate);
    }
    if (user.Rating > 0)
        out.Integer(3, kKeyNames[kRating], user.Rating);
    if (user.AlbumRating > 0)
        out.Integer(3, kKeyNames[kAlbumRating], user.AlbumRating);
    if (s.Has(kReleaseDate))
        out.Date(3, kKeyNames[kReleaseDate], s.ReleaseDate);
    if (s.Has(kNormalization))
        out.Integer(3, kKeyNames[kNormalization], s.Normalization);
    out.RawString(3, kKeyNames[kPersistentID],
                  PersistentId(model.Seed(), ForLibrary(sTrackIdOne, library), quint64(song)));
    out.String(3, kKeyNames[kTrackType],
               s.Type == ttUrl      ? QStringLiteral("URL")
               : s.Type == ttRemote ? QStringLiteral("Remote")
                                    : QStringLiteral("File"));
    if (s.Has(kLocation)) {
        QByteArray location;
        if (s.Type == ttUrl) {
            location =
                "http://radio.example.net/stream/" + QByteArray::number(s.StreamNumber) + ".mp3";
        } else {
            const bool network =
                !layout.NetworkFolder.isEmpty() && (song / kTracksPerAlbum) % 31 == 7;
            QString path = network ? layout.NetworkFolder : layout.MusicFolder;
            path += QStringLiteral("Music/");
            const QString artist = s.Compilation              ? QStringLiteral("Compilations")
                                   : !s.AlbumArtist.isEmpty() ? s.AlbumArtist
                                   : s.Has(kArtist) && !s.Artist.isEmpty()
                                       ? s.Artist
                                       : QStringLiteral("Unknown Artist");
            path += PathComponent(artist, layout.Windows) + u'/';
            path +=
                PathComponent(s.Has(kAlbum) && !s.Album.isEmpty() ? s.Album
                                                                  : QStringLiteral("Unknown Album"),
                              layout.Windows) +
                u'/';
            QString file;
            if (s.DiscCount > 1)
                file = QString::number(s.DiscNumber) + u'-';
            file += TwoDigits(s.TrackNumber) + u' ' + s.Name + u'.' +
                    QString::fromUtf8(format.Extension);
            path += PathComponent(file, layout.Windows);
            // A Mac file system hands out names decomposed; a Windows one as they were given.
            if (!layout.Windows)
                path = path.normalized(QString::NormalizationForm_D);
            location = "file://localhost";
            AppendUrlPath(location, path);
        }
        out.RawString(3, kKeyNames[kLocation], location);
    }
    if (s.Has(kFileFolderCount))
        out.Integer(3, kKeyNames[kFileFolderCount], 5);
    if (s.Has(kLibraryFolderCount))
        out.Integer(3, kKeyNames[kLibraryFolderCount], 1);
}

struct TPlaylist {
    const char* Name;
    const char* Description;
    int Permille; // share of the library's tracks; 1000 for all
    bool Shuffled;
};

void WritePlaylistHeader(TPlistWriter& out, const QString& name, const char* description,
                         quint64 seed, TLyBenchLibrary library, int number, int playlistId) {
    out.String(3, "Name", name);
    if (description)
        out.String(3, "Description", QString::fromUtf8(description));
    if (number == 0)
        out.Boolean(3, "Master", true);
    out.Integer(3, "Playlist ID", playlistId);
    out.RawString(3, "Playlist Persistent ID",
                  PersistentId(seed, ForLibrary(sPlaylistIdOne, library), quint64(number)));
    if (number == 0)
        out.Boolean(3, "Visible", false);
    if (number <= 1) {
        out.Boolean(3, "All Items", true);
        if (number == 1)
            out.Integer(3, "Distinguished Kind", 4);
    }
}

void WritePlaylistItems(TPlistWriter& out, const std::vector<int>& trackIds) {
    if (trackIds.empty())
        return;
    out.Key(3, "Playlist Items");
    out.Line(3, "<array>");
    for (const int id : trackIds) {
        out.Line(4, "<dict>");
        out.Integer(5, "Track ID", id);
        out.Line(4, "</dict>");
    }
    out.Line(3, "</array>");
}

void WritePlaylists(TPlistWriter& out, const TModel& model, TLyBenchLibrary library,
                    const std::vector<int>& order, int firstTrackId) {
    static const TPlaylist kPlaylists[] = {
        {"Library", nullptr, 1000, false},
        {"Music", nullptr, 1000, false},
        {"Road Trip 2019", "Songs for the long drive", 8, true},
        {"Café & Chill", nullptr, 5, false},
        {"Любимые", nullptr, 3, true},
        {"90s <3", "Best of the decade", 4, false},
        {"Empty", nullptr, 0, false},
    };
    out.Key(1, "Playlists");
    out.Line(1, "<array>");
    int number = 0;
    for (const TPlaylist& playlist : kPlaylists) {
        out.Line(2, "<dict>");
        // Playlist ids follow the track ids: both come from one counter.
        const int playlistId = firstTrackId + 2 * int(order.size()) + 2 * number;
        WritePlaylistHeader(out, QString::fromUtf8(playlist.Name), playlist.Description,
                            model.Seed(), library, number, playlistId);
        std::vector<std::pair<quint64, int>> items;
        for (size_t position = 0; position < order.size(); ++position) {
            const int song = order[position];
            bool member = playlist.Permille >= 1000;
            if (number == 1)
                member = model.TrackType(song) != ttUrl;
            else if (!member && playlist.Permille > 0) {
                TLyBenchRandom random(model.Seed(), sPlaylistMember,
                                      quint64(song) * 8 + quint64(number));
                member = random.Chance(playlist.Permille);
            }
            if (member) {
                const quint64 key =
                    playlist.Shuffled
                        ? TLyBenchRandom(model.Seed(), sPlaylistShuffle, quint64(song)).Next()
                        : quint64(position);
                items.emplace_back(key, firstTrackId + 2 * int(position));
            }
        }
        std::sort(items.begin(), items.end());
        std::vector<int> ids;
        ids.reserve(items.size());
        for (const auto& item : items)
            ids.push_back(item.second);
        WritePlaylistItems(out, ids);
        out.Line(2, "</dict>");
        ++number;
    }
    out.Line(1, "</array>");
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TLyBenchRandom

TLyBenchRandom::TLyBenchRandom(quint64 seed, quint64 stream, quint64 item)
    : FState(Mix(Mix(Mix(seed) + stream) + item)) {}

quint64 TLyBenchRandom::Next() {
    quint64 z = (FState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

quint32 TLyBenchRandom::Below(quint32 bound) {
    return quint32(((Next() >> 32) * quint64(bound)) >> 32);
}

qint64 TLyBenchRandom::Between(qint64 low, qint64 high) {
    const quint64 span = quint64(high - low) + 1;
    return low + qint64(Next() % span);
}

// ---------------------------------------------------------------------------------------------
// TLyLibraryGenerator

TLyLibraryGenerator::TLyLibraryGenerator(int trackCount, quint64 seed)
    : FTrackCount(std::max(0, trackCount))
    , FSeed(seed) {
    const TModel model(FTrackCount, FSeed);
    for (int i = 0; i < FTrackCount; ++i) {
        if (model.Shared(i))
            ++FSharedCount;
    }
}

QString TLyLibraryGenerator::Fingerprint() const {
    return QStringLiteral("format %1, tracks %2, seed %3")
        .arg(kFormatVersion)
        .arg(FTrackCount)
        .arg(FSeed);
}

const QStringList& TLyLibraryGenerator::TrackKeyOrder() {
    static const QStringList keys = [] {
        QStringList list;
        for (const char* key : kKeyNames)
            list.append(QString::fromLatin1(key));
        return list;
    }();
    return keys;
}

bool TLyLibraryGenerator::Write(QIODevice* device, TLyBenchLibrary library, QString* error) const {
    const TModel model(FTrackCount, FSeed);
    const TLibraryLayout layout = Layout(library);
    TLyBenchRandom header(FSeed, sHeader, 100 + quint64(library));
    const int firstTrackId = int(header.Between(200, 9000));

    TPlistWriter out(device);
    out.Line(0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    out.Line(0, "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">");
    out.Line(0, "<plist version=\"1.0\">");
    out.Line(0, "<dict>");
    out.Integer(1, "Major Version", 1);
    out.Integer(1, "Minor Version", 1);
    out.String(1, "Application Version", QString::fromLatin1(layout.ApplicationVersion));
    out.Date(1, "Date", model.LibraryDate(library));
    out.Integer(1, "Features", 5);
    out.Boolean(1, "Show Content Ratings", true);
    QByteArray musicFolder = "file://localhost";
    AppendUrlPath(musicFolder, layout.MusicFolder);
    out.RawString(1, "Music Folder", musicFolder);
    out.RawString(1, "Library Persistent ID", PersistentId(FSeed, sHeader, 200 + quint64(library)));

    const std::vector<int> order = model.Order(library);
    out.Key(1, "Tracks");
    out.Line(1, "<dict>");
    for (size_t position = 0; position < order.size() && !out.Failed(); ++position) {
        const int trackId = firstTrackId + 2 * int(position);
        out.Key(2, QByteArray::number(trackId).constData());
        out.Line(2, "<dict>");
        WriteTrack(out, model, layout, library, order[position], trackId);
        out.Line(2, "</dict>");
    }
    out.Line(1, "</dict>");
    WritePlaylists(out, model, library, order, firstTrackId);
    out.Line(0, "</dict>");
    out.Line(0, "</plist>");
    return out.Finish(error);
}

bool TLyLibraryGenerator::WriteFile(const QString& path, TLyBenchLibrary library,
                                    QString* error) const {
    QSaveFile file(path);
    QString message;
    if (!file.open(QIODevice::WriteOnly)) {
        message = file.errorString();
    } else if (!Write(&file, library, &message)) {
        file.cancelWriting();
    } else if (!file.commit()) {
        message = file.errorString();
    } else {
        return true;
    }
    if (error)
        *error = QStringLiteral("Cannot write %1: %2").arg(path, message);
    return false;
}

bool LyEnsureBenchLibraries(const QString& folder, int tracks, QString* error) {
    const TLyLibraryGenerator generator(tracks, TLyLibraryGenerator::kDefaultSeed);
    QDir dir(folder);
    const QString stampPath = dir.filePath(QStringLiteral("libraries.stamp"));
    QFile stamp(stampPath);
    if (stamp.open(QIODevice::ReadOnly) &&
        QString::fromUtf8(stamp.readAll()) == generator.Fingerprint())
        return true;
    stamp.close();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("Cannot create %1").arg(folder);
        return false;
    }
    if (!generator.WriteFile(dir.filePath(QStringLiteral("one.xml")), TLyBenchLibrary::One,
                             error) ||
        !generator.WriteFile(dir.filePath(QStringLiteral("two.xml")), TLyBenchLibrary::Two, error))
        return false;
    if (!stamp.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        stamp.write(generator.Fingerprint().toUtf8()) < 0) {
        *error = QStringLiteral("Cannot write %1").arg(stampPath);
        return false;
    }
    return true;
}
