// Draws the project's option dialogs into the pictures kept in docs/.
#include "LyLibraryPropertiesWindow.h"
#include "LyMatchOptionsWindow.h"
#include "LyOptions.h"
#include "LyTransferOptionsWindow.h"
#include "PictureProgram.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

int main(int argc, char* argv[]) {
    return RunPictureProgram(argc, argv, [](const QString& folder) {
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
            saved = SavePicture(form, folder, QStringLiteral("library-properties")) && saved;
        }
        {
            TLyMatchOptionsForm form;
            form.SetOptions(options.CompareOptions());
            saved = SavePicture(form, folder, QStringLiteral("match-options")) && saved;
        }
        TLyTransferOptionsForm form;
        form.SetOptions(&options);
        return SavePicture(form, folder, QStringLiteral("transfer-options")) && saved;
    });
}
