// CSV records of the report: which fields are quoted and how.
#include "CliReport.h"

#include <QTest>

class TestCliReport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void record_data() {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("record");
        QTest::newRow("plain") << QStringList{"one", "Waterloo", "5"} << "one,Waterloo,5\r\n";
        QTest::newRow("empty fields") << QStringList{"two", "", ""} << "two,,\r\n";
        QTest::newRow("comma") << QStringList{"Crosby, Stills", "x"} << "\"Crosby, Stills\",x\r\n";
        QTest::newRow("quotes doubled")
            << QStringList{"The \"Best\" Of"} << "\"The \"\"Best\"\" Of\"\r\n";
        QTest::newRow("line feed") << QStringList{"a\nb", "c"} << "\"a\nb\",c\r\n";
        QTest::newRow("carriage return") << QStringList{"a\rb"} << "\"a\rb\"\r\n";
        QTest::newRow("spaces and semicolons stay bare")
            << QStringList{" lead", "a;b"} << " lead,a;b\r\n";
        QTest::newRow("non-ASCII") << QStringList{"Björk", "Sigur Rós"} << "Björk,Sigur Rós\r\n";
    }

    void record() {
        QFETCH(QStringList, fields);
        QFETCH(QString, record);
        QCOMPARE(CsvRecord(fields), record);
    }
};

QTEST_GUILESS_MAIN(TestCliReport)
#include "tst_CliReport.moc"
