// Debug output: carries the program's log lines to a separate viewer program.
//
// The channel is four POSIX named objects that the viewer creates and the writer only opens:
// a semaphore used as a mutex between writers ("/<channel>Mutex", initial value 1), a request
// and an acknowledge semaphore ("/<channel>Req", "/<channel>Ack") and shared memory
// ("/<channel>") holding one record of kArDebugRecordSize bytes, little-endian:
//   0  text offset (32)    4  viewer active (1 byte)   8  module handle   12  process id
//   16 thread id           20 reserved (1 byte, 0)    24  reserved (0)    28  depth (signed)
//   32 text: at most 1024 bytes of UTF-8, then a 0 byte
// A writer takes the mutex, fills the record when the viewer is active, posts the request and
// waits for the acknowledgement. Both waits give up after a second: the writer then drops the
// text and reconnects at its next send. Without a viewer every send costs one failed open.
#pragma once

#include "ArExceptions.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <semaphore.h>

#include <cstdint>
#include <functional>
#include <optional>

inline constexpr int kArDebugRecordSize = 1060;
inline constexpr int kArDebugTextOffset = 32;
inline constexpr int kArDebugMaxTextBytes = 1024;
inline constexpr int kArDebugBufferSize = 128;
inline constexpr int kArDebugTimeoutMs = 1000;
// A buffer of exactly this one character changes the depth instead of being sent.
inline constexpr char16_t kArDebugDepthUp = 254;
inline constexpr char16_t kArDebugDepthDown = 255;

// A send that failed with an operating-system error (not a missing or silent viewer).
class EArDebugOutputError : public Exception {
public:
    using Exception::Exception;
};

// A text buffer of `capacity` characters handed to `flush` when it is full and after every
// CR LF. Never splits a surrogate pair. Not thread-safe: the debug output guards its own.
class TArDebugTextDevice {
public:
    // Returns 0 or the error code of the failed send.
    using TFlushFunction = std::function<int(QStringView buffer)>;

    explicit TArDebugTextDevice(TFlushFunction flush, qsizetype capacity = kArDebugBufferSize);

    // Returns 0, or the first error a flush reported (the rest of the text is still written).
    int Write(QStringView text);
    // Hands over what is pending, if anything.
    int Flush();
    QStringView Pending() const { return FBuffer; }

private:
    TFlushFunction FFlush;
    qsizetype FCapacity;
    QString FBuffer;
    bool FAfterCR = false;
};

// Names the channel's objects ("ArborDebugLog" by default); disconnects so that the next send
// opens the new names.
void ArDebugOutputSetChannelName(const QString& name);
QString ArDebugOutputChannelName();

// Start-up: creates the output device and writes "Log started for <executable path>".
// Shut-down: sends what is pending, removes the device and disconnects. Install does nothing
// when repeated.
void ArDebugOutputInstall();
void ArDebugOutputUninstall();
bool ArDebugOutputInstalled();

// Write through the device (nothing before Install). Raise EArDebugOutputError when a send
// fails with an operating-system error. ArDebugWriteLine appends CR LF; it fits
// TArWriteLnMessageLog::SetLineSink.
void ArDebugWrite(const QString& text);
void ArDebugWriteLine(const QString& line);
// Send what is pending, then the depth marker.
void ArDebugIncreaseDepth();
void ArDebugDecreaseDepth();
int ArDebugOutputDepth();

// Sends one buffer as one record (at most kArDebugMaxTextBytes of its UTF-8), or changes the
// depth for a marker. Returns 0, or an errno value when waiting for or releasing the mutex
// failed. A missing, inactive or silent viewer is not an error.
int ArDebugSend(QStringView buffer);

// Waits up to `timeoutMs` for `semaphore`. Returns 0 when it was taken, else ETIMEDOUT or the
// error of the wait.
int ArDebugWaitBounded(sem_t* semaphore, int timeoutMs);
// Every wait of the writer goes through `wait` (an empty function restores ArDebugWaitBounded),
// so that a test can count the waits and let time-outs pass without waiting for them.
using TArDebugWaitFunction = std::function<int(sem_t* semaphore, int timeoutMs)>;
void ArDebugOutputSetWaitFunction(TArDebugWaitFunction wait);

// One record as a viewer reads it.
struct TArDebugRecord {
    quint32 TextOffset = 0;
    quint32 ModuleHandle = 0;
    quint32 ProcessId = 0;
    quint32 ThreadId = 0;
    qint32 Depth = 0;
    QString Text;
    QByteArray Raw; // the whole record as it was in shared memory
};

// Decodes a record of kArDebugRecordSize bytes (a shorter one gives an empty record).
TArDebugRecord ArDebugParseRecord(const QByteArray& raw);

// The viewer's side of the channel: creates the four objects (removing stale ones of the same
// names first) and receives records. Removes the objects again when closed, unless another
// viewer has replaced them meanwhile.
class TArDebugViewer {
public:
    explicit TArDebugViewer(QString channelName);
    ~TArDebugViewer();
    TArDebugViewer(const TArDebugViewer&) = delete;
    TArDebugViewer& operator=(const TArDebugViewer&) = delete;

    // Creates the objects, inactive. Returns false with a description in `error` on failure.
    bool Open(QString* error = nullptr);
    bool IsOpen() const { return FView != nullptr; }
    void Close();

    // A writer whose record is not acknowledged in time clears the active byte; while the
    // viewer wants to be active, Receive sets it again.
    void SetActive(bool active);
    bool Active() const;

    // Waits up to `timeoutMs` for a writer's request, copies the record and acknowledges it.
    std::optional<TArDebugRecord> Receive(int timeoutMs);

private:
    QString FChannel;
    sem_t* FMutex = SEM_FAILED;
    sem_t* FRequest = SEM_FAILED;
    sem_t* FAcknowledge = SEM_FAILED;
    unsigned char* FView = nullptr;
    quint64 FShmDevice = 0;
    quint64 FShmInode = 0;
    bool FWantActive = false;
};
