#include "LyPlayCounts.h"

#include "ArFormat.h"
#include "LyTypes.h"
#include "VxSaveFile.h"

#include <QFile>
#include <QList>

#include <algorithm>
#include <limits>

namespace {

constexpr char kHeader[] = "Lyrabridge play counts 1";

// IDs are hexadecimal digits; anything holding a blank or "/" cannot be stored as one.
bool IsStorableId(const QString& id) {
    return !id.isEmpty() && std::all_of(id.cbegin(), id.cend(), [](QChar c) {
        return c.unicode() > u' ' && c.unicode() < 0x7F && c != u'/';
    });
}

QString PairKey(const QString& idOne, const QString& idTwo) {
    return idOne.toUpper() + u'/' + idTwo.toUpper();
}

[[noreturn]] void Damaged(const QString& fileName, int line) {
    throw ELyProjectError(ArFormat(QStringLiteral("Play count file [%s] cannot be read: line %d "
                                                  "is not a pair of IDs and three counts."),
                                   {fileName, line}));
}

} // namespace

int AddedPlayCount(const std::optional<TLyPlayRecord>& record, int countOne, int countTwo) {
    const int larger = std::max(countOne, countTwo);
    if (!record)
        return larger;
    const qint64 total = qint64(record->Total) + std::max(0, countOne - record->Counted[0]) +
                         std::max(0, countTwo - record->Counted[1]);
    return int(std::clamp<qint64>(total, larger, std::numeric_limits<int>::max()));
}

TLyPlayRecord RecordAfterExport(const std::optional<TLyPlayRecord>& record, int side, int written,
                                const int read[2]) {
    const int other = 1 - side;
    TLyPlayRecord result;
    result.Total = written;
    result.Counted[side] = written;
    // The other side's plays as read went into the total, unless its file was written with
    // this very total already (both sides exported one after the other).
    const bool otherHoldsTotal =
        record && record->Total == written && record->Counted[other] == written;
    result.Counted[other] = otherHoldsTotal ? written : read[other];
    return result;
}

QString TLyPlayMemory::FileNameFor(const QString& projectFile) {
    QString base = projectFile;
    if (base.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive))
        base.chop(4);
    return base + QStringLiteral(".plays");
}

std::optional<TLyPlayRecord> TLyPlayMemory::Find(const QString& idOne, const QString& idTwo) const {
    if (idOne.isEmpty() || idTwo.isEmpty())
        return std::nullopt;
    const auto found = FRecords.constFind(PairKey(idOne, idTwo));
    if (found == FRecords.cend())
        return std::nullopt;
    return *found;
}

void TLyPlayMemory::Put(const QString& idOne, const QString& idTwo, const TLyPlayRecord& record) {
    if (IsStorableId(idOne) && IsStorableId(idTwo))
        FRecords.insert(PairKey(idOne, idTwo), record);
}

void TLyPlayMemory::Load(const QString& fileName) {
    QFile file(fileName);
    if (!file.exists()) {
        FRecords.clear();
        return;
    }
    if (!file.open(QIODevice::ReadOnly))
        throw ELyProjectError(ArFormat(QStringLiteral("Play count file [%s] cannot be read: %s"),
                                       {fileName, file.errorString()}));
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.isEmpty() || lines.first().trimmed() != kHeader)
        Damaged(fileName, 1);
    QHash<QString, TLyPlayRecord> records;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty())
            continue;
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() != 5)
            Damaged(fileName, int(i + 1));
        TLyPlayRecord record;
        int* counts[3] = {&record.Total, &record.Counted[0], &record.Counted[1]};
        for (int c = 0; c < 3; ++c) {
            bool ok = false;
            *counts[c] = fields[2 + c].toInt(&ok);
            if (!ok || *counts[c] < 0)
                Damaged(fileName, int(i + 1));
        }
        records.insert(PairKey(QString::fromLatin1(fields[0]), QString::fromLatin1(fields[1])),
                       record);
    }
    FRecords = std::move(records);
}

void TLyPlayMemory::Store(const QString& fileName) const {
    QByteArray text = QByteArray(kHeader) + '\n';
    QStringList keys = FRecords.keys();
    keys.sort(); // the same records give the same file
    for (const QString& key : keys) {
        const TLyPlayRecord& record = FRecords[key];
        text += key.section(u'/', 0, 0).toLatin1() + ' ' + key.section(u'/', 1).toLatin1() + ' ' +
                QByteArray::number(record.Total) + ' ' + QByteArray::number(record.Counted[0]) +
                ' ' + QByteArray::number(record.Counted[1]) + '\n';
    }
    TVxSaveFile file(fileName);
    if (!file.Open() || !file.Write(text) || !file.Commit())
        throw ELyProjectError(ArFormat(QStringLiteral("Play count file [%s] cannot be written: %s"),
                                       {fileName, file.ErrorString()}));
}
