// A home of the test's own, so that no test reads or writes the files of whoever runs it.
#pragma once

#include "LyTestSupport.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// While it lives, HOME and the XDG folders point below a temporary folder, so the documents
// folder (with the preferences and the projects folder) and the iTunes folders are the test's
// own; and the debug output writes to a channel of this process's own, never to the one a
// viewer on the machine listens on. Create it before anything resolves a folder or starts the
// debug output; one per process at a time. Ends the test program when the documents folder does
// not move into it, rather than let the test touch the real one.
class TLyTestHome : public TLyTempFolder {
public:
    TLyTestHome();
    ~TLyTestHome();
    TLyTestHome(const TLyTestHome&) = delete;
    TLyTestHome& operator=(const TLyTestHome&) = delete;

    // The debug output channel the test's writes go to.
    static QString DebugChannel();

private:
    void Set(const char* name, const QByteArray& value);

    QList<std::pair<QByteArray, std::optional<QByteArray>>> FSaved;
    QString FSavedChannel;
};
