// The iterator protocol over index-based and generic two-way iterators.
#include "LyTestSupport.h"
#include "VxIterators.h"

#include <QObject>
#include <QTest>

namespace {

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

} // namespace

class TestVxIterators : public QObject {
    Q_OBJECT
private Q_SLOTS:
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

    void isEmptyRestartsOnlyWhenNeeded() {
        QStringList items{"a", "b"};
        TStringIterator it(items);
        it.First();
        it.Next();
        QVERIFY(!it.IsEmpty());
        QCOMPARE(it.Position(), 1);
        it.Next();
        QVERIFY(!it.IsEmpty());
        QCOMPARE(it.Position(), 0);
    }

    void genericIsLast() {
        TLinkIterator it(3);
        QStringList flags;
        for (it.First(); !it.Done(); it.Next())
            flags.append(QString::number(it.Position()) + (it.IsLast() ? "L" : ""));
        QCOMPARE(flags, (QStringList{"0", "1", "2L"}));
        QVERIFY(!it.IsLast());
        QCOMPARE(it.Position(), 3);
    }

    void brokenImplementationsAreCaught() {
        TLinkIterator wrapping(2);
        wrapping.Wrap = true;
        wrapping.First();
        wrapping.Next();
        LY_EXPECT_ASSERTION(wrapping.Next(), "Units/VxLists");

        TLinkIterator missing(2);
        missing.StartAt = 1;
        LY_EXPECT_ASSERTION(missing.Reset(), "Units/VxLists");
    }

    void doneWhenItemsShrink() {
        QStringList items{"a", "b", "c"};
        TStringIterator it(items);
        it.First();
        it.Next();
        it.Next();
        items.resize(1);
        QVERIFY(it.Done());
        LY_EXPECT_ASSERTION(it.Next(), "Units/VxLists");
    }
};

QTEST_APPLESS_MAIN(TestVxIterators)
#include "tst_VxIterators.moc"
