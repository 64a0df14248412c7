#include "LySongListModel.h"

#include "LyGuard.h"
#include "LyMatchResult.h"
#include "LyProject.h"
#include "LyView.h"

#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace {

const QStringList& ColumnNames() {
    static const QStringList names{
        QStringLiteral("Name"),        QStringLiteral("Artist"),   QStringLiteral("Album"),
        QStringLiteral("Genre"),       QStringLiteral("Rating"),   QStringLiteral("Play Count"),
        QStringLiteral("Last Played"), QStringLiteral("One"),      QStringLiteral("Two"),
        QStringLiteral("Status"),      QStringLiteral("File Name")};
    return names;
}

// Hand changes wait while the project's process runs work that changes songs.
bool TakesHandChanges(const TLyView* view) {
    return view->MatchResult() && view->MatchResult()->CanChangeSongs();
}

} // namespace

TLySongListModel::TLySongListModel(QObject* parent)
    : QAbstractTableModel(parent) {}

void TLySongListModel::SetSide(const TLySongListSide& side) {
    FSide = side;
    FRanksValid = false; // the sort keys are the side's texts
    FRanks.Clear();
    FRowRanks.clear();
    if (!FSongs.isEmpty() && !FFrozen)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, kLySongColumnCount - 1));
}

void TLySongListModel::SetDarkPalette(bool dark, const QColor& greyText, const QColor& base) {
    FDark = dark;
    FGreyText = greyText;
    FBase = base;
}

void TLySongListModel::SetSongs(QList<TLySong*> songs, int column, bool ascending) {
    beginResetModel();
    FSongs = RankedSongs(std::move(songs), column, ascending);
    FFrozen = false;
    endResetModel();
}

namespace {

// Appends `text` folded for comparing without regard to letter case (code unit by code unit).
void AppendFolded(std::vector<char16_t>& pool, const QString& text) {
    const size_t at = pool.size();
    pool.resize(at + size_t(text.size()));
    char16_t* out = pool.data() + at;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit < 0x80)
            *out++ = unit >= u'A' && unit <= u'Z' ? char16_t(unit + 32) : unit;
        else
            *out++ = char16_t(QChar::toCaseFolded(char32_t(unit)));
    }
}

} // namespace

// The keys of every song are taken once: the number and the texts case-folded and joined by a
// character that sorts before every other, all in one buffer, whose first four code units also go
// into one integer; so most comparisons are two integer compares and the rest one ordinal compare
// of the joined texts after the code units that all keys share. Joined texts compare as their
// texts would one by one, in the column's order of keys.
QList<TLySong*> TLySongListModel::SortedSongs(QList<TLySong*> songs, int column,
                                              bool ascending) const {
    struct TKeyed {
        double Number;
        quint64 Prefix;
        qsizetype Begin;
        qsizetype Length;
        TLySong* Song;
    };
    static const std::vector<tLySongPart> kTextKeys[] = {{sdName, sdArtist, sdAlbum},
                                                         {sdArtist, sdAlbum, sdName},
                                                         {sdAlbum, sdName},
                                                         {sdGenre, sdArtist, sdAlbum, sdName},
                                                         {sdArtist, sdAlbum, sdName}};
    const std::vector<tLySongPart>& parts = column <= scGenre ? kTextKeys[column] : kTextKeys[4];
    std::vector<char16_t> pool;
    pool.reserve(size_t(songs.size()) * 48);
    std::vector<TKeyed> keyed;
    keyed.reserve(size_t(songs.size()));
    // The songs lie scattered in memory and the list is read in its shown order: the song
    // and, a few songs later, its texts are fetched ahead so that the misses overlap.
    constexpr qsizetype kSongAhead = 16;
    constexpr qsizetype kTextAhead = 8;
    const int side = FSide.Side;
    const qsizetype count = songs.size();
    for (qsizetype i = 0; i < count; ++i) {
        if (i + kSongAhead < count) {
            const auto* values =
                reinterpret_cast<const char*>(&songs.at(i + kSongAhead)->Current(side));
            for (size_t offset = 0; offset < sizeof(TLySongProperties); offset += 64)
                __builtin_prefetch(values + offset);
        }
        if (i + kTextAhead < count) {
            const TLySong* ahead = songs.at(i + kTextAhead);
            if (column == scFileName)
                __builtin_prefetch(FSide.FileSide(*ahead).Location().constData());
            else
                for (tLySongPart part : parts)
                    __builtin_prefetch(FSide.Text(*ahead, part).constData());
        }
        TLySong* song = songs.at(i);
        const qsizetype begin = qsizetype(pool.size());
        if (column == scFileName) {
            AppendFolded(pool, FSide.FileSide(*song).Location());
            pool.push_back(u'\x01');
        } else {
            for (tLySongPart part : parts) {
                AppendFolded(pool, FSide.Text(*song, part));
                pool.push_back(u'\x01');
            }
        }
        TKeyed key{0, 0, begin, qsizetype(pool.size()) - begin, song};
        switch (column) {
        case scRating:
            key.Number = FSide.Rating(*song);
            break;
        case scPlayCount:
            key.Number = FSide.PlayCount(*song);
            break;
        case scLastPlayed:
            key.Number = FSide.LastPlayed(*song);
            break;
        case scOne:
        case scTwo:
            key.Number = song->Current(column - scOne).Rating();
            break;
        default:
            break;
        }
        if (column == scStatus)
            key.Number = FSide.StatusRank(*song);
        keyed.push_back(key);
    }
    const char16_t* base = pool.data();
    // Code units every key starts with (a shared folder of the locations) are skipped.
    qsizetype shared = keyed.empty() ? 0 : keyed.front().Length;
    for (const TKeyed& key : keyed) {
        shared = std::min(shared, key.Length);
        const char16_t* first = base + keyed.front().Begin;
        const char16_t* text = base + key.Begin;
        qsizetype i = 0;
        while (i < shared && text[i] == first[i])
            ++i;
        shared = i;
    }
    for (TKeyed& key : keyed) {
        key.Begin += shared;
        key.Length -= shared;
        for (qsizetype i = 0; i < 4; ++i)
            key.Prefix = key.Prefix << 16 | (i < key.Length ? base[key.Begin + i] : 0);
    }
    // Rows equal on every key but the status column's keep their status order, which is
    // taken only for them.
    const bool rankLast = column != scStatus;
    auto compare = [&](const TKeyed& a, const TKeyed& b) {
        if (a.Number < b.Number)
            return -1;
        if (b.Number < a.Number)
            return 1;
        if (a.Prefix != b.Prefix)
            return a.Prefix < b.Prefix ? -1 : 1;
        if (const int text = QStringView(base + a.Begin, a.Length)
                                 .compare(QStringView(base + b.Begin, b.Length)))
            return text;
        if (!rankLast)
            return 0;
        const int rankA = FSide.StatusRank(*a.Song);
        const int rankB = FSide.StatusRank(*b.Song);
        return rankA < rankB ? -1 : (rankA > rankB ? 1 : 0);
    };
    if (ascending)
        std::stable_sort(keyed.begin(), keyed.end(),
                         [&](const TKeyed& a, const TKeyed& b) { return compare(a, b) < 0; });
    else
        std::stable_sort(keyed.begin(), keyed.end(),
                         [&](const TKeyed& a, const TKeyed& b) { return compare(a, b) > 0; });
    for (qsizetype i = 0; i < songs.size(); ++i)
        songs[i] = keyed[size_t(i)].Song;
    return songs;
}

