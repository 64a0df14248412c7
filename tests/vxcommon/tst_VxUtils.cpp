// Change batching, cloning, optional reference counting, the string builder and the
// most-recently-used list.
#include "LyTestSupport.h"
#include "VxObjectList.h"
#include "VxRecentFiles.h"
#include "VxStringBuilder.h"
#include "VxSystemUtilities.h"
#include "VxUtils.h"

#include <QTest>

#include <memory>
#include <vector>

namespace {

class TCountingUpdateable : public TVxUpdateable {
public:
    int BeginHooks = 0;
    int Changes = 0;
    bool FailChanged = false;

protected:
    void DoBeginUpdate() override { ++BeginHooks; }
    void DoChanged() override {
        ++Changes;
        if (FailChanged)
            throw EVxUtilsError(QStringLiteral("notification"));
    }
};

class TPoint : public TVxCloneable {
    VX_CLONEABLE(TPoint)
public:
    int X = 0;

protected:
    void DoCopyFrom(const TVxCloneable& source) override {
        TVxCloneable::DoCopyFrom(source);
        X = static_cast<const TPoint&>(source).X;
    }
};

class TLabelledPoint : public TPoint {
    VX_CLONEABLE(TLabelledPoint)
public:
    QString Label;

protected:
    void DoCopyFrom(const TVxCloneable& source) override {
        TPoint::DoCopyFrom(source);
        Label = static_cast<const TLabelledPoint&>(source).Label;
    }
};

class TCounted : public TVxOptionallyReferenceCountedObject {
public:
    TCounted(bool counted, int& destroyed)
        : TVxOptionallyReferenceCountedObject(counted)
        , FDestroyed(destroyed) {}
    ~TCounted() override { ++FDestroyed; }

private:
    int& FDestroyed;
};

class TCopyablePersistent : public TVxPersistent {
    Q_OBJECT
public:
    int Value = 0;
    void Assign(const TVxPersistent* source) override {
        if (auto* same = qobject_cast<const TCopyablePersistent*>(source)) {
            Value = same->Value;
            return;
        }
        TVxPersistent::Assign(source);
    }
};

struct TTracked {
    explicit TTracked(int& destroyed)
        : Destroyed(destroyed) {}
    ~TTracked() { ++Destroyed; }
    int& Destroyed;
};

QStringList Names(int from, int to) {
    QStringList names;
    for (int i = from; i <= to; ++i)
        names << QStringLiteral("file%1.xml").arg(i);
    return names;
}

} // namespace

