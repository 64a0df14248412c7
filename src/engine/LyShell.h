// The programs running on this computer, and whether iTunes is one of them.
#pragma once

#include <QString>
#include <QStringList>

// Receives the executable file name of each running program.
class TLySystemProcessListAnalyzer {
public:
    virtual ~TLySystemProcessListAnalyzer() = default;
    virtual void AddProgram(const QString& name) = 0;
};

// Appends every name to a list it does not own.
class TLySystemProcessListBuilder : public TLySystemProcessListAnalyzer {
public:
    explicit TLySystemProcessListBuilder(QStringList& names)
        : FNames(names) {}
    void AddProgram(const QString& name) override { FNames.append(name); }

private:
    QStringList& FNames;
};

// Enumerates the running processes from a proc file system. Each process is reported by the
// file name of the program it runs: the executable, or for a Windows program under a
// compatibility layer (whose executable is the layer's loader) the Windows program file, such
// as "iTunes.exe". Processes that end meanwhile or cannot be read are skipped.
class TLySystemProcessList {
public:
    // `procRoot` is the proc file system's mount point; tests pass a folder of their own.
    explicit TLySystemProcessList(QString procRoot = QStringLiteral("/proc"))
        : FProcRoot(std::move(procRoot)) {}

    // Calls analyzer->AddProgram once per running process, in process-id order.
    void Enumerate(TLySystemProcessListAnalyzer* analyzer) const;
    QStringList RunningProgramNames() const;

    // The program name reported for one process folder of the proc file system; empty when the
    // process cannot be read (gone, or access denied).
    static QString ProgramNameOf(const QString& processFolder);

private:
    QString FProcRoot;
};

inline const QString kLyITunesProgramName = QStringLiteral("iTunes.exe");

// True when `programNames` holds the iTunes program, letter case ignored.
bool ContainsITunes(const QStringList& programNames);

// True when iTunes runs on this computer, natively or under a compatibility layer.
bool IsITunesRunning(const TLySystemProcessList& processes = TLySystemProcessList());
