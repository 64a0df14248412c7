// Tells whether iTunes runs, on request and once a second. Reading the list of running programs
// takes some milliseconds on a busy desktop, so it is read on a pool thread, never on the
// thread of the windows.
#pragma once

#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

class TLyTimer;

class TLyITunesRunningCheck : public QObject {
    Q_OBJECT
public:
    // Reads the names of the running programs; called on a pool thread, so it must be safe to
    // call from any thread.
    using TProgramNames = std::function<QStringList()>;
    // The names from the system's process list.
    static TProgramNames SystemProgramNames();

    // Checks at once and then every second until destroyed.
    explicit TLyITunesRunningCheck(QObject* parent, TProgramNames programNames = {});
    ~TLyITunesRunningCheck() override;

    // False until the first reading has come back.
    bool Known() const { return FKnown; }
    bool Running() const { return FRunning; }

Q_SIGNALS:
    // After every reading that came back, also when the state stayed the same.
    void Checked(bool running);

private:
    // Starts a reading unless one is under way: a slow reading does not pile up others.
    void Check();
    // Empty when the reading failed.
    void Received(std::optional<bool> running);

    TProgramNames FProgramNames;
    TLyTimer* FTimer;
    bool FReading = false;
    bool FKnown = false;
    bool FRunning = false;
};
