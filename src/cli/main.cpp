// lyrabridge-cli: the synchronisation engine without a window.
#include "LyVersion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lyrabridge-cli"));
    QCoreApplication::setApplicationVersion(
        QString::fromLatin1(kLyVersion) +
        (kLyPrerelease ? QStringLiteral(" (pre-release)") : QString()));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "%1 synchronises two music libraries exported as XML: it pairs the tracks that are "
            "the\n"
            "same song and lets both libraries keep the same name, artist, album, genre, play\n"
            "count, last-played date and rating.")
            .arg(QString::fromLatin1(kLyProductName)));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);

    QTextStream out(stdout);
    out << parser.helpText();
    return 0;
}
