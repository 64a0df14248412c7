// Helpers shared by the tests: temporary folders and checks for the program's exceptions.
#pragma once

#include "ArExceptions.h"
#include "LyLoggedMessages.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

// A temporary folder removed with everything in it when the object goes.
class TLyTempFolder {
public:
    TLyTempFolder();
    QString Path() const { return FDir.path(); }
    // The full path of `relative` inside the folder.
    QString FilePath(const QString& relative) const { return FDir.filePath(relative); }
    // Writes `bytes` to `relative` (creating parent folders) and returns the full path.
    QString WriteFile(const QString& relative, const QByteArray& bytes) const;

private:
    QTemporaryDir FDir;
};

QByteArray ReadWholeFile(const QString& path);

// Runs `action` and returns the message of the exception of type E it raises; fails the
// current test when it raises nothing or something else.
#define LY_EXPECT_EXCEPTION(E, action, messageOut)                                                 \
    do {                                                                                           \
        bool lyRaised = false;                                                                     \
        try {                                                                                      \
            action;                                                                                \
        } catch (const E& lyError) {                                                               \
            lyRaised = true;                                                                       \
            messageOut = lyError.Message();                                                        \
        }                                                                                          \
        QVERIFY2(lyRaised, #action " did not raise " #E);                                          \
    } while (false)

// Checks that `action` fails an assertion of `unit`.
#define LY_EXPECT_ASSERTION(action, unit)                                                          \
    do {                                                                                           \
        QString lyMessage;                                                                         \
        LY_EXPECT_EXCEPTION(EAssertionFailed, action, lyMessage);                                  \
        QVERIFY2(lyMessage.contains(QStringLiteral("(" unit ", line ")), qPrintable(lyMessage));   \
    } while (false)

// While it lives, no file of the process can grow beyond `bytes`: writes beyond it fail (the
// signal the system sends then is ignored), as on a full disk.
class TLyFileSizeLimit {
public:
    explicit TLyFileSizeLimit(qint64 bytes);
    ~TLyFileSizeLimit();
    TLyFileSizeLimit(const TLyFileSizeLimit&) = delete;
    TLyFileSizeLimit& operator=(const TLyFileSizeLimit&) = delete;

private:
    rlimit FPrevious{};
};
