#include "ArMessageLog.h"

#include "ArFormat.h"
#include "ArMemoryMessageLog.h"

#include <QStringConverter>
#include <QStringDecoder>

#include <array>
#include <cstdio>

LY_UNIT("Arbor/ArMessageLog")

namespace {

std::atomic<TArMultipleMessageLog*> GGlobalMessageLog{nullptr};

template <std::size_t N>
bool StartsWith(const QByteArray& bytes, const std::array<quint8, N>& signature) {
    if (bytes.size() < qsizetype(N))
        return false;
    for (std::size_t i = 0; i < N; ++i) {
        if (quint8(bytes.at(qsizetype(i))) != signature[i])
            return false;
    }
    return true;
}

QString Decode(QStringConverter::Encoding encoding, QByteArrayView bytes) {
    // The signature has been taken off already; a further mark belongs to the text.
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless |
                                         QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

// Lines end with CR, LF or CR LF; a line end at the very end starts no further line.
QStringList SplitIntoLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

} // namespace

QString ArDecodeLogText(const QByteArray& bytes) {
    const QByteArrayView view(bytes);
    if (StartsWith(bytes, std::array<quint8, 2>{0xFE, 0xFF}))
        return Decode(QStringConverter::Utf16BE, view.sliced(2));
    if (StartsWith(bytes, std::array<quint8, 2>{0xFF, 0xFE}))
        return Decode(QStringConverter::Utf16LE, view.sliced(2));
    if (StartsWith(bytes, std::array<quint8, 4>{0x00, 0x00, 0x00, 0x3C}) ||
        StartsWith(bytes, std::array<quint8, 4>{0x3C, 0x00, 0x00, 0x00}))
        throw EArUTFConversionError(QStringLiteral("UCS4 encoding not supported by arMessageLog"));
    if (StartsWith(bytes, std::array<quint8, 4>{0x00, 0x3C, 0x00, 0x3F}))
        return Decode(QStringConverter::Utf16BE, view);
    if (StartsWith(bytes, std::array<quint8, 4>{0x3C, 0x00, 0x3F, 0x00}))
        return Decode(QStringConverter::Utf16LE, view);
    if (StartsWith(bytes, std::array<quint8, 4>{0x4C, 0x6F, 0xA7, 0x94}))
        throw EArUTFConversionError(
            QStringLiteral("EBCDIC encoding not supported by arMessageLog"));
    if (StartsWith(bytes, std::array<quint8, 3>{0xEF, 0xBB, 0xBF}))
        return Decode(QStringConverter::Utf8, view.sliced(3));
    // An XML declaration ("<?xm") and every other text are UTF-8.
    return Decode(QStringConverter::Utf8, view);
}

// ---- TArMessageLog ----

TArMessageLog::TArMessageLog(const QString& name, TArObjectList* ownerList, TArObject* owner)
    : TArObject(ownerList, owner)
    , FName(name)
    , FFilterSettings(new TArMessageLogFilterSettings(nullptr, this)) {}

TArMessageLog::~TArMessageLog() {
    if (FOwnsFilterSettings)
        delete FFilterSettings;
}

std::unique_lock<std::recursive_mutex> TArMessageLog::LockIfThreadSafe() const {
    std::unique_lock guard(FLock, std::defer_lock);
    if (FThreadSafe.load())
        guard.lock();
    return guard;
}

void TArMessageLog::Log(const QString& text, const QString& channel, TDateTime time,
                        tArMessageType type) {
    // One lock for all lines keeps a split text together among other threads' messages.
    const auto guard = LockIfThreadSafe();
    if (FSplitLines && (text.contains(u'\r') || text.contains(u'\n'))) {
        for (const QString& line : SplitIntoLines(text))
            LogLine(line, channel, time, type);
        return;
    }
    LogLine(text, channel, time, type);
}

void TArMessageLog::LogLine(const QString& text, const QString& channel, TDateTime time,
                            tArMessageType type) {
    LY_ASSERT(!channel.isEmpty());
    if (!Accepts(channel, type))
        return;
    DoLog(text, channel, time == 0 ? Now() : time, type);
}

void TArMessageLog::LogBytes(const QByteArray& bytes, const QString& channel, TDateTime time,
                             tArMessageType type) {
    Log(ArDecodeLogText(bytes), channel, time, type);
}

void TArMessageLog::BeginBlock(const QString& title) {
    const auto guard = LockIfThreadSafe();
    ++FBlockLevel;
    DoBeginBlock(title);
}

void TArMessageLog::EndBlock() {
    const auto guard = LockIfThreadSafe();
    if (FBlockLevel.load() <= 0)
        return;
    DoEndBlock();
    --FBlockLevel;
}

TArMessageLogFilterSettings* TArMessageLog::FilterSettings() const {
    const auto guard = LockIfThreadSafe();
    return FFilterSettings;
}

bool TArMessageLog::OwnsFilterSettings() const {
    const auto guard = LockIfThreadSafe();
    return FOwnsFilterSettings;
}

void TArMessageLog::SetFilterSettings(TArMessageLogFilterSettings* settings) {
    const auto guard = LockIfThreadSafe();
    if (settings) {
        if (settings == FFilterSettings)
            return;
        if (FOwnsFilterSettings)
            delete FFilterSettings;
        FFilterSettings = settings;
        FOwnsFilterSettings = false;
    } else if (!FOwnsFilterSettings) {
        auto* own = new TArMessageLogFilterSettings(nullptr, this);
        FFilterSettings->AssignTo(own);
        FFilterSettings = own;
        FOwnsFilterSettings = true;
    }
}

void TArMessageLog::SetThreadSafe(bool threadSafe) {
    FThreadSafe.store(threadSafe);
}

bool TArMessageLog::Accepts(const QString& channel, tArMessageType type) const {
    return FFilterSettings->Accepts(channel, type);
}

QString TArMessageLog::FormatMessage(const QString& text, const QString& channel, TDateTime time,
                                     tArMessageType type) const {
    const QString timestamp = FormatTimestamp(time);
    if (timestamp.isEmpty())
        return ArFormat(QStringLiteral("[%s][%s]: %s"), {channel, TypeText(type), text});
    return ArFormat(QStringLiteral("[%s][%s][%s]: %s"), {channel, timestamp, TypeText(type), text});
}

QString TArMessageLog::TypeText(tArMessageType type) const {
    return ArMessageTypeText(type);
}

QString TArMessageLog::FormatTimestamp(TDateTime time) const {
    if (FShowDate && FShowTime)
        return FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), time);
    if (FShowTime)
        return FormatDateTime(QStringLiteral("hh:nn:ss"), time);
    if (FShowDate)
        return FormatDateTime(QStringLiteral("yyyy-mm-dd"), time);
    return QString();
}

