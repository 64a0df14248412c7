#include "CliReport.h"

#include "ArFormat.h"
#include "CliArguments.h"
#include "CliFailure.h"
#include "CliFigures.h"
#include "LyMatchResult.h"

#include <QSaveFile>

#include <algorithm>

namespace {

QStringList TrackFields(const TLySong& song, int side) {
    const TLySongProperties& track = song.Original(side);
    return {CliSideName(side), track.Name(), track.Artist(), track.Album()};
}

QString CsvField(const QString& field) {
    static const QString kSpecial = QStringLiteral(",\"\r\n");
    if (std::none_of(field.begin(), field.end(), [](QChar c) { return kSpecial.contains(c); }))
        return field;
    QString quoted = field;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace

QList<QStringList> CliReportRows(const TLyMatchResult& result) {
    QList<QStringList> rows{{QStringLiteral("side"), QStringLiteral("name"),
                             QStringLiteral("artist"), QStringLiteral("album"),
                             QStringLiteral("part"), QStringLiteral("old"), QStringLiteral("new")}};
    ForEachChange(result, [&](const TLySong& song, int side, tLySongPart part) {
        rows << TrackFields(song, side) + QStringList{CliPartName(part),
                                                      CliValueText(song.Original(side), part),
                                                      CliValueText(song.Current(side), part)};
    });
    for (const TLySong* song : result.Songs()) {
        if (song->IsMatched())
            continue;
        rows << TrackFields(*song, song->OriginalOne().Exists() ? 0 : 1) +
                    QStringList{QString(), QString(), QString()};
    }
    return rows;
}

QString CsvRecord(const QStringList& fields) {
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& field : fields)
        quoted << CsvField(field);
    return quoted.join(u',') + QStringLiteral("\r\n");
}

void WriteCliReport(const QString& fileName, const QList<QStringList>& rows) {
    QByteArray bytes;
    for (const QStringList& row : rows)
        bytes += CsvRecord(row).toUtf8();
    QSaveFile file(fileName);
    // An explicit flush: commit alone would not notice a failed flush of the last buffer.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        !file.commit())
        throw ECliFailure(ArFormat(QStringLiteral("Cannot write report [%s]: %s"),
                                   {fileName, file.errorString()}));
}