// Songs keep their values from one OwnerChanging to the next, so a list whose songs were all
// sorted before by the same keys (a narrower filter) is ordered by the ranks they got then.
QList<TLySong*> TLySongListModel::RankedSongs(QList<TLySong*> songs, int column, bool ascending) {
    if (FRanksValid && FRankColumn == column && FRankAscending == ascending) {
        // Each song goes to its old row; the rows left empty are dropped.
        std::vector<TLySong*> placed(size_t(FRanks.Count()), nullptr);
        qsizetype found = 0;
        for (qsizetype i = 0; i < songs.size(); ++i) {
            // The table is far larger than the caches: slots are fetched ahead.
            if (i + 16 < songs.size())
                FRanks.Prefetch(songs.at(i + 16));
            TLySong* song = songs.at(i);
            const int rank = FRanks.Find(song);
            if (rank < 0)
                break;
            placed[size_t(rank)] = song;
            ++found;
        }
        if (found == songs.size()) {
            QList<TLySong*> ordered;
            ordered.reserve(songs.size());
            std::vector<int> rowRanks;
            rowRanks.reserve(size_t(songs.size()));
            for (size_t rank = 0; rank < placed.size(); ++rank)
                if (placed[rank]) {
                    ordered.append(placed[rank]);
                    rowRanks.push_back(int(rank));
                }
            if (ordered.size() == songs.size()) { // else a song was listed twice
                FRowRanks = std::move(rowRanks);
                return ordered;
            }
        }
    }
    songs = SortedSongs(std::move(songs), column, ascending);
    FRanks.Assign(songs);
    FRowRanks.clear();
    FRanksValid = true;
    FRankColumn = column;
    FRankAscending = ascending;
    return songs;
}

void TLySongRanks::Clear() {
    FSlots = {};
    FCount = 0;
}

size_t TLySongRanks::SlotOf(const TLySong* song) const {
    // Fibonacci hashing of the address without its alignment bits.
    return size_t((quintptr(song) >> 4) * 0x9E3779B97F4A7C15ULL >> FShift);
}

void TLySongRanks::Assign(const QList<TLySong*>& sorted) {
    FCount = sorted.size();
    int bits = 4;
    while ((qsizetype(1) << bits) < 2 * FCount)
        ++bits;
    FShift = 64 - bits;
    FSlots.assign(size_t(1) << bits, TSlot{});
    const size_t mask = FSlots.size() - 1;
    for (qsizetype rank = 0; rank < FCount; ++rank) {
        const TLySong* song = sorted.at(rank);
        size_t slot = SlotOf(song);
        while (FSlots[slot].Song && FSlots[slot].Song != song)
            slot = (slot + 1) & mask;
        FSlots[slot] = {song, int(rank)};
    }
}

