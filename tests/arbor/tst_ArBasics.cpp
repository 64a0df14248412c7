// The lowest layer's basics: formatting, date-time conversion, set identifiers, assertion
// messages, and owned objects in object lists (names, membership, ownership, live count).
#include "ArDateTime.h"
#include "ArExceptions.h"
#include "ArFormat.h"
#include "ArObjects.h"
#include "ArSet.h"
#include "LyTestSupport.h"

#include <QLocale>
#include <QObject>
#include <QRegularExpression>
#include <QTest>

#include <memory>

LY_UNIT("Tests/ArBasics")

namespace TestEnums {
Q_NAMESPACE
enum tColour { clRed, clGreen, clBlue, clAlpha };
Q_ENUM_NS(tColour)
} // namespace TestEnums
using namespace TestEnums;
using tColours = TLySet<tColour, quint8>;

namespace {

// Named, and reports its own destruction so tests can tell freed from kept.
class TProbe : public TArObject {
public:
    explicit TProbe(TArObjectList* ownerList, QString name = {}, bool* destroyed = nullptr)
        : TArObject(ownerList)
        , FName(std::move(name))
        , FDestroyed(destroyed) {}
    ~TProbe() override {
        if (FDestroyed)
            *FDestroyed = true;
    }
    QString Name() const override { return FName.isEmpty() ? TArObject::Name() : FName; }

private:
    QString FName;
    bool* FDestroyed;
};

class TInitializedTwice : public TArObject {
public:
    TInitializedTwice() { Initialize(); }
};

} // namespace

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
        QTest::newRow("fixed, no decimals") << "%.0f" << QVariantList{1.4} << "1";
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
        QCOMPARE(FormatDateTime(QStringLiteral("d/m/yy"), EncodeDateTime(2001, 3, 4)),
                 QStringLiteral("4/3/01"));
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

    void names() {
        const TArObject plain;
        const TProbe probe(nullptr);
        const QRegularExpression pattern(QStringLiteral("^TArObject\\(\\$[0-9A-F]{8,}\\)$"));
        QVERIFY2(pattern.match(plain.Name()).hasMatch(), qPrintable(plain.Name()));
        QVERIFY2(probe.Name().contains(QStringLiteral("TProbe($")), qPrintable(probe.Name()));
        QVERIFY(plain.Name() != probe.Name());
        QCOMPARE(ArObjectName(nullptr), QStringLiteral("(nil)"));

        TArObjectList list(true);
        TProbe root(nullptr, QStringLiteral("Root"));
        const TArObject child(&list, &root);
        QCOMPARE(child.StackTraceName(), QStringLiteral("Root.") + child.Name());
    }

    void listFreesOnlyWhenOwning_data() {
        QTest::addColumn<bool>("owns");
        QTest::addColumn<QString>("action");
        for (const bool owns : {true, false}) {
            for (const char* action : {"clear", "delete", "free list"})
                QTest::addRow("%s, %s", owns ? "owning" : "referring", action) << owns << action;
        }
    }

    void listFreesOnlyWhenOwning() {
        QFETCH(bool, owns);
        QFETCH(QString, action);
        const int liveBefore = TArObject::LiveObjectCount();
        bool destroyed = false;
        auto list = std::make_unique<TArObjectList>(owns);
        auto* item = new TProbe(list.get(), {}, &destroyed);
        QCOMPARE(TArObject::LiveObjectCount(), liveBefore + 1);
        if (action == "clear")
            list->Clear();
        else if (action == "delete")
            list->Delete(0);
        else
            list.reset();
        QCOMPARE(destroyed, owns);
        if (!owns) {
            // The item outlives the list it was in and must not reach back into it.
            QCOMPARE(item->OwnerList(), nullptr);
            delete item;
        }
        QCOMPARE(TArObject::LiveObjectCount(), liveBefore);
    }

    void objectLeavesListAndJoinsOnlyOne() {
        TArObjectList first(true);
        TArObjectList second(true);
        auto* gone = new TProbe(&first);
        auto* item = new TProbe(&first);
        delete gone;
        QCOMPARE(first.Count(), 1);
        QCOMPARE(first.Item(0), item);
        LY_EXPECT_ASSERTION(second.Add(item), "Arbor/ArObjects");
        QCOMPARE(second.Count(), 0);
        QCOMPARE(first.Extract(item), item);
        QCOMPARE(second.Add(item), 0);
        QCOMPARE(item->OwnerList(), &second);
    }

    void indexOfName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("hint");
        QTest::addColumn<int>("expected");
        // The list holds "Alpha", "beta", "BETA".
        QTest::newRow("other case") << "ALPHA" << -1 << 0;
        QTest::newRow("first of equal names") << "Beta" << -1 << 1;
        QTest::newRow("hint wins") << "beta" << 2 << 2;
        QTest::newRow("wrong hint falls back") << "beta" << 0 << 1;
        QTest::newRow("hint out of range") << "alpha" << 7 << 0;
        QTest::newRow("absent") << "gamma" << 1 << -1;
    }

    void indexOfName() {
        QFETCH(QString, name);
        QFETCH(int, hint);
        QFETCH(int, expected);
        TArObjectList list(true);
        for (const char* itemName : {"Alpha", "beta", "BETA"})
            new TProbe(&list, QString::fromLatin1(itemName));
        QCOMPARE(list.IndexOfName(name, hint), expected);
        QCOMPARE(list.FindByName(name, hint), expected < 0 ? nullptr : list.Item(expected));
    }

    void initializeTwiceAssertsAndLeavesCountUnchanged() {
        const int liveBefore = TArObject::LiveObjectCount();
        QString message;
        LY_EXPECT_EXCEPTION(EAssertionFailed, TInitializedTwice(), message);
        QVERIFY2(message.startsWith(QStringLiteral(
                     "Initialize is for internal use only (cannot be called more than once).")),
                 qPrintable(message));
        QCOMPARE(TArObject::LiveObjectCount(), liveBefore);
    }
};

QTEST_GUILESS_MAIN(TestArBasics)
#include "tst_ArBasics.moc"
