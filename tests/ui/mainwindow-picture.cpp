// Draws the main window on a small generated project into the pictures kept in docs/. Runs in a
// home of its own.
#include "LibraryBuilders.h"
#include "LyOptions.h"
#include "LyProject.h"
#include "LyProjectMainWindow.h"
#include "LySongMatchResultFrame.h"
#include "LyTestHome.h"
#include "PictureProgram.h"

#include <QEventLoop>
#include <QTimer>

namespace {

const char* const kSongs[][3] = {{"Waterloo", "Abba", "Waterloo"},
                                 {"Dancing Queen", "Abba", "Arrival"},
                                 {"Heroes", "David Bowie", "Heroes"},
                                 {"Life on Mars?", "David Bowie", "Hunky Dory"},
                                 {"Vogue", "Madonna", "I'm Breathless"},
                                 {"Jolene", "Dolly Parton", "Jolene"},
                                 {"Respect", "Aretha Franklin", "I Never Loved a Man"},
                                 {"Hallelujah", "Jeff Buckley", "Grace"},
                                 {"Karma Police", "Radiohead", "OK Computer"},
                                 {"Wonderwall", "Oasis", "(What's the Story) Morning Glory?"}};

// Library One has the first eight songs, library Two the last eight, one of them renamed.
QString Library(const TLyTempFolder& folder, const QString& name, int first, int last) {
    QList<TLyLibraryTrack> tracks;
    for (int index = first; index <= last; ++index) {
        TLyLibraryTrack track = MakeLibraryTrack(index + 1);
        for (TLyLibraryPair& pair : track) {
            const int part = pair.Key == u"Name" ? 0 : pair.Key == u"Artist" ? 1 : -1;
            if (part >= 0 || pair.Key == u"Album")
                pair.Text = QString::fromUtf8(kSongs[index][part >= 0 ? part : 2]);
        }
        tracks << track;
    }
    if (first > 0) // the same song under a longer name: unmatched until matched by hand
        tracks[1][1].Text = QStringLiteral("Life on Mars? (Remastered)");
    return folder.WriteFile(name, MakeLibraryXml(tracks));
}

bool Save(TLyProjectMainForm& window, TLySongMatchResult::TPage page, const QString& folder,
          const QString& name) {
    window.FrmSongMatchResult()->SetCurrentPage(page);
    // A wait of the event loop, so that the enabled rules run as they do when idle.
    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
    return SavePicture(window, folder, QStringLiteral("main-window-") + name);
}

} // namespace

int main(int argc, char* argv[]) {
    TLyTestHome home;
    return RunPictureProgram(
        argc, argv,
        [](const QString& folder) {
            TLyTempFolder files;
            TLyProjectOptions options;
            options.SetName(files.FilePath(QStringLiteral("Living Room.xml")));
            options.LibraryOne()->SetName(QStringLiteral("Laptop"));
            options.LibraryOne()->SetInputPath(Library(files, QStringLiteral("laptop.xml"), 0, 7));
            options.LibraryTwo()->SetName(QStringLiteral("Desktop"));
            options.LibraryTwo()->SetInputPath(Library(files, QStringLiteral("desktop.xml"), 2, 9));
            options.Store();
            TLyProjectMainForm window(options.GetFileName());
            window.resize(1000, 640);
            window.show();
            window.Project()->Process()->WaitFor();
            bool saved = Save(window, TLySongMatchResult::pgAll, folder, QStringLiteral("all"));
            saved =
                Save(window, TLySongMatchResult::pgOne, folder, QStringLiteral("library")) && saved;
            window.Project()->SetModified(false);
            window.close();
            return saved;
        },
        true);
}
