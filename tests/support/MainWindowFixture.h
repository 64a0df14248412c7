// A main window on a test's own preferences and projects: the dialogs answered from a script,
// small generated libraries and projects, and a run of the project's process held open.
#pragma once
#include "ArMessageLog.h"
#include "LyDialogs.h"
#include "LyProjectMainWindow.h"
#include "LyTestSupport.h"
#include "LyTypes.h"
#include "SongListFixture.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <memory>

class QMenu;
class TLyProject;
class TLyTestHome;

// The base of the main window's tests: the system started in a home of the test's own, and every
// test started without preferences or projects.
class TLyMainWindowTest : public QObject {
    Q_OBJECT
public:
    TLyMainWindowTest();
    ~TLyMainWindowTest() override;

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

private:
    std::unique_ptr<TLyTestHome> FHome;
};

// Answers the windows' questions from a script: each request takes the next answer; without
// one a question gets Yes, a modal window OK and a file dialog Cancel.
class TLyDialogScript {
public:
    TLyDialogScript();
    void Add(int button, const QString& path = {}) { FQueue.append({button, path}); }
    const QList<TLyDialogRequest>& Requests() const { return FAnswers.Requests; }
    // The texts of the plain messages shown, in order.
    QStringList Messages() const;

private:
    TLyDialogAnswer Next(const TLyDialogRequest& request);
    QList<TLyDialogAnswer> FQueue;
    TLyDialogAnswers FAnswers;
};

// A library file of `tracks` generated tracks in `folder`.
QString WriteLibrary(const TLyTempFolder& folder, const QString& name, int tracks);
// A project file in `folder` on two small libraries ("Laptop" with three tracks, "Desktop" with
// two, or without an input file).
QString WriteProject(const TLyTempFolder& folder, const QString& name, bool withTwo = true);

// The window after its project has settled and the work left for the event loop has run.
std::unique_ptr<TLyProjectMainForm> OpenMainWindow(const QString& projectFile = {});
// Waits for the project's run, lets the event loop's pending work run, and applies the rules.
void SettleMainWindow(TLyProjectMainForm& window);

// A menu's items: "-" for a separator, the caption with a tab and the shortcut where one is set.
QStringList MenuTexts(QMenu* menu);
// The global memory log holds `text` on the "System" channel with `type`.
bool LoggedForUser(const QString& text, tArMessageType type);
