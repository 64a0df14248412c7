// Draws the song list of representative songs, every column shown and one row selected, into
// the picture file named on the command line, at the screen's pixel ratio (QT_SCALE_FACTOR).
#include "LyOptions.h"
#include "LySongListModel.h"
#include "LySongListTree.h"
#include "LyView.h"
#include "SongListFixture.h"

#include <QApplication>
#include <QHeaderView>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        qWarning("usage: ly-songlist-picture FILE.png");
        return 2;
    }
    VxThreadsStartup();
    int result = 1;
    {
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
        TLySongListTree* tree = frame->TreeSongs();
        const TLySongListModel* model = frame->Model();
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->index(row, scName).data().toString() == u"Equal")
                tree->setCurrentIndex(model->index(row, scName));
        tree->setFocus();
        QApplication::processEvents();
        result = frame->grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
    }
    VxThreadsShutdown();
    return result;
}
