// Draws the five pages of a match result, each with a selected song and its song information
// (the unmatched page with its best matches), into FOLDER/match-result-<page>SUFFIX.png, at the
// screen's pixel ratio (QT_SCALE_FACTOR).
#include "LyMatchResult.h"
#include "LyOptions.h"
#include "LySongListFrame.h"
#include "LySongMatchResultFrame.h"
#include "LySongMatchResultListFrame.h"
#include "LyTimers.h"
#include "LyView.h"
#include "SongBuilders.h"
#include "SongListFixture.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QTabWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCursor::setPos(10000, 10000); // no button under the pointer
    if (argc < 2) {
        qWarning("usage: ly-matchresult-picture FOLDER [SUFFIX]");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    VxThreadsStartup();
    bool saved = true;
    {
        TLyManualTimers timers;
        TLySongListFixture fixture;
        std::vector<std::unique_ptr<TLySong>> songs = RepresentativeSongs();
        songs.push_back(MakeSong(
            Track("Waterloo").Artist("Abba").Album("Waterloo").Rating(80).PlayCount(7).Build(),
            std::nullopt));
        songs.push_back(
            MakeSong(std::nullopt, Track("Waterlo").Artist("ABBA").Album("Waterloo").Build()));
        songs.push_back(
            MakeSong(std::nullopt, Track("Waterloo (live)").Artist("Abba").Album("Live").Build()));
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
            saved = frame.grab().save(QDir(folder).filePath(
                        QStringLiteral("match-result-%1%2.png").arg(page.Name, suffix))) &&
                    saved;
        }
        frame.SetMatchResult(nullptr);
    }
    VxThreadsShutdown();
    return saved ? 0 : 1;
}