int TLySongRanks::Find(const TLySong* song) const {
    if (FSlots.empty() || !song)
        return -1;
    const size_t mask = FSlots.size() - 1;
    for (size_t slot = SlotOf(song);; slot = (slot + 1) & mask) {
        if (FSlots[slot].Song == song)
            return FSlots[slot].Rank;
        if (!FSlots[slot].Song)
            return -1;
    }
}

int TLySongListModel::RowOf(const TLySong* song) const {
    if (!FRanksValid || !song)
        return -1;
    const int rank = FRanks.Find(song);
    if (rank < 0)
        return -1;
    int row = rank;
    if (!FRowRanks.empty()) {
        const auto found = std::lower_bound(FRowRanks.begin(), FRowRanks.end(), rank);
        if (found == FRowRanks.end() || *found != rank)
            return -1;
        row = int(found - FRowRanks.begin());
    }
    // A song listed twice is ranked at its last place only: confirm the row holds it.
    return row < FSongs.size() && FSongs.at(row) == song ? row : -1;
}

void TLySongListModel::Freeze() {
    FFrozen = true;
    FRanksValid = false; // the songs' values may change
    FRanks.Clear();
    FRowRanks.clear();
}

void TLySongListModel::Clear() {
    beginResetModel();
    FSongs.clear();
    FRanksValid = false; // the best matches' candidates go
    FRanks.Clear();
    FRowRanks.clear();
    FFrozen = false;
    endResetModel();
}

TLySong* TLySongListModel::Song(int row) const {
    if (FFrozen || row < 0 || row >= FSongs.size())
        return nullptr;
    return FSongs.at(row);
}

bool TLySongListModel::CanChangeSongs() const {
    return !FFrozen && FView && TakesHandChanges(FView);
}

// Without the base's virtual row and column counts: the tree asks for every row's index on
// each layout.
QModelIndex TLySongListModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || column < 0 || row >= FSongs.size() ||
        column >= kLySongColumnCount)
        return {};
    return createIndex(row, column);
}

int TLySongListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(FSongs.size());
}

int TLySongListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kLySongColumnCount;
}

QColor TLySongListModel::Colour(tLyCellColour colour) const {
    return LyCellColour(colour, FDark, FGreyText.isValid() ? FGreyText : QColor(128, 128, 128));
}

QColor TLySongListModel::OddRowColour() const {
    if (!FDark)
        return {237, 245, 254};
    // A faint blue lift of the dark base, in the spirit of the light colour.
    return QColor(std::min(FBase.red() + 8, 255), std::min(FBase.green() + 12, 255),
                  std::min(FBase.blue() + 22, 255));
}

QVariant TLySongListModel::data(const QModelIndex& index, int role) const {
    TLySong* song = index.isValid() ? Song(index.row()) : nullptr;
    if (!song)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return FSide.CellText(*song, column);
    case Qt::ForegroundRole: {
        const QColor colour = Colour(FSide.CellColour(*song, column));
        return colour.isValid() ? QVariant(colour) : QVariant();
    }
    case Qt::BackgroundRole:
        return index.row() % 2 ? QVariant(OddRowColour()) : QVariant();
    case Qt::CheckStateRole:
        if (column == scName)
            return song->Checked() ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::ToolTipRole:
        if (column == scFileName) {
            const QString location = FSide.FileSide(*song).Location();
            // Shown as typed even when it looks like markup.
            return Qt::mightBeRichText(location)
                       ? QStringLiteral("<qt>%1</qt>").arg(location.toHtmlEscaped())
                       : location;
        }
        return {};
    case StatusPictureRole:
        return column == scName ? QVariant(FSide.StatusPicture(*song)) : QVariant();
    case StarCountRole:
        return column == scRating || column == scOne || column == scTwo
                   ? QVariant(FSide.StarCount(*song, column))
                   : QVariant();
    case StarPictureRole:
        return column == scRating || column == scOne || column == scTwo
                   ? QVariant(FSide.StarPicture(*song))
                   : QVariant();
    default:
        return {};
    }
}

bool TLySongListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != scName || !CanChangeSongs())
        return false;
    TLySong* song = Song(index.row());
    if (!song)
        return false;
    bool changed = false;
    LyGuarded(nullptr, [&] {
        FView->MatchResult()->SetChecked({song}, value.toInt() == Qt::Checked);
        changed = true;
    });
    if (changed)
        Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    return changed;
}

Qt::ItemFlags TLySongListModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || FFrozen)
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == scName && CanChangeSongs())
        result |= Qt::ItemIsUserCheckable;
    return result;
}

QVariant TLySongListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kLySongColumnCount)
        return {};
    const QString& name = ColumnNames().at(section);
    const TLyProject* project =
        FView && FView->MatchResult() ? FView->MatchResult()->Project() : nullptr;
    if (project && (section == scOne || section == scTwo))
        return project->Options()->Library(section - scOne)->Name();
    return name;
}

void TLySongListModel::HeaderChanged() {
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, kLySongColumnCount - 1);
}
