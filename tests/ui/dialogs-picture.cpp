// Draws the project's option dialogs into pictures in the folder named on the command line, at
// the screen's pixel ratio (QT_SCALE_FACTOR); "@2x" is added to the names at ratio 2.
#include "LyLibraryPropertiesWindow.h"
#include "LyMatchOptionsWindow.h"
#include "LyOptions.h"
#include "LyTransferOptionsWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

namespace {

bool Save(QDialog* dialog, const QString& folder, const QString& name) {
    dialog->show();
    QApplication::processEvents();
    const QString suffix = dialog->devicePixelRatio() > 1.5 ? QStringLiteral("@2x") : QString();
    return dialog->grab().save(QDir(folder).filePath(name + suffix + QStringLiteral(".png")));
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        qWarning("usage: ly-dialogs-picture FOLDER");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir files;
    const QString one = files.filePath(QStringLiteral("Music/iTunes/iTunes Music Library.xml"));
    QDir(files.path()).mkpath(QStringLiteral("Music/iTunes"));
    QFile(one).open(QIODevice::WriteOnly);

    TLyProjectOptions options;
    options.LibraryOne()->SetName(QStringLiteral("Laptop"));
    options.LibraryOne()->SetInputPath(one);
    options.LibraryTwo()->SetName(QStringLiteral("Desktop"));
    options.LibraryTwo()->SetInputPath(files.filePath(QStringLiteral("Desktop/Library.xml")));
    options.SetAction(sdName, saUseOne);
    options.SetAction(sdGenre, saUseTwo);

    bool saved = true;
    {
        TLyLibraryPropertiesForm form; // library Two's file is missing: its box is light red
        form.SetOptions(&options);
        saved = Save(&form, folder, QStringLiteral("library-properties")) && saved;
    }
    {
        TLyMatchOptionsForm form;
        form.SetOptions(options.CompareOptions());
        saved = Save(&form, folder, QStringLiteral("match-options")) && saved;
    }
    {
        TLyTransferOptionsForm form;
        form.SetOptions(&options);
        saved = Save(&form, folder, QStringLiteral("transfer-options")) && saved;
    }
    return saved ? 0 : 1;
}
