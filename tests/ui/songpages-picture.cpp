// Draws the four song pages over representative songs into pictures: FOLDER/song-page-<name>
// SUFFIX.png, at the screen's pixel ratio (QT_SCALE_FACTOR). The owner's actions are stand-ins
// with their captions, so that tool bars look as in the program.
#include "LyMatchResult.h"
#include "LyOptions.h"
#include "LySongListFrame.h"
#include "LySongListModel.h"
#include "LySongListTree.h"
#include "LySongPageFrames.h"
#include "LyView.h"
#include "SongBuilders.h"
#include "SongListFixture.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QLineEdit>
#include <QTabWidget>

namespace {

void Contribute(TLySongPage& page, QObject* owner) {
    const QList<std::pair<tLyPageItem, const char*>> items{
        {piRevertAll, "Revert &All"},
        {piRevertSelected, "&Revert"},
        {piSynchronizeSelected, "S&ynchronize..."},
        {piSynchronizeAll, "Synchronize A&ll..."},
        {piMatchSelected, "&Match..."},
        {piMatchAll, "Matc&h All"},
        {piCombine, "&Combine"},
        {piSplit, "&Split"}};
    for (const auto& [item, caption] : items)
        page.Contribute(item, {new QAction(QString::fromLatin1(caption), owner)});
}

void SelectRow(TLySongPage& page, const QString& name) {
    const TLySongListModel* model = page.FrmSongList()->Model();
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, scName).data().toString() == name)
            page.FrmSongList()->TreeSongs()->setCurrentIndex(model->index(row, scName));
}

bool Save(QWidget& page, const QString& folder, const QString& name, const QString& suffix) {
    QApplication::processEvents();
    return page.grab().save(
        QDir(folder).filePath(QStringLiteral("song-page-%1%2.png").arg(name, suffix)));
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCursor::setPos(10000, 10000); // no button under the pointer
    if (argc < 2) {
        qWarning("usage: ly-songpages-picture FOLDER [SUFFIX]");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    VxThreadsStartup();
    bool saved = true;
    {
        TLySongListFixture fixture;
        std::vector<std::unique_ptr<TLySong>> songs = RepresentativeSongs();
        songs.push_back(MakeSong(
            Track("Waterloo").Artist("Abba").Album("Waterloo").Rating(80).Build(), std::nullopt));
        songs.push_back(
            MakeSong(std::nullopt, Track("Waterlo").Artist("ABBA").Album("Waterloo").Build()));
        songs.push_back(
            MakeSong(std::nullopt, Track("Waterloo (live)").Artist("Abba").Album("Live").Build()));
        fixture.Add(std::move(songs));
        QObject owner;
        const QSize size(1100, 420);

        TLyAllSongs all;
        Contribute(all, &owner);
        all.resize(size);
        all.show();
        all.SetView(fixture.View(QStringLiteral("All")));
        fixture.Settle();
        SelectRow(all, QStringLiteral("Edited"));
        saved = Save(all, folder, QStringLiteral("all"), suffix) && saved;

        TLyLibrarySongs one;
        Contribute(one, &owner);
        one.SetSide(0);
        one.resize(size);
        one.show();
        one.SetView(fixture.View(QStringLiteral("One")));
        fixture.Settle();
        one.ChooseFilter(2);
        fixture.Settle();
        saved = Save(one, folder, QStringLiteral("library"), suffix) && saved;

        TLyMatchedSongs matched;
        Contribute(matched, &owner);
        matched.resize(size);
        matched.show();
        matched.SetView(fixture.View(QStringLiteral("Matches")));
        fixture.Settle();
        matched.EdtFilter()->setText(QStringLiteral("differ"));
        fixture.Settle();
        saved = Save(matched, folder, QStringLiteral("matched"), suffix) && saved;

        TLyUnmatchedSongs unmatched;
        Contribute(unmatched, &owner);
        unmatched.resize(size.width(), 520);
        unmatched.show();
        unmatched.SetView(fixture.View(QStringLiteral("Unmatched")));
        fixture.Settle();
        TLySongSelection selection(&fixture.Result());
        unmatched.SetSongSelection(&selection);
        SelectRow(unmatched, QStringLiteral("Waterloo"));
        selection.BeginUpdate();
        selection.Clear();
        for (TLySong* song : unmatched.FrmSongList()->SelectedSongs())
            selection.Add(song);
        selection.EndUpdate();
        fixture.Settle();
        saved = Save(unmatched, folder, QStringLiteral("unmatched"), suffix) && saved;
        unmatched.SetSongSelection(nullptr);
        for (TLySongPage* page :
             {static_cast<TLySongPage*>(&all), static_cast<TLySongPage*>(&one),
              static_cast<TLySongPage*>(&matched), static_cast<TLySongPage*>(&unmatched)})
            page->SetView(nullptr);
    }
    VxThreadsShutdown();
    return saved ? 0 : 1;
}
