// Change batching, optional reference counting, persistent assignment, the string builder and
// the most-recently-used list.
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

    void updateGuardEndsOnException() {
        // An unbalanced EndUpdate is an assertion.
        TCountingUpdateable u;
        LY_EXPECT_ASSERTION(u.EndUpdate(), "Units/VxUtils");
        u.BeginUpdate();
        u.EndUpdate();
        LY_EXPECT_ASSERTION(u.EndUpdate(), "Units/VxUtils");
        QCOMPARE(u.UpdateCount(), 0);
        // The update ends when an exception leaves the guarded scope; a notification that fails at
        // that end is dropped while the first exception unwinds, and raised otherwise.
        u.FailChanged = true;
        const auto changeInside = [&](bool fail) {
            TVxUpdateGuard update(u);
            u.Changed();
            if (fail)
                throw EVxUtilsError(QStringLiteral("first"));
        };
        QString message;
        LY_EXPECT_EXCEPTION(EVxUtilsError, changeInside(true), message);
        QCOMPARE(message, QStringLiteral("first"));
        QVERIFY(!u.Updating());
        LY_EXPECT_EXCEPTION(EVxUtilsError, changeInside(false), message);
        QCOMPARE(message, QStringLiteral("notification"));
        QVERIFY(!u.Updating());
        QCOMPARE(u.Changes, 2);
    }

    void referenceCounting() {
        int destroyed = 0;
        auto* plain = new TCounted(false, destroyed); // counts, but never frees itself
        auto* counted = new TCounted(true, destroyed);
        QList<int> counts;
        counts << plain->AddRef() << plain->Release() << plain->Release() << destroyed;
        counts << counted->AddRef() << counted->AddRef() << counted->Release() << destroyed;
        counts << counted->Release() << destroyed;
        QCOMPARE(counts, QList<int>({1, 1, 1, 0, 1, 2, 1, 0, 0, 1}));
        delete plain;
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

    void recentFiles_data() {
        // Steps, each applied in turn: "+name" adds, "-name" removes, "max N" and "trim N" set
        // the sizes, "set N" gives file1..fileN whole; "1-10" adds file1.xml..file10.xml. The
        // expected list omits the common ".xml" and "file".
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("files");
        QTest::newRow("most recent first, full") << QStringList{"1-10"} << "10 9 8 7 6 5 4 3 2 1";
        QTest::newRow("present in other case: moves, keeps its case")
            << QStringList{"1-10", "+FILE5.XML"} << "5 10 9 8 7 6 4 3 2 1";
        QTest::newRow("full: the two oldest go, then nothing")
            << QStringList{"1-10", "+new", "+newer"} << "newer new 10 9 8 7 6 5 4 3";
        QTest::newRow("removed in any case, absent ignored")
            << QStringList{"1-3", "-FILE2.xml", "-absent.xml"} << "3 1";
        QTest::newRow("shrinking drops the oldest") << QStringList{"1-10", "max 4"} << "10 9 8";
        QTest::newRow("trim amount above the new size is halved")
            << QStringList{"1-10", "max 4", "trim 3", "max 2"} << "10";
        QTest::newRow("a list given whole keeps to the maximum")
            << QStringList{"set 12"} << "1 2 3 4 5 6 7 8 9 10";
        QTest::newRow("and makes room as usual")
            << QStringList{"set 12", "+x"} << "x 1 2 3 4 5 6 7 8";
    }

    void recentFiles() {
        QFETCH(QStringList, steps);
        TVxRecentFiles recent;
        for (const QString& step : steps) {
            const QString argument = step.section(u' ', 1);
            if (step.startsWith(u'+'))
                recent.Add(step.mid(1).contains(u'.') ? step.mid(1) : step.mid(1) + ".xml");
            else if (step.startsWith(u'-'))
                recent.Remove(step.mid(1));
            else if (step.startsWith("max"))
                recent.SetMaxSize(argument.toInt());
            else if (step.startsWith("trim"))
                recent.SetTrimAmount(argument.toInt());
            else if (step.startsWith("set"))
                recent.SetFiles(Names(1, argument.toInt()));
            else
                for (const QString& name : Names(1, step.section(u'-', 1).toInt()))
                    recent.Add(name);
        }
        QString files = recent.Files().join(u' ');
        QTEST(files.remove(".xml").remove("file"), "files");
        QCOMPARE(recent.TrimAmount(), 1); // the default, or 3 halved below a maximum of 2
        // The trim amount stays between 1 and the maximum size.
        LY_EXPECT_ASSERTION(recent.SetTrimAmount(recent.MaxSize() + 1), "Units/VxUtils");
        LY_EXPECT_ASSERTION(recent.SetTrimAmount(0), "Units/VxUtils");
    }
};

QTEST_APPLESS_MAIN(TestVxUtils)
#include "tst_VxUtils.moc"
