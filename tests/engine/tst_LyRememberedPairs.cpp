// Remembered pairs: songs paired by hand are paired again after a reload, a project opened
// again and a library exported again with new Track IDs; Split and a match window's commit
// change what is remembered; a pair whose track is gone is reported and kept.
#include "LibraryBuilders.h"
#include "LyProject.h"
#include "LyTestSupport.h"
#include "VxThreads.h"

#include <QTest>

#include <algorithm>
#include <functional>

namespace {

// "<Persistent ID>:<Name>[:<Artist>]" per track; Track IDs are numbered from `firstId`.
QByteArray Library(const QStringList& tracks, int firstId = 1) {
    QList<TLyLibraryTrack> dictionaries;
    int id = firstId;
    for (const QString& track : tracks) {
        const QStringList parts = track.split(u':');
        dictionaries << TLyLibraryTrack{{"Track ID", "integer", QString::number(id++)},
                                        {"Name", "string", parts[1]},
                                        {"Artist", "string", parts.value(2)},
                                        {"Persistent ID", "string", parts[0]}};
    }
    return MakeLibraryXml(dictionaries);
}

const QStringList kOne = {"A1:Alpha", "B1:Beta", "C1:Gamma"};
const QStringList kTwo = {"A2:Alpha", "B2:Beta (live)", "C2:Gamma"};

// A song as "<ID of One>+<ID of Two>", "-" for a side without a track.
QString SongText(const TLySong* song) {
    const auto id = [&](int side) {
        return song->Original(side).Exists() ? song->Original(side).PersistentId()
                                             : QStringLiteral("-");
    };
    return id(0) + u'+' + id(1);
}

QStringList Songs(const TLyProject& project) {
    QStringList songs;
    for (const TLySong* song : project.MatchResult()->Songs())
        songs << SongText(song);
    std::sort(songs.begin(), songs.end());
    return songs;
}

TLySong* FindSong(const TLyProject& project, const QString& text) {
    for (TLySong* song : project.MatchResult()->Songs())
        if (SongText(song) == text)
            return song;
    return nullptr;
}

struct TProjectFiles {
    TLyTempFolder Folder;
    QString Path(int side) const { return Folder.FilePath(side == 0 ? "one.xml" : "two.xml"); }

    void Setup(TLyProject& project, const QString& name = QStringLiteral("project.xml")) const {
        TLyProjectOptions* options = project.Options();
        options->SetName(Folder.FilePath(name));
        for (int side = 0; side < 2; ++side)
            options->Library(side)->SetInputPath(Path(side));
    }
};

void Run(TLyProject& project, const std::function<void()>& start) {
    start();
    project.Process()->WaitFor();
}

} // namespace