void TArMessageLog::DoBeginBlock(const QString&) {}

void TArMessageLog::DoEndBlock() {}

// ---- TArMultipleMessageLog ----

TArMultipleMessageLog::TArMultipleMessageLog(const QString& name, TArObjectList* ownerList,
                                             TArObject* owner)
    : TArMessageLog(name, ownerList, owner)
    , FLogs(true, this) {}

TArMultipleMessageLog::~TArMultipleMessageLog() {
    // Members go first: some of them refer to this log's filter settings.
    FLogs.Clear();
}

void TArMultipleMessageLog::Add(TArMessageLog* log, bool shareFilter) {
    LY_ASSERT(log && log != this);
    LY_ASSERT_MSG(!log->OwnerList(), "Cannot add a log to more than one multiple log");
    const auto guard = LockIfThreadSafe();
    FLogs.Add(log);
    if (shareFilter)
        log->SetFilterSettings(FilterSettings());
}

void TArMultipleMessageLog::SetFilterSettings(TArMessageLogFilterSettings* settings) {
    const auto guard = LockIfThreadSafe();
    // Members sharing the current settings would be left with freed ones: they follow along.
    QList<TArMessageLog*> sharing;
    for (int i = 0; i < FLogs.Count(); ++i) {
        if (FLogs.Item(i)->FilterSettings() == FilterSettings())
            sharing << FLogs.Item(i);
    }
    TArMessageLog::SetFilterSettings(settings);
    for (TArMessageLog* log : std::as_const(sharing))
        log->SetFilterSettings(FilterSettings());
}

