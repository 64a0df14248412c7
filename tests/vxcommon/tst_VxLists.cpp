// Case-insensitive keys, the variant and object hash maps, the iterator protocol and the
// registry of named objects.
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

QStringList Keys(const TVxHashMap& map) {
    QStringList keys;
    map.IterateKeys([&keys](const QString& key) {
        keys.append(key);
        return true;
    });
    keys.sort();
    return keys;
}

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
    // Each cased code point alone is the next test's; these rows are the keys around such points.
    void keysIgnoreCase_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("looked");
        QTest::addColumn<bool>("same");
        const auto row = [](const char* name, const QString& stored, const QString& looked,
                            bool same) {
            QTest::newRow(name) << stored << looked << same;
        };
        row("ascii", "Name", "NAME", true);
        row("surrogate pair", "\U00010400x", "\U00010428X", true);
        row("empty", "", "", true);
        for (int length : {255, 256, 700})
            QTest::addRow("long key, pair after %d units", length)
                << QString(length, 'a') + "\U00010400É" << QString(length, 'A') + "\U00010428é"
                << true;
        row("sharp s is not ss", "STRASSE", "straße", false);
        row("accent differs", "Beyonce", "Beyoncé", false);
        row("prefix", "Name", "Names", false);
        row("ASCII neighbours of letters", "@[", "`{", false);
        row("lone high surrogate", QString(QChar(0xD801)), QString(QChar(0xD802)), false);
        row("lone low surrogates", QString(QChar(0xDC00)) + "k", QString(QChar(0xDC28)) + "\u212A",
            false);
        row("high surrogate before a letter", QString(QChar(0xD801)) + "é",
            QString(QChar(0xD801)) + "É", true);
    }

    void keysIgnoreCase() {
        QFETCH(QString, stored);
        QFETCH(QString, looked);
        QFETCH(bool, same);
        QCOMPARE(QString::compare(stored, looked, Qt::CaseInsensitive) == 0, same);
        QCOMPARE(VxCaseInsensitiveEqual(stored, looked), same);
        if (same)
            QCOMPARE(VxCaseInsensitiveHash(looked, 7), VxCaseInsensitiveHash(stored, 7));

        TVxVariantHashMap map;
        map.SetValue(stored, 1);
        QCOMPARE(map.Contains(looked), same);
        QCOMPARE(map.GetValue(looked), same ? QVariant(1) : QVariant());
        // Storing under an equal key overwrites the value and keeps the first spelling.
        map.SetValue(looked, 2);
        QCOMPARE(map.GetValue(stored), QVariant(same ? 2 : 1));
        QStringList expectedKeys{stored};
        if (!same)
            expectedKeys.append(looked);
        expectedKeys.sort();
        QCOMPARE(Keys(map), expectedKeys);
        map.Remove(looked);
        QCOMPARE(Keys(map), same ? QStringList{} : QStringList{stored});
    }

    void hashAgreesWithQtForEveryCodePoint() {
        // Each code point with a case mapping against its folded, upper and lower forms, inside a
        // longer key so that surrogate pairs are taken apart from their neighbours.
        int casedCodePoints = 0;
        for (char32_t codePoint = 0; codePoint <= 0x10FFFF; ++codePoint) {
            const char32_t others[] = {QChar::toCaseFolded(codePoint), QChar::toUpper(codePoint),
                                       QChar::toLower(codePoint)};
            if (std::count(std::begin(others), std::end(others), codePoint) == 3)
                continue;
            ++casedCodePoints;
            const QString key = "a" + QString::fromUcs4(&codePoint, 1) + "Z";
            for (char32_t other : others) {
                const QString otherKey = "A" + QString::fromUcs4(&other, 1) + "z";
                const bool qtEqual = QString::compare(key, otherKey, Qt::CaseInsensitive) == 0;
                if (VxCaseInsensitiveEqual(key, otherKey) != qtEqual)
                    QFAIL(qPrintable(QString::number(codePoint, 16)));
                if (qtEqual && VxCaseInsensitiveHash(key) != VxCaseInsensitiveHash(otherKey))
                    QFAIL(qPrintable(QString::number(codePoint, 16)));
            }
        }
        QVERIFY(casedCodePoints > 2000);
    }

    void objectMapFreesWhatItOwns_data() {
        QTest::addColumn<bool>("owns");
        QTest::newRow("owning") << true;
        QTest::newRow("referring") << false;
    }

    void objectMapFreesWhatItOwns() {
        QFETCH(bool, owns);
        int freed = 0;
        std::vector<std::unique_ptr<TCounted>> keep; // what a referring map's creator frees
        auto make = [&] {
            auto* object = new TCounted(freed);
            if (!owns)
                keep.emplace_back(object);
            return object;
        };
        const int unit = owns ? 1 : 0;
        {
            TVxObjectHashMap map(owns);
            map.Reserve(100);
            auto* a = make();
            map.SetObject("A", a);
            map.SetObject("B", make());
            map.SetObject("C", make());
            map.SetObject("a", a);
            QCOMPARE(freed, 0);
            QCOMPARE(map.GetObject(u"A"), a);
            QVERIFY(map.GetObject(u"D") == nullptr);

            auto* replacement = make();
            map.SetObject("b", replacement);
            QCOMPARE(freed, unit);
            QCOMPARE(map.GetObject(u"B"), replacement);
            QCOMPARE(Keys(map), (QStringList{"A", "B", "C"}));

            map.Remove(u"c");
            QCOMPARE(freed, 2 * unit);
            QString message; // removing an absent key raises and names it
            LY_EXPECT_EXCEPTION(EVxListsError, map.Remove(u"c"), message);
            QVERIFY2(message.contains("[c]"), qPrintable(message));
            map.Clear();
            QCOMPARE(freed, 4 * unit);
            QCOMPARE(map.Count(), 0);

            map.SetObject("D", make());
            auto* e = make();
            map.AddNew("E", e);
            QCOMPARE(map.GetObject(u"e"), e);
            // A key that is there already keeps its entry; the object offered is freed if owned.
            LY_EXPECT_ASSERTION(map.AddNew("e", make()), "Units/VxLists");
            QCOMPARE(map.GetObject(u"E"), e);
            QCOMPARE(freed, 5 * unit);
            QCOMPARE(map.Count(), 2);
        }
        QCOMPARE(freed, 7 * unit);
        keep.clear();
        QCOMPARE(freed, 7);
    }

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

    // IsEmpty restarts only a walk that is done; a shrunk list ends the walk; an unbounded
    // iterator uses the generic IsLast; implementations that wrap or miss the start are caught.
    void iteratorEdges() {
        QStringList items{"a", "b", "c"};
        TStringIterator it(items);
        it.First();
        it.Next();
        QVERIFY(!it.IsEmpty());
        QCOMPARE(it.Position(), 1);
        it.Next();
        it.Next();
        QVERIFY(!it.IsEmpty());
        QCOMPARE(it.Position(), 0);
        it.Next();
        items.resize(1);
        QVERIFY(it.Done());
        LY_EXPECT_ASSERTION(it.Next(), "Units/VxLists");

        TLinkIterator link(3);
        QStringList flags;
        for (link.First(); !link.Done(); link.Next())
            flags.append(QString::number(link.Position()) + (link.IsLast() ? "L" : ""));
        QCOMPARE(flags, (QStringList{"0", "1", "2L"}));
        QVERIFY(!link.IsLast());

        TLinkIterator wrapping(2);
        wrapping.Wrap = true;
        wrapping.First();
        wrapping.Next();
        LY_EXPECT_ASSERTION(wrapping.Next(), "Units/VxLists");
        TLinkIterator missing(2);
        missing.StartAt = 1;
        LY_EXPECT_ASSERTION(missing.Reset(), "Units/VxLists");
    }

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
