#include "PictureProgram.h"

#include "LySystem.h"
#include "VxThreads.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QWidget>

int RunPictureProgram(int argc, char* argv[], const std::function<bool(const QString&)>& draw,
                      bool system) {
    QApplication app(argc, argv);
    if (argc != 2) {
        qWarning("usage: %s FOLDER", argv[0]);
        return 2;
    }
    QCursor::setPos(10000, 10000); // no button under the pointer
    system ? LySystemStartup() : VxThreadsStartup();
    const bool saved = draw(QString::fromLocal8Bit(argv[1]));
    system ? LySystemShutdown() : VxThreadsShutdown();
    return saved ? 0 : 1;
}

bool SavePicture(QWidget& widget, const QString& folder, const QString& name) {
    widget.show();
    QApplication::processEvents();
    const qreal ratio = widget.devicePixelRatioF();
    const QString suffix = ratio > 1 ? QStringLiteral("@%1x").arg(ratio) : QString();
    return widget.grab().save(QDir(folder).filePath(name + suffix + QStringLiteral(".png")));
}