bool TArMultipleMessageLog::Accepts(const QString&, tArMessageType) const {
    return true;
}

void TArMultipleMessageLog::DoBeginBlock(const QString& title) {
    for (int i = 0; i < FLogs.Count(); ++i)
        FLogs.Item(i)->BeginBlock(title);
}

void TArMultipleMessageLog::DoEndBlock() {
    for (int i = 0; i < FLogs.Count(); ++i)
        FLogs.Item(i)->EndBlock();
}

void TArMultipleMessageLog::DoLog(const QString& text, const QString& channel, TDateTime,
                                  tArMessageType type) {
    for (int i = 0; i < FLogs.Count(); ++i)
        FLogs.Item(i)->Log(text, channel, 0, type);
}

// ---- TArTextBasedMessageLog ----

void TArTextBasedMessageLog::DoBeginBlock(const QString& title) {
    if (FShowBlocks)
        WriteBlockStart(title);
}

void TArTextBasedMessageLog::DoEndBlock() {
    if (FShowBlocks)
        WriteBlockEnd();
}

void TArTextBasedMessageLog::WriteBlockStart(const QString&) {}

void TArTextBasedMessageLog::WriteBlockEnd() {}

// ---- TArWriteLnMessageLog ----

void ArWriteLineToStandardOutput(const QString& line) {
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

TArWriteLnMessageLog::TArWriteLnMessageLog(const QString& name, TArObjectList* ownerList,
                                           TArObject* owner)
    : TArTextBasedMessageLog(name, ownerList, owner)
    , FLineSink(ArWriteLineToStandardOutput) {}

void TArWriteLnMessageLog::SetLineSink(TArLineSink sink) {
    const auto guard = LockIfThreadSafe();
    FLineSink = sink ? std::move(sink) : TArLineSink(ArWriteLineToStandardOutput);
}

QString TArWriteLnMessageLog::FormatMessage(const QString& text, const QString& channel,
                                            TDateTime time, tArMessageType type) const {
    const QString line = TArTextBasedMessageLog::FormatMessage(text, channel, time, type);
    if (!ShowBlocks())
        return line;
    return QString(2 * BlockLevel(), u' ') + line;
}

void TArWriteLnMessageLog::DoLog(const QString& text, const QString& channel, TDateTime time,
                                 tArMessageType type) {
    FLineSink(FormatMessage(text, channel, time, type));
}

void TArWriteLnMessageLog::WriteBlockStart(const QString& title) {
    if (title.isEmpty())
        return;
    FLineSink(QString(2 * (BlockLevel() - 1), u' ') + QStringLiteral("***< ") + title +
              QStringLiteral(" >***"));
}

// ---- Global log ----

void ArMessageLogStartup() {
    if (GGlobalMessageLog.load())
        return;
    auto* log = new TArMultipleMessageLog(QString());
    // Worker threads log too: the members and their order must not change under them.
    log->SetThreadSafe(true);
    log->Add(new TArMemoryMessageLog(QStringLiteral("MemoryLog")), false);
    GGlobalMessageLog.store(log);
}

void ArMessageLogShutdown() {
    delete GGlobalMessageLog.exchange(nullptr);
}

TArMultipleMessageLog* GlobalMessageLog() {
    return GGlobalMessageLog.load();
}

void LogMessage(const QString& text, const QString& channel, tArMessageType type) {
    if (TArMultipleMessageLog* log = GGlobalMessageLog.load())
        log->Log(text, channel, 0, type);
}

void LogFormat(const QString& format, const QVariantList& args, tArMessageType type,
               const QString& channel) {
    if (TArMultipleMessageLog* log = GGlobalMessageLog.load())
        log->Log(ArFormat(format, args), channel, 0, type);
}