class TestLyRememberedPairs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        VxThreadsStartup();
        RegisterLyTypes();
        RegisterLyOptionClasses();
    }

    // Combine Beta with "Beta (live)", then change what the table's row names, load again.
    void pairedAgain_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("paired");
        QTest::addColumn<int>("applied");
        QTest::addColumn<int>("gone");
        QTest::addColumn<int>("remembered");
        QTest::newRow("reload") << "reload" << true << 1 << 0 << 1;
        QTest::newRow("match songs") << "match" << true << 1 << 0 << 1;
        QTest::newRow("saved and opened") << "open" << true << 1 << 0 << 1;
        QTest::newRow("track IDs renumbered") << "renumber" << true << 1 << 0 << 1;
        QTest::newRow("track gone: reported, kept") << "gone" << false << 0 << 1 << 1;
        QTest::newRow("split forgets") << "split" << false << 0 << 0 << 0;
    }
    void pairedAgain() {
        QFETCH(QString, change);
        TProjectFiles files;
        files.Folder.WriteFile("one.xml", Library(kOne));
        files.Folder.WriteFile("two.xml", Library(kTwo));
        auto project = std::make_unique<TLyProject>(nullptr, nullptr);
        files.Setup(*project);
        Run(*project, [&] { project->LoadLibraries(); });
        QCOMPARE(Songs(*project), QStringList({"-+B2", "A1+A2", "B1+-", "C1+C2"}));
        project->MatchResult()->MatchSongs(FindSong(*project, "B1+-"), FindSong(*project, "-+B2"));
        QVERIFY(project->Modified());

        if (change == u"match") {
            Run(*project, [&] { project->MatchSongs(); });
        } else if (change == u"open") {
            project->Save();
            project = std::make_unique<TLyProject>(nullptr, nullptr);
            files.Setup(*project);
            project->Open();
            project->Process()->WaitFor();
        } else {
            if (change == u"renumber")
                files.Folder.WriteFile("two.xml",
                                       Library({"C2:Gamma", "B2:Beta (live)", "A2:Alpha"}, 700));
            if (change == u"gone")
                files.Folder.WriteFile("two.xml", Library({"A2:Alpha", "C2:Gamma"}));
            if (change == u"split")
                project->MatchResult()->Unmatch(FindSong(*project, "B1+B2"));
            Run(*project, [&] { project->LoadLibraries(); });
        }
        QFETCH(bool, paired);
        QCOMPARE(FindSong(*project, "B1+B2") != nullptr, paired);
        QCOMPARE(FindSong(*project, "B1+-") != nullptr, !paired);
        QTEST(project->RememberedPairsApplied(), "applied");
        QTEST(project->RememberedPairsGone(), "gone");
        QTEST(project->Options()->RememberedPairs()->Count(), "remembered");
        if (change == u"gone") { // the track comes back
            files.Folder.WriteFile("two.xml", Library(kTwo));
            Run(*project, [&] { project->LoadLibraries(); });
            QVERIFY(FindSong(*project, "B1+B2"));
            QCOMPARE(project->RememberedPairsGone(), 0);
        }
    }

    // A remembered pair wins over the exact matching; the partners it takes the tracks from stay
    // in the list, alone, and no track is lost or doubled.
    void pairsTakeTheirTracks_data() {
        QTest::addColumn<QStringList>("one");
        QTest::addColumn<QStringList>("two");
        QTest::addColumn<QStringList>("pairs");
        QTest::addColumn<QStringList>("songs");
        QTest::newRow("partners of both tracks left alone")
            << kOne << kTwo << QStringList{"A1 C2"}
            << QStringList{"-+A2", "-+B2", "A1+C2", "B1+-", "C1+-"};
        // Matching title and artist, the artist may be empty: both tracks of Two find Alpha.
        QTest::newRow("a track of One shared by two of Two")
            << QStringList{"A1:Alpha"} << QStringList{"A2:Alpha:Band", "X2:Alpha:Other"}
            << QStringList{"A1 X2"} << QStringList{"-+A2", "A1+X2"};
        QTest::newRow("the former partner held by another song stays there")
            << QStringList{"A1:Alpha", "B1:Beta"}
            << QStringList{"A2:Alpha:Band", "X2:Alpha:Other", "B2:Beta"} << QStringList{"B1 X2"}
            << QStringList{"-+B2", "A1+A2", "B1+X2"};
        QTest::newRow("two pairs swapping partners")
            << kOne << kTwo << QStringList{"A1 C2", "C1 A2"}
            << QStringList{"-+B2", "A1+C2", "B1+-", "C1+A2"};
        QTest::newRow("already paired") << kOne << kTwo << QStringList{"A1 A2"}
                                        << QStringList{"-+B2", "A1+A2", "B1+-", "C1+C2"};
    }
    void pairsTakeTheirTracks() {
        QFETCH(QStringList, one);
        QFETCH(QStringList, two);
        QFETCH(QStringList, pairs);
        TProjectFiles files;
        files.Folder.WriteFile("one.xml", Library(one));
        files.Folder.WriteFile("two.xml", Library(two));
        TLyProject project(nullptr, nullptr);
        files.Setup(project);
        project.Options()->SetRememberedPairTexts(pairs);
        TLyCompareOptions* compare = project.Options()->CompareOptions();
        compare->SetComponents({sccTitle, sccArtist});
        compare->SetCanBeEmpty({sccArtist});
        Run(project, [&] { project.LoadLibraries(); });
        Run(project, [&] { project.MatchSongs(); });
        QTEST(Songs(project), "songs");
        QCOMPARE(project.RememberedPairsApplied(), int(pairs.size()));
        for (const TLySong* song : project.MatchResult()->Songs())
            QCOMPARE(song->Checked(), song->IsMatched());
    }

    // A match window's commit remembers the pairs it commits and forgets the pairs of its
    // sources that it does not commit again; its own Combine and Split count only then.
    void commitRemembers() {
        TProjectFiles files;
        files.Folder.WriteFile("one.xml", Library(kOne));
        files.Folder.WriteFile("two.xml", Library(kTwo));
        TLyProject project(nullptr, nullptr);
        files.Setup(project);
        project.Options()->SetRememberedPairTexts({"A1 A2"});
        Run(project, [&] { project.LoadLibraries(); });
        TLyMatchResult window(&project, project.MatchResult(), nullptr);
        for (const char* pair : {"A1+A2", "B1+-", "-+B2"})
            window.Sources().Add(FindSong(project, QString::fromLatin1(pair)));
        for (const TLySong* source : window.Sources()) {
            auto copy = std::make_unique<TLySong>();
            copy->SetSides(source->OriginalOne().Exists() ? &source->OriginalOne() : nullptr,
                           source->OriginalTwo().Exists() ? &source->OriginalTwo() : nullptr);
            window.Songs().Add(copy.release());
        }
        const auto windowSong = [&](const QString& id, int side) {
            for (TLySong* song : window.Songs())
                if (song->Original(side).Exists() && song->Original(side).PersistentId() == id)
                    return song;
            return static_cast<TLySong*>(nullptr);
        };
        window.Unmatch(windowSong("A1", 0));
        window.MatchSongs(windowSong("B1", 0), windowSong("B2", 1));
        QCOMPARE(project.Options()->RememberedPairTexts(), QStringList{"A1 A2"});
        window.CommitToParent();
        QCOMPARE(project.Options()->RememberedPairTexts(), QStringList{"B1 B2"});
    }

    // The project file keeps the pairs; a file of an earlier version, which names none, opened
    // in the same project after one that named some, leaves none; entries that are not two IDs
    // are skipped.
    void projectFile() {
        TProjectFiles files;
        const QString earlier = files.Folder.FilePath("earlier.xml");
        files.Folder.WriteFile(
            "earlier.xml", ReadWholeFile(QStringLiteral(LY_TEST_DATA_DIR "/options/project.xml"))
                               .replace("@PATH@", earlier.toUtf8()));
        TLyProject project(nullptr, nullptr);
        files.Setup(project);
        project.Options()->SetRememberedPairTexts({"B1 B2", "A1", "C1 C2 D2", "A1 A2"});
        QCOMPARE(project.Options()->RememberedPairTexts(), QStringList({"A1 A2", "B1 B2"}));
        project.Save();
        files.Setup(project, QStringLiteral("earlier.xml"));
        project.LoadOptions();
        QCOMPARE(project.Options()->RememberedPairs()->Count(), 0);
        files.Setup(project);
        project.LoadOptions();
        QCOMPARE(project.Options()->RememberedPairTexts(), QStringList({"A1 A2", "B1 B2"}));
    }
};

QTEST_GUILESS_MAIN(TestLyRememberedPairs)
#include "tst_LyRememberedPairs.moc"
