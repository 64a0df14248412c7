// The application object, which owns the preferences, and the program's start-up and
// shut-down sequence.
#pragma once

#include "LyOptions.h"
#include "VxUtils.h"

#include <QList>

#include <memory>
#include <mutex>

class TLySystem;

class ILySystemListener {
public:
    virtual ~ILySystemListener() = default;
    // The preferences changed (for example the recent projects).
    virtual void SystemChanged(TLySystem* system) = 0;
};

// Loads the preferences when created and stores them when closed. Main thread only.
class TLySystem : public TVxUpdateable {
public:
    // Loads the preferences file. A file whose values cannot be read is set aside as
    // "<file>.unreadable" with a warning, and the preferences start from their defaults; a file
    // that cannot be set aside raises.
    TLySystem();
    // Stores the preferences unless Close already did; a failure is logged, not raised.
    ~TLySystem() override;

    TLyOptions* Options() const { return FOptions.get(); }

    // Registers a listener and tells it the current state at once.
    void AddListener(ILySystemListener* listener);
    // Removes the first occurrence.
    void RemoveListener(ILySystemListener* listener);

    // Stores the preferences now, so that a failure reaches the caller; later calls and the
    // destructor store nothing more.
    void Close();

protected:
    void DoChanged() override;

private:
    std::unique_ptr<TLyOptions> FOptions;
    std::mutex FListenersLock;
    QList<ILySystemListener*> FListeners;
    bool FClosed = false;
};

// Start-up in order: the message log with its memory log, the debug output, the write-line log
// that copies every message to it, the main-thread call queue, the stored classes and types,
// and the file status calculator. Call once from main() on the main thread.
void LySystemStartup();
// The reverse of LySystemStartup.
void LySystemShutdown();
