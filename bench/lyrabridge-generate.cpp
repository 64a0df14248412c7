// Writes two generated music libraries, one.xml and two.xml, into a folder: sample input for the
// run script's demo and the screenshots.
#include "LibraryGenerator.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lyrabridge-generate"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes two generated music libraries, one.xml and two.xml, to FOLDER."));
    parser.addHelpOption();
    const QCommandLineOption tracksOption(QStringLiteral("tracks"),
                                          QStringLiteral("Tracks per library (default 500)."),
                                          QStringLiteral("N"), QStringLiteral("500"));
    parser.addOption(tracksOption);
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("Where to write."));
    parser.process(app);

    QTextStream err(stderr);
    bool ok = false;
    const int tracks = parser.value(tracksOption).toInt(&ok);
    if (!ok || tracks < 1 || parser.positionalArguments().size() != 1) {
        err << "lyrabridge-generate: needs one FOLDER and a positive --tracks" << Qt::endl;
        return 2;
    }
    const QDir folder(parser.positionalArguments().constFirst());
    if (!QDir().mkpath(folder.path())) {
        err << "lyrabridge-generate: cannot create " << folder.path() << Qt::endl;
        return 1;
    }
    const TLyLibraryGenerator generator(tracks);
    QString error;
    if (!generator.WriteFile(folder.filePath(QStringLiteral("one.xml")), TLyBenchLibrary::One,
                             &error) ||
        !generator.WriteFile(folder.filePath(QStringLiteral("two.xml")), TLyBenchLibrary::Two,
                             &error)) {
        err << "lyrabridge-generate: " << error << Qt::endl;
        return 1;
    }
    return 0;
}
