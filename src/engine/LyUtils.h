// Background file-existence checks, the recent-projects list, and the file tests used for
// dropped files and for sizing the progress of reading and saving libraries.
#pragma once

#include "LyProcess.h"
#include "LyTypes.h"
#include "VxRecentFiles.h"

#include <QHash>
#include <QList>
#include <QString>

#include <mutex>

// Told when a run of file checks has ended; the listener repaints and asks again.
class ILyFileStatusListener {
public:
    virtual ~ILyFileStatusListener() = default;
    virtual void FileStatusChanged() = 0;
};

// Tests file names on its worker and keeps every answer for the rest of the program's run.
//
// Threads: the main thread asks (GetStatus) and the worker answers; both take the lock only
// to queue, take or look up names. The file-system call itself runs outside the lock, so
// asking never waits for a disk.
class TLyFileStatusProcess : public TLyProcess {
public:
    TLyFileStatusProcess() = default;
    // Stops the worker before the names it works on go.
    ~TLyFileStatusProcess() override;

    // The known status, or fsUnknown after queueing the name (and starting a run when no
    // worker will take it). Main thread only.
    tLyFileStatus GetStatus(const QString& fileName);
    // Names asked for and not yet tested, duplicates included.
    int PendingCount() const;
    int ResultCount() const;

private:
    void CheckFiles(TVxPausableThread& thread);
    // Tests pending names until none is left; `taken` counts the names taken.
    void CheckPendingNames(int& taken);

    mutable std::mutex FLock; // guards FPending and FResults
    QList<QString> FPending;
    // File name → whether a file (not a folder) exists there. Names are compared exactly:
    // on this platform two spellings can be two files.
    QHash<QString, bool> FResults;
    // Whether a worker will still take names from FPending: from the request that starts a
    // run until the run's last notification has been delivered.
    bool FAccepting = false;
};

// The program's one file-existence cache: answers from its process and tells its listeners
// when a run has ended.
class TLyFileStatusCalculator : public TLyProcessListener {
public:
    TLyFileStatusCalculator();
    ~TLyFileStatusCalculator() override;

    tLyFileStatus GetStatus(const QString& fileName) { return FProcess->GetStatus(fileName); }
    TLyFileStatusProcess* Process() const { return FProcess.get(); }

    void AddListener(ILyFileStatusListener* listener);
    // Removes the first occurrence.
    void RemoveListener(ILyFileStatusListener* listener);

    void TaskFinished(ILyProcessTask* task) override;

private:
    std::unique_ptr<TLyFileStatusProcess> FProcess;
    std::mutex FListenersLock;
    QList<ILyFileStatusListener*> FListeners;
};

// The calculator, or null outside LyFileStatusStartup/LyFileStatusShutdown.
TLyFileStatusCalculator* FileStatusCalculator();
void LyFileStatusStartup();
// Stops a running check and frees the calculator.
void LyFileStatusShutdown();

// The recent project files of the preferences, most recent first.
class TLyRecentFiles : public TVxRecentFiles {
    Q_OBJECT
public:
    Q_INVOKABLE TLyRecentFiles() = default;
};

// True when a file (not a folder) exists at `fileName` and its first line starts with "<?xml"
// (letter case ignored), after a UTF-8 byte-order mark if there is one.
bool IsLibraryFile(const QString& fileName);

// The size of the file in bytes; 0 when there is no file. Above the 32-bit range (2 GiB) it
// raises ELyProjectError naming the file.
int FileSize(const QString& fileName);
