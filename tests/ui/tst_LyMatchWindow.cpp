// The match window and the flow that opens it from the unmatched page: the options asked
// first, the proposals and header shown, the project's songs replaced on OK and untouched on
// Cancel, the library pages' tools that do not apply there, and the window's geometry.
#include "LyDialogs.h"
#include "LyMatchResult.h"
#include "LyMatchWindow.h"
#include "LyOptions.h"
#include "LyProcessListener.h"
#include "LySongListFrame.h"
#include "LySongMatchResultFrame.h"
#include "LySongMatchResultListFrame.h"
#include "LySongPageFrames.h"
#include "LyTimers.h"
#include "LyView.h"
#include "SongBuilders.h"
#include "SongListFixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTest>

namespace {

std::vector<std::unique_ptr<TLySong>> UnmatchedPairs() {
    auto track = [](const char* name) {
        return Track(QString::fromLatin1(name)).Artist("Abba").Album("Gold").Build();
    };
    std::vector<std::unique_ptr<TLySong>> songs;
    songs.push_back(MakeSong(track("Equal"), track("Equal")));
    songs.push_back(MakeSong(track("Waterloo"), std::nullopt));
    songs.push_back(MakeSong(std::nullopt, track("Waterloo")));
    songs.push_back(MakeSong(track("Dancing Queen"), std::nullopt));
    return songs;
}

// What the open match window shows.
QString Describe(TLyMatchForm& form) {
    TLySongMatchResult* frame = form.FrmSongMatchResult();
    TLyView* matches = frame->MatchResult()->View(QStringLiteral("Matches"));
    matches->Process()->WaitFor();
    QCoreApplication::processEvents();
    frame->FrmAllSongs()->UpdateActions();
    frame->FrmOneSongs()->UpdateActions();
    QStringList texts{form.windowTitle(),
                      QStringLiteral("%1x%2").arg(form.minimumWidth()).arg(form.minimumHeight()),
                      form.LblMatchType()->text(),
                      form.LblFields()->text(),
                      form.LblOptional()->text(),
                      SongsText(matches->Songs(), false)};
    if (frame->FrmAllSongs()->ActLoadLibraries()->isEnabled())
        texts << QStringLiteral("load");
    if (frame->FrmOneSongs()->ActExportToFile()->isEnabled())
        texts << QStringLiteral("export");
    if (frame->FrmTwoSongs()->CmbFilter()->isVisibleTo(frame->FrmTwoSongs()))
        texts << QStringLiteral("filter list");
    return texts.join(u'|');
}

} // namespace

class TestLyMatchWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { VxThreadsStartup(); }
    void cleanupTestCase() { VxThreadsShutdown(); }

    void roundTrip_data() {
        QTest::addColumn<int>("optionsAnswer");
        QTest::addColumn<int>("windowAnswer");
        QTest::addColumn<bool>("cancelMatching"); // Cancel as the matching run starts
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("songs");
        const int ok = QDialog::Accepted, cancel = QDialog::Rejected;
        const QString shown =
            QStringLiteral("Match Songs|720x475|Match all text, ignoring case|Title, "
                           "Artist, Album|Album|Waterloo[12]");
        const QString before = QStringLiteral("Dancing Queen[1] Equal[12] Waterloo[1] Waterloo[2]");
        QTest::newRow("ok") << ok << ok << false << shown
                            << QStringLiteral("Dancing Queen[1] Equal[12] Waterloo[12]");
        QTest::newRow("cancelled window") << ok << cancel << false << shown << before;
        QTest::newRow("cancelled options") << cancel << ok << false << QString() << before;
        QTest::newRow("cancelled matching") << ok << ok << true << QString() << before;
    }

    void roundTrip() {
        QFETCH(int, optionsAnswer);
        QFETCH(int, windowAnswer);
        QFETCH(bool, cancelMatching);
        QFETCH(QString, window);
        QFETCH(QString, songs);
        TLyManualTimers timers;
        TLySongListFixture fixture;
        fixture.Add(UnmatchedPairs());
        TLyProject& project = fixture.Project();
        TLyCompareOptions* compare = project.Options()->CompareOptions();
        compare->SetExactMatch();
        compare->SetComponents({sccTitle, sccArtist, sccAlbum});
        compare->SetCanBeEmpty({sccAlbum});
        TLyWindowOptions* geometry = project.AppOptions()->MatchWindow();
        geometry->SetWidth(300); // smaller than the window can be
        geometry->SetHeight(900);
        TLySongMatchResult frame;
        // As the project window does.
        QObject::connect(
            &frame, &TLySongMatchResult::MatchRequested,
            [&](const QList<TLySong*>& chosen) { LyMatchSongs(&frame, &project, chosen); });
        frame.resize(900, 600);
        frame.show();
        frame.SetMatchResult(&fixture.Result());
        frame.SetCurrentPage(TLySongMatchResult::pgUnmatched);
        fixture.Settle();
        TLySongMatchResultList* list = frame.CurrentList();
        SelectRows(*list->FrmSongList(), {QStringLiteral("Waterloo")});
        timers.Advance(100);
        QCOMPARE(list->FrmSongList()->SelectedCount(), 2);

        QString shown;
        QStringList asked;
        TLyDialogAnswers answers([&](const TLyDialogRequest& request) {
            asked << request.Detail;
            if (request.Detail == u"TLyMatchOptionsForm")
                return TLyDialogAnswer{optionsAnswer, {}};
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* form = qobject_cast<TLyMatchForm*>(widget))
                    shown = Describe(*form);
            return TLyDialogAnswer{windowAnswer, {}};
        });
        struct TCanceller : TLyProcessListener {
            TLyProcess* Process = nullptr;
            void TaskStarted(ILyProcessTask* task) override {
                if (Process && task->IsMainTask())
                    Process->Cancel();
            }
        } canceller;
        canceller.Process = cancelMatching ? project.Process() : nullptr;
        project.Listeners()->AddListener(&canceller);
        list->UpdateActions();
        list->ActMatchSelected()->trigger();
        project.Listeners()->RemoveListener(&canceller);
        fixture.Settle();
        QCOMPARE(shown, window);
        QCOMPARE(SongsText(fixture.Result().Songs(), false), songs);
        QCOMPARE(asked.join(u' '), window.isEmpty()
                                       ? QStringLiteral("TLyMatchOptionsForm")
                                       : QStringLiteral("TLyMatchOptionsForm TLyMatchForm"));
        if (!window.isEmpty()) {
            QCOMPARE(geometry->Width(), 720);
            QCOMPARE(geometry->Height(), 900);
        }
        frame.SetMatchResult(nullptr);
    }
};

QTEST_MAIN(TestLyMatchWindow)
#include "tst_LyMatchWindow.moc"
