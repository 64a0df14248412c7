// Generator of realistic music library exports (XML property lists) for the benchmark: two
// libraries of the same size, "One" and "Two", that share about 80% of their songs.
//
// Everything is derived from the seed through the generator's own random numbers, so a seed
// gives the same bytes on every machine and with every compiler and library version. Output is
// streamed to the device in blocks; a library is never held in memory as a whole.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class QIODevice;

// splitmix64: tiny, fast, and fully specified (unlike std:: distributions, whose output differs
// between standard library implementations).
class TLyBenchRandom {
public:
    explicit TLyBenchRandom(quint64 seed)
        : FState(seed) {}
    // A generator for one purpose of one item: independent of every other (seed, stream, item).
    TLyBenchRandom(quint64 seed, quint64 stream, quint64 item);

    quint64 Next();
    // Uniform in [0, bound); bound must be positive.
    quint32 Below(quint32 bound);
    // Uniform in [low, high].
    qint64 Between(qint64 low, qint64 high);
    // True with a probability of `permille` in a thousand.
    bool Chance(int permille) { return Below(1000) < quint32(permille); }

private:
    quint64 FState;
};

enum class TLyBenchLibrary { One, Two };

// Makes sure `folder` holds one.xml and two.xml of `tracks` generated tracks each (default seed),
// writing them only when a stamp file says they are missing or of another generator.
bool LyEnsureBenchLibraries(const QString& folder, int tracks, QString* error);

class TLyLibraryGenerator {
public:
    // Bumped whenever the output for a given seed changes, so that stored files are not reused.
    static constexpr int kFormatVersion = 1;
    static constexpr quint64 kDefaultSeed = 20060218;

    TLyLibraryGenerator(int trackCount, quint64 seed = kDefaultSeed);

    int TrackCount() const { return FTrackCount; }
    quint64 Seed() const { return FSeed; }
    // How many of library Two's tracks are songs of library One (before text variations).
    int SharedCount() const { return FSharedCount; }
    // Identifies the output: equal fingerprints mean byte-identical files.
    QString Fingerprint() const;

    // Writes the library to `device` (open for writing). On a write failure returns false and
    // sets `error`.
    bool Write(QIODevice* device, TLyBenchLibrary library, QString* error) const;
    // Writes the library to a temporary file renamed to `path` when complete.
    bool WriteFile(const QString& path, TLyBenchLibrary library, QString* error) const;

    // The keys of a track dictionary in the order they are written; each may be missing from a
    // track except Track ID, Name, Persistent ID and Track Type.
    static const QStringList& TrackKeyOrder();

private:
    int FTrackCount;
    quint64 FSeed;
    int FSharedCount = 0;
};