class TestVxUtils : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void updateBatchesChanges_data() {
        // A script of B(egin), E(nd) and C(hanged); expected DoBeginUpdate and DoChanged counts.
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("begins");
        QTest::addColumn<int>("changes");
        QTest::newRow("two changes in one update") << "BCCE" << 1 << 1;
        QTest::newRow("update without change") << "BE" << 1 << 0;
        QTest::newRow("nested notifies at outermost end") << "BBCEE" << 1 << 1;
        QTest::newRow("change outside update is immediate") << "CC" << 0 << 2;
        QTest::newRow("two batches") << "BCEBCE" << 2 << 2;
        QTest::newRow("pending cleared by next batch") << "BCEBE" << 2 << 1;
    }

    void updateBatchesChanges() {
        QFETCH(QString, script);
        TCountingUpdateable u;
        for (QChar step : script) {
            if (step == u'B')
                u.BeginUpdate();
            else if (step == u'E')
                u.EndUpdate();
            else
                u.Changed();
        }
        QTEST(u.BeginHooks, "begins");
        QTEST(u.Changes, "changes");
        QVERIFY(!u.Updating());
    }

    void unbalancedEndUpdateIsAnAssertion() {
        TCountingUpdateable u;
        LY_EXPECT_ASSERTION(u.EndUpdate(), "Units/VxUtils");
        u.BeginUpdate();
        u.EndUpdate();
        LY_EXPECT_ASSERTION(u.EndUpdate(), "Units/VxUtils");
        QCOMPARE(u.UpdateCount(), 0);
    }

    void updateGuardEndsOnException() {
        // The update ends when an exception leaves the guarded scope; a notification that fails at
        // that end is dropped while the first exception unwinds, and raised otherwise.
        TCountingUpdateable u;
        u.FailChanged = true;
        const auto failInside = [&] {
            TVxUpdateGuard update(u);
            u.Changed();
            throw EVxUtilsError(QStringLiteral("first"));
        };
        const auto changeInside = [&] {
            TVxUpdateGuard update(u);
            u.Changed();
        };
        QString message;
        LY_EXPECT_EXCEPTION(EVxUtilsError, failInside(), message);
        QCOMPARE(message, QStringLiteral("first"));
        QVERIFY(!u.Updating());
        LY_EXPECT_EXCEPTION(EVxUtilsError, changeInside(), message);
        QCOMPARE(message, QStringLiteral("notification"));
        QVERIFY(!u.Updating());
        QCOMPARE(u.Changes, 2);
    }

    void cloneAndCopyFrom() {
        TLabelledPoint original;
        original.X = 7;
        original.Label = QStringLiteral("seven");
        const std::unique_ptr<TLabelledPoint> copy = original.Clone();
        QVERIFY(copy.get() != &original);
        QCOMPARE(copy->X, 7);
        QCOMPARE(copy->Label, QStringLiteral("seven"));
        // Cloned through the base: still the derived class.
        const TVxCloneable& asBase = original;
        QVERIFY(dynamic_cast<TLabelledPoint*>(asBase.Clone().get()));

        TPoint point;
        point.CopyFrom(&original); // a derived source is fine
        QCOMPARE(point.X, 7);
        LY_EXPECT_ASSERTION(original.CopyFrom(&point), "Units/VxUtils");
        LY_EXPECT_ASSERTION(point.CopyFrom(nullptr), "Units/VxUtils");
    }

    void referenceCounting() {
        int destroyed = 0;
        auto* plain = new TCounted(false, destroyed);
        QCOMPARE(plain->AddRef(), 1);
        QCOMPARE(plain->Release(), 1);
        QCOMPARE(plain->Release(), 1);
        QCOMPARE(destroyed, 0); // never frees itself
        delete plain;
        QCOMPARE(destroyed, 1);

        auto* counted = new TCounted(true, destroyed);
        QCOMPARE(counted->AddRef(), 1);
        QCOMPARE(counted->AddRef(), 2);
        QCOMPARE(counted->Release(), 1);
        QCOMPARE(destroyed, 1);
        QCOMPARE(counted->Release(), 0);
        QCOMPARE(destroyed, 2);

        static QString reported;
        const auto previous = SetDestructorAssertionHandler([](const QString& m) { reported = m; });
        auto* leaked = new TCounted(true, destroyed);
        leaked->AddRef();
        delete leaked;
        SetDestructorAssertionHandler(previous);
        QVERIFY2(reported.startsWith(QStringLiteral(
                     "Interfaced objects's reference count should be 0. (Units/VxUtils, line ")),
                 qPrintable(reported));
    }

    void persistentAssign() {
        TCopyablePersistent a;
        TCopyablePersistent b;
        b.Value = 4;
        a.Assign(&b);
        QCOMPARE(a.Value, 4);

        TVxPersistent plain;
        QString message;
        LY_EXPECT_EXCEPTION(EVxUtilsError, a.Assign(&plain), message);
        QCOMPARE(message, QStringLiteral("Cannot assign a TVxPersistent to a TCopyablePersistent"));
        LY_EXPECT_EXCEPTION(EVxUtilsError, a.Assign(nullptr), message);
        QCOMPARE(message, QStringLiteral("Cannot assign a nil to a TCopyablePersistent"));
    }

    void objectListOwnership_data() {
        QTest::addColumn<bool>("owns");
        QTest::newRow("owning") << true;
        QTest::newRow("referring") << false;
    }

    void objectListOwnership() {
        QFETCH(bool, owns);
        int destroyed = 0;
        std::vector<std::unique_ptr<TTracked>> keep; // frees what a referring list leaves
        auto make = [&] {
            auto* item = new TTracked(destroyed);
            if (!owns)
                keep.emplace_back(item);
            return item;
        };
        {
            TVxObjectList<TTracked> list(owns);
            TTracked* first = make();
            list.Add(first);
            list.Add(make());
            list.Insert(0, make());
            QCOMPARE(list.IndexOf(first), 1);
            list.Delete(1);
            QCOMPARE(destroyed, owns ? 1 : 0);
            TTracked* extracted = list.Extract(0);
            QCOMPARE(list.Count(), 1);
            if (owns)
                delete extracted; // the caller took it
            QCOMPARE(list.Remove(extracted), -1);
        }
        QCOMPARE(destroyed, owns ? 3 : 0);
        keep.clear();
        QCOMPARE(destroyed, 3);
    }

    void objectListIndexOutOfRange() {
        TVxObjectList<TTracked> list(true);
        QString message;
        LY_EXPECT_EXCEPTION(EVxListError, list.Items(0), message);
        QCOMPARE(message, QStringLiteral("List index out of bounds (0)"));
        LY_EXPECT_EXCEPTION(EVxListError, list.Delete(-1), message);
        LY_EXPECT_EXCEPTION(EVxListError, list.Insert(1, nullptr), message);
        QCOMPARE(list.Count(), 0);
    }

    void stringBuilder() {
        TVxStringBuilder builder;
        QVERIFY(builder.IsEmpty());
        builder.Append(u"");
        builder.Append(u"a");
        builder.Append(u"bcd");
        builder.Append(u",");
        builder.RemoveLast(1);
        QCOMPARE(builder.Text(), QStringLiteral("abcd"));
        builder.Truncate(9); // longer than the text: nothing changes
        QCOMPARE(builder.Text(), QStringLiteral("abcd"));
        QCOMPARE(builder.Chars(1), QChar(u'a'));
        QCOMPARE(builder.Chars(4), QChar(u'd'));
        LY_EXPECT_ASSERTION(builder.Chars(5), "Units/VxUtils");
        LY_EXPECT_ASSERTION(builder.Chars(0), "Units/VxUtils");
        LY_EXPECT_ASSERTION(builder.Truncate(-1), "Units/VxUtils");

        TVxStringBuilder seeded(QStringLiteral("xy"), 8);
        seeded.Append(u"z");
        QCOMPARE(seeded.Text(), QStringLiteral("xyz"));
    }

    void recentFilesKeepsMostRecentFirst() {
        TVxRecentFiles recent;
        for (const QString& name : Names(1, 10))
            recent.Add(name);
        QCOMPARE(recent.Count(), 10);
        QVERIFY(recent.IsFull());
        QCOMPARE(recent.Files().first(), QStringLiteral("file10.xml"));

        recent.Add(QStringLiteral("FILE5.XML")); // present in other letter case: moves, keeps case
        QCOMPARE(recent.Count(), 10);
        QCOMPARE(recent.Files().first(), QStringLiteral("file5.xml"));

        recent.Add(QStringLiteral("new.xml")); // full: the two oldest go
        QCOMPARE(recent.Count(), 9);
        QCOMPARE(recent.Files().first(), QStringLiteral("new.xml"));
        QVERIFY(!recent.Files().contains(QStringLiteral("file1.xml")));
        QVERIFY(!recent.Files().contains(QStringLiteral("file2.xml")));

        recent.Add(QStringLiteral("newer.xml")); // not full: nothing dropped
        QCOMPARE(recent.Count(), 10);

        recent.Remove(QStringLiteral("NEW.xml"));
        recent.Remove(QStringLiteral("absent.xml"));
        QCOMPARE(recent.Count(), 9);
        QVERIFY(!recent.Files().contains(QStringLiteral("new.xml")));
    }

    void recentFilesShrinking() {
        TVxRecentFiles recent;
        for (const QString& name : Names(1, 10))
            recent.Add(name);
        recent.SetMaxSize(4);
        QCOMPARE(recent.Files(), (QStringList{"file10.xml", "file9.xml", "file8.xml"}));
        QCOMPARE(recent.TrimAmount(), 1);

        recent.SetTrimAmount(3);
        LY_EXPECT_ASSERTION(recent.SetTrimAmount(5), "Units/VxUtils");
        LY_EXPECT_ASSERTION(recent.SetTrimAmount(0), "Units/VxUtils");
        recent.SetMaxSize(2); // below the trim amount: halves it
        QCOMPARE(recent.TrimAmount(), 1);
        QCOMPARE(recent.Count(), 1);

        TVxRecentFiles listed; // a list given whole keeps to the maximum size
        listed.SetFiles(Names(1, 12));
        QCOMPARE(listed.Count(), 10);
        QCOMPARE(listed.Files().first(), QStringLiteral("file1.xml"));
        listed.Add(QStringLiteral("x.xml"));
        QCOMPARE(listed.Count(), 9);
    }
};

QTEST_APPLESS_MAIN(TestVxUtils)
#include "tst_VxUtils.moc"
