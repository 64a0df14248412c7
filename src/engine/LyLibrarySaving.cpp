// Saving a library file: the text is built on two threads and written on a third, through a
// temporary file that replaces the target only when everything is on the disk.
#include "ArFormat.h"
#include "LyLibraryFile.h"
#include "LyLibraryWriter.h"
#include "LyProcess.h"
#include "LyTypes.h"
#include "VxSaveFile.h"

#include <QByteArray>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <optional>
#include <vector>

LY_UNIT("Units/LyProject")

namespace {

// The text of a large library is cut into this many stretches.
constexpr int kStretchCount = 64;

// Carries the text of the stretches from the threads that build it to the thread that writes
// it, in document order. A builder starts a stretch at most kAhead stretches past the one being
// written and waits while its stretch holds too many chunks, so little text waits in memory.
class TStretchQueue {
public:
    explicit TStretchQueue(size_t count)
        : FStretches(count) {}

    // The index of the next stretch to build; -1 once all are taken or the queue is abandoned.
    int Take() {
        std::unique_lock lock(FLock);
        if (FAbandoned || FNext == FStretches.size())
            return -1;
        const size_t index = FNext++;
        FChanged.wait(lock, [&] { return index < FWriting + kAhead || FAbandoned; });
        return FAbandoned ? -1 : int(index);
    }
    // Adds text to a stretch; false when the queue is abandoned.
    bool Push(int index, const char* data, qsizetype size) {
        std::unique_lock lock(FLock);
        TStretch& stretch = FStretches[size_t(index)];
        FChanged.wait(lock, [&] {
            const size_t limit = size_t(index) == FWriting ? kMaxWritingChunks : kMaxAheadChunks;
            return stretch.Chunks.size() < limit || FAbandoned;
        });
        if (FAbandoned)
            return false;
        stretch.Chunks.emplace_back(data, size);
        FChanged.notify_all();
        return true;
    }
    void Finish(int index) {
        std::lock_guard lock(FLock);
        FStretches[size_t(index)].Done = true;
        FChanged.notify_all();
    }
    // The next chunk in document order; false once every stretch is written, or abandoned.
    bool Pop(QByteArray* chunk) {
        std::unique_lock lock(FLock);
        for (;;) {
            if (FAbandoned || FWriting == FStretches.size())
                return false;
            TStretch& stretch = FStretches[FWriting];
            if (!stretch.Chunks.empty()) {
                *chunk = std::move(stretch.Chunks.front());
                stretch.Chunks.pop_front();
                FChanged.notify_all();
                return true;
            }
            if (stretch.Done) {
                ++FWriting;
                FChanged.notify_all();
                continue;
            }
            FChanged.wait(lock);
        }
    }
    // Every side stops: queued text is dropped.
    void Abandon() {
        std::lock_guard lock(FLock);
        FAbandoned = true;
        for (TStretch& stretch : FStretches)
            stretch.Chunks.clear();
        FChanged.notify_all();
    }
    bool Abandoned() {
        std::lock_guard lock(FLock);
        return FAbandoned;
    }

private:
    struct TStretch {
        std::deque<QByteArray> Chunks;
        bool Done = false;
    };
    static constexpr size_t kAhead = 3;
    static constexpr size_t kMaxWritingChunks = 4;
    static constexpr size_t kMaxAheadChunks = 32;
    std::mutex FLock;
    std::condition_variable FChanged;
    std::vector<TStretch> FStretches;
    size_t FNext = 0;
    size_t FWriting = 0;
    bool FAbandoned = false;
};

// Raised in a builder when the queue was abandoned: whoever abandoned it reports why.
struct TAbandoned {};

} // namespace

void SaveLibraryDocument(TLyLibraryDocument& document, const QString& fileName,
                         ILyProcessTask* mainTask, TLyProcess* process, qint64 expectedBytes) {
    const int steps = int(std::clamp<qint64>(expectedBytes, 0, std::numeric_limits<int>::max()));
    ILyProcessTask* task =
        mainTask ? mainTask->StartSubTask(steps, QStringLiteral("Saving XML...")) : nullptr;
    TVxSaveFile file(fileName);
    const auto raise = [&]() {
        throw ELyProjectError(ArFormat(QStringLiteral("Cannot save library file [%s]: %s"),
                                       {fileName, file.ErrorString()}));
    };
    if (!file.Open())
        raise();
    // The text is built in stretches on this thread and a helper, and written to the file on a
    // thread of its own, in order.
    const std::vector<TLyXmlStretch> stretches =
        SplitLibraryXml(document.Xml(), document.HasByteOrderMark(), kStretchCount);
    TStretchQueue queue(stretches.size());
    std::atomic<qint64> built{0};
    bool writeFailed = false;
    bool incomplete = false;
    const auto build = [&](bool reporting) {
        int index;
        while ((index = queue.Take()) >= 0) {
            WriteLibraryXmlStretch(stretches[size_t(index)], [&](const char* data, qsizetype size) {
                if (!queue.Push(index, data, size))
                    throw TAbandoned();
                const qint64 total = built.fetch_add(size) + size;
                if (task && reporting)
                    task->SetPosition(int(std::min<qint64>(total, steps)), QString());
                if (process)
                    process->CheckCancelled();
            });
            queue.Finish(index);
        }
    };
    {
        TLyProcessHelper writer([&] {
            QByteArray chunk;
            while (queue.Pop(&chunk)) {
                if (!file.Write(chunk)) {
                    writeFailed = true;
                    queue.Abandon();
                    return;
                }
            }
        });
        // Declared before the queue is abandoned on the way out, so it is joined after that.
        std::optional<TLyProcessHelper> builder;
        struct TStopAll {
            TStretchQueue& Queue;
            ~TStopAll() { Queue.Abandon(); } // once everything is written this drops nothing
        } stopAll{queue};
        if (stretches.size() > 1)
            builder.emplace([&] {
                try {
                    build(false);
                } catch (const TAbandoned&) {
                    // stopped by whoever abandoned the queue, who reports why
                } catch (...) {
                    queue.Abandon();
                    throw;
                }
            });
        try {
            build(true);
        } catch (const TAbandoned&) {
            // the builder or the writer failed: their failure is reported below
        }
        if (builder)
            builder->Join();
        writer.Join();
        incomplete = queue.Abandoned();
    }
    if (writeFailed || incomplete)
        raise();
    if (!file.Commit())
        raise();
    if (task)
        task->Finish();
}
