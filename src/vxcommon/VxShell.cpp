#include "VxShell.h"

#include "ArExceptions.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

LY_UNIT("Units/VxShell")

namespace {

// The desktop's opener on Linux: xdg-open hands the name to the program the desktop
// associates with it; we neither wait for it nor learn whether it worked.
void OpenWithDesktop(const QString& fileName, QObject* /*owner*/) {
    if (fileName.isEmpty())
        return;
    // A relative name starting with "-" would be read as an option of xdg-open.
    const QString argument =
        fileName.startsWith(QLatin1Char('-')) ? QStringLiteral("./") + fileName : fileName;
    QProcess::startDetached(QStringLiteral("xdg-open"), {argument});
}

struct TFileOpenerSlot {
    std::mutex Lock;
    TVxFileOpener Opener;
};

TFileOpenerSlot& FileOpenerSlot() {
    static TFileOpenerSlot slot;
    return slot;
}

// Live open-file threads. Deliberately never destroyed: a thread may still free itself
// while the process exits.
struct TOpenFileThreads {
    std::mutex Lock;
    std::condition_variable AllFreed;
    int Count = 0;
};

TOpenFileThreads& OpenFileThreads() {
    static auto* const threads = new TOpenFileThreads;
    return *threads;
}

// The first entry of a location list that is not the user's own (writable) one.
QString FirstSharedLocation(QStandardPaths::StandardLocation location) {
    const QString own = QStandardPaths::writableLocation(location);
    for (const QString& path : QStandardPaths::standardLocations(location)) {
        if (path != own)
            return path;
    }
    return {};
}

// Where each kind lives on Linux. Windows keeps the operating system, its programs and its
// shared data in per-vendor folders; the Linux counterparts are:
//   sfWindows             "/"           the operating system is the whole tree
//   sfSystem              "/usr/bin/"   the system's own programs
//   sfProgramFiles        "/opt/"       add-on programs, one folder each (not the flat
//                                       /usr/bin/), so "<folder>Program/program" keeps its shape
//   sfCommonProgramFiles  "/usr/lib/"   components shared by several programs
//   sfLocalAppData        GenericDataLocation, writable: ~/.local/share (XDG_DATA_HOME);
//                                       programs add their own sub-folder, as on Windows
//   sfPersonal            DocumentsLocation (XDG_DOCUMENTS_DIR, ~/Documents)
//   sfMyPictures          PicturesLocation (XDG_PICTURES_DIR, ~/Pictures)
//   sfCommonAppData       the first shared GenericDataLocation entry (the first of
//                         XDG_DATA_DIRS, /usr/local/share by default), else "/usr/share/"
//   sfCommonDocuments     PublicShareLocation (XDG_PUBLICSHARE_DIR, ~/Public): Linux has no
//                         machine-wide documents folder; this is the desktop's folder for
//                         files shared with other users
QString LocateSpecialFolder(tVxSpecialFolder kind) {
    switch (kind) {
    case sfWindows:
        return QStringLiteral("/");
    case sfSystem:
        return QStringLiteral("/usr/bin");
    case sfProgramFiles:
        return QStringLiteral("/opt");
    case sfCommonProgramFiles:
        return QStringLiteral("/usr/lib");
    case sfLocalAppData:
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    case sfPersonal:
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    case sfMyPictures:
        return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    case sfCommonAppData: {
        const QString shared = FirstSharedLocation(QStandardPaths::GenericDataLocation);
        return shared.isEmpty() ? QStringLiteral("/usr/share") : shared;
    }
    case sfCommonDocuments:
        return QStandardPaths::writableLocation(QStandardPaths::PublicShareLocation);
    }
    return {};
}

} // namespace

QString IncludeTrailingSeparator(const QString& folder) {
    QString result = QDir::toNativeSeparators(folder);
    if (!result.endsWith(QDir::separator()))
        result += QDir::separator();
    return result;
}

QString GetSpecialFolder(tVxSpecialFolder kind) {
    LY_ASSERT(kind >= 0 && kind < kVxSpecialFolderCount);
    return IncludeTrailingSeparator(LocateSpecialFolder(kind));
}

TVxFileOpener SetFileOpener(TVxFileOpener opener) {
    TFileOpenerSlot& slot = FileOpenerSlot();
    std::lock_guard lock(slot.Lock);
    TVxFileOpener previous = std::move(slot.Opener);
    slot.Opener = std::move(opener);
    return previous;
}

TVxOpenFileThread::TVxOpenFileThread() {
    TFileOpenerSlot& slot = FileOpenerSlot();
    std::lock_guard lock(slot.Lock);
    FOpener = slot.Opener ? slot.Opener : TVxFileOpener(&OpenWithDesktop);
}

void* TVxOpenFileThread::operator new(std::size_t size) {
    void* memory = ::operator new(size);
    TOpenFileThreads& threads = OpenFileThreads();
    std::lock_guard lock(threads.Lock);
    ++threads.Count;
    return memory;
}

void TVxOpenFileThread::operator delete(void* memory) {
    // Counted down only once the memory is released, so a waiter never sees a thread whose
    // object is still half-freed.
    ::operator delete(memory);
    TOpenFileThreads& threads = OpenFileThreads();
    {
        std::lock_guard lock(threads.Lock);
        --threads.Count;
    }
    threads.AllFreed.notify_all();
}

void TVxOpenFileThread::DoExecute() {
    TVxPausableThread::DoExecute();
    FOpener(FFileName, FOwner);
}

void OpenFileInBackground(const QString& fileName, QObject* owner) {
    auto* thread = new TVxOpenFileThread;
    thread->SetFileName(fileName);
    thread->SetOwner(owner);
    thread->SetFreeOnTerminate(true);
    thread->Resume();
}

int OpenFileThreadCount() {
    TOpenFileThreads& threads = OpenFileThreads();
    std::lock_guard lock(threads.Lock);
    return threads.Count;
}

bool WaitForOpenFileThreads(int timeoutMs) {
    TOpenFileThreads& threads = OpenFileThreads();
    std::unique_lock lock(threads.Lock);
    return threads.AllFreed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                     [&] { return threads.Count == 0; });
}

bool StartProgramDetached(const QString& program, const QStringList& arguments,
                          const QString& workingFolder) {
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, arguments, workingFolder);
}
