// Draws the four song pages over representative songs into the pictures kept in docs/. The
// owner's actions are stand-ins with their captions, so that tool bars look as in the program.
#include "LyMatchResult.h"
#include "LySongListFrame.h"
#include "LySongPageFrames.h"
#include "LyView.h"
#include "PictureProgram.h"
#include "SongBuilders.h"
#include "SongListFixture.h"

#include <QAction>
#include <QLineEdit>

int main(int argc, char* argv[]) {
    return RunPictureProgram(argc, argv, [](const QString& folder) {
        TLySongListFixture fixture;
        std::vector<std::unique_ptr<TLySong>> songs = RepresentativeSongs();
        AddWaterloos(songs, 0);
        fixture.Add(std::move(songs));
        QObject owner;
        const QList<std::pair<tLyPageItem, const char*>> items{
            {piRevertAll, "Revert &All"},
            {piRevertSelected, "&Revert"},
            {piSynchronizeSelected, "S&ynchronize..."},
            {piSynchronizeAll, "Synchronize A&ll..."},
            {piMatchSelected, "&Match..."},
            {piMatchAll, "Matc&h All"},
            {piCombine, "&Combine"},
            {piSplit, "&Split"}};
        bool saved = true;
        // Each page as the user leaves it: `prepare` runs on the shown page.
        const auto save = [&](TLySongPage& page, const char* view, const char* name, int height,
                              const std::function<void()>& prepare) {
            for (const auto& [item, caption] : items)
                page.Contribute(item, {new QAction(QString::fromLatin1(caption), &owner)});
            page.resize(1100, height);
            page.show();
            page.SetView(fixture.View(QString::fromLatin1(view)));
            fixture.Settle();
            prepare();
            fixture.Settle();
            saved = SavePicture(page, folder, QStringLiteral("song-page-") + QLatin1String(name)) &&
                    saved;
        };
        TLyAllSongs all;
        save(all, "All", "all", 420, [&] { SelectRows(*all.FrmSongList(), {"Edited"}); });
        TLyLibrarySongs one;
        one.SetSide(0);
        save(one, "One", "library", 420, [&] { one.ChooseFilter(2); });
        TLyMatchedSongs matched;
        save(matched, "Matches", "matched", 420,
             [&] { matched.EdtFilter()->setText(QStringLiteral("differ")); });
        TLyUnmatchedSongs unmatched;
        TLySongSelection selection(&fixture.Result());
        save(unmatched, "Unmatched", "unmatched", 520, [&] {
            unmatched.SetSongSelection(&selection);
            SelectRows(*unmatched.FrmSongList(), {"Waterloo"});
            SelectSongs(selection, unmatched.FrmSongList()->SelectedSongs());
        });
        unmatched.SetSongSelection(nullptr);
        for (TLySongPage* page :
             std::initializer_list<TLySongPage*>{&all, &one, &matched, &unmatched})
            page->SetView(nullptr);
        return saved;
    });
}
