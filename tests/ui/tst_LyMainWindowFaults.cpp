// What the main window keeps safe: files of the user's it must not write or lose, changes it
// must not drop without asking, failures it must show; and a whole synchronisation through it.
#include "Cli.h"
#include "LyDataRows.h"
#include "LySongMatchResultFrame.h"
#include "LyView.h"
#include "MainWindowFixture.h"

#include <QDir>
#include <QMenu>

class TestLyMainWindowFaults : public TLyMainWindowTest {
    Q_OBJECT
private Q_SLOTS:

    void deleteAsksAndStaysDeleted_data() {
        LyColumns<int>("answer");
        LyRow("declined", int(QMessageBox::No));
        LyRow("confirmed", int(QMessageBox::Yes));
    }

    void deleteAsksAndStaysDeleted() {
        const auto [answer] = LyFetch<int>("answer");
        TLyTempFolder folder;
        const QString file = WriteProject(folder, QStringLiteral("p.xml"));
        {
            TLyDialogScript script;
            script.Add(answer);
            auto window = OpenMainWindow(file);
            window->ActDeleteProject->trigger();
            QCOMPARE(script.Requests().size(), 1);
            QCOMPARE(QFileInfo::exists(file), answer == QMessageBox::No);
            QCOMPARE(window->Project()->Options()->GetFileName(), file); // still shown
            QCOMPARE(MenuTexts(window->MnuRecentProjects()),
                     answer == QMessageBox::No ? QStringList{file} : QStringList());
        }
        // Leaving the window does not write the deleted project back.
        QCOMPARE(QFileInfo::exists(file), answer == QMessageBox::No);
    }

    void startsOnDefaultWhenRecentIsGone() {
        TLyTempFolder folder;
        const QString gone = folder.FilePath(QStringLiteral("gone.xml"));
        {
            TLyDialogScript script;
            auto window = OpenMainWindow(WriteProject(folder, QStringLiteral("gone.xml")));
        }
        QVERIFY(QFile::remove(gone));
        TLyDialogScript script;
        {
            auto window = OpenMainWindow();
            const QString message =
                QStringLiteral("[%1] does not exist. (entry was removed from menu)").arg(gone);
            QCOMPARE(script.Messages(), QStringList{message});
            QVERIFY(LoggedForUser(message, mtError));
            QVERIFY(window->Project()->Options()->GetFileName() != gone);
        }
        QVERIFY(!QFileInfo::exists(gone));
    }

    void unreadableProjectLeftAlone() {
        TLyTempFolder folder;
        const QByteArray bytes = "<?xml version=\"1.0\"?><Options><Name>unclosed";
        const QString file = folder.WriteFile(QStringLiteral("broken.xml"), bytes);
        TLyDialogScript script;
        {
            auto window = OpenMainWindow(file);
            QCOMPARE(script.Messages().size(), 1);
            QVERIFY2(script.Messages().value(0).contains(file),
                     qPrintable(script.Messages().value(0)));
        }
        QCOMPARE(ReadWholeFile(file), bytes);
        QCOMPARE(QDir(folder.Path()).entryList(QDir::Files), QStringList{"broken.xml"});
    }

    void replacingUnexportedChangesAsks_data() {
        LyColumns<QString, int>("how", "answer");
        for (const char* how : {"open", "recent", "new"}) {
            QTest::addRow("%s, kept", how) << QString::fromLatin1(how) << int(QMessageBox::No);
            QTest::addRow("%s, replaced", how) << QString::fromLatin1(how) << int(QMessageBox::Yes);
        }
    }

    void replacingUnexportedChangesAsks() {
        const auto [how, answer] = LyFetch<QString, int>("how", "answer");
        TLyTempFolder folder;
        const QString first = WriteProject(folder, QStringLiteral("first.xml"));
        const QString second = WriteProject(folder, QStringLiteral("second.xml"));
        TLyDialogScript script;
        auto window = OpenMainWindow(first);
        window->OpenProjectFile(second);
        SettleMainWindow(*window);
        window->Project()->SetModified(true);
        script.Add(answer);
        if (how == u"open") {
            script.Add(QDialog::Accepted, first);
            window->ActOpenProject->trigger();
        } else if (how == u"recent") {
            window->MnuRecentProjects()->actions().at(1)->trigger();
        } else {
            script.Add(QDialog::Accepted);
            script.Add(QDialog::Accepted, folder.FilePath(QStringLiteral("third.xml")));
            window->ActNewProject->trigger();
        }
        QCoreApplication::processEvents();
        SettleMainWindow(*window);
        QCOMPARE(
            script.Requests().value(0).Text,
            QStringLiteral("Changes have not been exported. Are you sure you want to continue?"));
        const bool replaced = window->Project()->Options()->GetFileName() != second;
        QCOMPARE(replaced, answer == QMessageBox::Yes);
        if (!replaced)
            QCOMPARE(script.Requests().size(), 1);
    }

