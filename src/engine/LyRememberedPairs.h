// Songs paired by hand, remembered by both tracks' Persistent IDs so that every full match of the
// project pairs them again.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The pairs of one project. A track is in at most one pair: remembering a pair forgets every
// other pair that holds either of its tracks.
class TLyRememberedPairs {
public:
    // Tracks without a Persistent ID cannot be found again: such a pair is not remembered.
    void Remember(const QString& idOne, const QString& idTwo);
    // Forgets the pair if it is remembered; a pair holding only one of the tracks stays.
    void Forget(const QString& idOne, const QString& idTwo);
    // The partner remembered for the track `id` of `side`; empty when there is none.
    QString Partner(int side, const QString& id) const;
    // Library One's tracks of the pairs, sorted, so pairs are applied in the same order on every
    // run.
    QStringList IdsOne() const;
    int Count() const { return int(FOneToTwo.size()); }
    bool IsEmpty() const { return FOneToTwo.isEmpty(); }
    void Clear();

    // The stored form: "<id one> <id two>" per pair, sorted, so a stored project compares
    // equal across runs.
    QStringList Texts() const;
    // Replaces the pairs by those of `texts`; entries that are not two IDs are skipped and
    // returned, so the caller can report them.
    QStringList SetTexts(const QStringList& texts);

private:
    void ForgetTrack(int side, const QString& id);

    QHash<QString, QString> FOneToTwo;
    QHash<QString, QString> FTwoToOne;
};

// What a full match did with the remembered pairs.
struct TLyPairsApplied {
    int Applied = 0;
    // "<id one> <id two>" of the pairs whose track on either side is gone from its library;
    // they stay remembered, since the track may come back.
    QStringList Gone;
};
