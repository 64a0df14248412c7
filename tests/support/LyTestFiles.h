// What a test reads back from disk: the files of a folder and comparisons with golden files.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// The names of every file in `folder`, hidden ones included, sorted.
QStringList LyFolderFiles(const QString& folder);

// Every file below `folder`, sub-folders and hidden ones included, by relative path, with its
// bytes.
QMap<QString, QByteArray> LyFolderContents(const QString& folder);

// Empty when `actual` equals the golden file tests/data/`relative`; otherwise writes `actual` to
// <name>.actual.<suffix> in the test's working folder and returns a message that says so.
QString LyGoldenFileDifference(const QByteArray& actual, const QString& relative);
