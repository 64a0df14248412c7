#include "CliProgress.h"

#include "LyProcess.h"

#include <algorithm>

namespace {

constexpr int kBarWidth = 24;
constexpr int kCaptionWidth = 60;
// Back to the start of the line and erase it.
const QString kClearLine = QStringLiteral("\r\x1b[K");

} // namespace

void TCliProgress::Update(ILyProcessTask* task) {
    const int level = task->Level();
    // Deeper levels, if any, belong to an earlier step of this task.
    FLevels.resize(level + 1);
    FLevels[level] = {task->Caption(), task->StepCount(), task->Position()};
    Draw();
}

void TCliProgress::TaskFinished(ILyProcessTask* task) {
    FLevels.resize(std::min<qsizetype>(FLevels.size(), task->Level()));
    if (FLevels.isEmpty()) {
        if (!FLine.isEmpty())
            FTerminal << kClearLine << Qt::flush;
        FLine.clear();
        return;
    }
    Draw();
}

void TCliProgress::Draw() {
    QStringList captions;
    for (const TLevel& level : std::as_const(FLevels))
        if (!level.Caption.isEmpty())
            captions << level.Caption;
    const TLevel& innermost = FLevels.constLast();
    // A task may be stepped beyond its count: the bar stops full.
    const double fraction =
        innermost.StepCount > 0
            ? std::clamp(double(innermost.Position) / innermost.StepCount, 0.0, 1.0)
            : 0.0;
    const int filled = int(fraction * kBarWidth);
    QString caption = captions.join(QStringLiteral(" > "));
    if (caption.size() > kCaptionWidth)
        caption = caption.left(kCaptionWidth - 3) + QStringLiteral("...");
    FLine = QStringLiteral("[%1%2] %3% %4")
                .arg(QString(filled, u'#'), QString(kBarWidth - filled, u'-'))
                .arg(int(fraction * 100), 3)
                .arg(caption);
    FTerminal << kClearLine << FLine << Qt::flush;
}
