#include "LyTestFiles.h"

#include "LyTestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

QStringList LyFolderFiles(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
}

QMap<QString, QByteArray> LyFolderContents(const QString& folder) {
    QMap<QString, QByteArray> contents;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        contents.insert(QDir(folder).relativeFilePath(path), ReadWholeFile(path));
    }
    return contents;
}

QString LyGoldenFileDifference(const QByteArray& actual, const QString& relative) {
    if (actual == ReadWholeFile(QStringLiteral(LY_TEST_DATA_DIR "/") + relative))
        return {};
    const QFileInfo golden(relative);
    const QString actualName =
        golden.completeBaseName() + QStringLiteral(".actual.") + golden.suffix();
    QFile out(actualName);
    if (out.open(QIODevice::WriteOnly))
        out.write(actual);
    return QStringLiteral(
               "the file differs from tests/data/%1; see %2 in the test's working folder")
        .arg(relative, actualName);
}
