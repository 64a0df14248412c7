// A project opened from its file without a window: each run is started and waited for, and
// a failed run becomes an ECliFailure with the run's message.
#pragma once

#include "LyOptions.h"
#include "LyProject.h"

#include <functional>
#include <memory>

class TCliFailureListener;

class TCliProjectRunner {
public:
    // Checks that `fileName` is a project file and loads its options. The preferences are not
    // read: the project gets default ones that the caller may set. `progress` (may be null)
    // receives every notification of the project's runs. Raises ECliFailure naming the file.
    TCliProjectRunner(const QString& fileName, ILyProcessListener* progress);
    ~TCliProjectRunner();
    TCliProjectRunner(const TCliProjectRunner&) = delete;
    TCliProjectRunner& operator=(const TCliProjectRunner&) = delete;

    TLyProject& Project() { return *FProject; }
    TLyProjectOptions& Options() { return *FProject->Options(); }
    TLyOptions& AppOptions() { return FAppOptions; }
    // The project file's full path.
    const QString& FileName() const { return FFileName; }

    // Checks both input files, runs "Load Libraries" (exact matching) and, with `rematch`,
    // "Match Songs" with the project's compare options.
    void LoadAndMatch(bool rematch);
    void SynchronizeAll();
    // Writes one library to its output file.
    void Store(int side);
    void ReplaceITunesLibrary(int side);

private:
    // Starts one run with `start`, waits for its end and raises its failure.
    void Run(const std::function<void()>& start);

    QString FFileName;
    TLyOptions FAppOptions;
    ILyProcessListener* FProgress;
    std::unique_ptr<TCliFailureListener> FFailures;
    std::unique_ptr<TLyProject> FProject;
};

// Raises ECliFailure unless `fileName` is a readable, well-formed project file. Checked before
// the settings framework reads it, which would set an unreadable file aside.
void CheckProjectFile(const QString& fileName);
