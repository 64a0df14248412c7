// Stores through a temporary file of a fixed name: what a killed store leaves is taken over by
// the next one, an abandoned store leaves the target alone, and the target keeps its
// permissions and symbolic link.
#include "LyTestFiles.h"
#include "LyTestSupport.h"
#include "VxSaveFile.h"

#include <QDir>
#include <QTest>

namespace {

bool Store(const QString& fileName, const QByteArray& bytes) {
    TVxSaveFile file(fileName);
    return file.Open() && file.Write(bytes) && file.Commit();
}

} // namespace

class TestVxSaveFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void leftoverOfAKilledStoreIsTakenOver() {
        const TLyTempFolder folder;
        const QString target = folder.WriteFile(QStringLiteral("file.xml"), "old");
        // What a store killed half-way leaves: longer than what comes next, so a reuse that did
        // not empty it would show.
        folder.WriteFile(QFileInfo(TVxSaveFile::TemporaryName(target)).fileName(),
                         QByteArray(4096, 'x'));
        QVERIFY(Store(target, "new"));
        QCOMPARE(ReadWholeFile(target), QByteArray("new"));
        QCOMPARE(LyFolderFiles(folder.Path()), QStringList{QStringLiteral("file.xml")});
    }

    void abandonedStoreLeavesTheTarget() {
        const TLyTempFolder folder;
        const QString target = folder.WriteFile(QStringLiteral("file.xml"), "old");
        {
            TVxSaveFile file(target);
            QVERIFY(file.Open());
            QVERIFY(file.Write(QByteArray(100000, 'y')));
        }
        QCOMPARE(ReadWholeFile(target), QByteArray("old"));
        QCOMPARE(LyFolderFiles(folder.Path()), QStringList{QStringLiteral("file.xml")});
    }

    void targetKeepsPermissionsAndLink() {
        const TLyTempFolder folder;
        const QString real = folder.WriteFile(QStringLiteral("real.xml"), "old");
        QVERIFY(QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner));
        const QString link = folder.FilePath(QStringLiteral("link.xml"));
        QVERIFY(QFile::link(real, link));
        QVERIFY(Store(link, "new"));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(ReadWholeFile(real), QByteArray("new"));
        const QFile::Permissions ownerGroupOthers(0xF0FF); // not the current user's
        QCOMPARE(QFile::permissions(real) & ownerGroupOthers, QFile::ReadOwner | QFile::WriteOwner);
    }

    void failureNamesTheFile() {
        const TLyTempFolder folder;
        const QString target = folder.FilePath(QStringLiteral("missing/file.xml"));
        TVxSaveFile file(target);
        QVERIFY(!file.Open());
        QVERIFY2(file.ErrorString().contains(TVxSaveFile::TemporaryName(target)),
                 qPrintable(file.ErrorString()));
        QVERIFY(!QFileInfo::exists(target));
    }
};

QTEST_GUILESS_MAIN(TestVxSaveFile)
#include "tst_VxSaveFile.moc"
