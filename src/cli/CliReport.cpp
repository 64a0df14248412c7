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
    // Sorted, so that the reports of two runs over the same libraries can be compared line by
    // line: the match result's order depends on its hash maps.
    struct TRow {
        QStringList Fields;
        int Part;
    };
    const auto bySideTrackPart = [](const TRow& a, const TRow& b) {
        for (int column = 0; column < 4; ++column)
            if (const int c = a.Fields[column].compare(b.Fields[column]); c != 0)
                return c < 0;
        return a.Part < b.Part;
    };
    QList<TRow> changes;
    ForEachChange(result, [&](const TLySong& song, int side, tLySongPart part) {
        changes.append({TrackFields(song, side) +
                            QStringList{CliPartName(part), CliValueText(song.Original(side), part),
                                        CliValueText(song.Current(side), part)},
                        part});
    });
    QList<TRow> single;
    for (const TLySong* song : result.Songs())
        if (!song->IsMatched())
            single.append({TrackFields(*song, song->OriginalOne().Exists() ? 0 : 1) +
                               QStringList{QString(), QString(), QString()},
                           0});
    std::sort(changes.begin(), changes.end(), bySideTrackPart);
    std::sort(single.begin(), single.end(), bySideTrackPart);

    QList<QStringList> rows{{QStringLiteral("side"), QStringLiteral("name"),
                             QStringLiteral("artist"), QStringLiteral("album"),
                             QStringLiteral("part"), QStringLiteral("old"), QStringLiteral("new")}};
    for (const QList<TRow>* list : {&changes, &single})
        for (const TRow& row : *list)
            rows.append(row.Fields);
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
