// The song list while the project's worker changes the songs: the main thread paints, asks
// tooltips, searches by keyboard and clicks check boxes throughout, and never reads a freed
// song (run under AddressSanitizer); the rows end as the view's final list.
#include "LySongListModel.h"
#include "LySongListTree.h"
#include "LyView.h"
#include "SongListFixture.h"

#include <QElapsedTimer>
#include <QSet>
#include <QThread>
#include <random>

class TestLySongListThreads : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { VxThreadsStartup(); }

    void listFollowsAWorkerThatChangesTheSongs() {
        QList<TLyLibraryTrack> tracks;
        for (int i = 1; i <= 400; ++i)
            tracks << MakeLibraryTrack(i);
        TLySongListFixture fixture;
        TLyProject& project = fixture.Project();
        fixture.SetLibraries(tracks, tracks.mid(40));
        project.Reload();
        fixture.Settle();
        auto frame = fixture.Show("All");
        TLySongListTree* tree = frame->TreeSongs();
        TLySongListModel* model = frame->Model();
        QCOMPARE(model->rowCount(), 400); // 360 matched, 40 in library One only
        tree->setFocus();
        tree->selectAll();

        std::mt19937 random(11);
        int frames = 0;
        for (int round = 0; round < 24; ++round) {
            switch (round % 4) {
            case 0:
                fixture.Result().SynchronizeAll();
                break;
            case 1:
                fixture.Result().RevertSongs(new TLySongList(false), true);
                break;
            case 2:
                project.MatchSongs(); // clears and matches again on the worker
                break;
            case 3:
                frame->SetFilterText(round % 8 == 3 ? QStringLiteral("1") : QString());
                break;
            }
            QElapsedTimer timer;
            timer.start();
            // The main thread keeps using the list while the worker and the refreshes run.
            while (timer.elapsed() < 60 || project.Process()->Running() ||
                   fixture.View("All")->Process()->Running()) {
                tree->viewport()->grab();
                ++frames;
                const int rows = model->rowCount();
                if (rows > 0) {
                    const int row = int(random() % rows);
                    model->index(row, scFileName).data(Qt::ToolTipRole);
                    model->setData(model->index(row, scName), Qt::Unchecked, Qt::CheckStateRole);
                    frame->SelectedCount();
                    frame->AnySelectedModified();
                }
                tree->keyboardSearch(QStringLiteral("t"));
                QCoreApplication::processEvents();
                QThread::msleep(3);
                QVERIFY(timer.elapsed() < 20000);
            }
        }
        fixture.Settle();
        QVERIFY(frames > 24);
        QVERIFY(!model->Frozen());
        const TLyView* view = fixture.View("All");
        const QList<TLySong*>& rows = model->Songs();
        QCOMPARE(rows.size(), view->Songs().Count());
        QCOMPARE(QSet<TLySong*>(rows.begin(), rows.end()),
                 QSet<TLySong*>(view->Songs().begin(), view->Songs().end()));
    }
};

QTEST_MAIN(TestLySongListThreads)
#include "tst_LySongListThreads.moc"
