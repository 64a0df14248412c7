// Desktop-shell services without windows: well-known folders, opening a file or folder with
// the desktop's program on a short-lived thread, and starting a program detached.
#pragma once

#include "VxThreads.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>

namespace VxShell {
Q_NAMESPACE

// Ordinals are fixed: options refer to the folders by number. The comment after each kind is
// the Windows shell folder (CSIDL) it stands for there.
enum tVxSpecialFolder {
    sfWindows,            // CSIDL_WINDOWS (36)
    sfSystem,             // CSIDL_SYSTEM (37)
    sfProgramFiles,       // CSIDL_PROGRAM_FILES (38)
    sfCommonProgramFiles, // CSIDL_PROGRAM_FILES_COMMON (43)
    sfLocalAppData,       // CSIDL_LOCAL_APPDATA (28)
    sfPersonal,           // CSIDL_PERSONAL (5): the user's documents
    sfMyPictures,         // CSIDL_MYPICTURES (39)
    sfCommonAppData,      // CSIDL_COMMON_APPDATA (35)
    sfCommonDocuments,    // CSIDL_COMMON_DOCUMENTS (46)
};
Q_ENUM_NS(tVxSpecialFolder)

} // namespace VxShell

using VxShell::tVxSpecialFolder;
using enum VxShell::tVxSpecialFolder;

inline constexpr int kVxSpecialFolderCount = 9;

// `folder` in native separators and ending with exactly one separator; the separator alone
// for an empty folder.
QString IncludeTrailingSeparator(const QString& folder);

// The path of a well-known folder, in native separators and always ending with a separator, so
// a name can be appended directly. A folder that cannot be located yields the separator alone.
QString GetSpecialFolder(tVxSpecialFolder kind);

// Asks the desktop to open a file or folder with its program. `owner` is the window the
// request is made for, or null; where the platform cannot parent the request it is unused.
using TVxFileOpener = std::function<void(const QString& fileName, QObject* owner)>;

// Replaces the opener that open-file threads created from now on use, and returns the previous
// one; an empty opener restores the desktop's. Tests use it to observe requests without
// launching anything.
TVxFileOpener SetFileOpener(TVxFileOpener opener);

// Opens one file with the opener current when the thread was created. Allocate it with new: it
// is meant to free itself when its work ends (SetFreeOnTerminate before Resume).
class TVxOpenFileThread : public TVxPausableThread {
public:
    TVxOpenFileThread();

    QObject* Owner() const { return FOwner; }
    void SetOwner(QObject* owner) { FOwner = owner; }
    QString FileName() const { return FFileName; }
    void SetFileName(const QString& fileName) { FFileName = fileName; }

    // Heap instances are counted until their memory is released, so that shut-down and tests
    // can wait for threads nobody else may wait for.
    static void* operator new(std::size_t size);
    static void operator delete(void* memory);

protected:
    void DoExecute() override;

private:
    TVxFileOpener FOpener;
    QObject* FOwner = nullptr;
    QString FFileName;
};

// Returns at once; a short-lived thread asks the desktop to open `fileName`. The outcome is
// not reported.
void OpenFileInBackground(const QString& fileName, QObject* owner = nullptr);

// How many open-file threads exist (created and not yet freed).
int OpenFileThreadCount();
// Waits until every open-file thread has been freed; false when `timeoutMs` ran out first.
bool WaitForOpenFileThreads(int timeoutMs);

// Starts `program` without waiting for it; it keeps running after this process ends. False
// when it cannot be started (no such program, not executable, missing working folder).
bool StartProgramDetached(const QString& program, const QStringList& arguments = {},
                          const QString& workingFolder = {});
