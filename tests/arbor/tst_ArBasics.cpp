// The lowest layer's basics: formatting, date-time text in any locale, and owned objects in
// object lists (names, membership, ownership).
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
};

QTEST_GUILESS_MAIN(TestArBasics)
#include "tst_ArBasics.moc"
