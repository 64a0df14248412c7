// Draws the five pages of a match result, each with a selected song and its song information
// (the unmatched page with its best matches), into the pictures kept in docs/.
#include "LyMatchResult.h"
#include "LySongListFrame.h"
#include "LySongMatchResultFrame.h"
#include "LySongMatchResultListFrame.h"
#include "LyTimers.h"
#include "PictureProgram.h"
#include "SongBuilders.h"
#include "SongListFixture.h"

#include <QApplication>
#include <QTabWidget>

int main(int argc, char* argv[]) {
    return RunPictureProgram(argc, argv, [](const QString& folder) {
        TLyManualTimers timers;
        TLySongListFixture fixture;
        std::vector<std::unique_ptr<TLySong>> songs = RepresentativeSongs();
        AddWaterloos(songs, 7);
        fixture.Add(std::move(songs));
        TLySongMatchResult frame;
        frame.resize(1100, 760);
        frame.show();
        frame.SetMatchResult(&fixture.Result());
        fixture.Settle();
        const struct {
            TLySongMatchResult::TPage Page;
            const char* Name;
            const char* Song;
        } pages[] = {{TLySongMatchResult::pgAll, "all", "Edited"},
                     {TLySongMatchResult::pgOne, "one", "Rating differs"},
                     {TLySongMatchResult::pgTwo, "two", "Genre differs"},
                     {TLySongMatchResult::pgMatched, "matched", "Both edited"},
                     {TLySongMatchResult::pgUnmatched, "unmatched", "Waterloo"}};
        bool saved = true;
        for (const auto& page : pages) {
            frame.SetCurrentPage(page.Page);
            TLySongMatchResultList* list = frame.CurrentList();
            SelectRows(*list->FrmSongList(), {QString::fromLatin1(page.Song)});
            timers.Advance(100);
            fixture.Settle();
            if (list->FrmBestMatches()) {
                list->PageTools()->setCurrentWidget(list->FrmBestMatches());
                fixture.Settle();
            }
            QApplication::processEvents();
            RunUntilIdle(); // the enabled rules
            saved = SavePicture(frame, folder,
                                QStringLiteral("match-result-") + QLatin1String(page.Name)) &&
                    saved;
        }
        frame.SetMatchResult(nullptr);
        return saved;
    });
}
