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

void TLyFileStatusProcess::CheckFiles(TVxPausableThread& thread) {
    // Names asked for while the listeners are told (they ask again when told) are checked in
    // another round of this run, so the run takes names until its last notification has been
    // delivered: a listener that started a run from within one would wait for this worker,
    // which waits for the listener.
    for (;;) {
        int taken = 0;
        bool failed = false;
        try {
            ILyProcessTask* main = StartMainTask(PendingCount(), QStringLiteral("Checking Files"));
            CheckPendingNames(taken);
            main->Finish();
        } catch (...) {
            // Stopped, or a listener raised: the tasks end now, still taking names.
            EndRunningTasks(std::current_exception());
            failed = true;
        }
        std::lock_guard lock(FLock);
        // A failed round that took no name would fail again.
        if (FPending.isEmpty() || thread.Terminated() || (failed && taken == 0)) {
            FAccepting = false; // what is left waits for the next request
            return;
        }
    }
}

void TLyFileStatusProcess::CheckPendingNames(int& taken) {
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
        ++taken;
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
    // Stopped while this listener and the process still answer: listeners told as the last
    // run ends may ask again.
    FProcess->StopAndWait();
    FProcess.reset();
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
    if (gFileStatusCalculator)
        gFileStatusCalculator->Process()->StopAndWait(); // its listeners may still ask
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
