// Every seed and every kept finding of the fuzz targets, run through the targets' bodies. A body
// aborts with its reason on a broken check; the sanitizer builds also catch what it touches.
#include "LyFuzzTargets.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTest>

#include <iterator>

namespace {

using TBody = void (*)(const uint8_t*, size_t);

const std::pair<const char*, TBody> kTargets[] = {
    {"library_document", &LyFuzzLibraryDocument},
    {"options_files", &LyFuzzOptionsFiles},
    {"library_values", &LyFuzzLibraryValues},
    {"is_library_file", &LyFuzzIsLibraryFile},
};

} // namespace

class TestFuzzRegressions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { LyFuzzSetUp(); }
    void input_data() {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("path");
        const QString root = QStringLiteral(LY_TEST_DATA_DIR "/..");
        for (int target = 0; target < int(std::size(kTargets)); ++target) {
            const QString name = QString::fromLatin1(kTargets[target].first);
            int count = 0;
            for (const QString& folder :
                 {QStringLiteral("/../fuzz/corpus/"), QStringLiteral("/data/fuzz-regressions/")}) {
                QDirIterator it(root + folder + name, QDir::Files);
                while (it.hasNext()) {
                    const QString path = it.next();
                    QTest::newRow(qPrintable(name + u'/' + QFileInfo(path).fileName()))
                        << target << path;
                    ++count;
                }
            }
            if (count == 0)
                qFatal("no inputs for the fuzz target %s", kTargets[target].first);
        }
    }

    void input() {
        QFETCH(int, target);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        const QByteArray bytes = file.readAll();
        kTargets[target].second(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                size_t(bytes.size()));
    }
};

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_FuzzRegressions.moc"
