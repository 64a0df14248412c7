#include "CliProjectRunner.h"

#include "ArFormat.h"
#include "CliFailure.h"
#include "LyProcessListener.h"

#include <QFile>
#include <QFileInfo>

#include <pugixml.hpp>

// Remembers the first failure or cancel of a run; the task's caption holds the message.
class TCliFailureListener : public TLyProcessListener {
public:
    void TaskFailed(ILyProcessTask* task) override { Remember(task->Caption()); }
    void TaskCancelled(ILyProcessTask* task) override {
        Remember(QStringLiteral("Cancelled: ") + task->Caption());
    }

    // The failure of the run that just ended, or empty text; forgets it.
    QString TakeMessage() {
        const QString message = FFailed && FMessage.isEmpty()
                                    ? QStringLiteral("The run failed without a message.")
                                    : FMessage;
        FMessage.clear();
        FFailed = false;
        return message;
    }

private:
    void Remember(const QString& message) {
        if (!FFailed)
            FMessage = message;
        FFailed = true;
    }

    QString FMessage;
    bool FFailed = false;
};

namespace {

[[noreturn]] void Fail(const QString& format, const QVariantList& args) {
    throw ECliFailure(ArFormat(format, args));
}

bool SameName(const char* name, const char* expected) {
    return QString::fromUtf8(name).compare(QString::fromUtf8(expected), Qt::CaseInsensitive) == 0;
}

pugi::xml_node ChildNamed(const pugi::xml_node& parent, const char* name) {
    for (pugi::xml_node child : parent.children())
        if (child.type() == pugi::node_element && SameName(child.name(), name))
            return child;
    return {};
}

void CheckInput(TLyLibraryOptions& library, const QString& projectFile) {
    if (library.InputPath().isEmpty())
        Fail(QStringLiteral("Library [%s] of project [%s] has no input file."),
             {library.Name(), projectFile});
    if (!library.InputIsValid())
        Fail(QStringLiteral("Library [%s]: input file [%s] does not exist or is not a file."),
             {library.Name(), library.InputPath()});
}

} // namespace

void CheckProjectFile(const QString& fileName) {
    const QFileInfo info(fileName);
    if (!info.exists())
        Fail(QStringLiteral("Project file [%s] does not exist."), {fileName});
    if (!info.isFile())
        Fail(QStringLiteral("Project file [%s] is not a file."), {fileName});
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("Cannot read project file [%s]: %s"), {fileName, file.errorString()});
    const QByteArray bytes = file.readAll();
    pugi::xml_document document;
    // The flags the settings framework reads with, so that what passes here loads there.
    const pugi::xml_parse_result result =
        document.load_buffer(bytes.constData(), size_t(bytes.size()),
                             pugi::parse_default | pugi::parse_ws_pcdata_single);
    if (!result)
        Fail(QStringLiteral("Project file [%s] is not well-formed XML: %s at offset %d."),
             {fileName, QString::fromUtf8(result.description()), qint64(result.offset)});
    const pugi::xml_node root = document.document_element();
    const pugi::xml_node options = ChildNamed(root, "Options");
    if (!SameName(root.name(), "Settings") || !options)
        Fail(QStringLiteral("[%s] is not a project file."), {fileName});
    const pugi::xml_node className = ChildNamed(options, "class");
    if (className && !SameName(className.text().get(), "TLyProjectOptions"))
        Fail(QStringLiteral("[%s] is not a project file: it holds other settings."), {fileName});
}

TCliProjectRunner::TCliProjectRunner(const QString& fileName, ILyProcessListener* progress)
    : FFileName(QFileInfo(fileName).absoluteFilePath())
    , FProgress(progress)
    , FFailures(std::make_unique<TCliFailureListener>())
    // No views: nothing is shown, so nothing needs refreshing after a change.
    , FProject(std::make_unique<TLyProject>(&FAppOptions, nullptr)) {
    CheckProjectFile(FFileName);
    FProject->Listeners()->AddListener(FFailures.get());
    if (FProgress)
        FProject->Listeners()->AddListener(FProgress);
    Options().SetName(FFileName);
    FProject->LoadOptions();
}

TCliProjectRunner::~TCliProjectRunner() {
    // The listeners are the caller's or go before the project does.
    FProject->Listeners()->RemoveListener(FFailures.get());
    if (FProgress)
        FProject->Listeners()->RemoveListener(FProgress);
}

void TCliProjectRunner::Run(const std::function<void()>& start) {
    start();
    FProject->Process()->WaitFor();
    const QString failure = FFailures->TakeMessage();
    if (!failure.isEmpty())
        throw ECliFailure(failure);
}

void TCliProjectRunner::LoadAndMatch(bool rematch) {
    CheckInput(*Options().LibraryOne(), FFileName);
    CheckInput(*Options().LibraryTwo(), FFileName);
    Run([this] { FProject->LoadLibraries(); });
    if (rematch)
        Run([this] { FProject->MatchSongs(); });
}

void TCliProjectRunner::SynchronizeAll() {
    Run([this] { FProject->MatchResult()->SynchronizeAll(); });
}

void TCliProjectRunner::Store(int side) {
    Run([this, side] { FProject->StoreLibrary(side); });
}

void TCliProjectRunner::ReplaceITunesLibrary(int side) {
    Run([this, side] { FProject->ReplaceITunesLibrary(side); });
}
