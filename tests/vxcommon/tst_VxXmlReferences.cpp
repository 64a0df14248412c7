// The markup the XML readers refuse before parsing: what is refused, where, and what valid
// documents hold that must pass (a false refusal would lock a user out of a good file).
#include "VxXmlReferences.h"

#include <QTest>

class TestVxXmlReferences : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findUnsupported_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("offset");

        QTest::newRow("predefined entities")
            << QByteArray("<a b=\"&quot;&apos;\">&amp;&lt;&gt;</a>") << qint64(-1);
        QTest::newRow("character references")
            << QByteArray("<a>&#65;&#x41;&#x10FFFF;&#1;&#x0000041;&#xFFFE;</a>") << qint64(-1);
        QTest::newRow("ampersands in sections")
            << QByteArray("<?pi a&b?><a><![CDATA[&x; &#0;]]><!-- &nbsp; --></a>") << qint64(-1);
        QTest::newRow("processing instruction inside a section")
            << QByteArray("<a><![CDATA[<?x?> &bad;]]></a>") << qint64(-1);
        QTest::newRow("external DOCTYPE with a query in its URL")
            << QByteArray(
                   "<?xml version=\"1.0\"?>\n<!-- c -->\n<!DOCTYPE plist PUBLIC \"-//A[1]//EN\" "
                   "'http://x/p.dtd?a=1&b=[2]'>\n<plist/>")
            << qint64(-1);
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF<a>&amp;</a>") << qint64(-1);

        QTest::newRow("internal subset")
            << QByteArray("<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>") << qint64(12);
        QTest::newRow("internal subset after stray text")
            << QByteArray("<?xml version=\"1.0\"?>x<!DOCTYPE a [<!ENTITY e \"x\">]><a/>")
            << qint64(34);
        QTest::newRow("internal subset in a comment")
            << QByteArray("<!-- <!DOCTYPE a [ --><a/>") << qint64(-1);
        QTest::newRow("undefined entity") << QByteArray("<a>x&nbsp;</a>") << qint64(4);
        QTest::newRow("bare ampersand") << QByteArray("<a>AT&T</a>") << qint64(5);
        QTest::newRow("in an attribute") << QByteArray("<a b=\"&e;\"/>") << qint64(6);
        QTest::newRow("after a closed section")
            << QByteArray("<a><![CDATA[&]]>&x;</a>") << qint64(16);
        QTest::newRow("NUL") << QByteArray("<a>&#0;</a>") << qint64(3);
        QTest::newRow("surrogate") << QByteArray("<a>&#xDC00;</a>") << qint64(3);
        QTest::newRow("past U+10FFFF") << QByteArray("<a>&#x110000;</a>") << qint64(3);
        QTest::newRow("huge number") << QByteArray("<a>&#99999999999999999999;</a>") << qint64(3);
        QTest::newRow("no digits") << QByteArray("<a>&#;&#x;</a>") << qint64(3);
        QTest::newRow("unterminated") << QByteArray("<a>&#65") << qint64(3);
    }

    void findUnsupported() {
        QFETCH(QByteArray, text);
        QFETCH(qint64, offset);
        QString problem;
        QCOMPARE(VxFindUnsupportedXml(text.constData(), text.size(), &problem), offset);
        QCOMPARE(problem.isEmpty(), offset < 0);
    }
};

QTEST_GUILESS_MAIN(TestVxXmlReferences)
#include "tst_VxXmlReferences.moc"
