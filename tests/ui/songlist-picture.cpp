// Draws the song list of representative songs, every column shown and one row selected, into
// the picture kept in docs/.
#include "LyOptions.h"
#include "LySongListModel.h"
#include "LySongListTree.h"
#include "LyView.h"
#include "PictureProgram.h"
#include "SongListFixture.h"

int main(int argc, char* argv[]) {
    return RunPictureProgram(argc, argv, [](const QString& folder) {
        TLySongListFixture fixture;
        fixture.Add(RepresentativeSongs());
        TLyViewOptions* options = fixture.View(QStringLiteral("All"))->Options();
        for (int column = 0; column < kLySongColumnCount; ++column)
            options->Column(column)->SetVisible(true);
        options->Column(scName)->SetWidth(170);
        options->Column(scLastPlayed)->SetWidth(165);
        options->Column(scStatus)->SetWidth(190);
        options->Column(scFileName)->SetWidth(170);
        auto frame = fixture.Show(QStringLiteral("All"));
        frame->resize(1500, 370);
        SelectRows(*frame, {QStringLiteral("Equal")});
        frame->TreeSongs()->setFocus();
        return SavePicture(*frame, folder, QStringLiteral("song-list"));
    });
}
