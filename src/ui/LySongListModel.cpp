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
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit < 0x80)
            pool.push_back(unit >= u'A' && unit <= u'Z' ? char16_t(unit + 32) : unit);
        else
            pool.push_back(char16_t(QChar::toCaseFolded(char32_t(unit))));
    }
}

} // namespace

// The keys of every song are taken once: the number, and the texts case-folded and joined by a
// character that sorts before every other, all in one buffer, so that most comparisons are one
// ordinal compare; rows equal on them are ordered by the column's own comparison (status
// rank).
QList<TLySong*> TLySongListModel::SortedSongs(QList<TLySong*> songs, int column,
                                              bool ascending) const {
    struct TKeyed {
        double Number;
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
    auto texts = [&](const TLySong& song, const auto& use) {
        if (column == scFileName) {
            use(FSide.FileSide(song).Location());
            return;
        }
        for (tLySongPart part : parts)
            use(FSide.Text(song, part));
    };
    qsizetype total = 0;
    for (const TLySong* song : songs)
        texts(*song, [&](const QString& text) { total += text.size() + 1; });
    std::vector<char16_t> pool;
    pool.reserve(size_t(total));
    std::vector<TKeyed> keyed;
    keyed.reserve(songs.size());
    for (TLySong* song : songs) {
        TKeyed key{0, qsizetype(pool.size()), 0, song};
        texts(*song, [&](const QString& text) {
            AppendFolded(pool, text);
            pool.push_back(u'\x01');
        });
        key.Length = qsizetype(pool.size()) - key.Begin;
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
        case scStatus:
            key.Number = FSide.StatusRank(*song);
            break;
        default:
            break;
        }
        keyed.push_back(key);
    }
    const char16_t* base = pool.data();
    std::stable_sort(keyed.begin(), keyed.end(), [&](const TKeyed& a, const TKeyed& b) {
        int result = a.Number < b.Number ? -1 : (b.Number < a.Number ? 1 : 0);
        if (!result)
            result = QStringView(base + a.Begin, a.Length)
                         .compare(QStringView(base + b.Begin, b.Length));
        if (!result)
            result = FSide.Compare(*a.Song, *b.Song, column);
        return ascending ? result < 0 : result > 0;
    });
    for (qsizetype i = 0; i < songs.size(); ++i)
        songs[i] = keyed[size_t(i)].Song;
    return songs;
}

// Songs keep their values from one OwnerChanging to the next, so a list whose songs were all
// sorted before by the same keys (a narrower filter) is ordered by the ranks they got then.
QList<TLySong*> TLySongListModel::RankedSongs(QList<TLySong*> songs, int column, bool ascending) {
    if (FRanksValid && FRankColumn == column && FRankAscending == ascending) {
        // Each song goes to its old row; the rows left empty are dropped.
        std::vector<TLySong*> placed(size_t(FRanks.size()), nullptr);
        qsizetype found = 0;
        for (TLySong* song : songs) {
            const auto rank = FRanks.constFind(song);
            if (rank == FRanks.constEnd())
                break;
            placed[size_t(*rank)] = song;
            ++found;
        }
        if (found == songs.size()) {
            QList<TLySong*> ordered;
            ordered.reserve(songs.size());
            for (TLySong* song : placed)
                if (song)
                    ordered.append(song);
            if (ordered.size() == songs.size()) // else a song was listed twice
                return ordered;
        }
    }
    songs = SortedSongs(std::move(songs), column, ascending);
    FRanks.clear();
    FRanks.reserve(songs.size());
    for (qsizetype i = 0; i < songs.size(); ++i)
        FRanks.insert(songs.at(i), int(i));
    FRanksValid = true;
    FRankColumn = column;
    FRankAscending = ascending;
    return songs;
}

void TLySongListModel::Freeze() {
    FFrozen = true;
    FRanksValid = false; // the songs' values may change
    FRanks.clear();
}

void TLySongListModel::Clear() {
    beginResetModel();
    FSongs.clear();
    FRanksValid = false; // the best matches' candidates go
    FRanks.clear();
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

int TLySongListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(FSongs.size());
}

int TLySongListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kLySongColumnCount;
}

QColor TLySongListModel::Colour(tLyCellColour colour) const {
    QColor result;
    switch (colour) {
    case tLyCellColour::Normal:
        return {};
    case tLyCellColour::Grey:
        return FGreyText.isValid() ? FGreyText : QColor(128, 128, 128);
    case tLyCellColour::Red:
        result = QColor(204, 0, 0);
        break;
    case tLyCellColour::Purple:
        result = QColor(153, 51, 204);
        break;
    case tLyCellColour::Blue:
        result = QColor(51, 102, 204);
        break;
    }
    // On a dark background the given colours are too dark to read: lighter variants.
    return FDark ? result.lighter(165) : result;
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
