// An in-memory device that fails on purpose after a number of bytes, for testing how writers
// and readers handle a full disk or a broken medium.
#pragma once

#include <QBuffer>

class TLyFailingDevice : public QIODevice {
    Q_OBJECT
public:
    // Reads serve `content`; writes are kept. Either fails once `failAfter` bytes have passed.
    explicit TLyFailingDevice(qint64 failAfter, const QByteArray& content = {});

    const QByteArray& Written() const { return FWritten; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    qint64 FFailAfter;
    qint64 FPassed = 0;
    QByteArray FContent;
    QByteArray FWritten;
};
