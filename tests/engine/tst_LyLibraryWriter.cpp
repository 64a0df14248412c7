// The text of a library is cut into stretches built on several threads: written one after
// another, and saved through the threads, they give the text of a single walk, byte for byte.
#include "LibraryBuilders.h"
#include "LyLibraryFile.h"
#include "LyLibraryWriter.h"
#include "LyTestSupport.h"

#include <QTest>

namespace {

QByteArray Repeated(int count, const QByteArray& item) {
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += item;
    return text;
}

// A plist whose top dictionary holds `wide`.
QByteArray Plist(const QByteArray& wide) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + wide +
           "</dict>\n</plist>\n";
}

QByteArray Text(const pugi::xml_document& document, bool byteOrderMark) {
    QByteArray text;
    WriteLibraryXml(document, byteOrderMark,
                    [&](const char* data, qsizetype size) { text.append(data, size); });
    return text;
}

} // namespace

class TestLyLibraryWriter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void stretchesGiveTheWholeText_data() { AddDocuments(); }

    void stretchesGiveTheWholeText() {
        QFETCH(QByteArray, xml);
        QFETCH(bool, cut);
        TLyTempFolder folder;
        auto document = LoadLibraryDocument(folder.WriteFile("in.xml", xml), nullptr, nullptr);
        const bool mark = document->HasByteOrderMark();
        const QByteArray whole = Text(document->Xml(), mark);
        QVERIFY(whole.size() > 100);
        for (const int count : {1, 2, 3, 7, 64}) {
            const std::vector<TLyXmlStretch> stretches =
                SplitLibraryXml(document->Xml(), mark, count);
            QVERIFY(stretches.size() <= size_t(count));
            if (cut && count > 1)
                QVERIFY2(stretches.size() > 1, qPrintable(QString::number(count)));
            if (!cut)
                QCOMPARE(stretches.size(), size_t(1));
            QByteArray joined;
            for (const TLyXmlStretch& stretch : stretches)
                WriteLibraryXmlStretch(
                    stretch, [&](const char* data, qsizetype size) { joined.append(data, size); });
            QVERIFY2(joined == whole, qPrintable(QStringLiteral("%1 stretches").arg(count)));
        }
    }

    void savedFileIsTheWholeText_data() { AddDocuments(); }

    void savedFileIsTheWholeText() {
        QFETCH(QByteArray, xml);
        TLyTempFolder folder;
        auto document = LoadLibraryDocument(folder.WriteFile("in.xml", xml), nullptr, nullptr);
        const QString output = folder.FilePath("out.xml");
        SaveLibraryDocument(*document, output, nullptr, nullptr, 0);
        QVERIFY(ReadWholeFile(output) == Text(document->Xml(), document->HasByteOrderMark()));
    }

private:
    void AddDocuments() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("cut"); // whether the text can be cut at all
        const QByteArray track = "<dict><key>Name</key><string>A &amp; B</string></dict>\n";
        QTest::newRow("library") << MakeLargeLibraryXml(3000) << true;
        QTest::newRow("byte-order mark") << "\xEF\xBB\xBF" + MakeLargeLibraryXml(2500) << true;
        QTest::newRow("comments and instructions among the tracks")
            << Plist("<key>Tracks</key><dict>\n" +
                     Repeated(1500, "<key>1</key>" + track + "<!-- c -->\n<?pi x?>\n") +
                     "</dict>\n")
            << true;
        QTest::newRow("tracks at the top level")
            << "<?xml version=\"1.0\"?>\n<plist>\n" + Repeated(3000, track) + "</plist>\n"
            << true;
        QTest::newRow("empty and whitespace values, deep playlists after the tracks")
            << Plist(
                   "<key>Tracks</key><dict>\n" +
                   Repeated(2100, "<key>1</key><dict><key>Genre</key><string> </string>"
                                  "<key>Album</key><string></string></dict>\n") +
                   "</dict><key>Playlists</key><array><dict><array><dict><array><string>x</string>"
                   "</array></dict></array></dict></array>\n")
            << true;
        QTest::newRow("widest element holds text")
            << Plist("<key>Tracks</key><array>text " + Repeated(3000, "<string>x</string>") +
                     "</array>\n")
            << false;
        QTest::newRow("an element above it holds text")
            << Plist("<key>Tracks</key>loose text<array>" + Repeated(3000, "<string>x</string>") +
                     "</array>\n")
            << false;
        QTest::newRow("widest element deeper than three levels")
            << Plist("<key>A</key><array><array>" + Repeated(3000, "<string>x</string>") +
                     "</array></array>\n")
            << false;
        QTest::newRow("few tracks") << MakeLargeLibraryXml(20) << false;
    }
};

QTEST_GUILESS_MAIN(TestLyLibraryWriter)
#include "tst_LyLibraryWriter.moc"
