// Formatting, date-time conversion, sets and assertion messages of the lowest layer.
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
        QTest::addColumn<quint8>("bits");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << quint8(0) << "";
        QTest::newRow("one") << quint8(2) << "clGreen";
        QTest::newRow("several in member order") << quint8(0b1101) << "clRed,clBlue,clAlpha";
    }

    void setIdentifiers() {
        QFETCH(quint8, bits);
        QFETCH(QString, text);
        QCOMPARE(tColours::FromBits(bits).ToIdentifiers(), text);
        const auto back = tColours::FromIdentifiers(text);
        QVERIFY(back.has_value());
        QCOMPARE(back->ToBits(), bits);
    }

    void setUnknownIdentifier() {
        QString unknown;
        QVERIFY(!tColours::FromIdentifiers(QStringLiteral("clRed, clPurple"), &unknown));
        QCOMPARE(unknown, QStringLiteral("clPurple"));
        QCOMPARE(tColours::FromIdentifiers(QStringLiteral(" clBlue , clRed "))->ToBits(),
                 quint8(5));
    }

    void setAlgebra() {
        const tColours warm{clRed, clAlpha};
        const tColours all = tColours::Range(clRed, clAlpha);
        QCOMPARE(all.ToBits(), quint8(15));
        QCOMPARE((all - warm), (tColours{clGreen, clBlue}));
        QVERIFY(warm.Meets(tColours{clAlpha}));
        QVERIFY(!warm.Meets(tColours{clGreen, clBlue}));
        QCOMPARE((warm + clBlue).Count(), 3);
        QVERIFY((warm - clRed - clAlpha).IsEmpty());
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