    void newProjectKeepsWhatWasEntered() {
        TLyTempFolder folder;
        const QString existing = WriteProject(folder, QStringLiteral("existing.xml"));
        TLyDialogScript script;
        auto window = OpenMainWindow();
        script.Add(QDialog::Accepted);
        script.Add(QDialog::Accepted, existing); // the user chose to write over it
        window->ActNewProject->trigger();
        SettleMainWindow(*window);
        TLyProjectOptions* options = window->Project()->Options();
        // The new project's own (default) libraries, not those the file held.
        QCOMPARE(options->GetFileName() + u'|' + options->LibraryOne()->InputPath(),
                 existing + u'|');
        TLyProjectOptions stored;
        stored.SetName(existing);
        stored.Load();
        QCOMPARE(stored.LibraryOne()->InputPath(), QString());
        QCOMPARE(MenuTexts(window->MnuRecentProjects()).value(0), existing);
    }

    void failingPreferencesStoreShown() {
        TLyDialogScript script;
        auto window = OpenMainWindow();
        // The folder of the project and the preferences has become a file.
        const QString folder = QDir::cleanPath(TLyBaseOptions::ProjectsFolder());
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
        window->show();
        QVERIFY(window->close());
        // One message for the project's file, one for the preferences'.
        const QStringList messages = script.Messages();
        QCOMPARE(messages.size(), 2);
        QVERIFY2(messages[0].contains(window->Project()->Options()->GetFileName()) &&
                     messages[1].contains(window->System()->Options()->GetFileName()),
                 qPrintable(messages.join(u'\n')));
        window.reset();
        QVERIFY(QFile::remove(folder));
    }

    // Two libraries of 2,000 tracks through the window (load, Match All, Synchronize All, Export to
    // File for library One) write the file the command-line companion writes for the same project;
    // the project reopens on the page and filter it was left with.
    void synchronisesAsTheCommandLineDoes() {
        TLyDialogScript script;
        TLyTempFolder folder;
        QList<TLyLibraryTrack> one, two;
        for (int id = 1; id <= 2000; ++id) {
            one << MakeLibraryTrack(id);
            TLyLibraryTrack other = MakeLibraryTrack(id);
            other[5].Text = QString::number(id % 11); // the play counts differ
            if (id % 10 == 0)
                other[1].Text += QStringLiteral(" (Live)"); // every tenth song is named otherwise
            two << other;
        }
        TLyProjectOptions options;
        options.SetName(folder.FilePath(QStringLiteral("big.xml")));
        options.LibraryOne()->SetInputPath(
            folder.WriteFile(QStringLiteral("one.xml"), MakeLibraryXml(one)));
        options.LibraryTwo()->SetInputPath(
            folder.WriteFile(QStringLiteral("two.xml"), MakeLibraryXml(two)));
        options.SetAction(sdPlayCount, saUseMax);
        options.SetAction(sdName, saUseOne);
        options.Store();
        const QString windowOut = folder.FilePath(QStringLiteral("window-one.xml"));
        const QString cliOut = folder.FilePath(QStringLiteral("cli-one.xml"));
        {
            auto window = OpenMainWindow(options.GetFileName());
            QVERIFY(window->Project()->IsLoaded());
            window->ActMatchSongs->trigger();
            SettleMainWindow(*window);
            window->ActSynchronizeAll->trigger();
            SettleMainWindow(*window);
            window->FrmSongMatchResult()->SetCurrentPage(TLySongMatchResult::pgOne);
            SettleMainWindow(*window);
            script.Add(QDialog::Accepted, windowOut);
            window->ActExportToFile->trigger();
            SettleMainWindow(*window);
            window->CurrentView()->Options()->SetFilterText(QStringLiteral("Song 1"));
            QVERIFY(window->close());
        }
        QVERIFY(QFileInfo::exists(windowOut));
        // The same project as the window started from, with library One's output set.
        QVERIFY(QFile::copy(options.GetFileName(), folder.FilePath(QStringLiteral("cli.xml"))));
        TLyProjectOptions cliProject;
        cliProject.SetName(folder.FilePath(QStringLiteral("cli.xml")));
        cliProject.Load();
        cliProject.LibraryOne()->SetOutputPath(cliOut);
        cliProject.Store();
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        QCOMPARE(RunCli({QStringLiteral("lyrabridge-cli"), QStringLiteral("sync"),
                         cliProject.GetFileName(), QStringLiteral("--rematch"),
                         QStringLiteral("--export"), QStringLiteral("one")},
                        outStream, errStream),
                 0);
        QVERIFY2(ReadWholeFile(windowOut) == ReadWholeFile(cliOut), qPrintable(err));
        QVERIFY(ReadWholeFile(windowOut) != ReadWholeFile(options.LibraryOne()->InputPath()));
        auto window = OpenMainWindow();
        QCOMPARE(window->Project()->Options()->GetFileName(), options.GetFileName());
        QCOMPARE(window->FrmSongMatchResult()->PageSongs()->currentIndex(),
                 int(TLySongMatchResult::pgOne));
        QCOMPARE(window->CurrentView()->Options()->FilterText(), QStringLiteral("Song 1"));
    }
};

QTEST_MAIN(TestLyMainWindowFaults)
#include "tst_LyMainWindowFaults.moc"
