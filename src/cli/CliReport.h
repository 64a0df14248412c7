// The CSV report of a synchronisation: one row per changed value of each checked song, then one
// row per song found in one library only.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class TLyMatchResult;

// The header and the rows, each group sorted by side, name, artist, album and part. Columns: side,
// name, artist, album, part, old, new; the track is named by the values read from that side. A song
// in one library only has its side and names and leaves part, old and new empty.
QList<QStringList> CliReportRows(const TLyMatchResult& result);

// One CSV record ending with CR LF. A field holding a comma, a quote, CR or LF is quoted, its
// quotes doubled.
QString CsvRecord(const QStringList& fields);

// Writes the rows as UTF-8 through a temporary file renamed into place. Raises ECliFailure
// naming the file.
void WriteCliReport(const QString& fileName, const QList<QStringList>& rows);
