// Owned objects and object lists: names, membership, ownership and the live-object count.
#include "ArObjects.h"
#include "LyTestSupport.h"

#include <QRegularExpression>
#include <QTest>

#include <memory>

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

class TestArObjects : public QObject {
    Q_OBJECT
private Q_SLOTS:
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

QTEST_GUILESS_MAIN(TestArObjects)
#include "tst_ArObjects.moc"
