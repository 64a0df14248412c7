// Malformed library and settings files: each is refused with a message that names the file and
// says what is wrong, in bounded memory, and nothing is written. The small cases are files in
// tests/data/malformed; the large ones are made here. Then the fuzz targets' kept inputs.
#include "LibraryBuilders.h"
#include "LyFuzzTargets.h"
#include "LyLibraryFile.h"
#include "LyTestFiles.h"
#include "LyTestSupport.h"
#include "VxSettingsXML.h"

#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QTest>

#include <sys/resource.h>

namespace {

const QString kCorpus = QStringLiteral(LY_TEST_DATA_DIR "/malformed");

// The stored cases and what the library reader says about each.
const QList<std::pair<QString, QString>> kStoredCases = {
    {QStringLiteral("bad-attribute.xml"), QStringLiteral("is not well-formed XML")},
    {QStringLiteral("bare-ampersand.xml"), QStringLiteral("starts no known entity")},
    {QStringLiteral("entity-definitions.xml"), QStringLiteral("internal subset")},
    {QStringLiteral("mismatched-tags.xml"), QStringLiteral("Start-end tags mismatch")},
    {QStringLiteral("no-root-element.xml"), QStringLiteral("No document element found")},
    {QStringLiteral("nul-reference.xml"), QStringLiteral("character XML forbids")},
    {QStringLiteral("out-of-range-reference.xml"), QStringLiteral("character XML forbids")},
    {QStringLiteral("surrogate-reference.xml"), QStringLiteral("character XML forbids")},
    {QStringLiteral("unclosed-tag.xml"), QStringLiteral("is not well-formed XML")},
    {QStringLiteral("undefined-entity.xml"), QStringLiteral("starts no known entity")},
    {QStringLiteral("unused-entity-definition.xml"), QStringLiteral("internal subset")},
};

constexpr int kDepth = 100000;

using TBody = void (*)(const uint8_t*, size_t);

const std::pair<const char*, TBody> kTargets[] = {
    {"library_document", &LyFuzzLibraryDocument},
    {"options_files", &LyFuzzOptionsFiles},
    {"library_values", &LyFuzzLibraryValues},
    {"is_library_file", &LyFuzzIsLibraryFile},
};

QByteArray DeepUnclosed() {
    return "<?xml version=\"1.0\"?>\n<plist version=\"1.0\">" +
           QByteArray("<dict>").repeated(kDepth);
}

QByteArray RandomBytes() {
    QRandomGenerator random(20060218);
    QByteArray bytes(64 * 1024, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

qint64 PeakMemoryKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

class TestMalformedFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        LyFuzzSetUp();
        FBaselineKb = PeakMemoryKb();
    }
    void refused_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("libraryProblem");
        QStringList listed;
        for (const auto& [name, message] : kStoredCases) {
            QTest::newRow(qPrintable(name)) << ReadWholeFile(kCorpus + u'/' + name) << message;
            listed << name;
        }
        if (QDir(kCorpus).entryList(QDir::Files, QDir::Name) != listed)
            qFatal("the stored cases and their list differ"); // none may go untested
        QTest::newRow("nesting 100,000 deep")
            << DeepUnclosed() << QStringLiteral("not well-formed");
        QTest::newRow("binary zeros")
            << QByteArray(1024 * 1024, '\0') << QStringLiteral("is not valid UTF-8 text (byte 0)");
        QTest::newRow("random bytes") << RandomBytes() << QStringLiteral("is not valid UTF-8 text");
        QTest::newRow("half a library")
            << MakeLargeLibraryXml(20).chopped(5000) << QStringLiteral("is not well-formed XML");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("is empty");
    }

    void refused() {
        QFETCH(QByteArray, content);
        QFETCH(QString, libraryProblem);
        const TLyTempFolder folder;
        const QString path = folder.WriteFile(QStringLiteral("file.xml"), content);

        QString message;
        LY_EXPECT_EXCEPTION(
            ELyProjectError,
            {
                const auto document = LoadLibraryDocument(path, nullptr, nullptr);
                TLyLibraryOptions library;
                ReadLibrary(*document, library, TLyCompareOptions(), nullptr, nullptr);
            },
            message);
        QVERIFY2(message.contains(u'[' + path + u']'), qPrintable(message));
        QVERIFY2(message.contains(libraryProblem), qPrintable(message));

        TVxSettingsXMLFileRepository settings;
        LY_EXPECT_EXCEPTION(EVxSettingsXMLException, settings.SetFileName(path), message);
        QVERIFY2(message.startsWith(QStringLiteral("Cannot read settings file [%1]: ").arg(path)),
                 qPrintable(message));
        QVERIFY2(message.size() > path.size() + 32, qPrintable(message)); // the reason follows

        // Nothing was written, renamed or left beside the file.
        QCOMPARE(ReadWholeFile(path), content);
        QCOMPARE(LyFolderFiles(folder.Path()), QStringList{QStringLiteral("file.xml")});
        // Nothing of the input multiplied: entity expansion would take gigabytes.
        QVERIFY2(
            PeakMemoryKb() - FBaselineKb < 512 * 1024,
            qPrintable(
                QStringLiteral("peak memory grew by %1 KB").arg(PeakMemoryKb() - FBaselineKb)));
    }

