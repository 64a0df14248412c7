// The registry of named objects: keys, refusals, the cursor and ownership.
#include "LyTestSupport.h"
#include "VxLookupObjectList.h"

#include <QObject>
#include <QTest>

#include <memory>

namespace {

// Records its name in `freed` when destroyed.
class THandler {
public:
    THandler(QString name, QStringList& freed)
        : FName(std::move(name))
        , FFreed(freed) {}
    virtual ~THandler() { FFreed.append(FName); }
    const QString& Name() const { return FName; }

private:
    QString FName;
    QStringList& FFreed;
};

// Keys that keep their letter case.
class TCaseSensitiveList : public TVxLookupObjectList<THandler> {
public:
    QString KeyOf(const QString& name) const override { return name; }
};

} // namespace

class TestVxLookupObjectList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addRefuses_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("sameObject");
        QTest::addColumn<QString>("message");
        QTest::newRow("same name") << "Options" << false << "Use ReplaceByName instead";
        QTest::newRow("name in other case") << "options" << false << "Use ReplaceByName instead";
        QTest::newRow("same object, new name")
            << "Other" << true << "Cannot add an object more than once";
    }

    void addRefuses() {
        QFETCH(QString, name);
        QFETCH(bool, sameObject);
        QFETCH(QString, message);
        QStringList freed;
        TVxLookupObjectList<THandler> list;
        auto* first = new THandler("first", freed);
        list.Add("Options", first);
        // A refused object stays its creator's.
        std::unique_ptr<THandler> second(sameObject ? nullptr : new THandler("second", freed));
        QString raised;
        LY_EXPECT_EXCEPTION(EAssertionFailed, list.Add(name, sameObject ? first : second.get()),
                            raised);
        QVERIFY2(raised.startsWith(message) && raised.contains("(Units/VxLists, line "),
                 qPrintable(raised));
        QCOMPARE(list.Count(), 1);
        QCOMPARE(list.Find("OPTIONS"), first);
    }

    void findAndWalk() {
        QStringList freed;
        TVxLookupObjectList<THandler> list;
        for (const char* name : {"Xml", "Ini", "Registry"})
            list.Add(name, new THandler(name, freed));
        QCOMPARE(list.Find("INI")->Name(), "Ini");
        QVERIFY(list.Find("Json") == nullptr);
        QVERIFY(list.Contains("registry"));
        QVERIFY(list.ContainsObject(list.Items(2)));
        THandler stranger("stranger", freed);
        QVERIFY(!list.ContainsObject(&stranger));

        QStringList walked;
        for (list.First(); !list.Done(); list.Next())
            walked.append(list.Current()->Name());
        QCOMPARE(walked, (QStringList{"Xml", "Ini", "Registry"}));
        QCOMPARE(list.Index(), 3);
        LY_EXPECT_ASSERTION(list.Current(), "Units/VxLists");
        LY_EXPECT_ASSERTION(list.Next(), "Units/VxLists");
        LY_EXPECT_ASSERTION(list.Items(3), "Units/VxLists");
        list.First();
        QCOMPARE(list.Current()->Name(), "Xml");
    }

    void freesItsObjects() {
        QStringList freed;
        {
            TVxLookupObjectList<THandler> list;
            list.Add("A", new THandler("a", freed));
            auto* b = new THandler("b", freed);
            list.Add("B", b);
            list.Add("C", new THandler("c", freed));

            list.ReplaceByName("b", b);
            QVERIFY(freed.isEmpty());
            list.ReplaceByName("b", new THandler("b2", freed));
            QCOMPARE(freed, QStringList{"b"});
            list.ReplaceByName("D", new THandler("d", freed));
            QCOMPARE(list.Items(1)->Name(), "b2");
            QCOMPARE(list.Count(), 4);
            LY_EXPECT_ASSERTION(list.ReplaceByName("A", list.Items(2)), "Units/VxLists");
        }
        QCOMPARE(freed, (QStringList{"b", "a", "b2", "c", "d"}));
    }

    void keyOfDecides() {
        QStringList freed;
        TCaseSensitiveList list;
        list.Add("Options", new THandler("upper", freed));
        list.Add("options", new THandler("lower", freed));
        QCOMPARE(list.Find("options")->Name(), "lower");
        QVERIFY(!list.Contains("OPTIONS"));
    }
};

QTEST_APPLESS_MAIN(TestVxLookupObjectList)
#include "tst_VxLookupObjectList.moc"
