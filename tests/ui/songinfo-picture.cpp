// Draws the song information page for two selected songs that differ and were changed, with
// the mouse over a name, and the edit window for their rating, into the two picture files named
// on the command line, at the screen's pixel ratio (QT_SCALE_FACTOR).
#include "LyMatchResult.h"
#include "LySongInfoFrame.h"
#include "LySongPropertiesFrame.h"
#include "LySongPropertyWindow.h"
#include "SongBuilders.h"
#include "SongListFixture.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>

namespace {

TLyTrackBuilder Base(const QString& name) {
    return Track(name).Artist("Abba").Album("Gold").Genre("Pop").Rating(60).PlayCount(3).LastPlayed(
        45000.5);
}

std::vector<std::unique_ptr<TLySong>> PictureSongs() {
    std::vector<std::unique_ptr<TLySong>> songs;
    songs.push_back(MakeSong(Base("Rock & Roll <Live>").Build(),
                             Base("Rock & Roll").PlayCount(7).Rating(80).Build()));
    songs.push_back(MakeSong(Base("Rock & Roll <Live>").Album("Arrival").Build(),
                             Base("Rock & Roll").Album("Arrival").Build()));
    for (auto& song : songs) {
        song->CurrentOne().SetValue(sdGenre, QStringLiteral("Disco"));
        song->CalculateDifferences();
    }
    return songs;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        qWarning("usage: ly-songinfo-picture PAGE.png EDIT-WINDOW.png");
        return 2;
    }
    VxThreadsStartup();
    int result = 1;
    {
        TLySongListFixture fixture;
        fixture.Add(PictureSongs());
        TLySongSelection selection(&fixture.Result());
        TLySongInfo info;
        info.SetView(fixture.View(QStringLiteral("All")));
        selection.BeginUpdate();
        for (TLySong* song : fixture.Result().Songs())
            selection.Add(song);
        selection.EndUpdate();
        info.SetSelection(&selection);
        info.resize(1100, info.sizeHint().height());
        info.show();
        QApplication::processEvents();
        // The mouse over a name that can be taken from the other library.
        QLabel* hovered = info.Panel(TLySongInfo::FinalTwo)->Label(sdName);
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(hovered, &enter);
        QApplication::processEvents();
        const bool page = info.grab().save(QString::fromLocal8Bit(argv[1]));

        TLySongPropertyForm form;
        form.SetOptions(fixture.Project().Options());
        form.SetSelection(&selection, sdRating);
        form.show();
        QApplication::processEvents();
        const bool window = form.grab().save(QString::fromLocal8Bit(argv[2]));
        result = page && window ? 0 : 1;
    }
    VxThreadsShutdown();
    return result;
}
