// The hash maps' text and walks, the iterator protocol guarding its keys, and the lookup list
// of named objects.
#include "LyTestSupport.h"
#include "VxIterators.h"
#include "VxLists.h"
#include "VxLookupObjectList.h"

#include <QObject>
#include <QTest>

#include <algorithm>
#include <iterator>
#include <memory>

namespace {

// Counts destructions, to check what a map frees.
class TCounted : public QObject {
public:
    explicit TCounted(int& freed)
        : FFreed(freed) {}
    ~TCounted() override { ++FFreed; }

private:
    int& FFreed;
};

class TStringIterator : public TVxSimpleBoundedIterator {
public:
    explicit TStringIterator(QStringList& items)
        : FItems(items) {}
    int Count() const override { return int(FItems.size()); }
    QString Current() const { return FItems.at(Index()); }

private:
    QStringList& FItems;
};

// A two-way iterator that is not bounded, so the generic IsLast and Done are used. `Wrap` makes
// Advance return to the start after the last item; `StartAt` makes MoveToStart miss the start.
class TLinkIterator : public TVxTwoWayIterator {
public:
    explicit TLinkIterator(int count)
        : FCount(count) {}
    int Position() const override { return FPosition; }
    bool Done() const override { return FPosition >= FCount; }
    bool Wrap = false;
    int StartAt = 0;

protected:
    void Advance() override { FPosition = Wrap && FPosition + 1 == FCount ? 0 : FPosition + 1; }
    void Retreat() override { --FPosition; }
    void MoveToStart() override { FPosition = StartAt; }

private:
    int FCount;
    int FPosition = 0;
};

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

class TestVxLists : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void iterationStopsAndGuardsKeys() {
        TVxVariantHashMap map;
        for (const char* key : {"a", "b", "c"})
            map.SetValue(key, 0);
        int visited = 0;
        QVERIFY(
            !map.Iterate([&visited](const QString&, const QVariant&) { return ++visited < 2; }));
        QCOMPARE(visited, 2);

        // Overwriting a value is fine inside a walk; adding or removing keys is not.
        QVERIFY(map.Iterate([&map](const QString& key, const QVariant&) {
            map.SetValue(key, 1);
            return true;
        }));
        QCOMPARE(map.GetValue(u"B"), QVariant(1));
        LY_EXPECT_ASSERTION(map.IterateKeys([&map](const QString& key) {
            map.Remove(key);
            return true;
        }),
                            "Units/VxLists");
        LY_EXPECT_ASSERTION(map.IterateKeys([&map](const QString&) {
            map.SetValue("d", 1);
            return true;
        }),
                            "Units/VxLists");
        // The same holds for object maps.
        TVxObjectHashMap objects(true);
        objects.SetObject("x", new TVxObject);
        QVERIFY(objects.Iterate([&objects](const QString& key, QObject*) {
            objects.SetObject(key, new TVxObject);
            return true;
        }));
        const auto extra = std::make_unique<TVxObject>(); // not taken by a refused SetObject
        LY_EXPECT_ASSERTION(objects.Iterate([&objects, &extra](const QString&, QObject*) {
            objects.SetObject("y", extra.get());
            return true;
        }),
                            "Units/VxLists");
        QCOMPARE(objects.Count(), 1);
        // The guard ends with the walk, even when the walk ends by an exception.
        map.Remove(u"a");
        QCOMPARE(map.Count(), 2);
        QString message;
        LY_EXPECT_EXCEPTION(EVxListsError, map.Remove(u"Missing"), message);
        QVERIFY2(message.contains("[Missing]"), qPrintable(message));
    }

    void asText_data() {
        QTest::addColumn<QVariantMap>("entries");
        QTest::addColumn<QChar>("quote");
        QTest::addColumn<QChar>("escape");
        QTest::addColumn<QString>("expected");
        const QChar dq = u'"';
        const QVariantMap quoted{{"K", "a\"b"}};
        QTest::newRow("empty") << QVariantMap{} << dq << dq << "";
        QTest::newRow("null value") << QVariantMap{{"Key", QVariant()}} << dq << dq << "\"Key\"";
        QTest::newRow("quotes doubled in value only")
            << QVariantMap{{"K\"y", "a\"b"}} << dq << dq << "\"K\"y=a\"\"b\"";
        QTest::newRow("other escape") << quoted << dq << QChar(u'\\') << "\"K=a\\\"b\"";
        QTest::newRow("no escape char") << quoted << dq << QChar() << "\"K=a\"b\"";
        QTest::newRow("quoting off") << quoted << QChar() << dq << "K=a\"b";
        QTest::newRow("number, two entries, no trailing break")
            << QVariantMap{{"A", 42}, {"B", QVariant()}} << dq << dq << "\"A=42\"\r\n\"B\"";
    }

