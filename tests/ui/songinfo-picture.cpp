// Draws the song information page for two selected songs that differ and were changed, with
// the mouse over a name, and the edit window for their rating, into the pictures kept in docs/.
#include "LyMatchResult.h"
#include "LySongInfoFrame.h"
#include "LySongPropertiesFrame.h"
#include "LySongPropertyWindow.h"
#include "PictureProgram.h"
#include "SongBuilders.h"
#include "SongListFixture.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>

int main(int argc, char* argv[]) {
    return RunPictureProgram(argc, argv, [](const QString& folder) {
        std::vector<std::unique_ptr<TLySong>> songs;
        songs.push_back(MakeSong(BaseTrack("Rock & Roll <Live>").Build(),
                                 BaseTrack("Rock & Roll").PlayCount(7).Rating(80).Build()));
        songs.push_back(MakeSong(BaseTrack("Rock & Roll <Live>").Album("Arrival").Build(),
                                 BaseTrack("Rock & Roll").Album("Arrival").Build()));
        for (auto& song : songs) {
            song->CurrentOne().SetValue(sdGenre, QStringLiteral("Disco"));
            song->CalculateDifferences();
        }
        TLySongListFixture fixture;
        fixture.Add(std::move(songs));
        TLySongSelection selection(&fixture.Result());
        SelectSongs(selection, fixture.Result().Songs());
        TLySongInfo info;
        info.SetView(fixture.View(QStringLiteral("All")));
        info.SetSelection(&selection);
        info.resize(1100, info.sizeHint().height());
        info.show();
        QApplication::processEvents();
        // The mouse over a name that can be taken from the other library.
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(info.Panel(TLySongInfo::FinalTwo)->Label(sdName), &enter);
        const bool page = SavePicture(info, folder, QStringLiteral("song-info"));
        TLySongPropertyForm form;
        form.SetOptions(fixture.Project().Options());
        form.SetSelection(&selection, sdRating);
        return SavePicture(form, folder, QStringLiteral("song-property-form")) && page;
    });
}
