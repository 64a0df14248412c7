#include "ArDebugLog.h"

#include "ArFormat.h"

#include <QCoreApplication>
#include <QFile>
#include <QtEndian>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <limits>
#include <mutex>

LY_UNIT("Arbor/ArDebugLog");

namespace {

constexpr int kActiveOffset = 4;
constexpr int kModuleHandleOffset = 8;
constexpr int kProcessIdOffset = 12;
constexpr int kThreadIdOffset = 16;
constexpr int kReservedByteOffset = 20;
constexpr int kReservedOffset = 24;
constexpr int kDepthOffset = 28;

QByteArray ObjectName(const QString& channel, const char* suffix) {
    return QByteArrayLiteral("/") + channel.toUtf8() + QByteArray(suffix);
}

std::atomic_ref<unsigned char> ActiveByte(unsigned char* view) {
    return std::atomic_ref<unsigned char>(view[kActiveOffset]);
}

void CloseSemaphore(sem_t*& semaphore) {
    if (semaphore != SEM_FAILED)
        sem_close(semaphore);
    semaphore = SEM_FAILED;
}

// Maps an existing record writable. Refuses an object that is too small (touching the missing
// part would kill the process) or that belongs to another user.
unsigned char* MapExistingRecord(const QByteArray& name) {
    const int fd = shm_open(name.constData(), O_RDWR, 0);
    if (fd < 0)
        return nullptr;
    void* view = MAP_FAILED;
    struct stat info {};
    if (fstat(fd, &info) == 0 && info.st_size >= kArDebugRecordSize && info.st_uid == geteuid())
        view = mmap(nullptr, kArDebugRecordSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return view == MAP_FAILED ? nullptr : static_cast<unsigned char*>(view);
}

// The load address of the module holding this code, as far as 32 bits carry it.
constexpr char kModuleAnchor = 0;
quint32 ModuleHandle() {
    Dl_info info{};
    if (dladdr(&kModuleAnchor, &info) == 0)
        return 0;
    return quint32(reinterpret_cast<quintptr>(info.dli_fbase));
}

QString ExecutablePath() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

// Everything below is guarded by GLock.
struct TWriterState {
    QString Channel = QStringLiteral("ArborDebugLog");
    sem_t* Mutex = SEM_FAILED;
    sem_t* Request = SEM_FAILED;
    sem_t* Acknowledge = SEM_FAILED;
    unsigned char* View = nullptr;
    bool Connected = false;
    qint32 Depth = 0;
    quint32 Module = 0;
    std::optional<TArDebugTextDevice> Device; // present while installed
    TArDebugWaitFunction Wait = &ArDebugWaitBounded;
};

std::mutex GLock;

TWriterState& State() {
    static TWriterState state;
    return state;
}

void Disconnect(TWriterState& s) {
    s.Connected = false;
    CloseSemaphore(s.Mutex);
    CloseSemaphore(s.Request);
    CloseSemaphore(s.Acknowledge);
    if (s.View)
        munmap(s.View, kArDebugRecordSize);
    s.View = nullptr;
}

void Connect(TWriterState& s) {
    s.Connected = false;
    if (s.Mutex == SEM_FAILED)
        s.Mutex = sem_open(ObjectName(s.Channel, "Mutex").constData(), 0);
    if (s.Mutex != SEM_FAILED) {
        if (s.Request == SEM_FAILED)
            s.Request = sem_open(ObjectName(s.Channel, "Req").constData(), 0);
        if (s.Acknowledge == SEM_FAILED)
            s.Acknowledge = sem_open(ObjectName(s.Channel, "Ack").constData(), 0);
        if (!s.View) {
            s.View = MapExistingRecord(ObjectName(s.Channel, ""));
            if (s.View)
                qToLittleEndian<quint32>(kArDebugTextOffset, s.View);
        }
    }
    s.Connected = s.Mutex != SEM_FAILED && s.Request != SEM_FAILED && s.Acknowledge != SEM_FAILED &&
                  s.View != nullptr;
    if (!s.Connected)
        Disconnect(s);
    else if (s.Module == 0)
        s.Module = ModuleHandle();
}

void FillRecord(TWriterState& s, QStringView buffer) {
    unsigned char* view = s.View;
    qToLittleEndian<quint32>(s.Module, view + kModuleHandleOffset);
    qToLittleEndian<quint32>(quint32(getpid()), view + kProcessIdOffset);
    qToLittleEndian<quint32>(quint32(gettid()), view + kThreadIdOffset);
    view[kReservedByteOffset] = 0;
    qToLittleEndian<quint32>(0, view + kReservedOffset);
    qToLittleEndian<qint32>(s.Depth, view + kDepthOffset);
    const QByteArray text = buffer.toUtf8();
    qsizetype length = std::min<qsizetype>(text.size(), kArDebugMaxTextBytes);
    // Cut before a whole character, never inside one.
    if (length < text.size()) {
        while (length > 0 && (uchar(text[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(view + kArDebugTextOffset, text.constData(), size_t(length));
    view[kArDebugTextOffset + length] = 0;
}

// One exchange on an open connection. Returns 0 or the errno of a failed mutex wait or release;
// `inactive` tells that the viewer did not accept records.
int ExchangeLocked(TWriterState& s, QStringView buffer, bool& inactive) {
    inactive = false;
    int result = s.Wait(s.Mutex, kArDebugTimeoutMs);
    if (result != 0) {
        // The mutex was not taken, so it must not be released either.
        Disconnect(s);
        return result == ETIMEDOUT ? 0 : result;
    }
    bool delivered = false;
    if (ActiveByte(s.View).load() != 0) {
        FillRecord(s, buffer);
        // Acknowledgements of requests given up earlier would answer this one too early.
        while (sem_trywait(s.Acknowledge) == 0) {
        }
        if (sem_post(s.Request) == 0) {
            if (s.Wait(s.Acknowledge, kArDebugTimeoutMs) == 0) {
                delivered = true;
            } else {
                // Take the request back if the viewer has not seen it, and offer no more
                // records until it marks itself active again: a viewer that died with its
                // objects in place would otherwise cost every send a full time-out.
                sem_trywait(s.Request);
                ActiveByte(s.View).store(0);
            }
        }
    } else {
        inactive = true;
    }
    if (sem_post(s.Mutex) != 0) {
        result = errno;
        delivered = false;
    }
    if (!delivered)
        Disconnect(s);
    return result;
}

int SendLocked(TWriterState& s, QStringView buffer) {
    // Markers are the writer's own state: they count whether a viewer listens or not.
    if (buffer.size() == 1 && buffer.front() == QChar(kArDebugDepthUp)) {
        if (s.Depth < std::numeric_limits<qint32>::max())
            ++s.Depth;
        return 0;
    }
    if (buffer.size() == 1 && buffer.front() == QChar(kArDebugDepthDown)) {
        if (s.Depth > std::numeric_limits<qint32>::min())
            --s.Depth;
        return 0;
    }
    const bool wasConnected = s.Connected;
    if (!s.Connected)
        Connect(s);
    if (!s.Connected)
        return 0;
    bool inactive = false;
    const int result = ExchangeLocked(s, buffer, inactive);
    // A connection kept from an earlier send may belong to a viewer that has ended since; one
    // fresh connection reaches its successor without losing this text.
    if (result != 0 || !inactive || !wasConnected)
        return result;
    Connect(s);
    return s.Connected ? ExchangeLocked(s, buffer, inactive) : 0;
}

void RaiseIfFailed(int error) {
    if (error != 0)
        throw EArDebugOutputError(ArFormat(
            QStringLiteral("Writing to the debug output failed: [%s]."), {qt_error_string(error)}));
}

int WriteLocked(QStringView text, bool flush) {
    TWriterState& s = State();
    if (!s.Device)
        return 0;
    int result = s.Device->Write(text);
    if (flush) {
        const int flushed = s.Device->Flush();
        if (result == 0)
            result = flushed;
    }
    return result;
}

void WriteDepthMarker(char16_t marker) {
    int result = 0;
    {
        const std::lock_guard guard(GLock);
        TWriterState& s = State();
        if (!s.Device)
            return;
        result = s.Device->Flush();
        const int sent = WriteLocked(QStringView(&marker, 1), true);
        if (result == 0)
            result = sent;
    }
    RaiseIfFailed(result);
}

} // namespace

int ArDebugWaitBounded(sem_t* semaphore, int timeoutMs) {
    timespec deadline{};
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += timeoutMs / 1000;
    deadline.tv_nsec += long(timeoutMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    while (sem_timedwait(semaphore, &deadline) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

// ---- TArDebugTextDevice ----

TArDebugTextDevice::TArDebugTextDevice(TFlushFunction flush, qsizetype capacity)
    : FFlush(std::move(flush))
    , FCapacity(capacity) {
    LY_ASSERT(FFlush && FCapacity >= 2);
    FBuffer.reserve(FCapacity);
}

int TArDebugTextDevice::Write(QStringView text) {
    int result = 0;
    const auto keep = [&result](int error) {
        if (result == 0)
            result = error;
    };
    for (const QChar c : text) {
        if (FBuffer.size() == FCapacity - 1 && c.isHighSurrogate())
            keep(Flush());
        FBuffer.append(c);
        const bool lineEnd = FAfterCR && c == u'\n';
        FAfterCR = c == u'\r';
        if (lineEnd || FBuffer.size() >= FCapacity)
            keep(Flush());
    }
    return result;
}

int TArDebugTextDevice::Flush() {
    if (FBuffer.isEmpty())
        return 0;
    const int result = FFlush(FBuffer);
    FBuffer.truncate(0);
    return result;
}

// ---- Writer ----

void ArDebugOutputSetChannelName(const QString& name) {
    LY_ASSERT(!name.isEmpty() && !name.contains(u'/'));
    const std::lock_guard guard(GLock);
    TWriterState& s = State();
    if (s.Channel == name)
        return;
    Disconnect(s);
    s.Channel = name;
}

void ArDebugOutputSetWaitFunction(TArDebugWaitFunction wait) {
    const std::lock_guard guard(GLock);
    State().Wait = wait ? std::move(wait) : TArDebugWaitFunction(&ArDebugWaitBounded);
}

QString ArDebugOutputChannelName() {
    const std::lock_guard guard(GLock);
    return State().Channel;
}

void ArDebugOutputInstall() {
    const std::lock_guard guard(GLock);
    TWriterState& s = State();
    if (s.Device)
        return;
    s.Device.emplace([&s](QStringView buffer) { return SendLocked(s, buffer); });
    // Start-up goes on even if this first line cannot be sent.
    WriteLocked(QStringLiteral("Log started for ") + ExecutablePath() + QStringLiteral("\r\n"),
                true);
}

void ArDebugOutputUninstall() {
    const std::lock_guard guard(GLock);
    TWriterState& s = State();
    if (s.Device) {
        s.Device->Flush();
        s.Device.reset();
    }
    Disconnect(s);
}

bool ArDebugOutputInstalled() {
    const std::lock_guard guard(GLock);
    return State().Device.has_value();
}

void ArDebugWrite(const QString& text) {
    int result = 0;
    {
        const std::lock_guard guard(GLock);
        result = WriteLocked(text, false);
    }
    RaiseIfFailed(result);
}

void ArDebugWriteLine(const QString& line) {
    int result = 0;
    {
        const std::lock_guard guard(GLock);
        result = WriteLocked(line + QStringLiteral("\r\n"), true);
    }
    RaiseIfFailed(result);
}

void ArDebugIncreaseDepth() {
    WriteDepthMarker(kArDebugDepthUp);
}

void ArDebugDecreaseDepth() {
    WriteDepthMarker(kArDebugDepthDown);
}

int ArDebugOutputDepth() {
    const std::lock_guard guard(GLock);
    return State().Depth;
}

int ArDebugSend(QStringView buffer) {
    const std::lock_guard guard(GLock);
    return SendLocked(State(), buffer);
}

// ---- Viewer ----

TArDebugRecord ArDebugParseRecord(const QByteArray& raw) {
    TArDebugRecord record;
    if (raw.size() < kArDebugRecordSize)
        return record;
    const char* data = raw.constData();
    record.TextOffset = qFromLittleEndian<quint32>(data);
    record.ModuleHandle = qFromLittleEndian<quint32>(data + kModuleHandleOffset);
    record.ProcessId = qFromLittleEndian<quint32>(data + kProcessIdOffset);
    record.ThreadId = qFromLittleEndian<quint32>(data + kThreadIdOffset);
    record.Depth = qFromLittleEndian<qint32>(data + kDepthOffset);
    record.Raw = raw;
    if (record.TextOffset < quint32(kArDebugRecordSize)) {
        const qsizetype room =
            std::min<qsizetype>(kArDebugRecordSize - record.TextOffset, kArDebugMaxTextBytes + 1);
        const char* text = data + record.TextOffset;
        record.Text = QString::fromUtf8(text, qstrnlen(text, size_t(room)));
    }
    return record;
}

TArDebugViewer::TArDebugViewer(QString channelName)
    : FChannel(std::move(channelName)) {}

TArDebugViewer::~TArDebugViewer() {
    Close();
}

bool TArDebugViewer::Open(QString* error) {
    Close();
    const QByteArray mutexName = ObjectName(FChannel, "Mutex");
    const QByteArray requestName = ObjectName(FChannel, "Req");
    const QByteArray acknowledgeName = ObjectName(FChannel, "Ack");
    const QByteArray recordName = ObjectName(FChannel, "");
    const auto fail = [this, error](const QByteArray& name) {
        const int code = errno;
        if (error)
            *error = ArFormat(QStringLiteral("Cannot create [%s]: %s"),
                              {QString::fromUtf8(name), qt_error_string(code)});
        Close();
        return false;
    };

    // Objects left behind by a viewer that did not end normally.
    sem_unlink(mutexName.constData());
    sem_unlink(requestName.constData());
    sem_unlink(acknowledgeName.constData());
    shm_unlink(recordName.constData());

    // The mutex comes last: writers open it first, so they find nothing half made.
    const int fd = shm_open(recordName.constData(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        return fail(recordName);
    struct stat info {};
    void* view = MAP_FAILED;
    if (ftruncate(fd, kArDebugRecordSize) == 0 && fstat(fd, &info) == 0)
        view = mmap(nullptr, kArDebugRecordSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    const int mapError = errno;
    close(fd);
    if (view == MAP_FAILED) {
        shm_unlink(recordName.constData());
        errno = mapError;
        return fail(recordName);
    }
    FView = static_cast<unsigned char*>(view);
    FShmDevice = quint64(info.st_dev);
    FShmInode = quint64(info.st_ino);
    std::memset(FView, 0, kArDebugRecordSize);
    qToLittleEndian<quint32>(kArDebugTextOffset, FView);

    FRequest = sem_open(requestName.constData(), O_CREAT | O_EXCL, 0600, 0);
    if (FRequest == SEM_FAILED)
        return fail(requestName);
    FAcknowledge = sem_open(acknowledgeName.constData(), O_CREAT | O_EXCL, 0600, 0);
    if (FAcknowledge == SEM_FAILED)
        return fail(acknowledgeName);
    FMutex = sem_open(mutexName.constData(), O_CREAT | O_EXCL, 0600, 1);
    if (FMutex == SEM_FAILED)
        return fail(mutexName);
    return true;
}

void TArDebugViewer::Close() {
    FWantActive = false;
    if (FView) {
        ActiveByte(FView).store(0);
        // Another viewer that opened the same names since then owns them now.
        const QByteArray recordName = ObjectName(FChannel, "");
        bool ours = false;
        const int fd = shm_open(recordName.constData(), O_RDONLY, 0);
        if (fd >= 0) {
            struct stat info {};
            ours = fstat(fd, &info) == 0 && quint64(info.st_dev) == FShmDevice &&
                   quint64(info.st_ino) == FShmInode;
            close(fd);
        }
        if (ours) {
            sem_unlink(ObjectName(FChannel, "Mutex").constData());
            sem_unlink(ObjectName(FChannel, "Req").constData());
            sem_unlink(ObjectName(FChannel, "Ack").constData());
            shm_unlink(recordName.constData());
        }
        munmap(FView, kArDebugRecordSize);
        FView = nullptr;
    }
    CloseSemaphore(FMutex);
    CloseSemaphore(FRequest);
    CloseSemaphore(FAcknowledge);
}

void TArDebugViewer::SetActive(bool active) {
    FWantActive = active;
    if (FView)
        ActiveByte(FView).store(active ? 1 : 0);
}

bool TArDebugViewer::Active() const {
    return FView && ActiveByte(FView).load() != 0;
}

std::optional<TArDebugRecord> TArDebugViewer::Receive(int timeoutMs) {
    if (!FView || FRequest == SEM_FAILED)
        return std::nullopt;
    if (FWantActive && ActiveByte(FView).load() == 0)
        ActiveByte(FView).store(1);
    if (ArDebugWaitBounded(FRequest, timeoutMs) != 0)
        return std::nullopt;
    const QByteArray raw(reinterpret_cast<const char*>(FView), kArDebugRecordSize);
    sem_post(FAcknowledge);
    return ArDebugParseRecord(raw);
}
