// Formatting, date-time conversion, set identifiers and assertion messages of the lowest layer.
#include "ArDateTime.h"
#include "ArExceptions.h"
#include "ArFormat.h"
#include "ArSet.h"
#include "LyTestSupport.h"

#include <QLocale>
#include <QObject>
#include <QTest>

LY_UNIT("Tests/ArBasics")

namespace TestEnums {
Q_NAMESPACE
enum tColour { clRed, clGreen, clBlue, clAlpha };
Q_ENUM_NS(tColour)
} // namespace TestEnums
using namespace TestEnums;
using tColours = TLySet<tColour, quint8>;

class TestArBasics : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void format_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QString>("expected");
        QTest::newRow("string") << "Repository [%s] does not exist." << QVariantList{"x"}
                                << "Repository [x] does not exist.";
        QTest::newRow("number") << "%d files were dropped, but only 2 used." << QVariantList{5}
                                << "5 files were dropped, but only 2 used.";
        QTest::newRow("two") << "[%s] Start task [%s]" << QVariantList{"P", "Load"}
                             << "[P] Start task [Load]";
        QTest::newRow("surplus ignored") << "%s" << QVariantList{"a", "b"} << "a";
        QTest::newRow("missing kept") << "%s and %s" << QVariantList{"a"} << "a and %s";
        QTest::newRow("percent") << "100%% of %d" << QVariantList{3} << "100% of 3";
        QTest::newRow("width") << "[%5d][%-3s]" << QVariantList{42, "a"} << "[   42][a  ]";
        QTest::newRow("fixed") << "%.3f" << QVariantList{1.5} << "1.500";
        QTest::newRow("trailing percent") << "50%" << QVariantList{} << "50%";
        QTest::newRow("unknown kind") << "%q" << QVariantList{1} << "%q";
        QTest::newRow("placeholder text in argument")
            << "%s/%s" << QVariantList{"%s", "b"} << "%s/b";
    }

    void format() {
        QFETCH(QString, format);
        QFETCH(QVariantList, args);
        QFETCH(QString, expected);
        QCOMPARE(ArFormat(format, args), expected);
    }

    void dateTimeRoundTrip_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("epoch") << 0.0 << QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
        QTest::newRow("noon 2006")
            << 38767.5 << QDateTime(QDate(2006, 2, 19), QTime(12, 0), Qt::UTC);
        QTest::newRow("before epoch keeps time of day")
            << -1.25 << QDateTime(QDate(1899, 12, 29), QTime(6, 0), Qt::UTC);
        QTest::newRow("rounds to the next midnight")
            << 38767.9999999999 << QDateTime(QDate(2006, 2, 20), QTime(0, 0), Qt::UTC);
        QTest::newRow("seconds") << 45000.0 + (13 * 3600 + 5 * 60 + 9) / 86400.0
                                 << QDateTime(QDate(2023, 3, 15), QTime(13, 5, 9), Qt::UTC);
    }

    void dateTimeRoundTrip() {
        QFETCH(double, value);
        QFETCH(QDateTime, expected);
        QCOMPARE(DateTimeToQDateTime(value), expected);
        QVERIFY(qAbs(QDateTimeToDateTime(expected) - value) < 1e-8);
    }

    void formatDateTimeIgnoresLocale() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(FormatDateTime(QStringLiteral("mmmm d, yyyy h:nn:ss"), 38767.5),
                 QStringLiteral("February 19, 2006 12:00:00"));
        QCOMPARE(FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"),
                                EncodeDateTime(2001, 3, 4, 5, 6, 7)),
                 QStringLiteral("2001-03-04 05:06:07"));
        QCOMPARE(FormatDateTime(QStringLiteral("'at' h:nn mmm"), EncodeDateTime(2001, 9, 4, 15, 6)),
                 QStringLiteral("at 15:06 Sep"));
        QLocale::setDefault(QLocale::c());
    }

    void setIdentifiers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bits");        // -1: refused
        QTest::addColumn<QString>("written"); // or the name refused
        QTest::newRow("empty") << "" << 0 << "";
        QTest::newRow("several, in member order")
            << "clAlpha,clRed,clBlue" << 0b1101 << "clRed,clBlue,clAlpha";
        QTest::newRow("blanks around names") << " clBlue , clRed " << 5 << "clRed,clBlue";
        QTest::newRow("unknown name") << "clRed, clPurple" << -1 << "clPurple";
    }

    void setIdentifiers() {
        QFETCH(QString, text);
        QFETCH(int, bits);
        QFETCH(QString, written);
        QString unknown;
        const std::optional<tColours> read = tColours::FromIdentifiers(text, &unknown);
        QCOMPARE(read.has_value(), bits >= 0);
        if (read) {
            QCOMPARE(read->ToBits(), quint8(bits));
            QCOMPARE(read->ToIdentifiers(), written);
        } else {
            QCOMPARE(unknown, written);
        }
    }

    void assertionMessageNamesUnitAndLine() {
        QString message;
        const int line = __LINE__ + 1;
        LY_EXPECT_EXCEPTION(EAssertionFailed, LY_ASSERT(1 + 1 == 3), message);
        QCOMPARE(message, QStringLiteral("Assertion failure (Tests/ArBasics, line %1)").arg(line));
        LY_EXPECT_EXCEPTION(EAssertionFailed, LY_ASSERT_MSG(false, "Use ReplaceByName instead"),
                            message);
        QVERIFY(
            message.startsWith(QStringLiteral("Use ReplaceByName instead (Tests/ArBasics, line ")));
    }

    void checkedIncrementOverflows() {
        QCOMPARE(CheckedIncrement(41), 42);
        QString message;
        LY_EXPECT_EXCEPTION(EIntOverflow, CheckedIncrement(std::numeric_limits<int>::max()),
                            message);
    }
};

QTEST_APPLESS_MAIN(TestArBasics)
#include "tst_ArBasics.moc"
