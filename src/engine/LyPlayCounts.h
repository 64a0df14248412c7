// Play counts that add up: what a project remembers, per matched pair of tracks, of the play
// counts both libraries agreed on when they were last counted together, so that the plays each
// library gained since are added to that total rather than the larger count kept.
//
// A record holds the total and, per side, the count of that side's file whose plays the total
// already holds. A play is counted once: the plays a side's file holds beyond its counted value
// are new; after an export the written side holds the total, and the plays the other side gave
// to that total count as counted even though its file was not written.
#pragma once

#include <QHash>
#include <QString>

#include <optional>

struct TLyPlayRecord {
    int Total = 0;
    int Counted[2] = {0, 0};

    bool operator==(const TLyPlayRecord&) const = default;
};

// The play count both sides get from the counts their files hold now: the remembered total plus
// every play since, or the larger count when nothing is remembered. Never less than either
// count (a file whose count went down, say a library restored from a backup, adds nothing).
int AddedPlayCount(const std::optional<TLyPlayRecord>& record, int countOne, int countTwo);

// The record after `side`'s file was written holding `written`, computed from `record` and the
// counts the files held when they were read (`read`).
TLyPlayRecord RecordAfterExport(const std::optional<TLyPlayRecord>& record, int side, int written,
                                const int read[2]);

// The records of one project by both tracks' Persistent IDs, stored in a file beside the project.
class TLyPlayMemory {
public:
    // "<project file without .xml>.plays".
    static QString FileNameFor(const QString& projectFile);

    std::optional<TLyPlayRecord> Find(const QString& idOne, const QString& idTwo) const;
    void Put(const QString& idOne, const QString& idTwo, const TLyPlayRecord& record);
    int Count() const { return int(FRecords.size()); }

    // A missing file holds no records. A file that cannot be read raises ELyProjectError naming
    // it and the line; the records stay as they were.
    void Load(const QString& fileName);
    // Written through a temporary file renamed into place: the file is the old or the new one,
    // never a part. Raises ELyProjectError naming the file on failure.
    void Store(const QString& fileName) const;

private:
    QHash<QString, TLyPlayRecord> FRecords; // "<id one>/<id two>"
};