    void asText() {
        QFETCH(QVariantMap, entries);
        QFETCH(QChar, quote);
        QFETCH(QChar, escape);
        QFETCH(QString, expected);
        TVxVariantHashMap map;
        map.SetQuoteChar(quote);
        map.SetEscapeChar(escape);
        for (auto it = entries.cbegin(); it != entries.cend(); ++it)
            map.SetValue(it.key(), it.value());
        // Entry order is the table's own: compare the lines as sets.
        QStringList lines = map.AsText().split("\r\n");
        QStringList expectedLines = expected.split("\r\n");
        lines.sort();
        expectedLines.sort();
        QCOMPARE(lines, expectedLines);

        // An object map shows its keys alone.
        TVxObjectHashMap objects(false);
        objects.SetQuoteChar(quote);
        objects.SetObject("K", this);
        QCOMPARE(objects.AsText(), quote.isNull() ? "K" : "\"K\"");
    }

    void walk_data() {
        QTest::addColumn<QStringList>("items");
        QTest::newRow("none") << QStringList{};
        QTest::newRow("one") << QStringList{"a"};
        QTest::newRow("three") << QStringList{"a", "b", "c"};
    }

    void walk() {
        QFETCH(QStringList, items);
        TStringIterator it(items);
        QCOMPARE(it.First(), items.isEmpty());
        QCOMPARE(it.Done(), items.isEmpty());
        QCOMPARE(it.IsEmpty(), items.isEmpty());
        QStringList walked;
        QStringList lastFlags;
        for (; !it.Done(); it.Next()) {
            walked.append(it.Current());
            lastFlags.append(it.IsLast() ? "last" : "-");
        }
        QCOMPARE(walked, items);
        if (!items.isEmpty())
            QCOMPARE(lastFlags.indexOf("last"), items.size() - 1);
        QCOMPARE(it.Position(), int(items.size()));
        QVERIFY(!it.IsLast());
        LY_EXPECT_ASSERTION(it.Next(), "Units/VxLists");

        // Backwards from the end to the first item, then no further.
        QStringList back;
        while (it.HasPrevious()) {
            it.Previous();
            back.prepend(it.Current());
        }
        QCOMPARE(back, items);
        QVERIFY(it.IsFirst());
        LY_EXPECT_ASSERTION(it.Previous(), "Units/VxLists");
    }

    void lookupListFindsWalksAndFrees() {
        QStringList freed;
        {
            TVxLookupObjectList<THandler> list;
            for (const char* name : {"Xml", "Ini", "Registry"})
                list.Add(name, new THandler(name, freed));
            QCOMPARE(list.Find("INI")->Name(), "Ini");
            QVERIFY(list.Find("Json") == nullptr && list.Contains("registry"));
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

            // Replacing by the same object frees nothing; by another, the old one.
            THandler* ini = list.Items(1);
            list.ReplaceByName("ini", ini);
            list.ReplaceByName("ini", new THandler("ini2", freed));
            list.ReplaceByName("Json", new THandler("json", freed));
            QCOMPARE(freed, QStringList{"Ini"});
            QCOMPARE(list.Items(1)->Name(), "ini2");
            QCOMPARE(list.Count(), 4);
            LY_EXPECT_ASSERTION(list.ReplaceByName("Xml", list.Items(2)), "Units/VxLists");
        }
        QCOMPARE(freed, (QStringList{"Ini", "stranger", "Xml", "ini2", "Registry", "json"}));

        TCaseSensitiveList sensitive; // KeyOf decides what counts as the same name
        sensitive.Add("Options", new THandler("upper", freed));
        sensitive.Add("options", new THandler("lower", freed));
        QCOMPARE(sensitive.Find("options")->Name(), "lower");
        QVERIFY(!sensitive.Contains("OPTIONS"));
    }
};

QTEST_APPLESS_MAIN(TestVxLists)
#include "tst_VxLists.moc"