    void deepNestingIsReadAndWrittenWithoutRecursion_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("library") << QStringLiteral("library");
        QTest::newRow("settings") << QStringLiteral("settings");
    }

    // Well-formed but 100,000 levels deep, inside a track's value and inside a settings value: it
    // reads, saves and reads again, so neither parser nor writer recurses per level.
    void deepNestingIsReadAndWrittenWithoutRecursion() {
        QFETCH(QString, kind);
        const TLyTempFolder folder;
        const QByteArray deep =
            QByteArray("<array>").repeated(kDepth) + "x" + QByteArray("</array>").repeated(kDepth);
        if (kind == QStringLiteral("library")) {
            TLyLibraryTrack track = MakeLibraryTrack(1);
            track.append({QStringLiteral("Deep"), QStringLiteral("array"), QStringLiteral("@")});
            QByteArray xml = MakeLibraryXml({track});
            xml.replace("<array>@</array>", deep);
            const QString path = folder.WriteFile(QStringLiteral("library.xml"), xml);
            const auto document = LoadLibraryDocument(path, nullptr, nullptr);
            TLyLibraryOptions library;
            QVERIFY(
                ReadLibrary(*document, library, TLyCompareOptions(), nullptr, nullptr)->Count() >
                0);
            const QString saved = folder.FilePath(QStringLiteral("saved.xml"));
            SaveLibraryDocument(*document, saved, nullptr, nullptr, 0);
            LoadLibraryDocument(saved, nullptr, nullptr);
            const QByteArray written = ReadWholeFile(saved);
            QVERIFY(written.count("<array>") >= kDepth);
            // Indentation must not grow with the depth: that would write gigabytes.
            QVERIFY2(written.size() < 40 * xml.size(), qPrintable(QString::number(written.size())));
        } else {
            const QString path =
                folder.WriteFile(QStringLiteral("settings.xml"),
                                 "<Settings><Options><Deep>" + deep +
                                     "</Deep><Name>kept</Name></Options></Settings>");
            TVxSettingsXMLFileRepository settings;
            settings.SetFileName(path);
            QCOMPARE(settings.ReadValue(QStringLiteral("Options.Name"), svtWidetext).toString(),
                     QStringLiteral("kept"));
            settings.WriteValue(QStringLiteral("Options.Name"), QStringLiteral("changed"));
            settings.Save();
            TVxSettingsXMLFileRepository again;
            again.SetFileName(path);
            QCOMPARE(again.ReadValue(QStringLiteral("Options.Name"), svtWidetext).toString(),
                     QStringLiteral("changed"));
            const QByteArray written = ReadWholeFile(path);
            QVERIFY(written.count("<array>") >= kDepth);
            QVERIFY2(written.size() < 40 * qsizetype(deep.size()),
                     qPrintable(QString::number(written.size())));
        }
    }

    // Every seed and every kept finding of the fuzz targets, run through the targets' bodies. A
    // body aborts with its reason on a broken check; the sanitizer builds also catch what it
    // touches.
    void fuzzInput_data() {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("path");
        const QString root = QStringLiteral(LY_TEST_DATA_DIR "/..");
        for (int target = 0; target < int(std::size(kTargets)); ++target) {
            const QString name = QString::fromLatin1(kTargets[target].first);
            int count = 0;
            for (const QString& folder :
                 {QStringLiteral("/../fuzz/corpus/"), QStringLiteral("/data/fuzz-regressions/")}) {
                QDirIterator it(root + folder + name, QDir::Files);
                while (it.hasNext()) {
                    const QString path = it.next();
                    QTest::newRow(qPrintable(name + u'/' + QFileInfo(path).fileName()))
                        << target << path;
                    ++count;
                }
            }
            if (count == 0)
                qFatal("no inputs for the fuzz target %s", kTargets[target].first);
        }
    }

    void fuzzInput() {
        QFETCH(int, target);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        const QByteArray bytes = file.readAll();
        kTargets[target].second(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                size_t(bytes.size()));
    }

private:
    qint64 FBaselineKb = 0;
};

QTEST_GUILESS_MAIN(TestMalformedFiles)
#include "tst_MalformedFiles.moc"
