// Warnings and errors the program logs for the user on the "System" channel (a settings file
// set aside, views repaired, files dropped beyond two), gathered for a status-bar notice that
// opens a small window listing them. Those logged before the window existed are included.
#pragma once
#include <QStringList>
#include <QToolButton>
#include <memory>
#include <mutex>

class TLyUserNotices : public QToolButton {
    Q_OBJECT
public:
    // Listens to the global message log's memory log for as long as it lives; hidden until a
    // notice arrives.
    explicit TLyUserNotices(QWidget* parent = nullptr);
    ~TLyUserNotices() override;

    const QStringList& Notices() const { return FNotices; }
    // Shows the notices in a window; they stay listed until the window is closed.
    void ShowNotices();

private:
    class THandler;
    // Any thread: queues a text for the main thread.
    void Queue(const QString& text);
    void TakeQueued();

    std::unique_ptr<THandler> FHandler;
    std::mutex FLock;
    QStringList FQueued;
    QStringList FNotices;
};
