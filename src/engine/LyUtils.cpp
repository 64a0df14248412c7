#include "LyUtils.h"

#include "ArFormat.h"

#include <QFile>
#include <QFileInfo>

#include <limits>

LY_UNIT("Units/LyUtils")

namespace {

TLyFileStatusCalculator* gFileStatusCalculator = nullptr;

bool IsExistingFile(const QString& fileName) {
    // An inaccessible or malformed name counts as missing; nothing here raises.
    return !fileName.isEmpty() && QFileInfo(fileName).isFile();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TLyFileStatusProcess

TLyFileStatusProcess::~TLyFileStatusProcess() {
    StopAndWait();
}

tLyFileStatus TLyFileStatusProcess::GetStatus(const QString& fileName) {
    bool start = false;
    {
        std::lock_guard lock(FLock);
        const auto found = FResults.constFind(fileName);
        if (found != FResults.constEnd())
            return found.value() ? fsExists : fsMissing;
        FPending.append(fileName);
        // A worker that still takes names will take this one; otherwise a new run starts.
        start = !FAccepting;
        FAccepting = true;
    }
    if (start) {
        WaitFor(); // a previous worker that took its last name may still be ending
        Start(QStringLiteral("Checking Files"), [this](TVxPausableThread& t) { CheckFiles(t); });
    }
    return fsUnknown;
}

int TLyFileStatusProcess::PendingCount() const {
    std::lock_guard lock(FLock);
    return int(FPending.size());
}

int TLyFileStatusProcess::ResultCount() const {
    std::lock_guard lock(FLock);
    return int(FResults.size());
}

void TLyFileStatusProcess::CheckFiles(TVxPausableThread&) {
    try {
        for (;;) {
            ILyProcessTask* main = StartMainTask(PendingCount(), QStringLiteral("Checking Files"));
            CheckPendingNames();
            main->Finish();
            // Names asked for while the listeners were told (they ask again when told) are
            // checked in another round of this run; only an empty queue ends it.
            std::lock_guard lock(FLock);
            if (FPending.isEmpty()) {
                FAccepting = false;
                return;
            }
        }
    } catch (...) {
        std::lock_guard lock(FLock);
        FAccepting = false;
        throw;
    }
}

void TLyFileStatusProcess::CheckPendingNames() {
    for (;;) {
        QString fileName;
        bool known = false;
        {
            std::lock_guard lock(FLock);
            if (FPending.isEmpty())
                return;
            fileName = FPending.takeFirst();
            known = FResults.contains(fileName);
        }
        if (!known) {
            const bool exists = IsExistingFile(fileName);
            std::lock_guard lock(FLock);
            FResults.insert(fileName, exists); // entries are never replaced
        }
        CheckCancelled();
    }
}

// ---------------------------------------------------------------------------------------------
// TLyFileStatusCalculator

TLyFileStatusCalculator::TLyFileStatusCalculator()
    : FProcess(std::make_unique<TLyFileStatusProcess>()) {
    FProcess->SetListener(this);
}

TLyFileStatusCalculator::~TLyFileStatusCalculator() {
    FProcess.reset(); // stops the worker while this listener still exists
}

void TLyFileStatusCalculator::AddListener(ILyFileStatusListener* listener) {
    std::lock_guard lock(FListenersLock);
    FListeners.append(listener);
}

void TLyFileStatusCalculator::RemoveListener(ILyFileStatusListener* listener) {
    std::lock_guard lock(FListenersLock);
    FListeners.removeOne(listener);
}

void TLyFileStatusCalculator::TaskFinished(ILyProcessTask*) {
    QList<ILyFileStatusListener*> listeners;
    {
        std::lock_guard lock(FListenersLock);
        listeners = FListeners;
    }
    for (ILyFileStatusListener* listener : listeners)
        listener->FileStatusChanged();
}

TLyFileStatusCalculator* FileStatusCalculator() {
    return gFileStatusCalculator;
}

void LyFileStatusStartup() {
    LY_ASSERT(!gFileStatusCalculator);
    gFileStatusCalculator = new TLyFileStatusCalculator();
}

void LyFileStatusShutdown() {
    delete std::exchange(gFileStatusCalculator, nullptr);
}

// ---------------------------------------------------------------------------------------------
// File tests

bool IsLibraryFile(const QString& fileName) {
    if (!IsExistingFile(fileName))
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The declaration is at the very start: a short first line is all there is to read.
    QByteArray line = file.readLine(256);
    if (line.startsWith("\xEF\xBB\xBF"))
        line.remove(0, 3);
    // Compared as bytes: a text conversion would drop a second byte-order mark, which no XML
    // reader accepts before the declaration.
    return line.size() >= 5 && qstrnicmp(line.constData(), "<?xml", 5) == 0;
}

int FileSize(const QString& fileName) {
    const QFileInfo info(fileName);
    if (!info.isFile())
        return 0;
    const qint64 size = info.size();
    if (size > std::numeric_limits<int>::max())
        throw ELyProjectError(
            ArFormat(QStringLiteral("File [%s] is too large (more than 2 GB)."), {fileName}));
    return int(size);
}
