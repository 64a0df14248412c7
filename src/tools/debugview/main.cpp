// lyrabridge-debugview: shows the debug output of the Lyrabridge programs running as this user.
#include "ArDebugLog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <csignal>

namespace {

volatile std::sig_atomic_t GStop = 0;

void RequestStop(int) {
    GStop = 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lyrabridge-debugview"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints every line the running programs write to their debug output, "
                       "as \"[process:thread] text\", until Ctrl+C."));
    parser.addHelpOption();
    const QCommandLineOption countOption(
        QStringLiteral("count"), QStringLiteral("Stop after <n> records."), QStringLiteral("n"));
    const QCommandLineOption channelOption(QStringLiteral("channel"),
                                           QStringLiteral("Channel name (default ArborDebugLog)."),
                                           QStringLiteral("name"), QStringLiteral("ArborDebugLog"));
    const QCommandLineOption sendOption(
        QStringLiteral("send"),
        QStringLiteral("Instead of viewing, write <text> as one line to the running viewer."),
        QStringLiteral("text"));
    parser.addOption(countOption);
    parser.addOption(channelOption);
    parser.addOption(sendOption);
    parser.process(app);

    QTextStream err(stderr);
    qint64 count = 0;
    if (parser.isSet(countOption)) {
        bool ok = false;
        count = parser.value(countOption).toLongLong(&ok);
        if (!ok || count <= 0) {
            err << QStringLiteral("--count needs a positive number.") << Qt::endl;
            return 2;
        }
    }
    const QString channel = parser.value(channelOption);
    if (channel.isEmpty() || channel.contains(u'/')) {
        err << QStringLiteral("--channel needs a name without \"/\".") << Qt::endl;
        return 2;
    }

    if (parser.isSet(sendOption)) {
        ArDebugOutputSetChannelName(channel);
        ArDebugOutputInstall();
        ArDebugWriteLine(parser.value(sendOption));
        ArDebugOutputUninstall();
        return 0;
    }

    TArDebugViewer viewer(channel);
    QString error;
    if (!viewer.Open(&error)) {
        err << error << Qt::endl;
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    viewer.SetActive(true);

    QTextStream out(stdout);
    qint64 received = 0;
    while (GStop == 0 && (count == 0 || received < count)) {
        const std::optional<TArDebugRecord> record = viewer.Receive(200);
        if (!record)
            continue;
        ++received;
        QString text = record->Text;
        if (text.endsWith(QStringLiteral("\r\n")))
            text.chop(2);
        out << u'[' << record->ProcessId << u':' << record->ThreadId << QStringLiteral("] ") << text
            << u'\n';
        out.flush();
    }
    viewer.Close();
    return 0;
}
