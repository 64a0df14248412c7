// The application object and the program's start-up sequence.
#include "ArDebugLog.h"
#include "ArMessageLog.h"
#include "LySystem.h"
#include "LyTestHome.h"

#include <QTest>

#include <thread>
#include <unistd.h>

namespace {

class TCountingListener : public ILySystemListener {
public:
    int Calls = 0;
    TLySystem* Seen = nullptr;
    void SystemChanged(TLySystem* system) override {
        ++Calls;
        Seen = system;
    }
};

} // namespace

class TestLySystem : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        LySystemStartup();
        QVERIFY(FileStatusCalculator());
        TakeLoggedLines();
    }

    void cleanupTestCase() { LySystemShutdown(); }
    void init() { QDir(TLyBaseOptions::ProjectsFolder()).removeRecursively(); }

    void createAndDestroyStoresThePreferences() {
        QString fileName;
        {
            TLySystem system;
            fileName = system.Options()->GetFileName();
            QVERIFY(!QFileInfo::exists(fileName)); // nothing stored yet: the defaults
        }
        QVERIFY(QFileInfo(fileName).isFile());
        QCOMPARE(TakeLoggedLines(), (QStringList{"Loading configuration from [" + fileName + "]",
                                                 "Storing configuration to [" + fileName + "]"}));

        // What was stored is what the next run loads.
        {
            TLySystem system;
            system.Options()->Projects()->Add(QStringLiteral("/p.xml"));
            system.Close();
        }
        TLySystem again;
        QCOMPARE(again.Options()->Projects()->Files(), QStringList{"/p.xml"});
    }

    void invalidPreferencesAreSetAside_data() {
        QTest::addColumn<QByteArray>("valid");
        QTest::addColumn<QByteArray>("invalid");
        QTest::newRow("not well-formed") << QByteArray("</Settings>") << QByteArray("</Setting>");
        QTest::newRow("boolean") << QByteArray("<StartITunes>True<")
                                 << QByteArray("<StartITunes>perhaps<");
        QTest::newRow("integer") << QByteArray("<Left>100<") << QByteArray("<Left>wide<");
        QTest::newRow("enumeration")
            << QByteArray("<FilterPart>sdName<") << QByteArray("<FilterPart>sdTempo<");
        QTest::newRow("handler") << QByteArray("<handler>TStrings<")
                                 << QByteArray("<handler>TVxObjectHashMap<");
    }

    // The program must start whatever the preferences file holds; the file is kept for the user.
    void invalidPreferencesAreSetAside() {
        QFETCH(QByteArray, valid);
        QFETCH(QByteArray, invalid);
        const QString fileName = TLyOptions().GetFileName();
        {
            TLySystem system;
            system.Options()->Projects()->Add(QStringLiteral("/p.xml"));
        }
        QByteArray text = ReadWholeFile(fileName);
        QVERIFY(text.contains(valid));
        text.replace(valid, invalid);
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) > 0);
        file.close();
        TakeLoggedLines();
        {
            TLySystem system;
            QCOMPARE(system.Options()->Projects()->Files(), QStringList());
            QVERIFY(system.Options()->ITunes()->StartITunes());
        }
        const QString kept = fileName + ".unreadable";
        QCOMPARE(ReadWholeFile(kept), text);
        const QStringList warnings = TakeLoggedLines().filter("could not be read");
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().startsWith("Settings file [" + fileName +
                                             "] could not be read and was kept as [" + kept +
                                             "]; the settings start empty."),
                 qPrintable(warnings.first()));
        TLySystem again; // what was stored instead reads without a warning
        QCOMPARE(TakeLoggedLines().filter("could not be read"), QStringList());
    }

    void listenersHearChanges() {
        TLySystem system;
        TCountingListener listener;
        system.AddListener(&listener);
        QCOMPARE(listener.Calls, 1); // told the current state at once
        QCOMPARE(listener.Seen, &system);
        system.Changed(); // updates gather changes as every update does
        QCOMPARE(listener.Calls, 2);
        system.RemoveListener(&listener);
        system.Changed();
        QCOMPARE(listener.Calls, 2);
    }

    void loggedLinesReachTheDebugViewer() {
        TArDebugViewer viewer(TLyTestHome::DebugChannel());
        QString error;
        QVERIFY2(viewer.Open(&error), qPrintable(error));
        viewer.SetActive(true);
        std::optional<TArDebugRecord> record;
        std::thread reader([&] { record = viewer.Receive(5000); });
        LogMessage(QStringLiteral("hello viewer"), QStringLiteral("System"), mtInfo);
        reader.join();
        viewer.Close();
        QVERIFY(record.has_value());
        QVERIFY2(record->Text.startsWith(QStringLiteral("[System][")), qPrintable(record->Text));
        QVERIFY2(record->Text.endsWith(QStringLiteral("][Info]: hello viewer\r\n")),
                 qPrintable(record->Text));
        QCOMPARE(record->ProcessId, quint32(::getpid()));
    }

private:
    TLyTestHome FHome;
};

QTEST_GUILESS_MAIN(TestLySystem)
#include "tst_LySystem.moc"
