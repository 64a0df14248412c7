#include "MainWindowFixture.h"

#include "LibraryBuilders.h"
#include "LyLoggedMessages.h"
#include "LyOptions.h"
#include "LyProject.h"
#include "LySystem.h"
#include "LyTestHome.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QMenu>

TLyMainWindowTest::TLyMainWindowTest() = default;
TLyMainWindowTest::~TLyMainWindowTest() = default;

void TLyMainWindowTest::initTestCase() {
    FHome = std::make_unique<TLyTestHome>();
    LySystemStartup();
}

void TLyMainWindowTest::cleanupTestCase() {
    LySystemShutdown();
    FHome.reset();
}

void TLyMainWindowTest::init() {
    QDir(TLyBaseOptions::ProjectsFolder()).removeRecursively();
}

TLyDialogScript::TLyDialogScript()
    : FAnswers([this](const TLyDialogRequest& request) { return Next(request); }) {}

QStringList TLyDialogScript::Messages() const {
    QStringList texts;
    for (const TLyDialogRequest& request : FAnswers.Requests)
        if (request.Kind == TLyDialogRequest::Message)
            texts << request.Text;
    return texts;
}

TLyDialogAnswer TLyDialogScript::Next(const TLyDialogRequest& request) {
    if (!FQueue.isEmpty())
        return FQueue.takeFirst();
    if (request.Kind == TLyDialogRequest::Modal)
        return {QDialog::Accepted, {}};
    if (request.Kind == TLyDialogRequest::OpenFile || request.Kind == TLyDialogRequest::SaveFile)
        return {QDialog::Rejected, {}};
    return {QMessageBox::Yes, {}};
}

QString WriteLibrary(const TLyTempFolder& folder, const QString& name, int tracks) {
    QList<TLyLibraryTrack> list;
    for (int id = 1; id <= tracks; ++id)
        list << MakeLibraryTrack(id);
    return folder.WriteFile(name, MakeLibraryXml(list));
}

QString WriteProject(const TLyTempFolder& folder, const QString& name, bool withTwo) {
    TLyProjectOptions options;
    options.SetName(folder.FilePath(name));
    options.LibraryOne()->SetName(QStringLiteral("Laptop"));
    options.LibraryOne()->SetInputPath(WriteLibrary(folder, name + QStringLiteral(".one.xml"), 3));
    options.LibraryTwo()->SetName(QStringLiteral("Desktop"));
    if (withTwo)
        options.LibraryTwo()->SetInputPath(
            WriteLibrary(folder, name + QStringLiteral(".two.xml"), 2));
    options.Store();
    return options.GetFileName();
}

std::unique_ptr<TLyProjectMainForm> OpenMainWindow(const QString& projectFile) {
    auto window = std::make_unique<TLyProjectMainForm>(projectFile);
    window->Project()->Process()->WaitFor();
    QCoreApplication::processEvents();
    return window;
}

void SettleMainWindow(TLyProjectMainForm& window) {
    window.Project()->Process()->WaitFor();
    QCoreApplication::processEvents();
    window.UpdateActions();
}

QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-")
                  : action->shortcut().isEmpty()
                      ? action->text()
                      : action->text() + u'\t' + action->shortcut().toString());
    return texts;
}

bool LoggedForUser(const QString& text, tArMessageType type) {
    for (const TArLoggableMessageData& message : LyMemoryLog()->Messages())
        if (message.Text == text && message.MessageType == type && message.Channel == u"System")
            return true;
    return false;
}
