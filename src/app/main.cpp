// The desktop program: one main window on the engine, started and ended in order.
#include "LyProjectMainWindow.h"
#include "LySongPropertyWindow.h"
#include "LySystem.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char* const kUsage = "Usage: lyrabridge [PROJECT-FILE]\n"
                           "Opens the project file, else the most recent project.\n";

} // namespace

int main(int argc, char* argv[]) {
    // Before the application, which needs a display.
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    QApplication application(argc, argv);
    // Task bars find the icon through the desktop entry; no display name, which Qt would add to
    // every window title.
    QGuiApplication::setDesktopFileName(QStringLiteral("lyrabridge"));
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() > 1 || (arguments.size() == 1 && arguments.first().startsWith(u'-'))) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    LySystemStartup();
    int exitCode = 0;
    try {
        const QString folder = QCoreApplication::applicationDirPath();
        auto window = std::make_unique<TLyProjectMainForm>(arguments.value(0));
        window->SetHelpFiles({QDir(folder).filePath(QStringLiteral("Lyrabridge.chm")),
                              QDir::cleanPath(QDir(folder).filePath(
                                  QStringLiteral(LY_GUIDE_RELATIVE_DIR "/index.html")))});
        auto songProperties = std::make_unique<TLySongPropertyForm>(window.get());
        songProperties->hide();
        window->show();
        exitCode = QApplication::exec();
        songProperties.reset();
        window.reset();
    } catch (const std::exception& error) {
        // The preferences could not be read nor set aside: nothing to show a window for.
        QMessageBox::critical(nullptr, QStringLiteral("Lyrabridge"),
                              QString::fromUtf8(error.what()));
        exitCode = 1;
    }
    LySystemShutdown();
    return exitCode;
}
